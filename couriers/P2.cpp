#include "P2.h"

#include "CompanyPicture.h"
#include "Controls.h"
#include "CourierStore.h"
#include "FormReader.h"
#include "Guard.h"
#include "JpegLoader.h"
#include "Messages.h"
#include "Modal.h"
#include "PrintItems.h"
#include "PrintSetup.h"
#include "ScreenFit.h"
#include "Transaction.h"

#include <QDoubleSpinBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QVBoxLayout>

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

} // namespace

ItemBox::ItemBox(const QString& code, const QString& caption, QWidget* parent) : QLabel(caption, parent)
{
    setObjectName(code);
    setLineWidth(1);
    setAlignment(Qt::AlignCenter);
    setFont(AppFont(11));
    setAutoFillBackground(true); // opaque: it covers the picture beneath it
    setBoxWidth(0);
    setCursor(Qt::SizeAllCursor);
    setMouseTracking(true); // the pointer shows where a press resizes
    setToolTip(QStringLiteral("拖动移动位置；拖动右边缘设定宽度，超出宽度的文字换行或缩小；双击右边缘取消宽度"));
}

void ItemBox::setBoxWidth(int width)
{
    m_boxWidth = width > 0 ? qMax(MinWidth, width) : 0;
    setFixedSize(m_boxWidth > 0 ? m_boxWidth : NaturalWidth, 25);
    // A box with a width of its own looks pressed in.
    setFrameStyle(QFrame::Panel | (m_boxWidth > 0 ? QFrame::Sunken : QFrame::Raised));
}

void ItemBox::setProposed(bool proposed)
{
    m_proposed = proposed;
    setStyleSheet(proposed ? QStringLiteral("ItemBox { border: 2px solid #e8590c; background-color: palette(window); }")
                           : QString());
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
    strip->setFixedHeight(80);
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
    auto* Label2 = MakeLabel(strip, "Label2", QStringLiteral("快递单实际宽度："), 8, 50);
    SpinW = new QDoubleSpinBox(strip);
    SpinW->setObjectName(QStringLiteral("SpinW"));
    SpinW->setRange(0, 1000);
    SpinW->setDecimals(1);
    SpinW->setSuffix(QStringLiteral(" 毫米"));
    SpinW->setSpecialValueText(QStringLiteral("未设置"));
    SpinW->setAlignment(Qt::AlignRight);
    SpinW->setFixedWidth(110);
    // Rescaling reads the picture again: once the number is complete, not per digit.
    SpinW->setKeyboardTracking(false);
    SpinW->setToolTip(QStringLiteral("量出空白快递单的实际宽度填在这里，图片就按实际大小显示，"
                                     "不论扫描时用的分辨率"));
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
    secondRow->addSpacing(8);
    secondRow->addWidget(Label3, 1);
    auto* stripLayout = new QVBoxLayout(strip);
    stripLayout->setContentsMargins(8, 12, 8, 8);
    stripLayout->setSpacing(6);
    stripLayout->addLayout(firstRow);
    stripLayout->addLayout(secondRow);

    auto* area = new LayoutArea(nullptr);
    area->setObjectName(QStringLiteral("Panel1"));
    m_area = area;
    Image1 = new QLabel(area);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    area->picture = Image1;

    for (const PrintItem& item : PrintItems()) {
        auto* box = new ItemBox(item.code, item.displayName, area);
        box->move(item.initialLeft, item.initialTop);
        OnSignal(box, &ItemBox::dropped, this, [this] { fitArea(); });
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
    layout->addWidget(ScrollBox1, 1);

    OnSignal(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    OnSignal(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    OnSignal(scanButton, &QPushButton::clicked, this, [this] { scanFormClicked(); });
    OnSignal(SpinW, &QDoubleSpinBox::valueChanged, this, [this] { SpinWChange(); });
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
        const QSignalBlocker quiet(SpinW);
        SpinW->setValue(PrintSetup::formWidth(CompanyName));
    });
    // A picture that cannot be read is reported, and the boxes are laid out all the same.
    Guarded(this, [this] {
        if (!CompanyPictureExists(CompanyName))
            return;
        m_pictureFile = CompanyPicturePath(CompanyName);
        showPicture(LoadCompanyPicture(CompanyName, SpinW->value()));
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
}

void TfrmP2::showPicture(QImage image)
{
    // Moved into the pixmap rather than copied: a 300-dpi scan takes hundreds of
    // megabytes, and one copy is enough.
    Image1->setPixmap(QPixmap::fromImage(std::move(image)));
    asLayoutArea(m_area)->setAtTrueSize(SpinW->value() > 0);
    fitArea();
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

void TfrmP2::Button1Click()
{
    const QString file = AskOpenFileName(this, PictureFilter);
    if (file.isEmpty())
        return;
    // Loading first: a file that is no readable JPEG stops here and nothing is copied.
    showPicture(ScaleToFormWidth(LoadJpeg(file), SpinW->value()));
    m_pictureFile = file;
    CopyInCompanyPicture(CompanyName, file);
    m_pictureFile = CompanyPicturePath(CompanyName);
}

void TfrmP2::SpinWChange()
{
    if (!m_pictureFile.isEmpty())
        showPicture(ScaleToFormWidth(LoadJpeg(m_pictureFile), SpinW->value()));
}

void TfrmP2::Button2Click()
{
    QList<CourierStore::ItemPosition> positions;
    QHash<QString, int> widths;
    for (ItemBox* box : m_boxes) {
        positions.append({box->objectName(), box->x(), box->y()});
        widths.insert(box->objectName(), box->boxWidth());
    }
    Transaction transaction;
    PrintSetup::saveLayout(CompanyName, positions, widths, SpinW->value());
    for (const QString& code : std::as_const(m_switchOn))
        CourierStore::switchOn(CompanyName, code);
    transaction.commit();
    ShowMessage(this, windowTitle() + QStringLiteral(" 保存成功！"));
    accept();
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
    const QStringList missing = TextReader::MissingPackages();
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
    }
    fitArea();
    ShowMessage(this, ProposalSummary(proposal));
}
