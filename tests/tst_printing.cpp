// The print window: what lands on the paper, measured on the printed PDF.
#include "TestSupport.h"

#include "CompanyPicture.h"
#include "CourierStore.h"
#include "DM.h"
#include "P3.h"
#include "PrintItems.h"
#include "Printing.h"

#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSqlQuery>
#include <QThread>

#include <optional>

namespace {

const QString Company = QStringLiteral("顺丰速运");

void createCompany(const QString& name = Company)
{
    CourierStore::createCompany({name, QString(), QString(), QString(), QString(), QString()});
}

void switchOnly(const QStringList& codes)
{
    DM().ExecSql(SqlText("UPDATE SP SET theP = '否' WHERE (EName = ?)", {Company}));
    for (const QString& code : codes)
        DM().ExecSql(SqlText("UPDATE SP SET theP = '是' WHERE (EName = ?) AND (theName = ?)", {Company, code}));
}

// A waybill whose every column holds its own name, so a printed text tells its source.
QString insertWaybill(const QMap<QString, QString>& overrides = {})
{
    const QStringList columns = {"JName", "JPhone", "JMob",   "JDept",  "JANum", "JA1",   "JA2",   "JA3",
                                 "JAdd",  "JPNum",  "SName",  "SPhone", "SMob",  "SDept", "SANum", "SA1",
                                 "SA2",   "SA3",    "SAdd",   "SPNum",  "EName", "ENum",  "EAN",   "ZDY1",
                                 "ZDY2",  "ZDY3",   "Remark", "myDate", "UName"};
    QVariantList values;
    for (const QString& column : columns)
        values << overrides.value(column, QStringLiteral("v%1x").arg(column));
    QStringList marks;
    for (int i = 0; i < columns.size(); ++i)
        marks << "?";
    DM().ExecSql(SqlText(
        QStringLiteral("INSERT INTO UE (%1, theDel) VALUES (%2, '否')").arg(columns.join(", "), marks.join(", ")),
        values));
    QSqlQuery query = DM().run(SqlText("SELECT ID FROM UE ORDER BY ID DESC LIMIT 1"));
    query.next();
    return query.value(0).toString();
}

QString pdfText(const QString& pdf)
{
    QProcess process;
    process.start("pdftotext", {"-layout", pdf, "-"});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QImage rasterise(const QString& pdf, int dpi)
{
    const QString prefix = pdf + ".page";
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start("pdftoppm", {"-r", QString::number(dpi), "-png", "-singlefile", pdf, prefix});
    process.waitForFinished(60000);
    return QImage(prefix + ".png");
}

// The box around every dark pixel of the page.
QRect inkBounds(const QImage& page)
{
    QRect box;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

// The printable area's top-left corner on the paper, in inches, from the printer's own
// description: the ImageableArea of its default page size in the PPD CUPS keeps for it.
// Empty when that file cannot be read.
std::optional<QPointF> ppdPrintableCorner(const QString& printerName)
{
    QFile ppd(QStringLiteral("/etc/cups/ppd/%1.ppd").arg(printerName));
    if (!ppd.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QString text = QString::fromLatin1(ppd.readAll());
    const QString size = QRegularExpression(R"(\*DefaultPageSize:\s*(\S+))").match(text).captured(1);
    const auto numbers = [&](const QString& keyword) {
        const QRegularExpression entry(
            QStringLiteral("\\*%1 %2[/:][^\"]*\"([^\"]*)\"").arg(keyword, QRegularExpression::escape(size)));
        const QString line = entry.match(text).captured(1);
        QList<double> values;
        for (const QString& n : line.split(' ', Qt::SkipEmptyParts))
            values << n.toDouble();
        return values;
    };
    // Points from the paper's bottom-left corner: left, bottom, right, top.
    const QList<double> imageable = numbers(QStringLiteral("ImageableArea"));
    const QList<double> paper = numbers(QStringLiteral("PaperDimension"));
    if (imageable.size() != 4 || paper.size() != 2)
        return std::nullopt;
    return QPointF(imageable[0], paper[1] - imageable[3]) / 72;
}

// The same for Qt's PDF output, which has no description file: its minimum margins.
QPointF pdfPrintableCorner()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QPageLayout page = printer.pageLayout();
    // A layout of those margins alone, to read them in inches.
    return QPageLayout(page.pageSize(), page.orientation(), page.minimumMargins(), page.units())
        .paintRect(QPageLayout::Inch)
        .topLeft();
}

// Empty when the whole window lies on its screen's available area and the print button
// wholly inside the window; otherwise what is out of reach.
QString reachable(const QWidget& window)
{
    QString problem;
    const QRect screen = window.screen()->availableGeometry();
    const auto* button = window.findChild<QPushButton*>("Button1");
    if (!screen.contains(window.frameGeometry()))
        QDebug(&problem) << "window" << window.frameGeometry() << "beyond the screen" << screen;
    else if (!button->isVisible() || !window.rect().contains(button->geometry()))
        QDebug(&problem) << "button" << button->geometry() << "outside the window" << window.rect();
    return problem;
}

// Opens the print window as a caller would, and prints it into a PDF.
struct PrintRun {
    explicit PrintRun(const QString& waybillId, const QString& company = Company)
    {
        window.CompanyName = company;
        window.WaybillId = waybillId;
        window.show();
        QCoreApplication::processEvents();
    }
    QString print()
    {
        const QString pdf = QDir(dir.path()).filePath("page.pdf");
        SetPrintOutputFile(pdf);
        window.Button1Click();
        SetPrintOutputFile(QString());
        return pdf;
    }
    // Prints on the system's default printer, a cups-pdf queue writing into `outDir`,
    // and returns the file it wrote (empty if none came).
    QString printOnDefaultPrinter(const QString& outDir)
    {
        const QStringList before = QDir(outDir).entryList({"*.pdf"}, QDir::Files);
        window.Button1Click();
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 60000) {
            for (const QString& name : QDir(outDir).entryList({"*.pdf"}, QDir::Files))
                if (!before.contains(name)) {
                    QThread::msleep(500); // cups-pdf may still be closing the file
                    return QDir(outDir).filePath(name);
                }
            QThread::msleep(200);
        }
        return QString();
    }
    QTemporaryDir dir;
    TfrmP3 window{nullptr};
};

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT
private slots:
    void itemStartsAtItsPositionOnPaper_data();
    void itemStartsAtItsPositionOnPaper();
    void waybillFieldsPrintInTheirSlots();
    void testPrintAndNonLiveWaybillsPrintDisplayNames_data();
    void testPrintAndNonLiveWaybillsPrintDisplayNames();
    void companyWithoutItemsPrintsBlankPage();
    void windowFitsPicture();
    void windowWithoutPicture();
    void unreadablePictureIsReportedAndWindowStillPrints();
    void bigPictureScrollsAndPrintsWholeLayout();
    void printerFailureKeepsWindowOpen();
    void printsThroughDefaultPrinter();
    void missingDefaultPrinterIsReported();
};

void TestPrinting::itemStartsAtItsPositionOnPaper_data()
{
    QTest::addColumn<bool>("onPrinter");
    QTest::newRow("PDF file") << false;
    QTest::newRow("default printer") << true;
}

void TestPrinting::itemStartsAtItsPositionOnPaper()
{
    QFETCH(bool, onPrinter);
    const QString outDir = qEnvironmentVariable("ORVANE_CUPS_PDF_DIR");
    if (onPrinter && outDir.isEmpty())
        QSKIP("no cups-pdf default printer set up (tools/test.sh starts one)");
    std::optional<QPointF> corner = pdfPrintableCorner();
    if (onPrinter) {
        corner = ppdPrintableCorner(QPrinterInfo::defaultPrinterName());
        if (!corner)
            QSKIP("the default printer's PPD cannot be read");
    }
    ProgramFolder folder;
    createCompany();
    switchOnly({"JP01"}); // stored at left 10, top 10
    PrintRun run("0");
    const QString pdf = onPrinter ? run.printOnDefaultPrinter(outDir) : run.print();
    QVERIFY2(!pdf.isEmpty(), "cups-pdf wrote no file");

    const int dpi = 288; // three raster pixels per layout pixel
    const QRect ink = inkBounds(rasterise(pdf, dpi));
    QVERIFY(ink.isValid());
    const double expectedLeft = (corner->x() + 10.0 / 96) * dpi;
    const double expectedTop = (corner->y() + 10.0 / 96) * dpi;
    // The ink starts at the item's corner, give or take a raster dot and the glyph's
    // side bearing (at most two layout pixels at 14 px).
    QVERIFY2(ink.left() >= expectedLeft - 1 && ink.left() <= expectedLeft + 6,
             qPrintable(QString("left %1, expected %2").arg(ink.left()).arg(expectedLeft)));
    QVERIFY2(ink.top() >= expectedTop - 1 && ink.top() <= expectedTop + 9,
             qPrintable(QString("top %1, expected %2").arg(ink.top()).arg(expectedTop)));
    // 14-pixel characters: the five ideographs of the name stand about 14/96 inch high.
    QVERIFY2(ink.height() > 10 * 3 && ink.height() <= 15 * 3, qPrintable(QString::number(ink.height())));
    if (!onPrinter) // cups-pdf re-encodes the fonts
        QVERIFY(pdfText(pdf).contains(QStringLiteral("寄件人姓名")));
}

void TestPrinting::waybillFieldsPrintInTheirSlots()
{
    ProgramFolder folder;
    createCompany();
    const QString id = insertWaybill({{"JA1", QString()}}); // an empty field
    DM().ExecSql(SqlText("UPDATE SP SET theP = '否' WHERE (EName = ?) AND (theName = 'JP02')", {Company}));
    PrintRun run(id);

    QCOMPARE(run.window.ItemTexts.value(0), id);
    QCOMPARE(run.window.findChild<QLabel*>("JP02"), nullptr);
    QCOMPARE(run.window.findChild<QLabel*>("JP03")->text(), QString("vJMobx"));
    QCOMPARE(run.window.findChild<QLabel*>("KP05")->text(), QString("vmyDatex"));
    QCOMPARE(run.window.findChild<QLabel*>("JP06")->text(), QString());

    const QString printed = pdfText(run.print());
    for (const char* shown :
         {"vJNamex", "vJMobx", "vJDeptx", "vSNamex", "vSPNumx", "vEANx", "vZDY1x", "vZDY3x", "vmyDatex"})
        QVERIFY2(printed.contains(QLatin1String(shown)), shown);
    // Switched off, and never print items at all.
    for (const char* hidden : {"vJPhonex", "vENumx", "vENamex", "vRemarkx", "vUNamex"})
        QVERIFY2(!printed.contains(QLatin1String(hidden)), hidden);
}

void TestPrinting::testPrintAndNonLiveWaybillsPrintDisplayNames_data()
{
    QTest::addColumn<QString>("which");
    QTest::newRow("test print") << "0";
    QTest::newRow("deleted waybill") << "deleted";
    QTest::newRow("missing waybill") << "4711";
    QTest::newRow("not a number") << "1 OR 1=1";
}

void TestPrinting::testPrintAndNonLiveWaybillsPrintDisplayNames()
{
    QFETCH(QString, which);
    ProgramFolder folder;
    createCompany();
    QString id = which;
    if (which == "deleted") {
        id = insertWaybill();
        DM().ExecSql(SqlText("UPDATE UE SET theDel = '是' WHERE (ID = ?)", {id.toInt()}));
    } else if (which == "1 OR 1=1") {
        insertWaybill();
    }
    PrintRun run(id);
    QCOMPARE(run.window.ItemTexts.value(0), QString("0"));
    QCOMPARE(run.window.ItemTexts.value(1), QStringLiteral("寄件人姓名"));
    QCOMPARE(run.window.ItemTexts.value(11), QStringLiteral("收件人姓名"));
    QCOMPARE(run.window.ItemTexts.value(25), QStringLiteral("快递日期"));
    QCOMPARE(run.window.ItemTexts.size(), 100);
    QCOMPARE(run.window.findChild<QLabel*>("SP09")->text(), QStringLiteral("收件人地址"));
    const QString printed = pdfText(run.print());
    QVERIFY(printed.contains(QStringLiteral("收件人地址")));
    QVERIFY(!printed.contains("vJNamex"));
}

void TestPrinting::companyWithoutItemsPrintsBlankPage()
{
    ProgramFolder folder;
    PrintRun run("0", QStringLiteral("无此公司"));
    QCOMPARE(run.window.findChildren<QLabel*>().size(), 1); // only the picture holder
    const QString pdf = run.print();
    QVERIFY(!inkBounds(rasterise(pdf, 48)).isValid());
}

void TestPrinting::windowFitsPicture()
{
    ProgramFolder folder;
    createCompany();
    QImage picture(700, 400, QImage::Format_RGB32);
    picture.fill(Qt::yellow);
    QVERIFY(picture.save(CompanyPicturePath(Company), "JPG"));
    PrintRun run("0");
    QCOMPARE(child(&run.window, "Panel1")->size(), QSize(720, 460));
    QVERIFY2(reachable(run.window).isEmpty(), qPrintable(reachable(run.window)));
    // A screen with room shows the whole layout (not so at screen scale 2 here).
    const QSize frame = run.window.frameGeometry().size() - run.window.size();
    if (run.window.screen()->availableSize().boundedTo(QSize(720, 460) + frame) == QSize(720, 460) + frame) {
        QCOMPARE(run.window.size(), QSize(720, 460));
        QCOMPARE(run.window.findChild<QPushButton*>("Button1")->geometry(), QRect(620, 8, 75, 25));
    }
    QCOMPARE(run.window.findChild<QLabel*>("Image1")->geometry(), QRect(0, 0, 700, 400));
    QCOMPARE(run.window.findChild<QLabel*>("JP01")->pos(), QPoint(10, 10));

    // The picture stays off the paper.
    const QString pdf = run.print();
    const QImage page = rasterise(pdf, 48);
    int yellowish = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            yellowish += qBlue(page.pixel(x, y)) < 128 && qRed(page.pixel(x, y)) > 200;
    QCOMPARE(yellowish, 0);
}

void TestPrinting::windowWithoutPicture()
{
    ProgramFolder folder;
    createCompany();
    PrintRun run("0");
    QCOMPARE(child(&run.window, "Panel1")->size(), QSize(1000, 618));
    QVERIFY2(reachable(run.window).isEmpty(), qPrintable(reachable(run.window)));
    QCOMPARE(run.window.windowTitle(), QStringLiteral("快递单打印"));
    QCOMPARE(run.window.findChildren<QLabel*>().size(), 26);
}

void TestPrinting::unreadablePictureIsReportedAndWindowStillPrints()
{
    ProgramFolder folder;
    createCompany();
    QFile bad(CompanyPicturePath(Company));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("not a jpeg at all");
    bad.close();
    MessageRecorder messages;
    PrintRun run("0");
    QCOMPARE(messages.shown().size(), 1);
    QCOMPARE(messages.shown().first().kind, MessageKind::Error);
    QVERIFY(messages.last().contains(CompanyPicturePath(Company)));
    QCOMPARE(child(&run.window, "Panel1")->size(), QSize(1000, 618));
    QVERIFY(pdfText(run.print()).contains(QStringLiteral("收件人地址")));
}

void TestPrinting::bigPictureScrollsAndPrintsWholeLayout()
{
    ProgramFolder folder;
    createCompany();
    switchOnly({"JP01", "SP01"});
    // Beyond any screen the window is given here, but still on the paper.
    DM().ExecSql(SqlText("UPDATE SP SET theL = 700, theT = 1000 WHERE (EName = ?) AND (theName = 'SP01')", {Company}));
    QImage picture(3000, 2000, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QVERIFY(picture.save(CompanyPicturePath(Company), "JPG"));

    PrintRun unscrolled("0");
    QVERIFY2(reachable(unscrolled.window).isEmpty(), qPrintable(reachable(unscrolled.window)));
    const QImage expected = rasterise(unscrolled.print(), 96);

    PrintRun scrolled("0");
    auto* scroll = child<QScrollArea>(&scrolled.window, "ScrollBox1");
    QVERIFY(scroll->horizontalScrollBar()->maximum() > 0 && scroll->verticalScrollBar()->maximum() > 0);
    scroll->horizontalScrollBar()->setValue(scroll->horizontalScrollBar()->maximum());
    scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    const QImage page = rasterise(scrolled.print(), 96);
    QCOMPARE(page, expected);

    // One raster pixel per layout pixel: JP01's name starts at (10, 10), SP01's 14-pixel
    // name ends just below 1000 + 14.
    const QPointF corner = pdfPrintableCorner() * 96;
    const QRect ink = inkBounds(page).translated(-corner.toPoint());
    QVERIFY2(qAbs(ink.left() - 10) <= 2 && qAbs(ink.top() - 10) <= 3,
             qPrintable(QString("%1, %2").arg(ink.left()).arg(ink.top())));
    QVERIFY2(ink.bottom() >= 1000 + 10 && ink.bottom() <= 1000 + 15, qPrintable(QString::number(ink.bottom())));
    QVERIFY2(ink.right() > 700 + 50 && ink.right() < 700 + 80, qPrintable(QString::number(ink.right())));
}

void TestPrinting::printerFailureKeepsWindowOpen()
{
    ProgramFolder folder;
    createCompany();
    MessageRecorder messages;
    PrintRun run("0");
    TfrmP3& window = run.window;
    SetPrintOutputFile("/nonexistent-folder/page.pdf");
    QTest::mouseClick(window.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    SetPrintOutputFile(QString());
    QCOMPARE(messages.shown().size(), 1);
    QCOMPARE(messages.shown().first().kind, MessageKind::Error);
    QVERIFY(window.isVisible());
    QVERIFY(window.findChild<QPushButton*>("Button1")->isVisible());
}

void TestPrinting::printsThroughDefaultPrinter()
{
    const QString outDir = qEnvironmentVariable("ORVANE_CUPS_PDF_DIR");
    if (outDir.isEmpty())
        QSKIP("no cups-pdf default printer set up (tools/test.sh starts one)");
    ProgramFolder folder;
    createCompany();
    switchOnly({"SP01", "KP01"});
    PrintRun run("0");
    const QString produced = run.printOnDefaultPrinter(outDir);
    QVERIFY(!run.window.isVisible()); // printed and closed
    QVERIFY2(!produced.isEmpty(), "cups-pdf wrote no file");

    // cups-pdf re-encodes the fonts, so compare ink rather than text: the same two
    // items, the same extent, as the same window printed straight into a PDF.
    PrintRun direct("0");
    const QRect expected = inkBounds(rasterise(direct.print(), 96));
    const QRect got = inkBounds(rasterise(produced, 96));
    QVERIFY(got.isValid());
    QVERIFY2(qAbs(got.width() - expected.width()) <= 2 && qAbs(got.height() - expected.height()) <= 2,
             qPrintable(QString("cups %1x%2, direct %3x%4")
                            .arg(got.width())
                            .arg(got.height())
                            .arg(expected.width())
                            .arg(expected.height())));
}

void TestPrinting::missingDefaultPrinterIsReported()
{
    if (qEnvironmentVariable("ORVANE_EXPECT_NO_PRINTER") != "1")
        QSKIP("runs where no print server is reachable (tst_printing_no_printer)");
    ProgramFolder folder;
    createCompany();
    MessageRecorder messages;
    PrintRun run("0");
    TfrmP3& window = run.window;
    QTest::mouseClick(window.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    QCOMPARE(messages.texts(), QStringList({QStringLiteral("没有默认打印机，请先在系统中设置默认打印机。")}));
    QVERIFY(window.isVisible());
    QVERIFY(window.findChild<QLabel*>("JP01")->isVisible());
}

ORVANE_TEST_MAIN(TestPrinting)
#include "tst_printing.moc"
