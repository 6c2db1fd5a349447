#include "P3.h"

#include "CompanyPicture.h"
#include "Controls.h"
#include "CourierStore.h"
#include "Guard.h"
#include "Printing.h"

#include <QLabel>
#include <QPushButton>

namespace {
constexpr int SlotCount = 100;
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
    resize(1000, 618);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(-8, 0, 980, 570);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Button1 = MakeButton(this, "Button1", QStringLiteral("打印"), QRect(900, 8, 75, 25));
    Button1->setFont(AppFont(11));
    OnSignal(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void TfrmP3::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_prepared) {
        m_prepared = true;
        Guarded(this, [this] { prepare(); });
    }
}

void TfrmP3::prepare()
{
    if (CompanyPictureExists(CompanyName)) {
        const QImage image = LoadCompanyPicture(CompanyName);
        Image1->setPixmap(QPixmap::fromImage(image));
        Image1->setGeometry(0, 0, image.width(), image.height());
        resize(image.width() + 20, image.height() + 60);
    }
    Button1->move(width() - 100, 8);
    CentreOn(this, parentWidget() ? parentWidget()->window() : nullptr);

    myLoad();
    // The n-th item row prints slot n whether or not it is switched on.
    int slot = 1;
    for (const CourierStore::PrintRow& row : CourierStore::printRows(CompanyName)) {
        if (row.printed && slot < SlotCount) {
            auto* label = new QLabel(ItemTexts.value(slot), this);
            label->setObjectName(row.code);
            label->setAutoFillBackground(false);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setMargin(0);
            label->setIndent(0);
            label->setWordWrap(false);
            label->setTextFormat(Qt::PlainText);
            label->move(row.left, row.top);
            label->adjustSize();
            label->show();
        }
        ++slot;
    }
    Button1->raise();
}

void TfrmP3::myLoad()
{
    ItemTexts = CourierStore::printTexts(WaybillId);
    while (ItemTexts.size() < SlotCount)
        ItemTexts << QString();
}

void TfrmP3::Button1Click()
{
    Image1->hide();
    Button1->hide();
    try {
        PrintClientArea(this);
    } catch (...) {
        // The window stays open for another try, looking as it did.
        Image1->show();
        Button1->show();
        throw;
    }
    accept();
}
