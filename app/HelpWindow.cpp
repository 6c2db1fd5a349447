#include "HelpWindow.h"

#include "Controls.h"
#include "Guard.h"
#include "Messages.h"
#include "ScreenFit.h"
#include "WebLinks.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {
// Wide enough for the guide's largest picture, the main window, without a scroll bar.
const QSize GuideSize(1080, 760);
} // namespace

HelpWindow::HelpWindow(const QUrl& page, QWidget* owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("frmHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("帮助"));
    setFont(AppFont());

    Button1 = MakeButton(this, "Button1", QStringLiteral("后退"), QRect(0, 0, 75, 25), QStyle::SP_ArrowBack);
    Button2 = MakeButton(this, "Button2", QStringLiteral("前进"), QRect(0, 0, 75, 25), QStyle::SP_ArrowForward);
    Button3 = MakeButton(this, "Button3", QStringLiteral("目录"), QRect(0, 0, 75, 25), QStyle::SP_DirHomeIcon);
    TextBrowser1 = new QTextBrowser(this);
    TextBrowser1->setObjectName(QStringLiteral("TextBrowser1"));
    // Every link comes to followLink, which keeps the guide's own pages here.
    TextBrowser1->setOpenLinks(false);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    for (QPushButton* button : {Button1, Button2, Button3}) {
        button->setFixedSize(75, 25);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    layout->addLayout(buttons);
    layout->addWidget(TextBrowser1, 1);

    Button1->setEnabled(false);
    Button2->setEnabled(false);
    connect(TextBrowser1, &QTextBrowser::backwardAvailable, Button1, &QWidget::setEnabled);
    connect(TextBrowser1, &QTextBrowser::forwardAvailable, Button2, &QWidget::setEnabled);
    OnSignal(Button1, &QPushButton::clicked, this, [this] { TextBrowser1->backward(); });
    OnSignal(Button2, &QPushButton::clicked, this, [this] { TextBrowser1->forward(); });
    OnSignal(Button3, &QPushButton::clicked, this, [this] { TextBrowser1->home(); });
    connect(TextBrowser1, &QTextBrowser::anchorClicked, this,
            [this](const QUrl& url) { Guarded(this, [&] { followLink(url); }); });
    OnSignal(TextBrowser1, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = TextBrowser1->documentTitle();
        setWindowTitle(title.isEmpty() ? QStringLiteral("帮助") : title);
    });

    TextBrowser1->setSource(page);
    FitOnScreen(this, GuideSize, owner ? owner->window() : nullptr);
}

void HelpWindow::followLink(const QUrl& url)
{
    if (url.isLocalFile() || url.scheme() == QLatin1String("qrc"))
        TextBrowser1->setSource(url);
    else
        WebLinks::OpenWebPage(url);
}

void HelpWindow::ShowGuide(QWidget* owner)
{
    HelpWindow* window = owner ? owner->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!window) {
        const QUrl page = WebLinks::HelpPageUrl();
        if (!QFileInfo(page.toLocalFile()).isFile()) {
            ShowWarning(owner, QStringLiteral("帮助"),
                        QStringLiteral("找不到使用说明 %1。\n请重新安装本软件。")
                            .arg(QDir::toNativeSeparators(page.toLocalFile())));
            return;
        }
        window = new HelpWindow(page, owner);
    }
    window->show();
    window->raise();
    window->activateWindow();
}
