#include "P3.h"

#include "Calib.h"
#include "Controls.h"
#include "FormLabel.h"
#include "Guard.h"
#include "Modal.h"
#include "PrintItems.h"
#include "PrintSetup.h"
#include "Printing.h"
#include "ScreenFit.h"

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
    setAutoFillBackground(true);
    // White like the paper under any desktop palette, so the black texts show as they print.
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
    Guarded(this, [this] {
        myLoad();
        m_layout = CompanyForm(CompanyName, ItemTexts);
        m_loaded = true;
        // An unreadable picture is reported, and the fields are laid out all the same.
        Guarded(this, [this] { m_layout.picture = FormPicture(CompanyName); });
        showLayout();
    });
    // Without its layout (the company is gone) there is nothing to print: the window goes.
    if (!m_loaded)
        QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
}

void TfrmP3::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    Guarded(this, [this] {
        Button1->move(width() - 100, 8);
        Button2->move(Button1->x() - Button2->width() - 8, 8);
    });
}

void TfrmP3::showLayout()
{
    QSize size = LayoutWithoutPicture;
    if (!m_layout.picture.isNull()) {
        // Moved into the pixmap rather than copied: a 300-dpi scan takes hundreds of
        // megabytes, and one copy is enough.
        Image1->setPixmap(QPixmap::fromImage(std::move(m_layout.picture)));
        m_layout.picture = QImage();
        Image1->setGeometry(QRect(QPoint(0, 0), Image1->pixmap().size()));
        size = Image1->size() + PictureBorder;
    }
    for (const FormText& text : m_layout.texts) {
        auto* label = new FormLabel(text, Panel1);
        label->show();
    }
    // The whole form can be scrolled to.
    Panel1->resize(size.expandedTo(FormPixels(m_layout.paperMm).toSize()));
    FitOnScreen(this, Panel1->size(), parentWidget() ? parentWidget()->window() : nullptr);
}

void TfrmP3::myLoad()
{
    if (ItemTexts.isEmpty())
        ItemTexts = TestPrintTexts();
    while (ItemTexts.size() < SlotCount)
        ItemTexts << QString();
}

void TfrmP3::Button1Click()
{
    if (!m_loaded)
        return;
    // The calibration window, opened from here, may have chosen another printer.
    m_layout.printer = PrintSetup::form(CompanyName).printer;
    PrintBatch batch(this);
    // A test print of the layout ("0") or of a waybill no longer live is no waybill printed.
    if (!batch.add(m_layout, ItemTexts.value(0).toLongLong()))
        return; // the company's printer has gone, and the default one was not wanted
    batch.finish([this](const PrintBatch::Sent& sent) {
        if (onPrinted)
            onPrinted(sent.waybillIds, sent.printer);
    });
    accept();
}

void TfrmP3::Button2Click()
{
    OpenModal<TfrmCalib>(this, [this](TfrmCalib& dialog) { dialog.CompanyName = CompanyName; });
}
