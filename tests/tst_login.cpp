// The login window over a real database, with the real main window behind it.
#include "TestSupport.h"

#include "DM.h"
#include "Login.h"
#include "Main.h"
#include "Password.h"
#include "Unit1.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

class TestLogin : public QObject {
    Q_OBJECT
private slots:
    void init();
    void opensWithFocusOnLoginAndTabOrder();
    void userListShowsEveryUser();
    void emptyNameIsRefused();
    void wrongPasswordKeepsNameAndTextAndFocusesPassword_data();
    void wrongPasswordKeepsNameAndTextAndFocusesPassword();
    void enterInPasswordBoxLogsIn();
    void successShowsMainWindowWithTheUser();
    void secondUserLogsInAsThatUser();
    void closingBeforeLoginEndsTheProgram();
    void successDoesNotEndTheProgram();
};

namespace {

void addUser(const QString& name, const QString& password)
{
    DM().ExecSql(
        SqlText("INSERT INTO SUser (theName, thePass, Remark) VALUES (?, ?, '')", {name, Password::hash(password)}));
}

// Picks a name as a user would: by its entry in the list.
void pick(QComboBox* box, const QString& name)
{
    const int index = box->findText(name);
    QVERIFY2(index >= 0, qPrintable(name));
    box->setCurrentIndex(index);
}

// The login window over a hidden main window, shown as at start-up.
struct LoginScreen {
    LoginScreen() { login.show(); }
    TfrmMain main;
    TfrmLogin login{&main};
    QComboBox* box = child<QComboBox>(&login, "DBLookupComboBox1");
    QLineEdit* edit = child<QLineEdit>(&login, "Edit1");

    // Fills the boxes as a user would; an empty name leaves the list unpicked.
    void fill(const QString& name, const QString& password)
    {
        if (!name.isEmpty())
            pick(box, name);
        edit->setText(password);
    }
    void pressLogin() { QTest::mouseClick(child(&login, "BitBtn1"), Qt::LeftButton); }
    void attempt(const QString& name, const QString& password)
    {
        fill(name, password);
        pressLogin();
    }
};

} // namespace

void TestLogin::init()
{
    Unit1::setCurrentUserName(QString());
    qApp->setQuitOnLastWindowClosed(false);
}

void TestLogin::opensWithFocusOnLoginAndTabOrder()
{
    ProgramFolder folder;
    LoginScreen screen;
    TfrmLogin& login = screen.login;
    QCOMPARE(login.windowTitle(), QString("软件登录"));
    QCOMPARE(login.size(), QSize(300, 270));
    auto* login1 = child<QPushButton>(&login, "BitBtn1");
    QCOMPARE(login.focusWidget(), login1);
    QVERIFY(login1->isDefault());

    QList<QWidget*> order;
    QWidget* w = login1;
    for (int i = 0; i < 4; ++i, w = w->nextInFocusChain()) {
        while (w->focusPolicy() == Qt::NoFocus)
            w = w->nextInFocusChain();
        order << w;
    }
    QCOMPARE(order, (QList<QWidget*>{login1, child(&login, "BitBtn2"), child(&login, "DBLookupComboBox1"),
                                     child(&login, "Edit1")}));
    QCOMPARE(child<QLineEdit>(&login, "Edit1")->maxLength(), 12);
    QCOMPARE(child<QLineEdit>(&login, "Edit1")->echoMode(), QLineEdit::Password);
}

void TestLogin::userListShowsEveryUser()
{
    ProgramFolder folder;
    addUser("张三", "1");
    addUser("bob", "2");
    addUser("李四", "3");
    LoginScreen screen;
    QComboBox* box = screen.box;
    QStringList names;
    for (int i = 0; i < box->count(); ++i)
        names << box->itemText(i);
    // The order is whatever the database returns; every user is there once.
    names.sort();
    QStringList expected = {"admin", "张三", "bob", "李四"};
    expected.sort();
    QCOMPARE(names, expected);
    QCOMPARE(box->currentText(), QString()); // nothing picked yet
}

void TestLogin::emptyNameIsRefused()
{
    ProgramFolder folder;
    MessageRecorder messages;
    LoginScreen screen;
    TfrmMain& main = screen.main;
    TfrmLogin& login = screen.login;
    screen.attempt(QString(), Unit1::InitialPassword);
    QCOMPARE(messages.texts(), QStringList({"用户名 不能为空！"}));
    QCOMPARE(messages.shown().first().caption, Unit1::AppTitle);
    QCOMPARE(login.focusWidget(), child(&login, "DBLookupComboBox1"));
    QVERIFY(login.isVisible());
    QVERIFY(!main.isVisible());
    QCOMPARE(Unit1::currentUserName(), QString());
}

void TestLogin::wrongPasswordKeepsNameAndTextAndFocusesPassword_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("wrong digits") << QString("804616");
    QTest::newRow("empty") << QString();
    QTest::newRow("prefix") << QString("8046");
    QTest::newRow("quote") << QString("' OR '1'='1");
}

void TestLogin::wrongPasswordKeepsNameAndTextAndFocusesPassword()
{
    QFETCH(QString, password);
    ProgramFolder folder;
    addUser("张三", "secret");
    MessageRecorder messages;
    LoginScreen screen;
    TfrmMain& main = screen.main;
    TfrmLogin& login = screen.login;
    QComboBox* box = screen.box;
    QLineEdit* edit = screen.edit;
    screen.attempt("admin", password);

    QCOMPARE(messages.texts(), QStringList({"密码错误，请重新录入！"}));
    QCOMPARE(box->currentText(), QString("admin"));
    QCOMPARE(edit->text(), password);
    QCOMPARE(login.focusWidget(), edit);
    QVERIFY(login.isVisible());
    QVERIFY(!main.isVisible());
    QCOMPARE(Unit1::currentUserName(), QString());
}

void TestLogin::enterInPasswordBoxLogsIn()
{
    ProgramFolder folder;
    MessageRecorder messages;
    LoginScreen screen;
    TfrmMain& main = screen.main;
    TfrmLogin& login = screen.login;
    // Picking a name moves on to the password box.
    QComboBox* box = screen.box;
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(box->currentText(), QString("admin"));
    auto* edit = child<QLineEdit>(&login, "Edit1");
    QCOMPARE(login.focusWidget(), edit);
    QTest::keyClicks(edit, Unit1::InitialPassword);
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(messages.shown().isEmpty());
    QCOMPARE(Unit1::currentUserName(), QString("admin"));
    QVERIFY(!login.isVisible());
    QVERIFY(main.isVisible());
}

void TestLogin::successShowsMainWindowWithTheUser()
{
    ProgramFolder folder;
    MessageRecorder messages;
    LoginScreen screen;
    TfrmMain& main = screen.main;
    TfrmLogin& login = screen.login;
    QCOMPARE(child<QLabel>(&main, "Panel2")->text(), QString());
    screen.attempt("admin", Unit1::InitialPassword);

    QVERIFY(messages.shown().isEmpty());
    QCOMPARE(Unit1::currentUserName(), QString("admin"));
    QVERIFY(login.isHidden());
    QVERIFY(main.isVisible());
    QCOMPARE(child<QLabel>(&main, "Panel2")->text(), QString("admin"));
}

void TestLogin::secondUserLogsInAsThatUser()
{
    ProgramFolder folder;
    addUser("张三", "zs-pass");
    addUser("李四", "ls-pass");
    MessageRecorder messages;
    LoginScreen screen;
    TfrmMain& main = screen.main;
    // Another user's password does not open this user's account.
    screen.attempt("李四", "zs-pass");
    QCOMPARE(messages.last(), QString("密码错误，请重新录入！"));

    screen.attempt("李四", "ls-pass");
    QCOMPARE(messages.shown().size(), 1);
    QCOMPARE(Unit1::currentUserName(), QString("李四"));
    QCOMPARE(child<QLabel>(&main, "Panel2")->text(), QString("李四"));
    // The next start on this PC offers the last user; the password is what is left to type.
    LoginScreen next;
    QCOMPARE(next.box->currentText(), QString("李四"));
    QCOMPARE(next.login.focusWidget(), next.edit);
}

void TestLogin::closingBeforeLoginEndsTheProgram()
{
    ProgramFolder folder;
    MessageRecorder messages;
    LoginScreen screen;
    TfrmMain& main = screen.main;
    TfrmLogin& login = screen.login;
    QVERIFY(programEndsAfter([&login] { login.close(); }));
    QVERIFY(!login.isVisible());
    QVERIFY(!main.isVisible());
    // Ends without the main window's exit question.
    QVERIFY(messages.shown().isEmpty());

    // The exit button does the same.
    TfrmLogin again(&main);
    again.show();
    QVERIFY(programEndsAfter([&again] { QTest::mouseClick(child(&again, "BitBtn2"), Qt::LeftButton); }));
    QVERIFY(messages.shown().isEmpty());
}

void TestLogin::successDoesNotEndTheProgram()
{
    ProgramFolder folder;
    MessageRecorder messages;
    LoginScreen screen;
    TfrmMain& main = screen.main;
    screen.fill("admin", Unit1::InitialPassword);
    QVERIFY(!programEndsAfter([&screen] { screen.pressLogin(); }));
    QVERIFY(main.isVisible());
    QVERIFY(messages.shown().isEmpty());
}

ORVANE_TEST_MAIN(TestLogin)
#include "tst_login.moc"
