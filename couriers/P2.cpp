#include "P2.h"

#include "CompanyPicture.h"
#include "Controls.h"
#include "CourierStore.h"
#include "Guard.h"
#include "JpegLoader.h"
#include "Messages.h"
#include "Modal.h"
#include "PrintItems.h"
#include "ScreenFit.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

const QSize DesignerSize(1000, 618);
// Scanners write the extension in either case, and often the long form.
const QString PictureFilter = QStringLiteral("*.jpg *.JPG *.jpeg *.JPEG");

// The layout area: a 1-pixel raised bevel with the picture inside it at (1, 1).
class LayoutArea : public QFrame {
public:
    explicit LayoutArea(QWidget* parent) : QFrame(parent)
    {
        setFrameStyle(QFrame::Panel | QFrame::Raised);
        setLineWidth(1);
    }
    QLabel* picture = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QFrame::resizeEvent(event);
        Guarded(this, [this] {
            if (picture)
                picture->setGeometry(1, 1, width() - 2, height() - 2);
        });
    }
};

} // namespace

ItemBox::ItemBox(const QString& code, const QString& caption, QWidget* parent) : QLabel(caption, parent)
{
    setObjectName(code);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    setAlignment(Qt::AlignCenter);
    setFont(AppFont(11));
    setAutoFillBackground(true); // opaque: it covers the picture beneath it
    setFixedSize(100, 25);
    setCursor(Qt::SizeAllCursor);
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
        m_moving = true;
        raise();
        // Every pointer move goes to this box until the release, wherever the pointer is.
        grabMouse();
    });
}

void ItemBox::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    Guarded(this, [this, event] {
        if (m_moving)
            follow(event);
    });
}

void ItemBox::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    Guarded(this, [this, event] {
        const bool wasMoving = m_moving;
        m_moving = false;
        releaseMouse();
        if (wasMoving) {
            follow(event);
            emit dropped();
        }
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
    strip->setFixedHeight(49);
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
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(8, 12, 8, 12);
    stripLayout->setSpacing(0);
    stripLayout->addWidget(Label1);
    stripLayout->addSpacing(16);
    stripLayout->addWidget(Button1);
    stripLayout->addSpacing(12);
    stripLayout->addWidget(Button2);
    stripLayout->addStretch(1);

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
    // A picture that cannot be read is reported, and the boxes are laid out all the same.
    Guarded(this, [this] {
        if (CompanyPictureExists(CompanyName))
            showPicture(LoadCompanyPicture(CompanyName));
    });
    Guarded(this, [this] { prepare(); });
}

void TfrmP2::prepare()
{
    for (ItemBox* box : m_boxes) {
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
    fitArea();
}

void TfrmP2::fitArea()
{
    QSize needed(0, 0);
    if (!Image1->pixmap().isNull())
        needed = Image1->pixmap().size() + QSize(2, 2); // inside the bevel
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
    showPicture(LoadJpeg(file));
    CopyInCompanyPicture(CompanyName, file);
}

void TfrmP2::Button2Click()
{
    QList<CourierStore::ItemPosition> positions;
    for (ItemBox* box : m_boxes)
        positions.append({box->objectName(), box->x(), box->y()});
    CourierStore::savePositions(CompanyName, positions);
    ShowMessage(this, windowTitle() + QStringLiteral(" 保存成功！"));
    accept();
}
