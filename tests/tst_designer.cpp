// The layout designer over a real picture file and a real database.
#include "TestSupport.h"

#include "CompanyPicture.h"
#include "CourierStore.h"
#include "DM.h"
#include "FormCorpus.h"
#include "FormScan.h"
#include "P2.h"
#include "PrintSetup.h"
#include "ScanModule.h"
#include "SqlDialect.h"

#include <QBuffer>
#include <QComboBox>
#include <QDataStream>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

namespace {

const QString Company = QStringLiteral("中通快递");

void createCompany() { CourierStore::createCompany({Company, QString(), QString(), QString(), QString(), QString()}); }

// A JPEG whose JFIF header states `dpi` (Qt writes 96 unless told), or only the pixels'
// aspect ratio when `dpi` is 0.
QByteArray jpegBytes(const QSize& size, const QColor& colour, int dpi = 96)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    image.setDotsPerMeterX(qRound(qMax(dpi, 1) / 0.0254));
    image.setDotsPerMeterY(qRound(qMax(dpi, 1) / 0.0254));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    QByteArray bytes = buffer.data();
    if (dpi == 0 && bytes.mid(6, 5) == QByteArray("JFIF\0", 5))
        bytes.replace(13, 5, QByteArray("\0\0\1\0\1", 5)); // units: none, density 1:1
    return bytes;
}

// The same with an EXIF block after the JFIF header, stating its resolution in dots per
// inch (unit 2) or per centimetre (unit 3) as a fraction, in either byte order.
QByteArray withExif(QByteArray jpeg, quint32 numerator, quint32 denominator, quint16 unit, bool littleEndian)
{
    QByteArray tiff(littleEndian ? "II" : "MM");
    QDataStream out(&tiff, QIODevice::Append);
    out.setByteOrder(littleEndian ? QDataStream::LittleEndian : QDataStream::BigEndian);
    // The header, then one directory of three entries: XResolution and YResolution,
    // fractions at 50 and 58, and ResolutionUnit, a short in the entry itself.
    out << quint16(42) << quint32(8) << quint16(3);
    out << quint16(0x011A) << quint16(5) << quint32(1) << quint32(50);
    out << quint16(0x011B) << quint16(5) << quint32(1) << quint32(58);
    out << quint16(0x0128) << quint16(3) << quint32(1) << unit << quint16(0) << quint32(0);
    out << numerator << denominator << numerator << denominator;
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
    const quint16 length = quint16(body.size() + 2);
    return jpeg.insert(20, QByteArray("\xFF\xE1") + char(length >> 8) + char(length & 0xFF) + body);
}

QString writeJpeg(const QString& path, const QSize& size, const QColor& colour, int dpi = 96)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(jpegBytes(size, colour, dpi)) < 0)
        qWarning("could not write %s", qPrintable(path));
    return path;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Drags a box as a user would: press at `grab` inside it, move the pointer through the
// given points of the layout area, release at the last one.
void drag(ItemBox* box, const QPoint& grab, const QList<QPoint>& pointerInArea, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mousePress(box, button, {}, grab);
    for (const QPoint& point : pointerInArea)
        QTest::mouseMove(box, box->mapFromParent(point));
    QTest::mouseRelease(box, button, {}, box->mapFromParent(pointerInArea.last()));
}

struct Designer {
    Designer()
    {
        window.CompanyName = Company;
        window.show();
        QCoreApplication::processEvents();
    }
    QLabel* picture() const { return window.findChild<QLabel*>("Image1"); }
    TfrmP2 window{nullptr};
};

} // namespace

class TestDesigner : public QObject {
    Q_OBJECT
private slots:
    void showsStoredPositionsNotInitialOnes();
    void switchedOffItemIsHiddenAndSavedAtInitialPosition();
    void dragMovesBoxAndSaveStoresIt();
    void dragWithAnyButtonKeepsGrabOffset();
    void boxOverPicturePixelStoresPixelPlusBevel();
    void openPictureCopiesAtOnce();
    void aSecondPcSharesThePictureNotTheOffsets();
    void cancelledOpenChangesNothing();
    void unreadablePictureIsRefusedAndNothingCopied();
    void closingWithoutSaveKeepsPositions();
    void openDialogOffersJpegNamesInAnyCase();
    void boxDraggedPastAnEdgeStaysWithinReach_data();
    void boxDraggedPastAnEdgeStaysWithinReach();
    void storedPositionOutsideIsShownWithinReach_data();
    void storedPositionOutsideIsShownWithinReach();
    void pressedBoxComesToFront();
    void bigPictureScrollsAndButtonsStayInView();
    void differentNamesNeverShareAPicture_data();
    void differentNamesNeverShareAPicture();
    void rightEdgeGivesABoxAWidthAndDoubleClickTakesItAway();
    void scannedFormMovesBoxesKeptOnlyBySave();
    void scanWithoutLanguageDataNamesThePackage();
    void scanStatingItsResolutionOpensAtTrueSize_data();
    void scanStatingItsResolutionOpensAtTrueSize();
    void boxPartlyOutsideTheFormIsShownAndTheFormIsSaved();
    void boxesWhoseLongestTextsWouldOverprintAreMarked();
};

void TestDesigner::showsStoredPositionsNotInitialOnes()
{
    ProgramFolder folder;
    createCompany();
    Designer designer;
    QCOMPARE(designer.window.windowTitle(), QStringLiteral("中通快递 设计打印格式"));
    QCOMPARE(designer.window.box("JP01")->pos(), QPoint(10, 10));
    QCOMPARE(designer.window.box("SP03")->pos(), QPoint(750, 10));
    QCOMPARE(designer.window.box("KP05")->pos(), QPoint(10, 230));
    QCOMPARE(designer.window.box("KP05")->size(), QSize(100, 25));
    QCOMPARE(designer.window.box("KP05")->text(), QStringLiteral("快递日期"));
    QVERIFY(designer.window.box("KP05")->isVisible());
}

void TestDesigner::switchedOffItemIsHiddenAndSavedAtInitialPosition()
{
    ProgramFolder folder;
    createCompany();
    DM().ExecSql(SqlText("UPDATE SP SET theP = '否' WHERE (EName = ?) AND (theName = 'JP01')", {Company}));
    MessageRecorder messages;
    {
        Designer designer;
        QVERIFY(!designer.window.box("JP01")->isVisible());
        QCOMPARE(designer.window.box("JP01")->pos(), QPoint(24, 24));
        QTest::mouseClick(designer.window.findChild<QPushButton*>("Button2"), Qt::LeftButton);
        QVERIFY(!designer.window.isVisible());
    }
    QCOMPARE(messages.texts(), QStringList({QStringLiteral("中通快递 设计打印格式 保存成功！")}));
    const CourierStore::StoredItem jp01 = CourierStore::storedItem(Company, "JP01");
    QCOMPARE(QPoint(jp01.left, jp01.top), QPoint(24, 24));
    QVERIFY(!jp01.printed); // the flag is not the designer's to change
    const CourierStore::StoredItem jp02 = CourierStore::storedItem(Company, "JP02");
    QCOMPARE(QPoint(jp02.left, jp02.top), QPoint(130, 10));
}

void TestDesigner::dragMovesBoxAndSaveStoresIt()
{
    ProgramFolder folder;
    createCompany();
    MessageRecorder messages;
    Designer designer;
    ItemBox* box = designer.window.box("SP01");
    QCOMPARE(box->pos(), QPoint(510, 10));
    drag(box, QPoint(5, 5), {QPoint(400, 300), QPoint(205, 305)});
    QCOMPARE(box->pos(), QPoint(200, 300));
    const QPoint moved = box->pos();
    designer.window.Button2Click();
    const CourierStore::StoredItem stored = CourierStore::storedItem(Company, "SP01");
    QCOMPARE(QPoint(stored.left, stored.top), moved);
}

void TestDesigner::dragWithAnyButtonKeepsGrabOffset()
{
    ProgramFolder folder;
    createCompany();
    Designer designer;
    ItemBox* box = designer.window.box("KP01");
    const QPoint start = box->pos();
    const QPoint grab(40, 12);
    const QPoint pointerInArea = start + grab;
    // The pointer travels to a new place in the layout area; the box follows so that
    // the grabbed point stays under it.
    drag(box, grab, {pointerInArea + QPoint(123, 77)}, Qt::RightButton);
    QCOMPARE(box->pos(), start + QPoint(123, 77));
    // A move after the release no longer drags.
    QTest::mouseMove(box, QPoint(90, 20));
    QCOMPARE(box->pos(), start + QPoint(123, 77));
}

void TestDesigner::boxOverPicturePixelStoresPixelPlusBevel()
{
    ProgramFolder folder;
    createCompany();
    GiveCompanyPicture(Company, jpegBytes(QSize(300, 200), Qt::white, 0));
    MessageRecorder messages;
    Designer designer;
    QLabel* picture = designer.picture();
    QCOMPARE(picture->pixmap().size(), QSize(300, 200));
    // The picture's top-left pixel sits at (1, 1) inside the bevel.
    QCOMPARE(picture->pos(), QPoint(1, 1));
    ItemBox* box = designer.window.box("JP05");
    const QPoint overPixel = picture->mapTo(box->parentWidget(), QPoint(99, 49));
    // Grabbed one pixel inside its corner (QTest reads a null point as the centre).
    drag(box, QPoint(1, 1), {overPixel + QPoint(1, 1)});
    designer.window.Button2Click();
    const CourierStore::StoredItem stored = CourierStore::storedItem(Company, "JP05");
    QCOMPARE(QPoint(stored.left, stored.top), QPoint(100, 50));
}

void TestDesigner::openPictureCopiesAtOnce()
{
    ProgramFolder folder;
    createCompany();
    QTemporaryDir elsewhere;
    const QString picked = writeJpeg(elsewhere.filePath("scan.jpg"), QSize(640, 360), Qt::cyan);
    OpenFileAnswer answer(picked);
    Designer designer;
    designer.window.Button1Click();
    QCOMPARE(answer.filtersAsked.size(), 1);
    QCOMPARE(designer.picture()->pixmap().size(), QSize(640, 360));
    QCOMPARE(contents(CompanyPicturePath(Company)), contents(picked));
    // Picking the company's own file again leaves it intact.
    OpenFileAnswer again(CompanyPicturePath(Company));
    designer.window.Button1Click();
    QCOMPARE(contents(CompanyPicturePath(Company)), contents(picked));
}

void TestDesigner::aSecondPcSharesThePictureNotTheOffsets()
{
    if (!OnTestServer())
        QSKIP("PCs share their data only on a server");
    ProgramFolder first;
    ProgramFolder second(first, "PC2");
    createCompany();
    GiveCompanyPicture(Company, jpegBytes(QSize(640, 360), Qt::cyan));
    PrintSetup::saveOffset("Office Laser", Company, {2.5, 1, PrintSetup::Origin::PaperEdge});
    second.startHere();
    QCOMPARE(Designer().picture()->pixmap().size(), QSize(640, 360));
    // A printer of the same name on this PC is another printer.
    QCOMPARE(PrintSetup::offset("Office Laser", Company).x, 0.0);
    PrintSetup::saveOffset("Office Laser", Company, {-1.5, 1, PrintSetup::Origin::PaperEdge});
    first.startHere();
    QCOMPARE(PrintSetup::offset("Office Laser", Company).x, 2.5);
    // The first PC deletes the company and makes one of that name again: the second PC's
    // next start shows it without the old company's picture.
    CourierStore::deleteCompany(QueryValue(SqlText("SELECT ID FROM SCom")).toLongLong(), Company);
    createCompany();
    second.startHere();
    QVERIFY(Designer().picture()->pixmap().isNull());
}

void TestDesigner::cancelledOpenChangesNothing()
{
    ProgramFolder folder;
    createCompany();
    const QString old = GiveCompanyPicture(Company, jpegBytes(QSize(320, 240), Qt::red));
    const QByteArray before = contents(old);
    OpenFileAnswer cancelled{QString()};
    Designer designer;
    designer.window.Button1Click();
    QCOMPARE(designer.picture()->pixmap().size(), QSize(320, 240));
    QCOMPARE(contents(old), before);
}

void TestDesigner::unreadablePictureIsRefusedAndNothingCopied()
{
    ProgramFolder folder;
    createCompany();
    const QString old = GiveCompanyPicture(Company, jpegBytes(QSize(320, 240), Qt::red));
    const QByteArray before = contents(old);
    QTemporaryDir elsewhere;
    QFile corrupt(elsewhere.filePath("broken.jpg"));
    QVERIFY(corrupt.open(QIODevice::WriteOnly));
    corrupt.write(contents(old).left(300)); // a JPEG cut short
    corrupt.close();

    OpenFileAnswer answer(corrupt.fileName());
    MessageRecorder messages;
    Designer designer;
    QTest::mouseClick(designer.window.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    QCOMPARE(messages.shown().size(), 1);
    QCOMPARE(messages.shown().first().kind, MessageKind::Error);
    QVERIFY(messages.last().contains("broken.jpg"));
    QCOMPARE(contents(old), before);
    QCOMPARE(designer.picture()->pixmap().size(), QSize(320, 240));
    QVERIFY(designer.window.isVisible());
}

void TestDesigner::closingWithoutSaveKeepsPositions()
{
    ProgramFolder folder;
    createCompany();
    MessageRecorder messages(false);
    {
        // Unmoved, Esc closes at once.
        Designer designer;
        QTest::keyClick(&designer.window, Qt::Key_Escape);
        QVERIFY(messages.shown().isEmpty());
        QVERIFY(!designer.window.isVisible());
    }
    {
        Designer designer;
        ItemBox* box = designer.window.box("JP01");
        drag(box, QPoint(1, 1), {QPoint(300, 300)});
        QCOMPARE(box->pos(), QPoint(299, 299));
        // Esc after a move asks, and No keeps the window and the move.
        QTest::keyClick(&designer.window, Qt::Key_Escape);
        QCOMPARE(messages.texts(), QStringList({"放弃未保存的内容吗？"}));
        QVERIFY(designer.window.isVisible());
        QCOMPARE(box->pos(), QPoint(299, 299));
        designer.window.close();
    }
    const CourierStore::StoredItem stored = CourierStore::storedItem(Company, "JP01");
    QCOMPARE(QPoint(stored.left, stored.top), QPoint(10, 10));
}

void TestDesigner::openDialogOffersJpegNamesInAnyCase()
{
    ProgramFolder folder;
    createCompany();
    OpenFileAnswer cancelled{QString()};
    Designer designer;
    designer.window.Button1Click();
    QCOMPARE(cancelled.filtersAsked.size(), 1);
    // The patterns as a file dialog takes them from the filter, matched with case as
    // on Linux, where scanners write SCAN0001.JPG.
    QString filter = cancelled.filtersAsked.first();
    if (filter.contains('('))
        filter = filter.section('(', 1).section(')', 0, 0);
    QTemporaryDir scans;
    for (const char* name : {"SCAN0001.JPG", "scan.jpg", "form.jpeg", "FORM.JPEG", "notes.png", "scan.jpg.txt"})
        QVERIFY(QFile(scans.filePath(name)).open(QIODevice::WriteOnly));
    const QStringList shown =
        QDir(scans.path()).entryList(filter.split(' ', Qt::SkipEmptyParts), QDir::Files | QDir::CaseSensitive);
    QCOMPARE(QSet<QString>(shown.begin(), shown.end()),
             QSet<QString>({"SCAN0001.JPG", "scan.jpg", "form.jpeg", "FORM.JPEG"}));
}

// At least an 8 x 8 piece of the box lies inside the layout area, where it can be
// grabbed (the area scrolls where it is larger than the window).
bool withinReach(const ItemBox* box)
{
    const QRect inside = box->geometry() & box->parentWidget()->rect();
    return inside.width() >= 8 && inside.height() >= 8;
}

void TestDesigner::boxDraggedPastAnEdgeStaysWithinReach_data()
{
    QTest::addColumn<QPoint>("direction");
    QTest::newRow("left") << QPoint(-1, 0);
    QTest::newRow("top") << QPoint(0, -1);
    QTest::newRow("right") << QPoint(1, 0);
    QTest::newRow("bottom") << QPoint(0, 1);
    QTest::newRow("top left") << QPoint(-1, -1);
}

void TestDesigner::boxDraggedPastAnEdgeStaysWithinReach()
{
    QFETCH(QPoint, direction);
    ProgramFolder folder;
    createCompany();
    MessageRecorder messages;
    Designer designer;
    ItemBox* box = designer.window.box("SP01");
    const QRect area = box->parentWidget()->rect();
    drag(box, QPoint(50, 12), {box->pos() + QPoint(50, 12) + direction * 5000});
    QVERIFY2(withinReach(box), qPrintable(QString("%1, %2").arg(box->x()).arg(box->y())));
    QVERIFY(!area.contains(box->geometry())); // it may hang over the edge, as a window may
    // Taken again by the piece still inside, and brought back.
    const QPoint grab = box->mapFromParent((box->geometry() & area).center());
    drag(box, grab, {QPoint(300, 200)});
    QCOMPARE(box->pos(), QPoint(300, 200) - grab);
}

void TestDesigner::storedPositionOutsideIsShownWithinReach_data()
{
    QTest::addColumn<QPoint>("stored");
    QTest::newRow("above and left") << QPoint(-128, -83);
    QTest::newRow("far right and below") << QPoint(5000, 3000);
}

void TestDesigner::storedPositionOutsideIsShownWithinReach()
{
    QFETCH(QPoint, stored);
    ProgramFolder folder;
    createCompany();
    DM().ExecSql(SqlText("UPDATE SP SET theL = ?, theT = ? WHERE (EName = ?) AND (theName = 'JP01')",
                         {stored.x(), stored.y(), Company}));
    Designer designer;
    ItemBox* box = designer.window.box("JP01");
    QVERIFY2(withinReach(box), qPrintable(QString("%1, %2").arg(box->x()).arg(box->y())));
    // Moved no further than it had to be: an 8-pixel square inside the area's corner.
    if (stored.x() < 0)
        QCOMPARE(box->pos(), QPoint(8 - box->width(), 8 - box->height()));
    else
        QCOMPARE(box->pos(), stored);
}

void TestDesigner::pressedBoxComesToFront()
{
    ProgramFolder folder;
    createCompany();
    Designer designer;
    ItemBox* under = designer.window.box("JP01"); // stored at (10, 10), JP02 at (130, 10)
    ItemBox* over = designer.window.box("JP02");
    drag(over, QPoint(1, 1), {under->pos() + QPoint(51, 1)}); // over the right half of JP01
    const QPoint shared = under->pos() + QPoint(75, 12);
    QCOMPARE(under->parentWidget()->childAt(shared), over);
    drag(under, QPoint(10, 12), {under->pos() + QPoint(10, 12)}); // pressed where it shows
    QCOMPARE(under->parentWidget()->childAt(shared), under);
}

void TestDesigner::bigPictureScrollsAndButtonsStayInView()
{
    ProgramFolder folder;
    createCompany();
    GiveCompanyPicture(Company, jpegBytes(QSize(3000, 2000), Qt::white));
    MessageRecorder messages;
    Designer designer;
    QVERIFY(designer.window.screen()->availableGeometry().contains(designer.window.frameGeometry()));
    for (const char* name : {"Button1", "Button2"}) {
        QWidget* button = child(&designer.window, name);
        QVERIFY2(button->isVisible() &&
                     designer.window.rect().contains(QRect(button->mapTo(&designer.window, QPoint()), button->size())),
                 name);
    }
    // The picture's far corner is reached by scrolling, and a box can be put there.
    auto* scroll = child<QScrollArea>(&designer.window, "ScrollBox1");
    scroll->horizontalScrollBar()->setValue(scroll->horizontalScrollBar()->maximum());
    scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
    ItemBox* box = designer.window.box("KP05");
    drag(box, QPoint(1, 1), {designer.picture()->mapTo(box->parentWidget(), QPoint(2899, 1974)) + QPoint(1, 1)});
    QVERIFY(!box->visibleRegion().isEmpty());
    designer.window.Button2Click();
    const CourierStore::StoredItem stored = CourierStore::storedItem(Company, "KP05");
    QCOMPARE(QPoint(stored.left, stored.top), QPoint(2900, 1975));
}

void TestDesigner::differentNamesNeverShareAPicture_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    // Each second name is what the first would look like once encoded.
    QTest::newRow("slash") << "a/b"
                           << "a%2Fb";
    QTest::newRow("backslash") << "a\\b"
                               << "a%5Cb";
    QTest::newRow("dot") << "."
                         << "%2E";
    QTest::newRow("dot dot") << ".."
                             << "%2E%2E";
}

void TestDesigner::differentNamesNeverShareAPicture()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    ProgramFolder folder;
    QTemporaryDir elsewhere;
    CopyInCompanyPicture(first, writeJpeg(elsewhere.filePath("scan.jpg"), QSize(64, 48), Qt::red));
    QVERIFY(CompanyPictureExists(first));
    QVERIFY(!CompanyPictureExists(second));
    // Deleting the other company's picture leaves this one alone.
    RemoveCompanyPicture(second);
    QCOMPARE(LoadCompanyPicture(first).size(), QSize(64, 48));
}

void TestDesigner::rightEdgeGivesABoxAWidthAndDoubleClickTakesItAway()
{
    ProgramFolder folder;
    createCompany();
    MessageRecorder messages;
    {
        Designer designer;
        ItemBox* box = designer.window.box("SP09");
        const QPoint stored = box->pos();
        // A click on the edge alone gives no width.
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(98, 12));
        QCOMPARE(box->width(), 100);
        drag(box, QPoint(98, 12), {stored + QPoint(298, 40)});
        QCOMPARE(box->pos(), stored);
        QCOMPARE(box->width(), 300);
        designer.window.Button2Click();
    }
    QCOMPARE(PrintSetup::boxWidths(Company), (QHash<QString, int>{{"SP09", 300}, {"JP11", 360}, {"SP11", 360}}));
    {
        Designer designer;
        ItemBox* box = designer.window.box("SP09");
        QCOMPARE(box->width(), 300);
        QTest::mouseDClick(box, Qt::LeftButton, {}, QPoint(298, 12));
        QCOMPARE(box->width(), 100);
        designer.window.Button2Click();
    }
    QCOMPARE(PrintSetup::boxWidths(Company), (QHash<QString, int>{{"JP11", 360}, {"SP11", 360}}));
}

// Reads the form in the designer and waits for the proposal.
void scan(TfrmP2& window)
{
    QTest::mouseClick(child(&window, "scanButton"), Qt::LeftButton);
    auto* progress = child<QProgressBar>(&window, "scanProgress");
    QVERIFY(progress->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!progress->isVisible(), 120000);
}

void TestDesigner::scannedFormMovesBoxesKeptOnlyBySave()
{
    if (!ScanModule::MissingPackages().isEmpty())
        QSKIP(qPrintable("no Tesseract language data: install " + ScanModule::MissingPackages().join(", ")));
    ProgramFolder folder;
    createCompany();
    // The recipient's address is switched off, and so is an item no form has a label for.
    DM().ExecSql(SqlText("UPDATE SP SET theP = '否' WHERE (EName = ?) AND (theName IN ('SP09', 'KP04'))", {Company}));
    const FormCorpus::Form form = FormCorpus::Draw(FormCorpus::Plans().first());
    GiveCompanyPicture(Company, form.picture);
    PrintSetup::saveLayout(Company, {}, {}, {FormCorpus::WidthMm});
    const QStringList before = RowsOf(SqlText("SELECT theName, theL, theT, theP FROM SP ORDER BY ID"));
    MessageRecorder messages;
    {
        Designer designer;
        scan(designer.window);
        QCOMPARE(messages.texts(),
                 QStringList(QStringLiteral(
                     "识别出 15 项，未找到：寄件人区号、寄件人省市区、寄件人地州市、寄件人区县、收件人区号、"
                     "收件人省市区、收件人地州市、收件人区县、自定义二、自定义三。请检查各项目的位置，"
                     "然后单击 保存。")));
        // The recipient's address box now stands in the recipient's address cell.
        ItemBox* address = designer.window.box("SP09");
        QVERIFY(address->isVisible() && address->proposed());
        const double toScan = double(form.picture.width()) / designer.picture()->pixmap().width();
        const QPointF inScan = QPointF(designer.picture()->mapFrom(address->parentWidget(), address->pos())) * toScan;
        QVERIFY(std::any_of(form.fields.begin(), form.fields.end(), [&](const FormCorpus::Field& f) {
            return f.code == "SP09" && f.cell.contains(form.toMm.map(inScan));
        }));
        QVERIFY(!designer.window.box("KP04")->isVisible());
        drag(address, QPoint(5, 5), {address->pos() + QPoint(25, 5)});
        QVERIFY(!address->proposed());
        designer.window.close();
    }
    QCOMPARE(RowsOf(SqlText("SELECT theName, theL, theT, theP FROM SP ORDER BY ID")), before);
    {
        Designer designer;
        QVERIFY(!designer.window.box("SP09")->isVisible());
        scan(designer.window);
        const QPoint placed = designer.window.box("SP09")->pos();
        designer.window.Button2Click();
        const CourierStore::StoredItem address = CourierStore::storedItem(Company, "SP09");
        QCOMPARE(QPoint(address.left, address.top), placed);
        QVERIFY(address.printed);
        QVERIFY(!CourierStore::storedItem(Company, "KP04").printed);
    }
}

void TestDesigner::scanWithoutLanguageDataNamesThePackage()
{
    ProgramFolder folder;
    createCompany();
    GiveCompanyPicture(Company, jpegBytes(QSize(900, 500), Qt::white));
    PrintSetup::saveLayout(Company, {}, {}, {230});
    QTemporaryDir noData;
    qputenv("TESSDATA_PREFIX", QFile::encodeName(noData.path()));
    MessageRecorder messages;
    Designer designer;
    designer.window.scanFormClicked();
    qunsetenv("TESSDATA_PREFIX");
    QCOMPARE(messages.texts(),
             QStringList(QStringLiteral("找不到文字识别的语言数据，请安装 tesseract-ocr-chi-sim 后再试。")));
    QVERIFY(!child(&designer.window, "scanProgress")->isVisible());
    QCOMPARE(designer.window.box("JP01")->pos(), QPoint(10, 10));
}

void TestDesigner::scanStatingItsResolutionOpensAtTrueSize_data()
{
    // A 230 x 127 mm form scanned at 200 dpi: 1811 x 1000 pixels.
    const QByteArray plain = jpegBytes(QSize(1811, 1000), Qt::white, 0);
    QTest::addColumn<QByteArray>("scan");
    QTest::addColumn<bool>("stated");
    QTest::newRow("JFIF, dots an inch") << jpegBytes(QSize(1811, 1000), Qt::white, 200) << true;
    QTest::newRow("EXIF, dots an inch, Intel order") << withExif(plain, 200, 1, 2, true) << true;
    QTest::newRow("EXIF, dots a centimetre, Motorola order") << withExif(plain, 7874, 100, 3, false) << true;
    QTest::newRow("no resolution") << plain << false;
    QTest::newRow("JFIF, 65535 dots an inch") << jpegBytes(QSize(1811, 1000), Qt::white, 65535) << false;
    QTest::newRow("EXIF, 100000 dots an inch") << withExif(plain, 100000, 1, 2, true) << false;
}

void TestDesigner::scanStatingItsResolutionOpensAtTrueSize()
{
    QFETCH(QByteArray, scan);
    QFETCH(bool, stated);
    ProgramFolder folder;
    createCompany();
    GiveCompanyPicture(Company, scan);
    Designer designer;
    auto* width = child<QDoubleSpinBox>(&designer.window, "SpinW");
    auto* height = child<QDoubleSpinBox>(&designer.window, "SpinH");
    QLabel* notice = child<QLabel>(&designer.window, "Label6");
    if (!stated) {
        // Nothing to go by: the window asks for the width before anything is laid out.
        QCOMPARE(designer.picture()->pixmap().width(), 1811);
        QVERIFY(notice->isVisible());
        QVERIFY(notice->geometry().bottom() < child(&designer.window, "ScrollBox1")->geometry().top());
        width->selectAll();
        QTest::keyClicks(width, "230");
        QTest::keyClick(width, Qt::Key_Return);
    }
    QCOMPARE(designer.picture()->pixmap().width(), 869); // 96 pixels an inch
    QCOMPARE(width->value(), 230.0);
    QCOMPARE(height->value(), 127.0); // from the scan's shape
    QVERIFY(!notice->isVisible());
}

void TestDesigner::boxPartlyOutsideTheFormIsShownAndTheFormIsSaved()
{
    ProgramFolder folder;
    createCompany();
    MessageRecorder messages;
    QString printer;
    {
        Designer designer;
        auto* width = child<QDoubleSpinBox>(&designer.window, "SpinW");
        auto* height = child<QDoubleSpinBox>(&designer.window, "SpinH");
        width->setValue(230); // 869 pixels
        height->setValue(127);
        ItemBox* box = designer.window.box("SP03"); // at 750: its right edge at 850
        const auto red = [box] {
            const QColor edge = box->grab().toImage().pixelColor(1, box->height() / 2);
            return edge.red() > 180 && edge.green() < 80;
        };
        QVERIFY(!red());
        drag(box, QPoint(5, 5), {QPoint(805, 15)}); // past the form's right edge
        QVERIFY(red());
        QVERIFY(box->toolTip().contains(QStringLiteral("快递单之外")));
        drag(box, QPoint(5, 5), {QPoint(705, 15)});
        QVERIFY(!red());
        // A shorter form leaves the lower rows outside.
        height->setValue(20); // 76 pixels; JP06 stands at 80
        QVERIFY(designer.window.box("JP06")->isOutside());
        auto* printers = child<QComboBox>(&designer.window, "ComboBox1");
        printers->setCurrentIndex(printers->count() - 1);
        printer = printers->currentData().toString();
        designer.window.Button2Click();
    }
    const PrintSetup::Form form = PrintSetup::form(Company);
    QCOMPARE(QList<double>({form.widthMm, form.heightMm}), QList<double>({230, 20}));
    QCOMPARE(form.printer, printer);
    Designer again;
    QCOMPARE(child<QComboBox>(&again.window, "ComboBox1")->currentData().toString(), printer);
}

void TestDesigner::boxesWhoseLongestTextsWouldOverprintAreMarked()
{
    ProgramFolder folder;
    createCompany();
    DM().ExecSql(SqlText("UPDATE SP SET theP = '否' WHERE (EName = ?)", {Company}));
    for (const char* code : {"JP06", "JP07", "SP08", "JP11"})
        CourierStore::switchOn(Company, code);
    // The longest names print 14 pixels a character: a province (新疆维吾尔自治区) 112, a city (黔西南布依族苗族
    // 自治州) 154, a district (双江拉祜族佤族布朗族傣族自治县) 210; a full address (甘肃省临夏回族自治州积石山
    // 保安族东乡族撒拉族自治县) wraps in 200 onto two lines 1.15 × 14 apart, 32.2 pixels.
    PrintSetup::saveLayout(Company, {{"JP06", 10, 10}, {"JP07", 130, 10}, {"SP08", 300, 60}, {"JP11", 10, 100}},
                           {{"JP11", 200}}, {});
    Designer designer;
    const auto marks = [&](const char* code) { return designer.window.box(code)->overlaps(); };
    QVERIFY(marks("JP06").isEmpty() && marks("JP07").isEmpty() && marks("JP11").isEmpty());
    ItemBox* city = designer.window.box("JP07");
    drag(city, QPoint(5, 5), {QPoint(105, 15)}); // to left 100: the province runs 12 pixels into it
    QCOMPARE(marks("JP06"), QStringList({"寄件人地州市"}));
    QVERIFY(city->toolTip().contains("寄件人省市区"));
    // From 100 the city reaches 254, past the district at 250.
    drag(designer.window.box("SP08"), QPoint(5, 5), {QPoint(255, 15)});
    QCOMPARE(marks("JP07"), QStringList({"寄件人省市区", "收件人区县"}));
    // The full address ends at 210 across and 132.2 down.
    drag(designer.window.box("SP08"), QPoint(5, 5), {QPoint(205, 125)});
    QCOMPARE(marks("JP11"), QStringList({"收件人区县"}));
    drag(designer.window.box("SP08"), QPoint(5, 5), {QPoint(205, 140)});
    QVERIFY(marks("JP11").isEmpty());
}

ORVANE_TEST_MAIN(TestDesigner)
#include "tst_designer.moc"
