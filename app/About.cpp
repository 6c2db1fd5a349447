#include "About.h"

#include "Controls.h"
#include "Unit1.h"
#include "WebLinks.h"

#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <algorithm>

namespace {

QLabel* colouredLabel(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

} // namespace

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    SetupFixedWindow(this, QStringLiteral("关于"), 360, 230);

    QGroupBox* group = MakeGroup(this, "GroupBox1", QStringLiteral("软件信息"), QRect(16, 8, 313, 129));
    MakeLabel(group, "Label1", QStringLiteral("软件名称："), 120, 16);
    MakeLabel(group, "Label2", Unit1::AppTitle, 184, 16);
    MakeLabel(group, "Label9", QStringLiteral("产品版本："), 120, 40);
    MakeLabel(group, "Label10", Unit1::VersionText, 184, 40);

    QLabel* wordMark = colouredLabel(MakeLabel(group, "Label3", QStringLiteral("Orvane"), 16, 24), Qt::blue);
    QFont markFont = AppFont(21, true);
    markFont.setItalic(true);
    wordMark->setFont(markFont);
    wordMark->adjustSize();

    QLabel* siteCaption = MakeLabel(group, "Label4", QStringLiteral("Orvane网站："), 16, 72);
    // The caption is wider than the 64 pixels left to it in Arial 11 px; the address follows it.
    const int linkLeft = std::max(80, siteCaption->geometry().right() + 2);
    Label11 = colouredLabel(MakeLabel(group, "Label11", WebLinks::HomePageUrl, linkLeft, 71), Qt::blue);
    QFont linkFont = Label11->font();
    linkFont.setUnderline(true);
    Label11->setFont(linkFont);
    Label11->adjustSize();
    Label11->setCursor(Qt::PointingHandCursor);
    Label11->installEventFilter(this);

    MakeLabel(group, "Label12", QStringLiteral("Copyright © 2009-2024 Orvane 保留所有权利。"), 16, 99);

    Button1 = MakeButton(this, "Button1", QStringLiteral("确定"), QRect(136, 150, 75, 25));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::close);
}

void TfrmAbout::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CentreOn(this, parentWidget() ? parentWidget()->window() : nullptr);
}

bool TfrmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label11 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        WebLinks::OpenWebPage(QUrl(WebLinks::HomePageUrl));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
