// The print calibration window, its sheet, and the print set-up a company keeps.
#include "TestSupport.h"

#include "Calib.h"
#include "Com_Q.h"
#include "CourierStore.h"
#include "DM.h"
#include "P3.h"
#include "PrintSetup.h"
#include "Printing.h"

#include <QDoubleSpinBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>

namespace {

const QString Company = QStringLiteral("圆通速递");

void createCompany(const QString& name)
{
    CourierStore::createCompany({name, QString(), QString(), QString(), QString(), QString()});
}

// Every row of the three set-up tables, as "table|printer|company|values".
QStringList setupRows()
{
    QStringList rows;
    for (const char* statement : {"SELECT 'SOffset', thePrinter, EName, theX, theY, theOrigin FROM SOffset ORDER BY ID",
                                  "SELECT 'SForm', '', EName, theWidth, '', '' FROM SForm ORDER BY ID",
                                  "SELECT 'SPWidth', '', EName, theName, theW, '' FROM SPWidth ORDER BY ID"}) {
        QSqlQuery query = DM().run(SqlText(QString::fromUtf8(statement)));
        while (query.next()) {
            QStringList values;
            for (int i = 0; i < 6; ++i)
                values << query.value(i).toString();
            rows << values.join('|');
        }
    }
    return rows;
}

void storeFullSetup(const QString& company)
{
    PrintSetup::saveOffset("OrvanePDF", company, {1.5, -2, PrintSetup::Origin::PaperEdge});
    PrintSetup::saveOffset("Office Laser", company, {0.3, 0.4, PrintSetup::Origin::PrintableArea});
    PrintSetup::saveLayout(company, {}, {{"SP09", 300}, {"JP09", 0}}, 230);
}

QString pdfText(const QString& pdf)
{
    QProcess process;
    process.start("pdftotext", {"-layout", pdf, "-"});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Pages go into a PDF file, whose offsets are stored under the empty printer name.
struct PdfOutput {
    PdfOutput() { SetPrintOutputFile(path); }
    ~PdfOutput() { SetPrintOutputFile(QString()); }
    QTemporaryDir dir;
    QString path = dir.filePath("page.pdf");
};

struct CalibWindow {
    CalibWindow()
    {
        window.CompanyName = Company;
        window.show();
        QCoreApplication::processEvents();
    }
    QDoubleSpinBox* spin(const char* name) { return child<QDoubleSpinBox>(&window, name); }
    QRadioButton* radio(const char* name) { return child<QRadioButton>(&window, name); }
    void click(const char* name) { QTest::mouseClick(child(&window, name), Qt::LeftButton); }
    // Typed as a user would, ended with Enter.
    void type(const char* spinName, const QString& text)
    {
        QDoubleSpinBox* box = spin(spinName);
        box->selectAll();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    TfrmCalib window{nullptr};
};

} // namespace

class TestCalibration : public QObject {
    Q_OBJECT
private slots:
    void windowShowsAndSavesThisPrintersOffset();
    void renameResetsAndDeleteRemovesTheSetup();
    void sheetMarksEveryPrintedItemAndSaysWhatItUsed();
    void reachedFromCompanyQueryAndPrintWindow();
};

void TestCalibration::windowShowsAndSavesThisPrintersOffset()
{
    ProgramFolder folder;
    createCompany(Company);
    PdfOutput pdf;
    PrintSetup::saveOffset(QString(), Company, {-3.2, 4.7, PrintSetup::Origin::PaperEdge});
    // Another printer's, and another company's on this printer: neither may show.
    PrintSetup::saveOffset("Office Laser", Company, {9, 9, PrintSetup::Origin::PrintableArea});
    PrintSetup::saveOffset(QString(), "中通快递", {7, 7, PrintSetup::Origin::PrintableArea});
    MessageRecorder messages;
    CalibWindow calib;
    QCOMPARE(calib.window.windowTitle(), QStringLiteral("打印校准"));
    QCOMPARE(child<QLabel>(&calib.window, "Label2")->text(), Company);
    QCOMPARE(calib.spin("SpinX")->value(), -3.2);
    QCOMPARE(calib.spin("SpinY")->value(), 4.7);
    QVERIFY(calib.radio("RadioButton2")->isChecked());

    calib.type("SpinX", "-12.5");
    calib.type("SpinY", "0.3");
    calib.click("RadioButton1");
    calib.click("BitBtn1");
    QCOMPARE(messages.texts(), QStringList({QStringLiteral("打印校准 保存成功！")}));
    QVERIFY(!calib.window.isVisible());
    const PrintSetup::Offset saved = PrintSetup::offset(QString(), Company);
    QCOMPARE(saved.x, -12.5);
    QCOMPARE(saved.y, 0.3);
    QCOMPARE(saved.origin, PrintSetup::Origin::PrintableArea);
    QCOMPARE(PrintSetup::offset("Office Laser", Company).x, 9.0);
    QCOMPARE(PrintSetup::offset(QString(), "中通快递").x, 7.0);
}

void TestCalibration::renameResetsAndDeleteRemovesTheSetup()
{
    ProgramFolder folder;
    createCompany(Company);
    createCompany("中通快递");
    storeFullSetup(Company);
    storeFullSetup("中通快递");
    const QStringList others = setupRows().filter("|中通快递|");
    QCOMPARE(others.size(), 5);

    QSqlQuery row = DM().run(SqlText("SELECT ID FROM SCom WHERE theName = ?", {Company}));
    QVERIFY(row.next());
    CourierStore::updateCompany(row.value(0).toLongLong(), Company,
                                {"圆通快递", QString(), QString(), QString(), QString(), QString()});
    QCOMPARE(setupRows(), others);
    QCOMPARE(PrintSetup::offset("OrvanePDF", "圆通快递").x, 0.0);

    row = DM().run(SqlText("SELECT ID FROM SCom WHERE theName = ?", {"中通快递"}));
    QVERIFY(row.next());
    CourierStore::deleteCompany(row.value(0).toLongLong(), "中通快递");
    QCOMPARE(setupRows(), QStringList());
}

void TestCalibration::sheetMarksEveryPrintedItemAndSaysWhatItUsed()
{
    ProgramFolder folder;
    createCompany(Company);
    DM().ExecSql(SqlText("UPDATE SP SET theP = '否' WHERE EName = ? AND theName NOT IN ('JP01', 'SP09')", {Company}));
    DM().ExecSql(SqlText("UPDATE SP SET theL = 400, theT = 300 WHERE EName = ? AND theName = 'SP09'", {Company}));
    PdfOutput pdf;
    CalibWindow calib;
    calib.type("SpinX", "1.5");
    calib.type("SpinY", "-0.8");
    calib.click("RadioButton2");
    calib.click("BitBtn2");
    QVERIFY(calib.window.isVisible()); // printed, and open for the next try

    // What was printed is what a waybill now gets.
    const PrintSetup::Offset saved = PrintSetup::offset(QString(), Company);
    QCOMPARE(saved.x, 1.5);
    QCOMPARE(saved.y, -0.8);
    QCOMPARE(saved.origin, PrintSetup::Origin::PaperEdge);
    const QString text = pdfText(pdf.path);
    // Positions in millimetres: 10 px = 2.6 mm, 400 px = 105.8 mm, 300 px = 79.4 mm.
    for (const QString& shown : {QStringLiteral("打印校准页"), Company, QStringLiteral("纸张边缘"),
                                 QStringLiteral("1.5 毫米"), QStringLiteral("-0.8 毫米"),
                                 QStringLiteral("寄件人姓名 (2.6, 2.6)"), QStringLiteral("收件人地址 (105.8, 79.4)")})
        QVERIFY2(text.contains(shown), qPrintable(shown));
    QVERIFY(!text.contains(QStringLiteral("寄件人电话号码")));
    // The ruler's numbers, every ten millimetres.
    QVERIFY(text.contains(QRegularExpression("\\b100\\b")));
}

void TestCalibration::reachedFromCompanyQueryAndPrintWindow()
{
    ProgramFolder folder;
    createCompany(Company);
    createCompany("中通快递");
    PdfOutput pdf;
    ModalRecorder modals;
    QueryDriver<TfrmCom_Q> query(QStringLiteral("快递公司"));
    query.query();
    query.selectRow(query.rowOf(Company));
    query.run("N3");
    QCOMPARE(query.command("N3")->text(), QStringLiteral("打印校准"));
    QVERIFY(modals.lastOf<TfrmCalib>());
    QCOMPARE(modals.lastOf<TfrmCalib>()->CompanyName, Company);

    TfrmP3 print(nullptr);
    print.CompanyName = "中通快递";
    print.WaybillId = "0";
    print.show();
    QCoreApplication::processEvents();
    auto* button = child<QPushButton>(&print, "Button2");
    QCOMPARE(button->text(), QStringLiteral("打印校准"));
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(modals.lastOf<TfrmCalib>()->CompanyName, QStringLiteral("中通快递"));
}

ORVANE_TEST_MAIN(TestCalibration)
#include "tst_calibration.moc"
