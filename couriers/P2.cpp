#include "P2.h"

#include "CompanyPicture.h"
#include "Controls.h"
#include "CourierStore.h"
#include "Guard.h"
#include "JpegLoader.h"
#include "Messages.h"
#include "Modal.h"
#include "PrintItems.h"

#include <QFrame>
#include <QMouseEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>

namespace {

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
        if (picture)
            picture->setGeometry(1, 1, width() - 2, height() - 2);
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

void ItemBox::mousePressEvent(QMouseEvent* event)
{
    m_grab = event->position().toPoint();
    m_moving = true;
    raise();
    // Every pointer move goes to this box until the release, wherever the pointer is.
    grabMouse();
    event->accept();
}

void ItemBox::mouseMoveEvent(QMouseEvent* event)
{
    if (m_moving)
        move(mapToParent(event->position().toPoint()) - m_grab);
    event->accept();
}

void ItemBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_moving)
        move(mapToParent(event->position().toPoint()) - m_grab);
    m_moving = false;
    releaseMouse();
    event->accept();
}

TfrmP2::TfrmP2(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmP2"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setFont(AppFont());
    resize(1000, 618);

    auto* strip = new QWidget(this);
    strip->setFixedHeight(49);
    auto* Label1 = MakeLabel(strip, "Label1",
                             QStringLiteral("首先打开 快递单 的扫描件（JPG格式），然后用鼠标移动各项目到具体的位置"
                                            "（可以叠加），最后单击 保存 按钮。"),
                             8, 17);
    Button1 = MakeButton(strip, "Button1", QStringLiteral("打开图片"),
                         QRect(Label1->geometry().right() + 16, 12, 75, 25), QStyle::SP_DialogOpenButton);
    Button2 = MakeButton(strip, "Button2", QStringLiteral("保存"), QRect(Button1->geometry().right() + 12, 12, 75, 25),
                         QStyle::SP_DialogSaveButton);

    auto* area = new LayoutArea(this);
    area->setObjectName(QStringLiteral("Panel1"));
    m_area = area;
    Image1 = new QLabel(area);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    area->picture = Image1;

    for (const PrintItem& item : PrintItems()) {
        auto* box = new ItemBox(item.code, item.displayName, area);
        box->move(item.initialLeft, item.initialTop);
        m_boxes << box;
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(strip);
    layout->addWidget(area, 1);

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
    setWindowTitle(CompanyName + QStringLiteral(" 设计打印格式"));
    CentreOn(this, parentWidget() ? parentWidget()->window() : nullptr);
    Guarded(this, [this] {
        if (CompanyPictureExists(CompanyName))
            showPicture(LoadCompanyPicture(CompanyName));
    });
    Guarded(this, [this] {
        for (ItemBox* box : m_boxes) {
            const CourierStore::StoredItem stored = CourierStore::storedItem(CompanyName, box->objectName());
            if (!stored.found)
                continue;
            if (stored.printed)
                box->move(stored.left, stored.top);
            else
                box->hide();
        }
    });
}

void TfrmP2::showPicture(const QImage& image) { Image1->setPixmap(QPixmap::fromImage(image)); }

void TfrmP2::Button1Click()
{
    const QString file = AskOpenFileName(this, QStringLiteral("*.jpg"));
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
