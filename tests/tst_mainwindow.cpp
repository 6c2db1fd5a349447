// The main window's frame, its exit question and the single-instance guard.
#include "TestSupport.h"

#include "AppError.h"
#include "Com.h"
#include "Com_Q.h"
#include "Controls.h"
#include "DM.h"
#include "Guard.h"
#include "Main.h"
#include "SingleInstance.h"
#include "Unit1.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QSysInfo>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void menuCaptionsInOrder();
    void toolBarButtonsInOrder();
    void statusBarPanels();
    void exitQuestionNoKeepsEverythingOpen_data();
    void exitQuestionNoKeepsEverythingOpen();
    void exitQuestionYesEndsTheProgram();
    void companyQueryOpensAnotherWindowEachTime();
    void companyEntryFromMenuAndToolBar();
    void secondGuardIsRefusedWhileFirstIsHeld();
    void staleLockOfDeadProcessIsTakenOver();
    void failureInAnEventHandlerReachesTheErrorBox();
    void failingExitQuestionIsShownAndTheWindowStays();
};

namespace {

const QString ExitCaption = QStringLiteral("确认退出");
const QString ExitText = QStringLiteral("确认要退出 Orvane快递单打印软件 吗？  ^_^  ");

QStringList captions(const QList<QAction*>& actions)
{
    QStringList result;
    for (QAction* action : actions)
        result << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return result;
}

QAction* item(TfrmMain& main, const char* name) { return main.findChild<QAction*>(QLatin1String(name)); }

} // namespace

void TestMainWindow::init()
{
    Unit1::setCurrentUserName(QString());
    qApp->setQuitOnLastWindowClosed(false);
    // Every handler catches its own failures; none may unwind through Qt's dispatch.
    QTest::failOnWarning(QRegularExpression("crossed the event dispatch"));
}

void TestMainWindow::menuCaptionsInOrder()
{
    ProgramFolder folder;
    TfrmMain main;
    QCOMPARE(main.windowTitle(), QString("Orvane快递单打印软件"));
    QCOMPARE(main.size(), QSize(1000, 618));
    const QList<QAction*> menus = main.menuBar()->actions();
    QCOMPARE(captions(menus), QStringList({"文件【&F】", "快递单【&P】", "收件人【&A】", "寄件人【&S】",
                                           "快递公司【&C】", "帮助【&H】"}));
    const QList<QStringList> items = {
        {"用户设置 &U", "-", "修改密码 &C", "备份数据 &B", "恢复数据 &R", "-", "退出 &E"},
        {"快递单录入 &I", "快递单查询 &Q"},
        {"收件人录入 &I", "收件人查询 &Q"},
        {"寄件人录入 &I", "寄件人查询 &Q"},
        {"快递公司录入 &I", "快递公司查询 &Q"},
        {"帮助 &H", "-", "Orvane软件 &E", "-", "关于 &A"},
    };
    for (int i = 0; i < menus.size(); ++i)
        QCOMPARE(captions(menus[i]->menu()->actions()), items[i]);
    // The windows that exist can be reached.
    for (const char* name : {"E1", "N17", "N19"})
        QVERIFY2(item(main, name)->isEnabled(), name);
}

void TestMainWindow::toolBarButtonsInOrder()
{
    ProgramFolder folder;
    TfrmMain main;
    main.show();
    auto* toolBar = child<QToolBar>(&main, "ToolBar1");
    QStringList names, texts;
    for (QAction* action : toolBar->actions()) {
        auto* button = qobject_cast<QToolButton*>(toolBar->widgetForAction(action));
        if (!button)
            continue;
        names << button->objectName();
        texts << button->text();
        QCOMPARE(button->size(), QSize(60, 60));
        QCOMPARE(button->iconSize(), QSize(32, 32));
        QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    }
    QCOMPARE(names, QStringList({"SpeedButton1", "SpeedButton10", "SpeedButton5", "SpeedButton8", "SpeedButton3",
                                 "SpeedButton2", "SpeedButton11", "SpeedButton12"}));
    QCOMPARE(texts, QStringList({"快递单", "收件人", "寄件人", "快递公司", "用户管理", "修改密码", "帮助", "退出"}));
    QCOMPARE(toolBar->height(), 66);
}

void TestMainWindow::statusBarPanels()
{
    ProgramFolder folder;
    TfrmMain main;
    auto* panel0 = child<QLabel>(&main, "Panel0");
    auto* panel1 = child<QLabel>(&main, "Panel1");
    auto* panel2 = child<QLabel>(&main, "Panel2");
    QCOMPARE(panel0->text(), QString("Orvane快递单打印软件"));
    QCOMPARE(panel1->text(), QString("当前登录用户："));
    QCOMPARE(panel2->text(), QString());
    QCOMPARE(panel0->width(), 120);
    QCOMPARE(panel1->width(), 100);
    QCOMPARE(panel2->width(), 100);
    QVERIFY(panel0->alignment() & Qt::AlignLeft);
    QVERIFY(panel1->alignment() & Qt::AlignRight);
    QVERIFY(panel2->alignment() & Qt::AlignLeft);

    Unit1::setCurrentUserName("张三");
    main.show();
    QCOMPARE(panel2->text(), QString("张三"));
    QCOMPARE(main.statusBar()->height(), 19);
}

void TestMainWindow::exitQuestionNoKeepsEverythingOpen_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("close box") << QString("close");
    QTest::newRow("menu item") << QString("E1");
    QTest::newRow("tool button") << QString("SpeedButton12");
}

void TestMainWindow::exitQuestionNoKeepsEverythingOpen()
{
    QFETCH(QString, path);
    ProgramFolder folder;
    MessageRecorder messages(false);
    TfrmMain main;
    main.show();
    item(main, "N19")->trigger();
    QCOMPARE(main.mdiArea()->subWindowList().size(), 1);
    QPointer<QMdiSubWindow> query = main.mdiArea()->subWindowList().first();

    const bool ended = programEndsAfter([&] {
        if (path == "close")
            main.close();
        else if (path == "E1")
            item(main, "E1")->trigger();
        else
            QTest::mouseClick(child(&main, "SpeedButton12"), Qt::LeftButton);
    });
    QVERIFY(!ended);
    QCOMPARE(messages.shown().size(), 1);
    const MessageRequest asked = messages.shown().first();
    QCOMPARE(asked.kind, MessageKind::Question);
    QCOMPARE(asked.caption, ExitCaption);
    QCOMPARE(asked.text, ExitText);
    QVERIFY(asked.defaultYes);
    QVERIFY(main.isVisible());
    QVERIFY(query);
    QVERIFY(query->isVisible());
    QCOMPARE(main.mdiArea()->subWindowList().size(), 1);
}

void TestMainWindow::exitQuestionYesEndsTheProgram()
{
    ProgramFolder folder;
    MessageRecorder messages(true);
    TfrmMain main;
    main.show();
    QVERIFY(programEndsAfter([&main] { main.close(); }));
    QCOMPARE(messages.texts(), QStringList({ExitText}));
    QVERIFY(!main.isVisible());
}

void TestMainWindow::companyQueryOpensAnotherWindowEachTime()
{
    ProgramFolder folder;
    TfrmMain main;
    main.show();
    item(main, "N19")->trigger();
    item(main, "N19")->trigger();
    const QList<QMdiSubWindow*> windows = main.mdiArea()->subWindowList();
    QCOMPARE(windows.size(), 2);
    QVERIFY(windows[0]->widget() != windows[1]->widget());
    for (QMdiSubWindow* window : windows) {
        QVERIFY(qobject_cast<TfrmCom_Q*>(window->widget()));
        QCOMPARE(window->widget()->windowTitle(), QString("快递公司查询"));
    }
    QVERIFY(main.mdiArea()->activeSubWindow()->isMaximized());

    // A closed query window is gone for good.
    QPointer<QWidget> first = windows[0]->widget();
    windows[0]->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!first);
    QCOMPARE(main.mdiArea()->subWindowList().size(), 1);

    // Its own exit button takes the frame along, leaving no empty frame behind.
    QPointer<QMdiSubWindow> second = main.mdiArea()->subWindowList().first();
    QTest::mouseClick(child<QPushButton>(second->widget(), "BitBtn3"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!second);
    QVERIFY(main.mdiArea()->subWindowList().isEmpty());
}

void TestMainWindow::companyEntryFromMenuAndToolBar()
{
    ProgramFolder folder;
    MessageRecorder messages;
    ModalRecorder modals;
    QString name;
    modals.onOpen = [&name](QDialog* d) {
        auto* dialog = qobject_cast<TfrmCom*>(d);
        dialog->edit(1)->setText(name);
        QTest::mouseClick(child(dialog, "BitBtn1"), Qt::LeftButton);
        return int(QDialog::Accepted);
    };
    TfrmMain main;
    main.show();
    item(main, "N19")->trigger();
    auto* query = qobject_cast<TfrmCom_Q*>(main.mdiArea()->subWindowList().first()->widget());
    QTest::mouseClick(child(query, "BitBtn1"), Qt::LeftButton);
    QCOMPARE(child<QLabel>(query, "Label1")->text(), QString("记录：0"));

    name = "顺丰";
    item(main, "N17")->trigger();
    name = "申通";
    QTest::mouseClick(child(&main, "SpeedButton8"), Qt::LeftButton);

    QCOMPARE(modals.opened.size(), 2);
    QCOMPARE(modals.lastOf<TfrmCom>()->windowTitle(), QString("快递公司录入"));
    QCOMPARE(messages.texts(), QStringList({"快递公司 信息 保存成功！", "快递公司 信息 保存成功！"}));
    QCOMPARE(DM().QueryCount(SqlText("SELECT ID FROM SCom WHERE (theDel = '否')")), 2);
    // A new company refreshes no query window; the next query shows it.
    QCOMPARE(child<QLabel>(query, "Label1")->text(), QString("记录：0"));
    QTest::mouseClick(child(query, "BitBtn1"), Qt::LeftButton);
    QCOMPARE(child<QLabel>(query, "Label1")->text(), QString("记录：2"));
}

void TestMainWindow::secondGuardIsRefusedWhileFirstIsHeld()
{
    QTemporaryDir folder;
    auto first = std::make_unique<SingleInstance>("Kestrune", folder.path());
    QVERIFY(first->isFirst());
    QVERIFY(!SingleInstance("Kestrune", folder.path()).isFirst());
    QVERIFY(!SingleInstance("Kestrune", folder.path()).isFirst());
    // Another name is another program.
    QVERIFY(SingleInstance("Other", folder.path()).isFirst());
    first.reset();
    QVERIFY(SingleInstance("Kestrune", folder.path()).isFirst());
}

void TestMainWindow::staleLockOfDeadProcessIsTakenOver()
{
    QTemporaryDir folder;
    // A process id that belonged to a process that has ended, as after a crash.
    QProcess process;
    process.start("true");
    QVERIFY(process.waitForStarted());
    const qint64 deadPid = process.processId();
    QVERIFY(process.waitForFinished());

    QFile lock(folder.filePath("Kestrune.lock"));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(deadPid) + '\n' + QCoreApplication::applicationName().toUtf8() + '\n' +
               QSysInfo::machineHostName().toUtf8() + '\n');
    lock.close();

    SingleInstance guard("Kestrune", folder.path());
    QVERIFY(guard.isFirst());
    QVERIFY(!SingleInstance("Kestrune", folder.path()).isFirst());
}

namespace {
// A widget whose event handler fails the way a statement or a picture can.
class Failing : public QWidget {
protected:
    void mousePressEvent(QMouseEvent*) override
    {
        Guarded(this, [] { throw AppError(QStringLiteral("图片数据已损坏")); });
    }
};
} // namespace

void TestMainWindow::failureInAnEventHandlerReachesTheErrorBox()
{
    MessageRecorder messages;
    Failing widget;
    widget.resize(50, 50);
    widget.show();
    QTest::mouseClick(&widget, Qt::LeftButton);
    QCOMPARE(messages.shown().size(), 1);
    QCOMPARE(messages.shown().first().kind, MessageKind::Error);
    QCOMPARE(messages.shown().first().caption, QStringLiteral("Orvane快递单打印软件"));
    QCOMPARE(messages.last(), QStringLiteral("图片数据已损坏"));
    // The program goes on: the next event is handled as usual.
    QTest::mouseClick(&widget, Qt::LeftButton);
    QCOMPARE(messages.shown().size(), 2);
}

void TestMainWindow::failingExitQuestionIsShownAndTheWindowStays()
{
    ProgramFolder folder;
    QList<MessageRequest> shown;
    const MessageHandler previous = setMessageHandler([&shown](const MessageRequest& request) -> bool {
        if (request.kind == MessageKind::Question)
            throw AppError(QStringLiteral("无法显示消息框"));
        shown << request;
        return true;
    });
    TfrmMain main;
    main.show();
    const bool ended = programEndsAfter([&main] { main.close(); });
    setMessageHandler(previous);
    QVERIFY(!ended);
    QVERIFY(main.isVisible());
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().kind, MessageKind::Error);
    QCOMPARE(shown.first().text, QStringLiteral("无法显示消息框"));
}

ORVANE_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
