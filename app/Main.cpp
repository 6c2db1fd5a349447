#include "Main.h"

#include "About.h"
#include "Addressee.h"
#include "Addressee_Q.h"
#include "BackupCommands.h"
#include "CPass.h"
#include "Com.h"
#include "Com_Q.h"
#include "Controls.h"
#include "E_In.h"
#include "E_Q.h"
#include "Guard.h"
#include "HelpWindow.h"
#include "Login.h"
#include "Messages.h"
#include "Modal.h"
#include "Sender.h"
#include "Sender_Q.h"
#include "Unit1.h"
#include "User.h"
#include "WebLinks.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace {

// A 32 x 32 picture: a coloured tile with one white character on it.
QIcon tileIcon(const QColor& colour, const QString& glyph)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, 32);
    gradient.setColorAt(0, colour.lighter(130));
    gradient.setColorAt(1, colour.darker(115));
    painter.setBrush(gradient);
    painter.setPen(colour.darker(140));
    painter.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 6, 6);
    painter.setPen(Qt::white);
    painter.setFont(AppFont(18, true));
    painter.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, glyph);
    return QIcon(pixmap);
}

// The client area's decorative picture, drawn behind the query windows.
class Backdrop : public QMdiArea {
public:
    explicit Backdrop(QWidget* parent) : QMdiArea(parent) {}

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QMdiArea::paintEvent(event);
        QPainter painter(viewport());
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF area = viewport()->rect();
        QLinearGradient gradient(area.topLeft(), area.bottomRight());
        gradient.setColorAt(0, QColor(0xe8, 0xf0, 0xfa));
        gradient.setColorAt(1, QColor(0xc4, 0xd6, 0xee));
        painter.fillRect(area, gradient);

        // A parcel with a waybill on it.
        const QPointF c = area.center();
        const QRectF box(c.x() - 110, c.y() - 120, 220, 150);
        painter.setPen(QPen(QColor(0x8a, 0x5a, 0x2b), 2));
        painter.setBrush(QColor(0xd9, 0xa4, 0x65));
        painter.drawRoundedRect(box, 6, 6);
        painter.fillRect(QRectF(box.center().x() - 14, box.top(), 28, box.height()), QColor(0xb9, 0x82, 0x45));
        const QRectF label(box.left() + 24, box.top() + 30, 110, 70);
        painter.setPen(QPen(QColor(0x55, 0x55, 0x55), 1));
        painter.setBrush(Qt::white);
        painter.drawRect(label);
        for (int i = 0; i < 4; ++i)
            painter.drawLine(QPointF(label.left() + 10, label.top() + 16 + i * 14),
                             QPointF(label.right() - 10 - (i % 2) * 30, label.top() + 16 + i * 14));

        painter.setPen(QColor(0x1f, 0x4f, 0x8a));
        painter.setFont(AppFont(26, true));
        painter.drawText(QRectF(area.left(), box.bottom() + 20, area.width(), 40), Qt::AlignCenter, Unit1::AppTitle);
        painter.setPen(QColor(0x4a, 0x6a, 0x90));
        painter.setFont(AppFont(13));
        painter.drawText(QRectF(area.left(), box.bottom() + 62, area.width(), 24), Qt::AlignCenter,
                         QStringLiteral("版本 %1").arg(Unit1::VersionText));
    }
};

} // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(Unit1::AppTitle);
    setWindowIcon(tileIcon(QColor(0x1f, 0x5f, 0xa8), QStringLiteral("单")));
    setFont(AppFont());
    resize(1000, 618);

    m_mdi = new Backdrop(this);
    m_mdi->setObjectName(QStringLiteral("Image1"));
    setCentralWidget(m_mdi);

    buildMenu();
    buildToolBar();
    buildStatusBar();
    OnUserGone([this] { backToLogin(); });
}

TfrmMain::~TfrmMain() { OnUserGone(nullptr); }

void TfrmMain::backToLogin()
{
    // What was typed under the deleted user's name cannot be saved in it any more.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(window); dialog && dialog->isVisible())
            dialog->done(QDialog::Rejected);
    m_mdi->closeAllSubWindows();
    Unit1::setCurrentUserName(QString());
    hide();
    // A login window of its own: it shows this window again after a login, and ends the
    // program when closed without one.
    m_login = std::make_unique<TfrmLogin>(this);
    m_login->show();
}

template <class Window> void TfrmMain::openChild()
{
    auto* window = new Window;
    window->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow* sub = m_mdi->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->showMaximized();
}

void TfrmMain::buildMenu()
{
    // The menu bar, top to bottom: a menu row names the menu, "-" is a separator line.
    struct Entry {
        bool isMenu;
        const char* name;
        const char* caption;
    };
    static const Entry entries[] = {
        {true, "F1", "文件【&F】"},
        {false, "N3", "用户设置 &U"},
        {false, "N4", "-"},
        {false, "N18", "修改密码 &C"},
        {false, "BackUpData", "备份数据 &B"},
        {false, "RestoreData", "恢复数据 &R"},
        {false, "N16", "-"},
        {false, "E1", "退出 &E"},
        {true, "N1", "快递单【&P】"},
        {false, "N7", "快递单录入 &I"},
        {false, "N9", "快递单查询 &Q"},
        {true, "N2", "收件人【&A】"},
        {false, "N11", "收件人录入 &I"},
        {false, "N13", "收件人查询 &Q"},
        {true, "N5", "寄件人【&S】"},
        {false, "N14", "寄件人录入 &I"},
        {false, "N15", "寄件人查询 &Q"},
        {true, "N6", "快递公司【&C】"},
        {false, "N17", "快递公司录入 &I"},
        {false, "N19", "快递公司查询 &Q"},
        {true, "H1", "帮助【&H】"},
        {false, "N55", "帮助 &H"},
        {false, "N60", "-"},
        {false, "N59", "Orvane软件 &E"},
        {false, "N62", "-"},
        {false, "N54", "关于 &A"},
    };

    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* menu = nullptr;
    for (const Entry& entry : entries) {
        const QString caption = QString::fromUtf8(entry.caption);
        QAction* action = nullptr;
        if (entry.isMenu) {
            menu = bar->addMenu(caption);
            menu->setObjectName(QLatin1String(entry.name));
            action = menu->menuAction();
        } else if (caption == QLatin1String("-")) {
            action = menu->addSeparator();
        } else {
            action = menu->addAction(caption);
            // Windows still to come: present, and disabled until they exist.
            action->setEnabled(false);
        }
        action->setObjectName(QLatin1String(entry.name));
    }

    const auto command = [this](const char* name, auto handler) {
        QAction* action = findChild<QAction*>(QLatin1String(name));
        action->setEnabled(true);
        OnSignal(action, &QAction::triggered, this, handler);
    };
    command("E1", [this] { close(); });
    command("N17", [this] { OpenModal<TfrmCom>(this); });
    command("N19", [this] { openChild<TfrmCom_Q>(); });
    command("N7", [this] { OpenModal<TfrmE_In>(this); });
    command("N9", [this] { openChild<TfrmE_Q>(); });
    command("N3", [this] { OpenModal<TfrmUser>(this); });
    command("N18", [this] {
        OpenModal<TfrmCPass>(this, [this](TfrmCPass& window) { window.EndProgram = [this] { quitWithoutAsking(); }; });
    });
    command("N55", [this] { HelpWindow::ShowGuide(this); });
    command("N59", [] { WebLinks::OpenWebPage(QUrl(WebLinks::HomePageUrl)); });
    command("N54", [this] { OpenModal<TfrmAbout>(this); });
    command("N14", [this] { OpenModal<TfrmSender>(this); });
    command("N11", [this] { OpenModal<TfrmAddressee>(this); });
    command("N15", [this] { openChild<TfrmSender_Q>(); });
    command("N13", [this] { openChild<TfrmAddressee_Q>(); });
    command("BackUpData", [this] { BackupCommands::BackUpData(this); });
    command("RestoreData", [this] { BackupCommands::RestoreData(this, [this] { quitWithoutAsking(); }); });
}

void TfrmMain::addToolButton(const char* name, const QString& caption, QAction* same, const QColor& colour,
                             const QString& glyph)
{
    auto* toolBar = findChild<QToolBar*>(QStringLiteral("ToolBar1"));
    auto* button = new QToolButton(toolBar);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setIcon(tileIcon(colour, glyph));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setFixedSize(60, 60);
    button->setEnabled(same->isEnabled());
    connect(same, &QAction::changed, button, [button, same] { button->setEnabled(same->isEnabled()); });
    connect(button, &QToolButton::clicked, same, &QAction::trigger);
    toolBar->addWidget(button);
}

void TfrmMain::buildToolBar()
{
    auto* toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("ToolBar1"));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setFixedHeight(66);
    toolBar->setContentsMargins(2, 0, 0, 0);
    toolBar->layout()->setSpacing(0);
    toolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, toolBar);

    auto item = [this](const char* name) { return findChild<QAction*>(QLatin1String(name)); };
    addToolButton("SpeedButton1", QStringLiteral("快递单"), item("N7"), QColor(0x1f, 0x5f, 0xa8), QStringLiteral("单"));
    addToolButton("SpeedButton10", QStringLiteral("收件人"), item("N11"), QColor(0x2e, 0x8b, 0x57),
                  QStringLiteral("收"));
    addToolButton("SpeedButton5", QStringLiteral("寄件人"), item("N14"), QColor(0xd2, 0x69, 0x1e),
                  QStringLiteral("寄"));
    addToolButton("SpeedButton8", QStringLiteral("快递公司"), item("N17"), QColor(0x8b, 0x3a, 0x8b),
                  QStringLiteral("司"));
    addToolButton("SpeedButton3", QStringLiteral("用户管理"), item("N3"), QColor(0x44, 0x6e, 0x9b),
                  QStringLiteral("户"));
    addToolButton("SpeedButton2", QStringLiteral("修改密码"), item("N18"), QColor(0xb8, 0x86, 0x0b),
                  QStringLiteral("密"));
    addToolButton("SpeedButton11", QStringLiteral("帮助"), item("N55"), QColor(0x20, 0x8b, 0x8b), QStringLiteral("?"));
    addToolButton("SpeedButton12", QStringLiteral("退出"), item("E1"), QColor(0xb2, 0x22, 0x22), QStringLiteral("出"));
}

void TfrmMain::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setFixedHeight(19);
    bar->setSizeGripEnabled(true);
    const struct {
        int width;
        Qt::Alignment alignment;
        QString text;
    } panels[] = {{120, Qt::AlignLeft, Unit1::AppTitle},
                  {100, Qt::AlignRight, QStringLiteral("当前登录用户：")},
                  {100, Qt::AlignLeft, QString()}};
    int index = 0;
    for (const auto& panel : panels) {
        auto* label = new QLabel(panel.text, bar);
        label->setObjectName(QStringLiteral("Panel%1").arg(index++));
        label->setFixedWidth(panel.width);
        label->setAlignment(panel.alignment | Qt::AlignVCenter);
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        bar->addWidget(label);
        m_userPanel = label;
    }
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    Guarded(this, [&] {
        m_userPanel->setText(Unit1::currentUserName());
        if (!event->spontaneous())
            CentreOn(this, nullptr);
    });
}

void TfrmMain::quitWithoutAsking()
{
    m_quitting = true;
    QApplication::quit();
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // The window stays open unless the question is answered Yes, also when asking fails.
    event->ignore();
    Guarded(this, [&] {
        if (m_quitting) {
            event->accept();
            return;
        }
        if (AskQuestion(this, QStringLiteral("确认退出"), QStringLiteral("确认要退出 Orvane快递单打印软件 吗？  ^_^  "),
                        true)) {
            event->accept();
            QApplication::quit();
        }
    });
}
