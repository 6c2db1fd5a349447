// The print window: what lands on the paper, measured on the printed PDF.
#include "TestSupport.h"

#include "AppError.h"
#include "Calib.h"
#include "CompanyPicture.h"
#include "CourierStore.h"
#include "DM.h"
#include "E_Q.h"
#include "P2.h"
#include "P3.h"
#include "PrintItems.h"
#include "PrintSetup.h"
#include "Printing.h"
#include "Regions.h"
#include "SqlDialect.h"
#include "WaybillPrint.h"
#include "WaybillStore.h"

#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSqlQuery>
#include <QThread>

#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <optional>

// The folder the cups-pdf default printer writes into; the test is skipped without one.
#define CUPS_PDF_DIR(outDir)                                                                                           \
    const QString outDir = qEnvironmentVariable("ORVANE_CUPS_PDF_DIR");                                                \
    if (outDir.isEmpty())                                                                                              \
    QSKIP("no cups-pdf default printer set up (tools/test.sh starts one)")

namespace {

const QString Company = QStringLiteral("顺丰速运");

void createCompany(const QString& name = Company)
{
    CourierStore::createCompany({name, QString(), QString(), QString(), QString(), QString()});
}

void switchOnly(const QStringList& codes, const QString& company = Company)
{
    DM().ExecSql(SqlText("UPDATE SP SET theP = '否' WHERE (EName = ?)", {company}));
    for (const QString& code : codes)
        DM().ExecSql(SqlText("UPDATE SP SET theP = '是' WHERE (EName = ?) AND (theName = ?)", {company, code}));
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

// Gray pages come as PGM, a quarter of the memory of colour ones.
QImage rasterise(const QString& pdf, int dpi, bool gray = false, int page = 1)
{
    // An A4 page at 600 dpi is past the size Qt reads an image up to by default.
    QImageReader::setAllocationLimit(1024);
    const QString prefix = pdf + ".page";
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start("pdftoppm", {"-r", QString::number(dpi), "-f", QString::number(page), "-l", QString::number(page),
                               gray ? "-gray" : "-png", "-singlefile", pdf, prefix});
    process.waitForFinished(60000);
    return QImage(prefix + (gray ? ".pgm" : ".png"));
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

// The number of text lines in `box`: bands of rows with ink, between blank rows.
int inkLines(const QImage& page, const QRect& box)
{
    int lines = 0;
    bool inLine = false;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        bool ink = false;
        for (int x = box.left(); x <= box.right() && !ink; ++x)
            ink = qGray(page.pixel(x, y)) < 128;
        lines += ink && !inLine;
        inLine = ink;
    }
    return lines;
}

// The centre of a calibration cross drawn near `expected` (raster dots, continuous):
// its column from the upper arm, its row from the left arm, where no label lies.
// Empty when an arm is not there.
std::optional<QPointF> crossCentre(const QImage& page, const QPointF& expected, double dotsPerMm)
{
    const auto centroid = [&](const QRectF& region, bool across) -> std::optional<double> {
        double sum = 0;
        double weight = 0;
        const QRect dots = region.toAlignedRect() & page.rect();
        for (int y = dots.top(); y <= dots.bottom(); ++y)
            for (int x = dots.left(); x <= dots.right(); ++x)
                if (const int ink = 255 - qGray(page.pixel(x, y)); ink > 64) {
                    sum += ((across ? x : y) + 0.5) * ink; // a dot's middle
                    weight += ink;
                }
        return weight > 0 ? std::optional<double>(sum / weight) : std::nullopt;
    };
    const double mm = dotsPerMm;
    const auto x = centroid(QRectF(expected.x() - 5 * mm, expected.y() - 2.6 * mm, 10 * mm, 1.8 * mm), true);
    const auto y = centroid(QRectF(expected.x() - 2.6 * mm, expected.y() - 5 * mm, 1.8 * mm, 10 * mm), false);
    if (!x || !y)
        return std::nullopt;
    return QPointF(*x, *y);
}

// What a command prints; empty when it cannot run or fails.
std::optional<QString> commandOutput(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The size of each page of a PDF, in millimetres, as pdfinfo reads it.
QList<QSizeF> pdfPagesMm(const QString& pdf)
{
    QList<QSizeF> pages;
    static const QRegularExpression size(R"(Page\s+\d+ size:\s+([\d.]+) x ([\d.]+) pts)");
    for (auto m = size.globalMatch(commandOutput("pdfinfo", {"-f", "1", "-l", "99", pdf}).value_or(QString()));
         m.hasNext();) {
        const QRegularExpressionMatch page = m.next();
        pages << QSizeF(page.captured(1).toDouble(), page.captured(2).toDouble()) / 72 * 25.4;
    }
    return pages;
}

// A print queue of the test's own whose device is a socket this process listens on, so
// the test reads what the driver sends the printer. The queue, named for this process so
// that test runs side by side keep apart, goes with it.
struct SocketQueue {
    SocketQueue(const QString& base, const QStringList& driver)
        : name(base + QString::number(QCoreApplication::applicationPid()))
    {
        const QString uri = QStringLiteral("socket://127.0.0.1:%1");
        ok = server.listen(QHostAddress::LocalHost) &&
             commandOutput("lpadmin", QStringList{"-p", name, "-E", "-v", uri.arg(server.serverPort())} + driver);
    }
    ~SocketQueue()
    {
        if (ok)
            commandOutput("lpadmin", {"-x", name});
    }
    // What the queue sent for one job: everything until the backend closes.
    QByteArray received()
    {
        if (!server.waitForNewConnection(120000))
            return QByteArray();
        QTcpSocket* job = server.nextPendingConnection();
        QByteArray data;
        while (job->waitForReadyRead(60000))
            data += job->readAll();
        return data + job->readAll();
    }
    const QString name;
    QTcpServer server;
    bool ok = false;
};

// Walks an ESC/P stream as the printer would, stepping over graphics data: the page
// lengths it is told (ESC C n, in lines of 1/6 inch) and the form feeds it gets.
struct EscP {
    QList<int> pageLines;
    int formFeeds = 0;
};
EscP readEscP(const QByteArray& data)
{
    EscP stream;
    const auto at = [&](qsizetype i) { return i < data.size() ? uchar(data[i]) : 0; };
    for (qsizetype i = 0; i < data.size();) {
        if (at(i) != 0x1B) {
            stream.formFeeds += at(i++) == 0x0C;
            continue;
        }
        const char command = char(at(i + 1));
        if (command == 'C' && at(i + 2) > 0) // ESC C 0 n gives the length in inches
            stream.pageLines << at(i + 2);
        if (command == '*') // a bit image of 1, 3 or 6 bytes a column
            i += 5 + qsizetype(at(i + 3) + 256 * at(i + 4)) * (at(i + 2) >= 64 ? 6 : at(i + 2) >= 32 ? 3 : 1);
        else if (command == '(')
            i += 5 + at(i + 3) + 256 * at(i + 4);
        else if ((command == 'C' && at(i + 2) == 0) || command == '$' || command == '\\')
            i += 4;
        else
            i += QByteArrayView("CxUlQN3+JAr").contains(command) ? 3 : 2;
    }
    return stream;
}

// Runs `print` and returns the file a cups-pdf queue writing into `outDir` made of it
// (empty if none came).
QString printedOnDefaultPrinter(const QString& outDir, const std::function<void()>& print)
{
    const QStringList before = QDir(outDir).entryList({"*.pdf"}, QDir::Files);
    print();
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

// A second cups-pdf queue whose description gives A4 paper margins (6.0 mm left, 4.2 mm
// top), so the two origins fall apart; made or remade. Empty when it cannot be.
QString marginsPrinter()
{
    const QString name = QStringLiteral("OrvanePDFMargins");
    QFile source("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
    if (!source.open(QIODevice::ReadOnly))
        return QString();
    QByteArray ppd = source.readAll();
    const QByteArray fullPage = "*ImageableArea A4/A4: \"0 0 595 842\"";
    if (!ppd.contains(fullPage))
        return QString();
    ppd.replace(fullPage, "*ImageableArea A4/A4: \"17 23 581 830\"");
    QTemporaryDir dir;
    QFile file(dir.filePath("margins.ppd"));
    if (!file.open(QIODevice::WriteOnly) || file.write(ppd) != ppd.size())
        return QString();
    file.close();
    QProcess lpadmin;
    lpadmin.setProcessChannelMode(QProcess::MergedChannels);
    lpadmin.start("lpadmin", {"-p", name, "-E", "-v", "cups-pdf:/", "-P", file.fileName()});
    return lpadmin.waitForFinished(30000) && lpadmin.exitCode() == 0 ? name : QString();
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
        PrepareWaybillPrint(window, company, waybillId);
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
        return printedOnDefaultPrinter(outDir, [this] { window.Button1Click(); });
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
    void onlyATestPrintPrintsDisplayNames_data();
    void onlyATestPrintPrintsDisplayNames();
    void goneCompanyPrintsNothing();
    void windowFitsPicture();
    void windowWithoutPicture();
    void unreadablePictureIsReportedAndWindowStillPrints();
    void bigPictureScrollsAndPrintsWholeLayout();
    void printerFailureKeepsWindowOpen();
    void printsThroughDefaultPrinter();
    void missingDefaultPrinterIsReported();
    void crossesLandAtTheOffsetFromTheChosenOrigin_data();
    void crossesLandAtTheOffsetFromTheChosenOrigin();
    void fieldsMoveByTheirOwnPrintersOffsetOnce();
    void textInABoxStaysInsideIt_data();
    void textInABoxStaysInsideIt();
    void fullAddressNamesEachPlaceOnce_data();
    void fullAddressNamesEachPlaceOnce();
    void printedTextReadsBackAsTyped_data();
    void printedTextReadsBackAsTyped();
    void formOfItsOwnSizeThroughCupsLinesUpWithItsScan();
    void batchSendsEachCompanysWaybillsToItsPrinterInListOrder();
    void printerJobKeepsItsPagesInASpoolOfItsOwn();
    void postScriptPrinterIsToldTheFormsSize();
    void goneCompanyPrinterIsNamedAndTheDefaultOffered();
    void paperIsBlackInTheChosenFaceUnderAnyPalette();
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
        QVERIFY(PdfText(pdf).contains(QStringLiteral("寄件人姓名")));
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

    const QString printed = PdfText(run.print());
    for (const char* shown :
         {"vJNamex", "vJMobx", "vJDeptx", "vSNamex", "vSPNumx", "vEANx", "vZDY1x", "vZDY3x", "vmyDatex"})
        QVERIFY2(printed.contains(QLatin1String(shown)), shown);
    // Switched off, and never print items at all.
    for (const char* hidden : {"vJPhonex", "vENumx", "vENamex", "vRemarkx", "vUNamex"})
        QVERIFY2(!printed.contains(QLatin1String(hidden)), hidden);
}

void TestPrinting::onlyATestPrintPrintsDisplayNames_data()
{
    QTest::addColumn<QString>("which");
    QTest::newRow("test print") << "0";
    QTest::newRow("deleted waybill") << "deleted";
    QTest::newRow("missing waybill") << "4711";
    QTest::newRow("not a number") << "1 OR 1=1";
}

void TestPrinting::onlyATestPrintPrintsDisplayNames()
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
    if (which != "0") { // refused with a message, not printed as a test page
        QVERIFY_THROWS_EXCEPTION(AppError, OpenWaybillPrint(nullptr, Company, id));
        return;
    }
    PrintRun run(id);
    QCOMPARE(run.window.ItemTexts.value(0), QString("0"));
    QCOMPARE(run.window.ItemTexts.value(1), QStringLiteral("寄件人姓名"));
    QCOMPARE(run.window.ItemTexts.value(11), QStringLiteral("收件人姓名"));
    QCOMPARE(run.window.ItemTexts.value(25), QStringLiteral("快递日期"));
    QCOMPARE(run.window.ItemTexts.value(27), QStringLiteral("收件人完整地址"));
    QCOMPARE(run.window.ItemTexts.size(), 100);
    QCOMPARE(run.window.findChild<QLabel*>("SP09")->text(), QStringLiteral("收件人地址"));
    const QString printed = PdfText(run.print());
    QVERIFY(printed.contains(QStringLiteral("收件人地址")));
    QVERIFY(!printed.contains("vJNamex"));
}

void TestPrinting::goneCompanyPrintsNothing()
{
    ProgramFolder folder;
    MessageRecorder messages;
    PrintRun run("0", QStringLiteral("无此公司"));
    QVERIFY2(messages.last().contains("“无此公司”已不存在"), qPrintable(messages.last()));
    QCOMPARE(run.window.findChildren<QLabel*>().size(), 1); // only the picture holder
    QVERIFY(!QFile::exists(run.print()));
}

void TestPrinting::windowFitsPicture()
{
    ProgramFolder folder;
    createCompany();
    QImage picture(700, 400, QImage::Format_RGB32);
    picture.fill(Qt::yellow);
    GiveCompanyPicture(Company, picture);
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
    GiveCompanyPicture(Company, QByteArray("not a jpeg at all"));
    MessageRecorder messages;
    PrintRun run("0");
    QCOMPARE(messages.shown().size(), 1);
    QCOMPARE(messages.shown().first().kind, MessageKind::Error);
    QVERIFY(messages.last().contains(CompanyPicturePath(Company)));
    QCOMPARE(child(&run.window, "Panel1")->size(), QSize(1000, 618));
    QVERIFY(PdfText(run.print()).contains(QStringLiteral("收件人地址")));
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
    GiveCompanyPicture(Company, picture);

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
    CUPS_PDF_DIR(outDir);
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

    // Nothing to calibrate either: the window says so, and saving is refused.
    messages.clear();
    TfrmCalib calib(nullptr);
    calib.CompanyName = Company;
    calib.show();
    QCoreApplication::processEvents();
    QCOMPARE(child<QComboBox>(&calib, "ComboBox1")->currentText(), QStringLiteral("系统默认打印机（没有）"));
    QTest::mouseClick(child(&calib, "BitBtn1"), Qt::LeftButton);
    QCOMPARE(messages.texts(), QStringList({QStringLiteral("没有默认打印机，请先在系统中设置默认打印机。")}));
    QVERIFY(calib.isVisible());
    QCOMPARE(QueryValue(SqlText("SELECT COUNT(*) FROM SOffset")).toInt(), 0);
}

void TestPrinting::crossesLandAtTheOffsetFromTheChosenOrigin_data()
{
    QTest::addColumn<bool>("withMargins");
    QTest::addColumn<bool>("paperEdge");
    QTest::addColumn<QPointF>("offsetMm");
    QTest::newRow("printable area") << false << false << QPointF(2.5, -1.5);
    QTest::newRow("paper edge") << false << true << QPointF(-3.0, 4.0);
    QTest::newRow("margins, printable area") << true << false << QPointF(1.2, 0.8);
    QTest::newRow("margins, paper edge") << true << true << QPointF(-0.6, 2.3);
}

void TestPrinting::crossesLandAtTheOffsetFromTheChosenOrigin()
{
    QFETCH(bool, withMargins);
    QFETCH(bool, paperEdge);
    QFETCH(QPointF, offsetMm);
    CUPS_PDF_DIR(outDir);
    const QString queue = withMargins ? marginsPrinter() : QString();
    if (withMargins && queue.isEmpty())
        QSKIP("no cups-pdf queue with margins could be made (needs lpadmin)");
    // CUPS takes this process's default destination from LPDEST.
    const QByteArray oldDestination = qgetenv("LPDEST");
    if (withMargins)
        qputenv("LPDEST", queue.toLocal8Bit());
    const auto restore =
        qScopeGuard([&] { oldDestination.isNull() ? qunsetenv("LPDEST") : qputenv("LPDEST", oldDestination); });
    const QString printer = QPrinterInfo::defaultPrinterName();
    const std::optional<QPointF> corner = ppdPrintableCorner(printer);
    if (!corner)
        QSKIP("the default printer's PPD cannot be read");
    if (withMargins)
        QVERIFY(corner->x() > 0.2 && corner->y() > 0.1);

    ProgramFolder folder;
    createCompany();
    // Far apart, clear of the rulers and of each other's labels.
    const QList<QPair<QString, QPoint>> items = {
        {"JP01", {120, 100}}, {"SP01", {650, 130}}, {"KP01", {140, 880}}, {"KP05", {690, 820}}};
    QStringList codes;
    for (const auto& [code, at] : items) {
        codes << code;
        DM().ExecSql(SqlText("UPDATE SP SET theL = ?, theT = ? WHERE (EName = ?) AND (theName = ?)",
                             {at.x(), at.y(), Company, code}));
    }
    switchOnly(codes);
    // Another printer's offset, and another company's on this printer: neither applies.
    PrintSetup::saveOffset("另一台打印机", Company, {20, 20, PrintSetup::Origin::PaperEdge});
    PrintSetup::saveOffset(printer, "中通快递", {-20, -20, PrintSetup::Origin::PrintableArea});

    TfrmCalib calib(nullptr);
    calib.CompanyName = Company;
    calib.show();
    QCoreApplication::processEvents();
    child<QDoubleSpinBox>(&calib, "SpinX")->setValue(offsetMm.x());
    child<QDoubleSpinBox>(&calib, "SpinY")->setValue(offsetMm.y());
    child<QRadioButton>(&calib, paperEdge ? "RadioButton2" : "RadioButton1")->setChecked(true);
    const QString pdf =
        printedOnDefaultPrinter(outDir, [&] { QTest::mouseClick(child(&calib, "BitBtn2"), Qt::LeftButton); });
    QVERIFY2(!pdf.isEmpty(), "cups-pdf wrote no file");

    const int dpi = 600;
    const double dotsPerMm = dpi / 25.4;
    const QImage page = rasterise(pdf, dpi, true);
    const QPointF origin = paperEdge ? QPointF() : *corner; // inches from the paper's corner
    for (const auto& [code, at] : items) {
        const QPointF expected = (origin + QPointF(at) / 96 + offsetMm / 25.4) * dpi;
        const std::optional<QPointF> found = crossCentre(page, expected, dotsPerMm);
        QVERIFY2(found, qPrintable(code + " has no cross within 2 mm of its place"));
        const QPointF errorMm = (*found - expected) / dotsPerMm;
        qInfo("%s off by %.3f mm, %.3f mm", qPrintable(code), errorMm.x(), errorMm.y());
        QVERIFY2(qAbs(errorMm.x()) <= 0.1 && qAbs(errorMm.y()) <= 0.1,
                 qPrintable(QString("%1 off by %2, %3 mm").arg(code).arg(errorMm.x()).arg(errorMm.y())));
    }
}

void TestPrinting::fieldsMoveByTheirOwnPrintersOffsetOnce()
{
    ProgramFolder folder;
    createCompany();
    switchOnly({"SP01", "KP01"});
    const int dpi = 600;
    PrintRun before("0");
    const QRect unmoved = inkBounds(rasterise(before.print(), dpi, true));
    // Pages into a PDF file take the offset stored under the empty printer name.
    PrintSetup::saveOffset(QString(), Company, {-1.8, 3.4, PrintSetup::Origin::PrintableArea});
    PrintSetup::saveOffset("OrvanePDF", Company, {15, 15, PrintSetup::Origin::PaperEdge});
    PrintSetup::saveOffset(QString(), "中通快递", {-15, 20, PrintSetup::Origin::PrintableArea});
    PrintRun after("0");
    const QRect moved = inkBounds(rasterise(after.print(), dpi, true));
    const QPointF shiftMm = QPointF(moved.topLeft() - unmoved.topLeft()) / (dpi / 25.4);
    QVERIFY2(qAbs(shiftMm.x() + 1.8) <= 0.1 && qAbs(shiftMm.y() - 3.4) <= 0.1,
             qPrintable(QString("moved by %1, %2 mm").arg(shiftMm.x()).arg(shiftMm.y())));
    QVERIFY(qAbs(moved.width() - unmoved.width()) <= 2 && qAbs(moved.height() - unmoved.height()) <= 2);
}

void TestPrinting::textInABoxStaysInsideIt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("lines"); // 3: three or more
    const QString address60 = QStringLiteral("北京市海淀区中关村软件园二期10号楼3层301室北京中关村"
                                             "软件园管理中心东门收发室转交李四先生请务必当面签收谢谢您的配合");
    QCOMPARE(address60.size(), 60);
    QTest::newRow("fits on one line") << QStringLiteral("李四") << 300 << 1;
    QTest::newRow("wraps onto a second line")
        << QStringLiteral("广东省深圳市南山区科技园南区高新南一道创维大厦东座十二楼") << 300 << 2;
    QTest::newRow("60 characters shrink onto two lines") << address60 << 300 << 2;
    QTest::newRow("a long number breaks inside") << QStringLiteral("0755-26888888-13800138000-13912345678") << 120 << 2;
    QTest::newRow("past the smallest size, more lines") << address60 + address60 + address60 << 300 << 3;
    QTest::newRow("full address") << QStringLiteral("清水河镇江苏大道88号") << 240 << 2;
}

void TestPrinting::textInABoxStaysInsideIt()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(int, lines);
    ProgramFolder folder;
    createCompany();
    const QString code = QTest::currentDataTag() == QLatin1String("full address") ? "SP11" : "SP09";
    switchOnly({code});
    const QPoint at(100, 200);
    PrintSetup::saveLayout(Company, {{code, at.x(), at.y()}}, {{code, width}}, {});
    PrintRun run(
        insertWaybill({{"SA1", "新疆维吾尔自治区"}, {"SA2", "伊犁哈萨克自治州"}, {"SA3", "霍城县"}, {"SAdd", text}}));
    if (code == "SP11")
        text.prepend("新疆维吾尔自治区伊犁哈萨克自治州霍城县");
    const QString pdf = run.print();

    const int dpi = 300;
    const double perPixel = dpi / 96.0;
    const QImage page = rasterise(pdf, dpi, true);
    const QRect ink = inkBounds(page).translated(-(pdfPrintableCorner() * dpi).toPoint());
    QVERIFY(ink.isValid());
    // A raster dot either way for rounding.
    QVERIFY2(ink.left() >= at.x() * perPixel - 1 && ink.right() <= (at.x() + width) * perPixel + 1,
             qPrintable(QString("ink from %1 to %2, box from %3 to %4")
                            .arg(ink.left() / perPixel)
                            .arg(ink.right() / perPixel)
                            .arg(at.x())
                            .arg(at.x() + width)));
    const int printedLines = inkLines(page, inkBounds(page));
    qInfo("%d lines, %.1f x %.1f layout pixels of ink", printedLines, ink.width() / perPixel, ink.height() / perPixel);
    QVERIFY2(lines == 3 ? printedLines >= 3 : printedLines == lines, qPrintable(QString::number(printedLines)));
    // Nothing lost: the text reads back whole once the line breaks are taken out.
    QString printed = PdfText(pdf);
    printed.remove(QRegularExpression("\\s"));
    QVERIFY2(printed.contains(text), qPrintable(printed));
}

void TestPrinting::fullAddressNamesEachPlaceOnce_data()
{
    QTest::addColumn<QString>("parts"); // province, city, district, street, then the full address printed
    QTest::newRow("municipality") << "北京市 北京市 朝阳区 建国路1号 北京市朝阳区建国路1号";
    QTest::newRow("street starting with city and district")
        << "内蒙古自治区 呼和浩特市 新城区 呼和浩特市新城区中山路2号 内蒙古自治区呼和浩特市新城区中山路2号";
    QTest::newRow("street with the province written short")
        << "内蒙古自治区 呼和浩特市 新城区 内蒙古呼和浩特市新城区中山路2号 内蒙古呼和浩特市新城区中山路2号";
    QTest::newRow("street named after its city") << "天津市 天津市 津南区 天津大道100号 天津市津南区天津大道100号";
}

void TestPrinting::fullAddressNamesEachPlaceOnce()
{
    QFETCH(QString, parts);
    ProgramFolder folder;
    createCompany();
    QMap<QString, QString> fields;
    for (const QString side : {"J", "S"})
        for (int i = 0; i < 4; ++i)
            fields[side + (i < 3 ? QString("A%1").arg(i + 1) : QString("Add"))] = parts.split(' ')[i];
    const QString printed = parts.split(' ').last();
    QCOMPARE(WaybillStore::printTexts(insertWaybill(fields).toLongLong())->mid(26), QStringList({printed, printed}));
}

void TestPrinting::printedTextReadsBackAsTyped_data()
{
    QTest::addColumn<bool>("job");
    QTest::newRow("PDF file") << false;
    QTest::newRow("print job as CUPS gets it") << true;
}

void TestPrinting::printedTextReadsBackAsTyped()
{
    QFETCH(bool, job);
    std::optional<SocketQueue> queue;
    if (job && !queue.emplace("OrvaneTestRaw", QStringList{"-m", "raw"}).ok)
        QSKIP("no raw print queue can be made here (needs lpadmin)");
    // Every character of the place names, and more that addresses use; the first ones look like radicals.
    QString text =
        QStringLiteral("人文工日自大小口女子山川心手月木水火门长车见马，。、（）／～＃·-#()0123456789ABCXYZabcxyz");
    for (int row = 0; row < Regions::Count(); ++row)
        for (const QChar c : Regions::NameOf(row))
            text += text.contains(c) ? QString() : QString(c);
    ProgramFolder folder;
    createCompany();
    switchOnly({"SP09"});
    PrintSetup::saveLayout(Company, {{"SP09", 10, 60}}, {{"SP09", 700}}, {0, 0, job ? queue->name : QString()});
    PrintRun run(insertWaybill({{"SAdd", text}}));
    QString pdf = job ? folder.file("job.pdf") : run.print();
    if (job) {
        run.window.Button1Click();
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(queue->received()) > 0);
    }
    const QString printed = PdfText(pdf).remove(QRegularExpression("\\s"));
    QVERIFY2(printed.contains(text), qPrintable(printed));
}

void TestPrinting::formOfItsOwnSizeThroughCupsLinesUpWithItsScan()
{
    CUPS_PDF_DIR(outDir);
    ProgramFolder folder;
    createCompany();
    switchOnly({"JP05", "SP09"});
    // A 230 x 127 mm form scanned at 200 dpi, which the file says, with a 5 mm square
    // 120 mm from its left edge and 60 mm from its top.
    const double scanDotsPerMm = 200 / 25.4;
    QImage scan(qRound(230 * scanDotsPerMm), qRound(127 * scanDotsPerMm), QImage::Format_RGB32);
    scan.fill(Qt::white);
    QPainter(&scan).fillRect(QRectF(QPointF(120, 60) * scanDotsPerMm, QSizeF(5, 5) * scanDotsPerMm), Qt::black);
    scan.setDotsPerMeterX(qRound(200 / 0.0254));
    scan.setDotsPerMeterY(qRound(200 / 0.0254));
    GiveCompanyPicture(Company, scan, 95);
    MessageRecorder messages;
    const int at220mm = qRound(220 / 25.4 * 96);
    {
        TfrmP2 designer(nullptr);
        designer.CompanyName = Company;
        designer.show();
        QCoreApplication::processEvents();
        // At true size straight away, its size taken from the scan: nothing typed.
        auto* picture = child<QLabel>(&designer, "Image1");
        QCOMPARE(picture->pixmap().width(), 869); // 230 mm at 96 pixels an inch
        QCOMPARE(child<QDoubleSpinBox>(&designer, "SpinW")->value(), 230.0);
        QCOMPARE(child<QDoubleSpinBox>(&designer, "SpinH")->value(), 127.0);
        // The user lays the box's corner on the mark's first dark pixel, and the address
        // 220 mm from the form's left edge.
        const QRect mark = inkBounds(picture->pixmap().toImage());
        for (const auto& [code, target] :
             {std::pair{"JP05", picture->mapTo(designer.box("JP05")->parentWidget(), mark.topLeft())},
              std::pair{"SP09", QPoint(at220mm, 200)}}) {
            ItemBox* box = designer.box(code);
            QTest::mousePress(box, Qt::LeftButton, {}, QPoint(1, 1));
            QTest::mouseMove(box, box->mapFromParent(target + QPoint(1, 1)));
            QTest::mouseRelease(box, Qt::LeftButton, {}, box->mapFromParent(target + QPoint(1, 1)));
        }
        designer.Button2Click();
    }
    // The page is the form, and nothing at 220 mm is cut off at an A4 edge (210 mm).
    PrintRun run(insertWaybill({{"SAdd", QStringLiteral("十五层")}}));
    const QString pdf = run.printOnDefaultPrinter(outDir);
    const QList<QSizeF> pages = pdfPagesMm(pdf);
    QCOMPARE(pages.size(), 1);
    QVERIFY2(qAbs(pages[0].width() - 230) <= 0.2 && qAbs(pages[0].height() - 127) <= 0.2,
             qPrintable(QString("%1 x %2 mm").arg(pages[0].width()).arg(pages[0].height())));
    const int dpi = 300;
    const QImage page = rasterise(pdf, dpi, true);
    const QRect address = inkBounds(page.copy(QRect(qRound(219.0 / 25.4 * dpi), 0, page.width(), page.height())));
    QVERIFY2(address.width() > dpi / 25.4, "no text a millimetre wide right of 219 mm");

    // The calibration sheet, from the print window, has its cross where the box's text starts.
    ModalRecorder modals;
    PrintRun sheet("0");
    QTest::mouseClick(child(&sheet.window, "Button2"), Qt::LeftButton);
    TfrmCalib* calib = modals.lastOf<TfrmCalib>();
    QVERIFY(calib);
    const QString sheetPdf = printedOnDefaultPrinter(outDir, [calib] { calib->printCalibrationSheet(); });
    const int fine = 600;
    const QPointF expected = QPointF(120, 60) * fine / 25.4;
    const std::optional<QPointF> found = crossCentre(rasterise(sheetPdf, fine, true), expected, fine / 25.4);
    QVERIFY(found);
    const QPointF errorMm = (*found - expected) / (fine / 25.4);
    qInfo("the box prints %.3f mm, %.3f mm from the mark", errorMm.x(), errorMm.y());
    QVERIFY2(qAbs(errorMm.x()) <= 0.3 && qAbs(errorMm.y()) <= 0.3,
             qPrintable(QString("%1, %2 mm").arg(errorMm.x()).arg(errorMm.y())));
}

void TestPrinting::batchSendsEachCompanysWaybillsToItsPrinterInListOrder()
{
    CUPS_PDF_DIR(outDir);
    SocketQueue epson("OrvaneTestEpson24", {"-m", "drv:///sample.drv/epson24.ppd"});
    if (!epson.ok)
        QSKIP("CUPS's Epson 24-pin driver cannot be installed here (needs lpadmin and the cups sample drivers)");
    ProgramFolder folder;
    const QString other = QStringLiteral("圆通速递");
    createCompany();
    createCompany(other);
    switchOnly({"SP01"});
    switchOnly({"SP01"}, other);
    // A 230 x 127 mm form on the dot-matrix printer; the other company as it always was.
    PrintSetup::saveLayout(Company, {}, {}, {230, 127, epson.name});
    // Entered in this order; the list shows them newest first. The other company's
    // recipients grow longer with each, so their pages tell their order.
    for (const auto& [company, recipient] : {std::pair{Company, "a"}, std::pair{other, "1"}, std::pair{Company, "b"},
                                             std::pair{other, "11111111"}, std::pair{Company, "c"}})
        insertWaybill({{"EName", company}, {"SName", recipient}});
    MessageRecorder messages;
    QueryDriver<TfrmE_Q> query(QStringLiteral("快递单号"));
    query.query();
    const QString pdf = printedOnDefaultPrinter(outDir, [&] { query.run("BatchPrint"); });

    // The dot-matrix printer is told a 5-inch page (30 lines of 1/6 inch; A4 would be 70)
    // and feeds one form a waybill.
    const EscP escp = readEscP(epson.received());
    QCOMPARE(escp.pageLines, QList<int>({30, 30, 30}));
    QCOMPARE(escp.formFeeds, 3);
    QCOMPARE(pdfPagesMm(pdf).size(), 2);
    const int newer = inkBounds(rasterise(pdf, 96, true, 1)).width();
    const int older = inkBounds(rasterise(pdf, 96, true, 2)).width();
    QVERIFY2(newer > 2 * older, qPrintable(QString("%1 then %2").arg(newer).arg(older)));
}

void TestPrinting::printerJobKeepsItsPagesInASpoolOfItsOwn()
{
    CUPS_PDF_DIR(outDir);
    ProgramFolder folder;
    createCompany();
    QTemporaryDir temp; // other print jobs are not for this test to see
    const QByteArray savedTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temp.path()));
    PrintBatch batch(nullptr);
    QVERIFY(batch.add(CompanyForm(Company, TestPrintTexts())));
    RemoveSpoolLeftovers(); // a running job's pages and lock are left alone
    const QStringList spools = QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    QVERIFY2(spools.size() == 1 && spools.first().startsWith("orvane-waybill-spool-"), qPrintable(spools.join(' ')));
    QCOMPARE(QDir(temp.filePath(spools.first())).entryList(QDir::Files).size(), 2);
    QVERIFY(!printedOnDefaultPrinter(outDir, [&] { batch.finish(); }).isEmpty());
    qputenv("TMPDIR", savedTemp);
    QCOMPARE(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList()); // sent, and gone
}

void TestPrinting::postScriptPrinterIsToldTheFormsSize()
{
    SocketQueue postScript("OrvaneTestPostScript", {"-m", "drv:///sample.drv/generic.ppd"});
    QFile made(QStringLiteral("/etc/cups/ppd/%1.ppd").arg(postScript.name));
    if (!postScript.ok || !made.open(QIODevice::ReadOnly))
        QSKIP("no generic PostScript queue can be made here (needs lpadmin and the cups sample drivers)");
    // CUPS's generic description offers only fixed sizes; a laser printer's own offers
    // custom ones, as these lines do.
    QByteArray ppd = made.readAll();
    ppd.replace("*OpenUI *PageSize", R"(*VariablePaperSize: True
*CustomPageSize True: "pop pop pop <</PageSize[5 -2 roll]>>setpagedevice"
*ParamCustomPageSize Width: 1 points 36 1080
*ParamCustomPageSize Height: 2 points 36 86400
*ParamCustomPageSize WidthOffset: 3 points 0 0
*ParamCustomPageSize HeightOffset: 4 points 0 0
*ParamCustomPageSize Orientation: 5 int 0 0
*OpenUI *PageSize)");
    QTemporaryDir dir;
    QFile custom(dir.filePath("custom.ppd"));
    QVERIFY(custom.open(QIODevice::WriteOnly) && custom.write(ppd) == ppd.size());
    custom.close();
    QVERIFY(commandOutput("lpadmin", {"-p", postScript.name, "-P", custom.fileName()}));
    ProgramFolder folder;
    createCompany();
    PrintSetup::saveLayout(Company, {}, {}, {230, 127, postScript.name});
    PrintRun run("0");
    run.window.Button1Click();
    // 230 x 127 mm is 652 x 360 points: as the document's media, or the page size the
    // job sets through the description's custom size.
    static const QRegularExpression size(R"((?:%%DocumentMedia:\s*\S+|\*CustomPageSize True)\s+([\d.]+)\s+([\d.]+))");
    QStringList sizes;
    for (auto m = size.globalMatch(QString::fromLatin1(postScript.received())); m.hasNext();) {
        const QRegularExpressionMatch found = m.next();
        sizes << QString("%1 x %2").arg(qRound(found.captured(1).toDouble())).arg(qRound(found.captured(2).toDouble()));
    }
    QVERIFY2(!sizes.isEmpty() && sizes.count("652 x 360") == sizes.size(), qPrintable(sizes.join(", ")));
}

void TestPrinting::goneCompanyPrinterIsNamedAndTheDefaultOffered()
{
    CUPS_PDF_DIR(outDir);
    ProgramFolder folder;
    createCompany();
    PrintSetup::savePrinter(Company, QStringLiteral("已搬走的打印机"));
    MessageRecorder messages(false);
    PrintRun run("0");
    QTest::mouseClick(child(&run.window, "Button1"), Qt::LeftButton);

    QCOMPARE(messages.shown().first().kind, MessageKind::Question);
    QVERIFY(messages.last().contains(QStringLiteral("已搬走的打印机")));
    QVERIFY(messages.last().contains(QPrinterInfo::defaultPrinterName()));
    QVERIFY(run.window.isVisible()); // declined: nothing printed
    messages.answerNext(true);
    QVERIFY2(!run.printOnDefaultPrinter(outDir).isEmpty(), "cups-pdf wrote no file");
    QVERIFY(!run.window.isVisible());
}

void TestPrinting::paperIsBlackInTheChosenFaceUnderAnyPalette()
{
    ProgramFolder folder;
    createCompany();
    switchOnly({"JP01", "SP09", "KP05"});
    PrintSetup::saveLayout(Company, {}, {{"SP09", 150}}, {});
    const QString id = insertWaybill(
        {{"JName", QStringLiteral("张三 Zhang")}, {"SAdd", QStringLiteral("北京市海淀区中关村软件园 10 号楼 3 层")}});
    const QPalette original = QApplication::palette();
    const auto restore = qScopeGuard([&] { QApplication::setPalette(original); });
    QImage pages[2];
    QString fonts;
    for (const bool dark : {false, true}) {
        // Light text on a dark window, or the other way round.
        QApplication::setPalette(dark ? QPalette(QColor(230, 230, 230), QColor(32, 32, 32))
                                      : QPalette(Qt::black, Qt::white));
        PrintRun run(id);
        const QString pdf = run.print();
        pages[dark] = rasterise(pdf, 150, true);
        fonts = commandOutput("pdffonts", {pdf}).value_or(QString());
    }
    QVERIFY(inkBounds(pages[0]).isValid());
    QCOMPARE(pages[1], pages[0]);
    uchar darkest = 255;
    for (int y = 0; y < pages[1].height(); ++y)
        darkest =
            qMin(darkest, *std::min_element(pages[1].constScanLine(y), pages[1].constScanLine(y) + pages[1].width()));
    QCOMPARE(darkest, uchar(0));

    if (commandOutput("fc-list", {":lang=zh", "family"}).value_or(QString()).count('\n') < 2)
        QSKIP("fewer than two Chinese fonts installed: nothing to choose between");
    // Every font the page embeds (the lines below pdffonts' two header lines) is the
    // chosen face's bold.
    const QStringList embedded = fonts.split('\n', Qt::SkipEmptyParts).mid(2);
    QVERIFY(!embedded.isEmpty());
    for (const QString& line : embedded)
        QVERIFY2(line.section(" ", 0, 0).contains("NotoSansCJK") && line.contains("Bold"), qPrintable(fonts));
}

ORVANE_TEST_MAIN(TestPrinting)
#include "tst_printing.moc"
