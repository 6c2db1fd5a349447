// The print calibration window, its sheet, and the print set-up a company keeps.
#include "TestSupport.h"

#include "Calib.h"
#include "Com_Q.h"
#include "CourierStore.h"
#include "DM.h"
#include "PrintSetup.h"
#include "Printing.h"
#include "SqlDialect.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QRadioButton>

namespace {

const QString Company = QStringLiteral("圆通速递");
const QString Other = QStringLiteral("中通快递");

void createCompany(const QString& name)
{
    CourierStore::createCompany({name, QString(), QString(), QString(), QString(), QString()});
}

qint64 companyId(const QString& name)
{
    return QueryValue(SqlText("SELECT ID FROM SCom WHERE theName = ? AND theDel = '否'", {name})).toLongLong();
}

// The company's rows in the three set-up tables.
int setupRows(const QString& company)
{
    return QueryValue(SqlText("SELECT (SELECT COUNT(*) FROM SOffset WHERE EName = ?) + "
                              "(SELECT COUNT(*) FROM SForm WHERE EName = ?) + "
                              "(SELECT COUNT(*) FROM SPWidth WHERE EName = ?)",
                              {company, company, company}))
        .toInt();
}

// Pages go into a PDF file, whose offsets are stored under the empty printer name.
struct PdfOutput {
    PdfOutput() { SetPrintOutputFile(path); }
    ~PdfOutput() { SetPrintOutputFile(QString()); }
    QTemporaryDir dir;
    QString path = dir.filePath("page.pdf");
};

// Typed as a user would, ended with Enter.
void type(QWidget* window, const char* spinName, const QString& text)
{
    auto* box = child<QDoubleSpinBox>(window, spinName);
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

} // namespace

class TestCalibration : public QObject {
    Q_OBJECT
private slots:
    void windowShowsSavesAndPrintsThisPrintersOffset();
    void renameResetsAndDeleteRemovesTheSetup();
    void upgradeStoresTheOriginAsACode();
};

void TestCalibration::windowShowsSavesAndPrintsThisPrintersOffset()
{
    ProgramFolder folder;
    createCompany(Company);
    DM().ExecSql(SqlText("UPDATE SP SET theP = '否' WHERE EName = ? AND theName NOT IN ('JP01', 'SP09')", {Company}));
    DM().ExecSql(SqlText("UPDATE SP SET theL = 400, theT = 300 WHERE EName = ? AND theName = 'SP09'", {Company}));
    PdfOutput pdf;
    PrintSetup::saveOffset(QString(), Company, {-3.2, 4.7, PrintSetup::Origin::PaperEdge});
    // Another printer's, and another company's on this printer: neither may show.
    PrintSetup::saveOffset("Office Laser", Company, {9, 9, PrintSetup::Origin::PrintableArea});
    PrintSetup::saveOffset(QString(), Other, {7, 7, PrintSetup::Origin::PrintableArea});
    createCompany(Other);
    MessageRecorder messages;
    ModalRecorder modals;
    QueryDriver<TfrmCom_Q> query(QStringLiteral("快递公司"));
    query.query();
    query.selectRow(query.rowOf(Company));
    query.run("PrintCalibration");
    QCOMPARE(query.command("PrintCalibration")->text(), QStringLiteral("打印校准"));
    TfrmCalib* calib = modals.lastOf<TfrmCalib>();
    QVERIFY(calib);
    QCOMPARE(calib->windowTitle(), QStringLiteral("打印校准"));
    QCOMPARE(child<QLabel>(calib, "Label2")->text(), Company);
    QCOMPARE(child<QDoubleSpinBox>(calib, "SpinX")->value(), -3.2);
    QCOMPARE(child<QDoubleSpinBox>(calib, "SpinY")->value(), 4.7);
    QVERIFY(child<QRadioButton>(calib, "RadioButton2")->isChecked());

    // The sheet prints what a waybill then gets: the offset in the window, saved.
    type(calib, "SpinX", "1.5");
    type(calib, "SpinY", "-0.8");
    QTest::mouseClick(child(calib, "BitBtn2"), Qt::LeftButton);
    QCOMPARE(PrintSetup::offset(QString(), Company).x, 1.5);
    QCOMPARE(PrintSetup::offset(QString(), Company).y, -0.8);
    const QString text = PdfText(pdf.path);
    // Positions in millimetres: 10 px = 2.6 mm, 400 px = 105.8 mm, 300 px = 79.4 mm.
    for (const QString& shown : {QStringLiteral("打印校准页"), Company, QStringLiteral("纸张边缘"),
                                 QStringLiteral("1.5 毫米"), QStringLiteral("-0.8 毫米"),
                                 QStringLiteral("寄件人姓名 (2.6, 2.6)"), QStringLiteral("收件人地址 (105.8, 79.4)")})
        QVERIFY2(text.contains(shown), qPrintable(shown));
    QVERIFY(!text.contains(QStringLiteral("寄件人电话号码"))); // switched off
    QVERIFY(text.contains(QRegularExpression("\\b100\\b")));   // the rulers' numbers

    // The printer chosen here is the company's, by its queue name; the system's default
    // first, which is no name at all.
    auto* printers = child<QComboBox>(calib, "ComboBox1");
    QCOMPARE(printers->currentIndex(), 0);
    const QString chosen = printers->count() > 1 ? printers->itemText(printers->count() - 1) : QString();
    printers->setCurrentIndex(printers->count() - 1);
    QTest::mouseClick(child(calib, "RadioButton1"), Qt::LeftButton);
    QTest::mouseClick(child(calib, "BitBtn1"), Qt::LeftButton);
    QCOMPARE(messages.texts(), QStringList({QStringLiteral("打印校准 保存成功！")}));
    QCOMPARE(PrintSetup::form(Company).printer, chosen);
    QCOMPARE(PrintSetup::offset(QString(), Company).origin, PrintSetup::Origin::PrintableArea);
    QCOMPARE(PrintSetup::offset("Office Laser", Company).x, 9.0);
    QCOMPARE(PrintSetup::offset(QString(), Other).x, 7.0);
}

void TestCalibration::renameResetsAndDeleteRemovesTheSetup()
{
    ProgramFolder folder;
    for (const QString& company : {Company, Other}) {
        createCompany(company);
        PrintSetup::saveOffset("OrvanePDF", company, {1.5, -2, PrintSetup::Origin::PaperEdge});
        PrintSetup::saveOffset("Office Laser", company, {0.3, 0.4, PrintSetup::Origin::PrintableArea});
        PrintSetup::saveLayout(company, {}, {{"SP09", 300}, {"JP09", 0}}, {230, 127, "Office Laser"});
        QCOMPARE(setupRows(company), 7); // with the full addresses' two widths
    }
    CourierStore::updateCompany(companyId(Company), Company,
                                {"圆通快递", QString(), QString(), QString(), QString(), QString()}, 0);
    QCOMPARE(setupRows(Company), 0);
    QCOMPARE(setupRows("圆通快递"), 2); // the new name's items start with their default widths
    QCOMPARE(setupRows(Other), 7);
    CourierStore::deleteCompany(companyId(Other), Other);
    QCOMPARE(setupRows(Other), 0);
}

void TestCalibration::upgradeStoresTheOriginAsACode()
{
    SKIP_ON_SERVER();
    ProgramFolder folder;
    // The set-up as the version before wrote it: the origin by its caption, a form
    // without height or printer.
    for (const char* sql :
         {"INSERT INTO SOffset (thePrinter, EName, theX, theY, theOrigin) "
          "VALUES ('P', '圆通速递', 1.5, 0, '纸张边缘'), ('P', '中通快递', 0, 2, '可打印区域')",
          "INSERT INTO SForm (EName, theWidth) VALUES ('圆通速递', 230)", "ALTER TABLE SForm DROP COLUMN theHeight",
          "ALTER TABLE SForm DROP COLUMN thePrinter", "DROP TABLE SPicture", "ALTER TABLE UE DROP COLUMN theVersion",
          "DROP INDEX SOffset_Key", "ALTER TABLE SOffset DROP COLUMN thePC",
          "CREATE UNIQUE INDEX SOffset_Key ON SOffset (thePrinter, EName)", "ALTER TABLE USender DROP COLUMN theUsed",
          "ALTER TABLE UAddressee DROP COLUMN theUsed", "ALTER TABLE USender DROP COLUMN theVersion",
          "ALTER TABLE UAddressee DROP COLUMN theVersion", "ALTER TABLE SCom DROP COLUMN theVersion",
          "PRAGMA user_version = 2"})
        DM().ExecSql(SqlText(sql));
    DM().close();
    QCOMPARE(RowsOf(SqlText("SELECT EName, theOrigin FROM SOffset ORDER BY ID")),
             QStringList({"圆通速递|paper-edge", "中通快递|printable-area"}));
    QCOMPARE(PrintSetup::offset("P", Company).origin, PrintSetup::Origin::PaperEdge);
    const PrintSetup::Form form = PrintSetup::form(Company);
    QCOMPARE(form.widthMm, 230.0);
    QVERIFY(!form.hasSize()); // printed on the default paper until a height is given
}

ORVANE_TEST_MAIN(TestCalibration)
#include "tst_calibration.moc"
