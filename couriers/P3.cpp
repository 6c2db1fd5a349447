#include "P3.h"

#include "Calib.h"
#include "CompanyPicture.h"
#include "Controls.h"
#include "CourierStore.h"
#include "FittedLabel.h"
#include "Guard.h"
#include "Modal.h"
#include "PrintSetup.h"
#include "Printing.h"
#include "ScreenFit.h"
#include "WaybillStore.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
constexpr int SlotCount = 100;
const QSize LayoutWithoutPicture(1000, 618);
// Room the layout keeps beside and below a picture.
const QSize PictureBorder(20, 60);
} // namespace

TfrmP3::TfrmP3(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmP3"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("快递单打印"));
    setFont(AppFont(14, true));
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    resize(LayoutWithoutPicture);

    // Created first so that it has the focus when the window opens, as before.
    Button1 = MakeButton(this, "Button1", QStringLiteral("打印"), QRect(900, 8, 75, 25));
    Button1->setFont(AppFont(11));
    // Enter prints: the window exists to print one waybill, straight after its save.
    Button1->setDefault(true);
    OnSignal(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    Button2 = MakeButton(this, "Button2", QStringLiteral("打印校准"), QRect(810, 8, 85, 25));
    Button2->setFont(AppFont(11));
    OnSignal(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });

    Panel1 = new QWidget;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setAutoFillBackground(true);
    Panel1->resize(LayoutWithoutPicture);
    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(-8, 0, 980, 570);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setFocusPolicy(Qt::NoFocus);
    ScrollBox1->setWidget(Panel1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ScrollBox1);
    Button1->raise();
    Button2->raise();
}

void TfrmP3::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_prepared)
        return;
    m_prepared = true;
    // An unreadable picture is reported, and the fields are laid out all the same.
    Guarded(this, [this] { showPicture(); });
    Guarded(this, [this] {
        FitOnScreen(this, Panel1->size(), parentWidget() ? parentWidget()->window() : nullptr);
        placeLabels();
    });
}

void TfrmP3::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    Guarded(this, [this] {
        Button1->move(width() - 100, 8);
        Button2->move(Button1->x() - Button2->width() - 8, 8);
    });
}

void TfrmP3::showPicture()
{
    if (!CompanyPictureExists(CompanyName))
        return;
    // Moved into the pixmap rather than copied: a 300-dpi scan takes hundreds of
    // megabytes, and one copy is enough.
    Image1->setPixmap(QPixmap::fromImage(LoadCompanyPicture(CompanyName, PrintSetup::formWidth(CompanyName))));
    Image1->setGeometry(QRect(QPoint(0, 0), Image1->pixmap().size()));
    Panel1->resize(Image1->size() + PictureBorder);
}

void TfrmP3::placeLabels()
{
    myLoad();
    const QHash<QString, int> widths = PrintSetup::boxWidths(CompanyName);
    // The n-th item row prints slot n whether or not it is switched on.
    int slot = 1;
    for (const CourierStore::PrintRow& row : CourierStore::printRows(CompanyName)) {
        if (row.printed && slot < SlotCount) {
            const QString text = ItemTexts.value(slot);
            QLabel* label = nullptr;
            if (const int width = widths.value(row.code); width > 0) {
                label = new FittedLabel(text, width, Panel1);
            } else {
                label = new QLabel(text, Panel1);
                label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                label->setMargin(0);
                label->setIndent(0);
                label->setWordWrap(false);
                label->setTextFormat(Qt::PlainText);
                label->adjustSize();
            }
            label->setObjectName(row.code);
            label->setAutoFillBackground(false);
            label->move(row.left, row.top);
            label->show();
        }
        ++slot;
    }
}

QWidget* TfrmP3::printLayout()
{
    if (!m_prepared) {
        m_prepared = true;
        placeLabels();
        // Without the picture, the layout still holds every label whole.
        const QPoint corner = Panel1->childrenRect().bottomRight() + QPoint(1, 1);
        Panel1->resize(Panel1->size().expandedTo(QSize(corner.x(), corner.y())));
    }
    return Panel1;
}

void TfrmP3::myLoad()
{
    ItemTexts = WaybillStore::printTexts(WaybillId);
    while (ItemTexts.size() < SlotCount)
        ItemTexts << QString();
}

void TfrmP3::Button1Click()
{
    Image1->hide();
    Button1->hide();
    Button2->hide();
    try {
        // The whole layout, whatever part of it is scrolled into view.
        PrintJob job;
        job.addPage(Panel1, CompanyName);
        job.finish();
        // A test print of the layout ("0") or of a waybill no longer live is no waybill printed.
        if (const qint64 id = ItemTexts.value(0).toLongLong(); id > 0)
            WaybillStore::logPrints({id}, job.printerName(), WaybillStore::PrintKind::Single);
    } catch (...) {
        // The window stays open for another try, looking as it did.
        Image1->show();
        Button1->show();
        Button2->show();
        throw;
    }
    accept();
}

void TfrmP3::Button2Click()
{
    OpenModal<TfrmCalib>(this, [this](TfrmCalib& dialog) { dialog.CompanyName = CompanyName; });
}
