#include "P2.h"

#include "CompanyPicture.h"
#include "Controls.h"
#include "CourierStore.h"
#include "FormPainter.h"
#include "FormReader.h"
#include "Guard.h"
#include "LongestText.h"
#include "Messages.h"
#include "Modal.h"
#include "PrintItems.h"
#include "PrintSetup.h"
#include "PrinterChoice.h"
#include "ScanModule.h"
#include "ScreenFit.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QVBoxLayout>
#include <cmath>

namespace {

const QSize DesignerSize(1000, 618);
// Scanners write the extension in either case, and often the long form.
const QString PictureFilter = QStringLiteral("*.jpg *.JPG *.jpeg *.JPEG");

// The layout area: a 1-pixel raised bevel with the picture inside it at (1, 1). A
// picture at true size lies over the bevel at (0, 0) instead: its pixels are then the
// layout's, and a box over a mark prints on that mark, not a pixel beside it.
class LayoutArea : public QFrame {
public:
    explicit LayoutArea(QWidget* parent) : QFrame(parent)
    {
        setFrameStyle(QFrame::Panel | QFrame::Raised);
        setLineWidth(1);
    }
    QLabel* picture = nullptr;
    int pictureInset() const { return atTrueSize ? 0 : 1; }
    void setAtTrueSize(bool trueSize)
    {
        atTrueSize = trueSize;
        placePicture();
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QFrame::resizeEvent(event);
        Guarded(this, [this] { placePicture(); });
    }

private:
    void placePicture()
    {
        const int inset = pictureInset();
        if (picture)
            picture->setGeometry(inset, inset, width() - 2 * inset, height() - 2 * inset);
    }
    bool atTrueSize = false;
};

LayoutArea* asLayoutArea(QWidget* area) { return static_cast<LayoutArea*>(area); }

// The form's outline over the picture, where its real size ends.
class FormEdge : public QWidget {
public:
    explicit FormEdge(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("FormEdge"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(QPen(OutsideColour, 1, Qt::DashLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }

public:
    static inline const QColor OutsideColour{220, 0, 0};
};

QString boxTip()
{
    return QStringLiteral("拖动移动位置；拖动右边缘设定宽度，超出宽度的文字换行或缩小；双击右边缘取消宽度");
}

// A proposed size is rounded to what the boxes take.
double tenths(double mm) { return std::round(mm * 10) / 10; }

// A scan's stated resolution gives no width beyond this: wider than any carriage or
// sheet a courier form is printed on (15 inches is 381 mm, A3 420 mm), it is a photo's
// made-up 72 dots an inch, not a scanner's.
constexpr double MaxProposedWidthMm = 450;

} // namespace

ItemBox::ItemBox(const QString& code, const QString& caption, QWidget* parent) : QLabel(caption, parent)
{
    setObjectName(code);
    setLineWidth(1);
    setAutoFillBackground(true); // opaque: it covers the picture beneath it
    // White like the paper, under any desktop palette: the text shows black as it prints.
    QPalette paper = palette();
    paper.setColor(QPalette::Window, Qt::white);
    setPalette(paper);
    setBoxWidth(0);
    setCursor(Qt::SizeAllCursor);
    setMouseTracking(true); // the pointer shows where a press resizes
    setToolTip(boxTip());
}

void ItemBox::setBoxWidth(int width)
{
    m_boxWidth = width > 0 ? qMax(MinWidth, width) : 0;
    // As high as the text it shows takes on paper.
    const double textHeight = FormPainter::Fit(preview(), 1, this).size.height();
    setFixedSize(m_boxWidth > 0 ? m_boxWidth : NaturalWidth, qMax(25, int(std::ceil(textHeight))));
    // A box with a width of its own looks pressed in.
    setFrameStyle(QFrame::Panel | (m_boxWidth > 0 ? QFrame::Sunken : QFrame::Raised));
}

void ItemBox::setProposed(bool proposed)
{
    m_proposed = proposed;
    update();
}

FormText ItemBox::preview() const
{
    FormText shown;
    shown.text = text();
    shown.boxWidth = m_boxWidth;
    return shown;
}

void ItemBox::setOutside(bool outside)
{
    if (outside == m_outside)
        return;
    m_outside = outside;
    updateTip();
}

void ItemBox::setOverlaps(const QStringList& names)
{
    if (names == m_overlaps)
        return;
    m_overlaps = names;
    updateTip();
}

void ItemBox::updateTip()
{
    QStringList tips;
    if (m_outside)
        tips << QStringLiteral("这个项目有一部分在快递单之外，那部分打印不出来。");
    if (!m_overlaps.isEmpty())
        tips << QStringLiteral("这个项目最长的内容会和“%1”压在一起。请把它们拖开，或拖动右边缘设定宽度，"
                               "让文字在宽度内换行或缩小。")
                    .arg(m_overlaps.join(QStringLiteral("”、“")));
    setToolTip(tips.isEmpty() ? boxTip() : tips.join(QLatin1Char('\n')));
    update();
}

void ItemBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawFrame(&painter);
    FormPainter::PaintText(painter, preview(), 1);
    if (m_outside) {
        painter.setPen(QPen(FormEdge::OutsideColour, 2));
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
    if (!m_overlaps.isEmpty()) {
        painter.setPen(QPen(QColor(0x9c, 0x27, 0xb0), 2, Qt::DashLine));
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
    if (m_proposed) {
        painter.setPen(QPen(QColor(0xe8, 0x59, 0x0c), 2));
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
}

bool ItemBox::atRightEdge(QMouseEvent* event) const
{
    // A box hanging over the area's left edge shows little more than its right edge,
    // which must still take it back.
    return x() >= 0 && event->position().x() >= width() - EdgeGrip;
}

QPoint ItemBox::withinReach(QPoint pos, QSize area) const
{
    return {qBound(GrabSize - width(), pos.x(), area.width() - GrabSize),
            qBound(GrabSize - height(), pos.y(), area.height() - GrabSize)};
}

void ItemBox::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    Guarded(this, [this, event] {
        m_grab = event->position().toPoint();
        m_resizing = atRightEdge(event);
        m_resized = false;
        m_rightGap = width() - m_grab.x();
        m_moving = !m_resizing;
        setProposed(false);
        raise();
        // Every pointer move goes to this box until the release, wherever the pointer is.
        grabMouse();
    });
}

void ItemBox::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    Guarded(this, [this, event] {
        if (m_moving) {
            follow(event);
        } else if (m_resizing) {
            // The right edge keeps the distance it had from the pointer at the press.
            setBoxWidth(qMax(MinWidth, qRound(event->position().x()) + m_rightGap));
            m_resized = true;
        } else {
            setCursor(atRightEdge(event) ? Qt::SizeHorCursor : Qt::SizeAllCursor);
        }
    });
}

void ItemBox::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    Guarded(this, [this, event] {
        const bool wasMoving = m_moving;
        const bool wasResized = m_resizing && m_resized;
        m_moving = false;
        m_resizing = false;
        releaseMouse();
        if (wasMoving)
            follow(event);
        if (wasMoving || wasResized)
            emit dropped();
    });
}

void ItemBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    Guarded(this, [this, event] {
        if (!atRightEdge(event))
            return;
        setBoxWidth(0);
        emit dropped();
    });
}

void ItemBox::follow(QMouseEvent* event)
{
    move(withinReach(mapToParent(event->position().toPoint()) - m_grab, parentWidget()->size()));
}

TfrmP2::TfrmP2(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmP2"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setFont(AppFont());
    resize(DesignerSize);

    auto* strip = new QWidget(this);
    strip->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* Label1 = MakeLabel(strip, "Label1",
                             QStringLiteral("首先打开 快递单 的扫描件（JPG格式），然后用鼠标移动各项目到具体的位置"
                                            "（可以叠加），最后单击 保存 按钮。"),
                             8, 17);
    // In a window narrower than the strip the instruction is cut short, not the buttons.
    Label1->setMinimumWidth(1);
    Button1 =
        MakeButton(strip, "Button1", QStringLiteral("打开图片"), QRect(0, 12, 75, 25), QStyle::SP_DialogOpenButton);
    Button2 = MakeButton(strip, "Button2", QStringLiteral("保存"), QRect(0, 12, 75, 25), QStyle::SP_DialogSaveButton);
    Button1->setFixedSize(75, 25);
    Button2->setFixedSize(75, 25);
    scanButton = MakeButton(strip, "scanButton", QStringLiteral("识别表单"), QRect(0, 12, 75, 25));
    scanButton->setFixedSize(75, 25);
    scanButton->setToolTip(QStringLiteral("读出图片上印的栏目名称，把各项目放到填写的位置；"
                                          "检查后单击 保存"));
    scanProgress = new QProgressBar(strip);
    scanProgress->setObjectName(QStringLiteral("scanProgress"));
    scanProgress->setRange(0, 100);
    scanProgress->setFixedSize(120, 18);
    scanProgress->hide();
    const auto sizeBox = [strip](const char* name, const QString& tip) {
        auto* box = new QDoubleSpinBox(strip);
        box->setObjectName(QLatin1String(name));
        box->setRange(0, 1000);
        box->setDecimals(1);
        box->setSuffix(QStringLiteral(" 毫米"));
        box->setSpecialValueText(QStringLiteral("未设置"));
        box->setAlignment(Qt::AlignRight);
        box->setFixedWidth(110);
        // Rescaling reads the picture again: once the number is complete, not per digit.
        box->setKeyboardTracking(false);
        box->setToolTip(tip);
        return box;
    };
    auto* Label2 = MakeLabel(strip, "Label2", QStringLiteral("快递单实际宽度："), 8, 50);
    SpinW = sizeBox("SpinW", QStringLiteral("量出空白快递单的实际宽度填在这里，图片就按实际大小显示，"
                                            "不论扫描时用的分辨率"));
    auto* Label4 = MakeLabel(strip, "Label4", QStringLiteral("高度："), 0, 0);
    SpinH = sizeBox("SpinH", QStringLiteral("快递单的实际高度，按图片的比例算出，可以改。打印时每张快递单用这么大的纸，"
                                            "连续纸每次只走一张快递单的长度"));
    auto* Label5 = MakeLabel(strip, "Label5", QStringLiteral("打印机："), 0, 0);
    ComboBox1 = new QComboBox(strip);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setMinimumWidth(200);
    ComboBox1->setToolTip(QStringLiteral("这家快递公司的快递单都用这台打印机打印"));
    auto* Label3 = MakeLabel(strip, "Label3",
                             QStringLiteral("（填写后图片按实际大小显示。拖动项目的右边缘可设定它的宽度，"
                                            "过长的文字在宽度内换行或缩小；双击右边缘取消宽度。）"),
                             0, 0);
    Label3->setMinimumWidth(1);

    auto* firstRow = new QHBoxLayout;
    firstRow->setSpacing(0);
    firstRow->addWidget(Label1);
    firstRow->addSpacing(16);
    firstRow->addWidget(Button1);
    firstRow->addSpacing(12);
    firstRow->addWidget(Button2);
    firstRow->addSpacing(12);
    firstRow->addWidget(scanButton);
    firstRow->addSpacing(8);
    firstRow->addWidget(scanProgress);
    firstRow->addStretch(1);
    auto* secondRow = new QHBoxLayout;
    secondRow->setSpacing(0);
    secondRow->addWidget(Label2);
    secondRow->addWidget(SpinW);
    secondRow->addSpacing(16);
    secondRow->addWidget(Label4);
    secondRow->addWidget(SpinH);
    secondRow->addSpacing(16);
    secondRow->addWidget(Label5);
    secondRow->addWidget(ComboBox1);
    secondRow->addStretch(1);
    auto* stripLayout = new QVBoxLayout(strip);
    stripLayout->setContentsMargins(8, 12, 8, 8);
    stripLayout->setSpacing(6);
    stripLayout->addLayout(firstRow);
    stripLayout->addLayout(secondRow);
    stripLayout->addWidget(Label3);

    // Above the picture, while nothing tells its real size.
    Label6 = MakeLabel(this, "Label6",
                       QStringLiteral("这张扫描图没有注明分辨率，看不出快递单的实际大小。请先量出空白快递单的实际宽度，"
                                      "填在上面的“快递单实际宽度”里，再摆放各个项目，否则打印出来的位置对不上。"),
                       0, 0);
    Label6->setWordWrap(true);
    Label6->setContentsMargins(8, 4, 8, 6);
    QPalette warning = Label6->palette();
    warning.setColor(QPalette::WindowText, FormEdge::OutsideColour);
    Label6->setPalette(warning);
    Label6->setFont(AppFont(12, true));
    Label6->hide();

    auto* area = new LayoutArea(nullptr);
    area->setObjectName(QStringLiteral("Panel1"));
    m_area = area;
    Image1 = new QLabel(area);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    area->picture = Image1;
    m_formEdge = new FormEdge(area); // over the picture, under the boxes

    for (const PrintItem& item : PrintItems()) {
        auto* box = new ItemBox(item.code, item.displayName, area);
        box->move(item.initialLeft, item.initialTop);
        OnSignal(box, &ItemBox::dropped, this, [this] {
            m_moved = true;
            fitArea();
            markOutside();
        });
        m_boxes << box;
    }

    // The area fills the window and grows beyond it, with scroll bars, to take in the
    // picture and every box.
    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setWidgetResizable(true);
    ScrollBox1->setWidget(area);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(strip);
    layout->addWidget(Label6);
    layout->addWidget(ScrollBox1, 1);

    OnSignal(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    OnSignal(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    OnSignal(scanButton, &QPushButton::clicked, this, [this] { scanFormClicked(); });
    OnSignal(SpinW, &QDoubleSpinBox::valueChanged, this, [this] { SpinWChange(); });
    OnSignal(SpinH, &QDoubleSpinBox::valueChanged, this, [this] { SpinHChange(); });
}

ItemBox* TfrmP2::box(const QString& code) const { return m_area->findChild<ItemBox*>(code); }

void TfrmP2::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_prepared)
        return;
    m_prepared = true;
    Guarded(this, [this] {
        setWindowTitle(CompanyName + QStringLiteral(" 设计打印格式"));
        FitOnScreen(this, DesignerSize, parentWidget() ? parentWidget()->window() : nullptr);
    });
    Guarded(this, [this] {
        const PrintSetup::Form form = PrintSetup::form(CompanyName);
        const QSignalBlocker quietW(SpinW);
        const QSignalBlocker quietH(SpinH);
        SpinW->setValue(form.widthMm);
        SpinH->setValue(form.heightMm);
        FillPrinterChoice(ComboBox1, form.printer);
    });
    // A picture that cannot be read is reported, and the boxes are laid out all the same.
    Guarded(this, [this] {
        if (!CompanyPictureExists(CompanyName))
            return;
        m_pictureFile = CompanyPicturePath(CompanyName);
        JpegDensity density;
        QImage picture = LoadJpeg(m_pictureFile, &density);
        takePicture(std::move(picture), density, false);
    });
    Guarded(this, [this] { prepare(); });
}

void TfrmP2::prepare()
{
    const QHash<QString, int> widths = PrintSetup::boxWidths(CompanyName);
    for (ItemBox* box : m_boxes) {
        box->setBoxWidth(widths.value(box->objectName()));
        const CourierStore::StoredItem stored = CourierStore::storedItem(CompanyName, box->objectName());
        if (!stored.found)
            continue;
        if (stored.printed)
            box->move(stored.left, stored.top);
        else
            box->hide();
    }
    fitArea();
    // Older layouts may hold boxes wholly above or left of the area; they are shown
    // where they can be grabbed. The area has just grown to take in the others.
    for (ItemBox* box : m_boxes)
        if (!box->isHidden())
            box->move(box->withinReach(box->pos(), m_area->size()));
    fitArea();
    markOutside();
}

void TfrmP2::takePicture(QImage picture, const JpegDensity& density, bool newScan)
{
    m_pictureSize = picture.size();
    // A scan that states its resolution gives the form's width: one just opened always,
    // the company's own only where no width was saved for it.
    if (density.stated() && (newScan || SpinW->value() <= 0)) {
        const double width = tenths(m_pictureSize.width() / density.x * 25.4);
        if (width <= MaxProposedWidthMm) {
            const QSignalBlocker quiet(SpinW);
            SpinW->setValue(width);
            m_heightProposed = true; // a new width, a new height to go with it
        }
    }
    if (SpinH->value() <= 0 || m_heightProposed)
        proposeHeight();
    showPicture(ScaleToFormWidth(std::move(picture), SpinW->value()));
}

void TfrmP2::proposeHeight()
{
    if (SpinW->value() <= 0 || m_pictureSize.isEmpty())
        return;
    const QSignalBlocker quiet(SpinH);
    SpinH->setValue(tenths(SpinW->value() * m_pictureSize.height() / m_pictureSize.width()));
    m_heightProposed = true;
}

void TfrmP2::showPicture(QImage image)
{
    // Moved into the pixmap rather than copied: a 300-dpi scan takes hundreds of
    // megabytes, and one copy is enough.
    Image1->setPixmap(QPixmap::fromImage(std::move(image)));
    asLayoutArea(m_area)->setAtTrueSize(SpinW->value() > 0);
    fitArea();
    markOutside();
}

void TfrmP2::fitArea()
{
    QSize needed(0, 0);
    if (!Image1->pixmap().isNull())
        needed = Image1->pixmap().size() + QSize(2, 2) * asLayoutArea(m_area)->pictureInset();
    for (ItemBox* box : m_boxes)
        if (!box->isHidden())
            needed = needed.expandedTo(QSize(box->x(), box->y()) + QSize(ItemBox::GrabSize, ItemBox::GrabSize));
    m_area->setMinimumSize(needed);
}

void TfrmP2::markOutside()
{
    const PrintSetup::Form form{SpinW->value(), SpinH->value(), QString()};
    const QRect edge(QPoint(0, 0), FormPixels(form.sizeMm()).toSize());
    m_formEdge->setGeometry(edge);
    m_formEdge->setVisible(form.hasSize());
    for (ItemBox* box : m_boxes)
        box->setOutside(form.hasSize() && !box->isHidden() && !edge.contains(box->geometry()));
    // Nothing says how big the scan is: the layout would not line up.
    Label6->setVisible(!Image1->pixmap().isNull() && SpinW->value() <= 0);
    markOverlaps();
}

void TfrmP2::markOverlaps()
{
    // Where each shown box's longest text would print: its natural width on one line, or
    // wrapped and shrunk into the box's width.
    QList<std::pair<ItemBox*, QRectF>> printed;
    for (ItemBox* box : m_boxes)
        if (!box->isHidden()) {
            FormText longest;
            longest.text = LongestText(box->objectName());
            longest.boxWidth = box->boxWidth();
            printed.append({box, QRectF(box->pos(), FormPainter::Fit(longest, 1, box).size)});
        }
    for (const auto& [box, area] : printed) {
        QStringList names;
        for (const auto& [other, otherArea] : printed)
            if (other != box && area.intersects(otherArea))
                names << other->text();
        box->setOverlaps(names);
    }
}

void TfrmP2::Button1Click()
{
    const QString file = AskOpenFileName(this, PictureFilter);
    if (file.isEmpty())
        return;
    // Loading first: a file that is no readable JPEG stops here and nothing is copied.
    JpegDensity density;
    QImage picture = LoadJpeg(file, &density);
    takePicture(std::move(picture), density, true);
    m_pictureFile = file;
    CopyInCompanyPicture(CompanyName, file);
    m_pictureFile = CompanyPicturePath(CompanyName);
}

void TfrmP2::SpinWChange()
{
    if (m_heightProposed || SpinH->value() <= 0)
        proposeHeight();
    if (!m_pictureFile.isEmpty())
        showPicture(ScaleToFormWidth(LoadJpeg(m_pictureFile), SpinW->value()));
    else
        markOutside();
}

void TfrmP2::SpinHChange()
{
    m_heightProposed = false;
    markOutside();
}

void TfrmP2::Button2Click()
{
    QList<CourierStore::ItemPosition> positions;
    QHash<QString, int> widths;
    for (ItemBox* box : m_boxes) {
        positions.append({box->objectName(), box->x(), box->y()});
        widths.insert(box->objectName(), box->boxWidth());
    }
    PrintSetup::saveLayout(CompanyName, positions, widths, {SpinW->value(), SpinH->value(), ChosenPrinter(ComboBox1)},
                           m_switchOn.values());
    ShowMessage(this, windowTitle() + QStringLiteral(" 保存成功！"));
    accept();
}

void TfrmP2::keyPressEvent(QKeyEvent* event)
{
    // Esc would drop the boxes moved since the last 保存: ask first.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && m_moved &&
        !AskQuestion(this, windowTitle(), QStringLiteral("放弃未保存的内容吗？"), false))
        return;
    QDialog::keyPressEvent(event);
}

void TfrmP2::scanFormClicked()
{
    if (m_reader)
        return;
    if (m_pictureFile.isEmpty() || Image1->pixmap().isNull()) {
        ShowMessage(this, QStringLiteral("请先单击 打开图片，打开快递单的扫描件。"));
        return;
    }
    if (SpinW->value() <= 0) {
        ShowMessage(this, QStringLiteral("请先量出快递单的实际宽度，填在“快递单实际宽度”里。"));
        SpinW->setFocus();
        return;
    }
    const QStringList missing = ScanModule::MissingPackages();
    if (!missing.isEmpty()) {
        ShowMessage(
            this,
            QStringLiteral("找不到文字识别的语言数据，请安装 %1 后再试。").arg(missing.join(QStringLiteral("、"))));
        return;
    }
    // A box stands 25 layout pixels high, 96 of which make an inch on the form.
    const double boxHeightMm = m_boxes.first()->height() * 25.4 / 96;
    m_reader = new FormReader(m_pictureFile, SpinW->value(), boxHeightMm, this);
    for (QWidget* control : std::initializer_list<QWidget*>{scanButton, Button1, SpinW})
        control->setEnabled(false);
    scanProgress->setValue(0);
    scanProgress->show();
    connect(m_reader, &FormReader::progressed, scanProgress, &QProgressBar::setValue);
    connect(m_reader, &FormReader::finished, this,
            [this](const FormScan::Proposal& proposal, QSize pictureSize, const QString& failure) {
                m_reader->deleteLater();
                m_reader = nullptr;
                scanProgress->hide();
                for (QWidget* control : std::initializer_list<QWidget*>{scanButton, Button1, SpinW})
                    control->setEnabled(true);
                Guarded(this, [&] {
                    if (!failure.isEmpty())
                        ShowError(this, failure);
                    else
                        applyProposal(proposal, pictureSize);
                });
            });
}

void TfrmP2::applyProposal(const FormScan::Proposal& proposal, QSize pictureSize)
{
    // The proposal is in the scan's pixels; the picture shows scaled to the form's width.
    const double scale = double(Image1->pixmap().width()) / pictureSize.width();
    for (const FormScan::ProposedBox& placed : proposal.found) {
        ItemBox* box = this->box(placed.code);
        box->move(Image1->mapTo(m_area, (QPointF(placed.topLeft) * scale).toPoint()));
        box->setBoxWidth(qRound(placed.width * scale));
        box->show();
        box->raise();
        box->setProposed(true);
        m_switchOn.insert(placed.code);
        m_moved = true;
    }
    fitArea();
    markOutside();
    ShowMessage(this, ProposalSummary(proposal));
}
