// Password change, user management, the About box, the web links and the user guide,
// reached from the main window's menu over a real database.
#include "TestSupport.h"

#include "About.h"
#include "AppError.h"
#include "CPass.h"
#include "CourierStore.h"
#include "DM.h"
#include "DataGrid.h"
#include "Login.h"
#include "Main.h"
#include "Password.h"
#include "PrintItems.h"
#include "Unit1.h"
#include "User.h"
#include "UserStore.h"
#include "WebLinks.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <iostream>

class TestUsers : public QObject {
    Q_OBJECT
private slots:
    void init();
    void refusedPasswordChangeEmptiesTheNamedBoxes_data();
    void refusedPasswordChangeEmptiesTheNamedBoxes();
    void passwordChangeStoresTheNewHashAndEndsTheProgram_data();
    void passwordChangeStoresTheNewHashAndEndsTheProgram();
    void enterInABoxDoesNotSave_data();
    void enterInABoxDoesNotSave();
    void addUser_data();
    void addUser();
    void deleteUser_data();
    void deleteUser();
    void deletedUserIsSentBackToTheLogin();
    void twoPcsAtOnceLeaveOneCompanyAndOneUser();
    void otherPc();
    void aboutShowsVersionAndLinksToTheHomePage();
    void helpShowsTheGuideInsideTheProgram();
};

namespace {

const QString Refused1 = QStringLiteral("原密码 错误，请重新录入！");
const QString Refused2 = QStringLiteral("新密码 不能和 原密码 一致，请重新录入！");
const QString Refused3 = QStringLiteral("新密码 和 确认密码 不一致，请重新录入！");

qint64 addUserRow(const QString& name, const QString& password)
{
    QSqlQuery query = DM().run(
        SqlText("INSERT INTO SUser (theName, thePass, Remark) VALUES (?, ?, '')", {name, Password::hash(password)}));
    return query.lastInsertId().toLongLong();
}

QString storedHash(const QString& name)
{
    QSqlQuery query = DM().run(SqlText("SELECT thePass FROM SUser WHERE theName = ?", {name}));
    return query.next() ? query.value(0).toString() : QString();
}

int rows(const QString& sql, const QVariantList& values = {}) { return DM().QueryCount(SqlText(sql, values)); }

// The main window with a logged-in user; modal windows stay open after their command.
struct Session {
    ProgramFolder folder;
    MessageRecorder messages;
    ModalRecorder modals;
    TfrmMain main;
    QStringList urls;
    WebLinks::UrlOpener previousOpener;

    explicit Session(const QString& user, const QString& password = QString())
    {
        Unit1::setCurrentUserName(QString()); // the last test's, gone with its folder
        if (!password.isEmpty())
            addUserRow(user, password);
        Unit1::setCurrentUserName(user);
        previousOpener = WebLinks::setUrlOpener([this](const QUrl& url) { urls << url.toString(); });
        main.show();
    }
    ~Session() { WebLinks::setUrlOpener(previousOpener); }

    template <class Window> Window* open(const char* command)
    {
        child<QAction>(&main, command)->trigger();
        return modals.lastOf<Window>();
    }
};

void fillPasswords(QWidget* dialog, const QString& old, const QString& changed, const QString& confirmed)
{
    child<QLineEdit>(dialog, "Edit1")->setText(old);
    child<QLineEdit>(dialog, "Edit2")->setText(changed);
    child<QLineEdit>(dialog, "Edit3")->setText(confirmed);
}

QStringList listedNames(QWidget* window)
{
    auto* grid = child<DataGrid>(window, "DBGrid1");
    QStringList names;
    for (int row = 0; row < grid->rowCount(); ++row)
        names << grid->value(row, "用户名").toString();
    return names;
}

void selectUser(QWidget* window, const QString& name)
{
    auto* grid = child<DataGrid>(window, "DBGrid1");
    const int row = static_cast<int>(listedNames(window).indexOf(name));
    QVERIFY2(row >= 0, qPrintable(name));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(row, 0)).center());
}

// What each of two PCs does at once: either may be refused.
void FileAndDelete(qint64 otherUser)
{
    try {
        CourierStore::createCompany({"顺丰速运", "", "", "", "", ""});
        UserStore::deleteUser(otherUser);
    } catch (const AppError&) {
    }
}

} // namespace

void TestUsers::init() { qApp->setQuitOnLastWindowClosed(false); }

void TestUsers::refusedPasswordChangeEmptiesTheNamedBoxes_data()
{
    QTest::addColumn<QStringList>("typed"); // old, new, confirmation
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<QString>("focus");
    QTest::newRow("wrong old") << QStringList{"secret", "abc", "abc"} << Refused1 << QStringList{"", "abc", "abc"}
                               << "Edit1";
    QTest::newRow("another user's password")
        << QStringList{"804615", "abc", "abc"} << Refused1 << QStringList{"", "abc", "abc"} << "Edit1";
    QTest::newRow("new equals old") << QStringList{"Secret", "Secret", "x"} << Refused2
                                    << QStringList{"Secret", "", "x"} << "Edit2";
    QTest::newRow("confirmation differs")
        << QStringList{"Secret", "abc", "abd"} << Refused3 << QStringList{"Secret", "", ""} << "Edit2";
}

void TestUsers::refusedPasswordChangeEmptiesTheNamedBoxes()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, message);
    QFETCH(QStringList, left);
    QFETCH(QString, focus);
    Session session("张三", "Secret");
    const QString before = storedHash("张三");
    auto* dialog = session.open<TfrmCPass>("N18");
    QVERIFY(dialog);
    fillPasswords(dialog, typed[0], typed[1], typed[2]);

    QVERIFY(!programEndsAfter([dialog] { QTest::mouseClick(child(dialog, "BitBtn1"), Qt::LeftButton); }));
    QCOMPARE(session.messages.texts(), QStringList{message});
    const QStringList boxes = {child<QLineEdit>(dialog, "Edit1")->text(), child<QLineEdit>(dialog, "Edit2")->text(),
                               child<QLineEdit>(dialog, "Edit3")->text()};
    QCOMPARE(boxes, left);
    QCOMPARE(dialog->focusWidget()->objectName(), focus);
    QVERIFY(dialog->isVisible());
    QCOMPARE(storedHash("张三"), before);
}

void TestUsers::passwordChangeStoresTheNewHashAndEndsTheProgram_data()
{
    QTest::addColumn<QString>("changed");
    QTest::newRow("other text") << "新密码-1";
    QTest::newRow("case only") << "secret";
    QTest::newRow("empty") << "";
}

void TestUsers::passwordChangeStoresTheNewHashAndEndsTheProgram()
{
    QFETCH(QString, changed);
    Session session("张三", "Secret");
    QTest::mouseClick(child(&session.main, "SpeedButton2"), Qt::LeftButton);
    QPointer<TfrmCPass> dialog = session.modals.lastOf<TfrmCPass>();
    QVERIFY(dialog);
    fillPasswords(dialog, "Secret", changed, changed);

    QVERIFY(programEndsAfter([dialog] { QTest::mouseClick(child(dialog, "BitBtn1"), Qt::LeftButton); }));
    // Ends without the main window's exit question.
    QCOMPARE(session.messages.texts(), QStringList{"密码修改成功，请重新打开软件！"});
    QVERIFY(!session.main.isVisible());
    QVERIFY(!dialog || !dialog->isVisible());
    QVERIFY(Password::verify(changed, storedHash("张三")));
    QVERIFY(!Password::verify("Secret", storedHash("张三")));
    // Only that user's row changed.
    QCOMPARE(UserStore::checkLogin("admin", Unit1::InitialPassword), QString("admin"));
}

void TestUsers::enterInABoxDoesNotSave_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("password change") << "N18";
    QTest::newRow("users") << "N3";
}

void TestUsers::enterInABoxDoesNotSave()
{
    QFETCH(QString, command);
    Session session("admin");
    QDialog* dialog = session.open<QDialog>(qPrintable(command));
    QVERIFY(dialog);
    // Every box is filled so that a save would go through.
    if (command == "N18")
        fillPasswords(dialog, Unit1::InitialPassword, "abc", "abc");
    else
        child<QLineEdit>(dialog, "Edit1")->setText("bob");
    const QString before = storedHash("admin");

    for (QLineEdit* edit : dialog->findChildren<QLineEdit*>()) {
        QVERIFY2(!programEndsAfter([edit] { QTest::keyClick(edit, Qt::Key_Return); }), qPrintable(edit->objectName()));
    }
    QVERIFY(session.messages.shown().isEmpty());
    QVERIFY(dialog->isVisible());
    QCOMPARE(storedHash("admin"), before);
    QCOMPARE(rows("SELECT ID FROM SUser"), 1);
}

void TestUsers::addUser_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << ""
                           << "用户名 不能为空！";
    QTest::newRow("existing") << "张三"
                              << "用户名 已存在，请重新录入！";
    QTest::newRow("new") << "李四"
                         << "用户名 保存成功！";
    QTest::newRow("differs by case") << "Admin"
                                     << "用户名 保存成功！";
}

void TestUsers::addUser()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    Session session("admin");
    addUserRow("张三", "x");
    QTest::mouseClick(child(&session.main, "SpeedButton3"), Qt::LeftButton);
    auto* window = session.modals.lastOf<TfrmUser>();
    QVERIFY(window);
    QCOMPARE(window->focusWidget(), child(window, "Edit1"));
    child<QLineEdit>(window, "Edit1")->setText(name);
    child<QLineEdit>(window, "Edit2")->setText("仓库");
    QTest::mouseClick(child(window, "BitBtn1"), Qt::LeftButton);

    QCOMPARE(session.messages.texts(), QStringList{message});
    QCOMPARE(window->focusWidget(), child(window, "Edit1"));
    const bool saved = message == "用户名 保存成功！";
    QCOMPARE(child<QLineEdit>(window, "Edit1")->text(), saved ? QString() : name);
    QCOMPARE(listedNames(window).size(), saved ? 3 : 2);
    if (saved) {
        QCOMPARE(child<DataGrid>(window, "DBGrid1")->value(2, "备注").toString(), QString("仓库"));
        QCOMPARE(UserStore::checkLogin(name, "804615"), name);
    }
}

void TestUsers::deleteUser_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("deleted");
    const QString question = QStringLiteral("确认要删除吗？该删除将不可恢复！");
    QTest::newRow("logged-in user") << "admin" << true << "不能删除当前登录的用户！" << false;
    QTest::newRow("name differing by case") << "Admin" << true << question << true;
    QTest::newRow("answer no") << "张三" << false << question << false;
    QTest::newRow("answer yes") << "张三" << true << question << true;
}

void TestUsers::deleteUser()
{
    QFETCH(QString, target);
    QFETCH(bool, answer);
    QFETCH(QString, message);
    QFETCH(bool, deleted);
    Session session("admin");
    QMap<QString, qint64> ids = {{"admin", 1}, {"Admin", addUserRow("Admin", "x")}, {"张三", addUserRow("张三", "x")}};
    for (qint64 uid : ids)
        DM().ExecSql(SqlText("INSERT INTO SLevel (UID, theLevel) VALUES (?, '快递单录入')", {uid}));
    DM().ExecSql(SqlText("INSERT INTO UE (JName, UName) VALUES ('王五', ?)", {target}));
    session.messages.answerNext(answer);
    auto* window = session.open<TfrmUser>("N3");
    QVERIFY(window);
    selectUser(window, target);
    child<QAction>(window, "D1")->trigger();

    QCOMPARE(session.messages.texts(), QStringList{message});
    const MessageRequest& asked = session.messages.shown().first();
    QCOMPARE(asked.caption, asked.kind == MessageKind::Question ? QString("删除") : Unit1::AppTitle);
    QVERIFY(!asked.defaultYes);
    QCOMPARE(listedNames(window).contains(target), !deleted);
    QCOMPARE(rows("SELECT ID FROM SUser"), deleted ? 2 : 3);
    // The rights go with the user, and only that user's; waybills keep the name.
    QCOMPARE(rows("SELECT UID FROM SLevel WHERE UID = ?", {ids[target]}), deleted ? 0 : 1);
    QCOMPARE(rows("SELECT UID FROM SLevel"), deleted ? 2 : 3);
    QCOMPARE(rows("SELECT ID FROM UE WHERE UName = ?", {target}), 1);
}

void TestUsers::deletedUserIsSentBackToTheLogin()
{
    Session session("张三", "x");
    auto* window = session.open<TfrmUser>("N3");
    QVERIFY(window);
    DM().ExecSql(SqlText("DELETE FROM SUser WHERE theName = '张三'")); // on another PC
    child<QLineEdit>(window, "Edit1")->setText("李四");
    QTest::mouseClick(child(window, "BitBtn1"), Qt::LeftButton);
    QVERIFY2(session.messages.texts().join("").contains("“张三”已被删除"), qPrintable(session.messages.last()));
    QCOMPARE(rows("SELECT ID FROM SUser WHERE theName = '李四'"), 0);
    QVERIFY(!window->isVisible() && !session.main.isVisible());
    QTRY_VERIFY(qobject_cast<TfrmLogin*>(QApplication::activeWindow()));
}

void TestUsers::twoPcsAtOnceLeaveOneCompanyAndOneUser()
{
    Session session("admin");
    const qint64 zhang = addUserRow("张三", "x");
    if (OnTestServer()) { // slow enough for the other PC to come in part way
        AfterEachInsert("SP", "PERFORM pg_sleep(0.01)");
        DM().ExecSql(SqlText("CREATE FUNCTION slow() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                             "PERFORM pg_sleep(0.2); RETURN OLD; END $$; CREATE TRIGGER slow BEFORE DELETE ON SUser "
                             "FOR EACH ROW EXECUTE FUNCTION slow()"));
    }
    QProcess other;
    qputenv("ORVANE_OTHER_PC", session.folder.path().toLocal8Bit());
    other.start(QCoreApplication::applicationFilePath(), {"otherPc"});
    qunsetenv("ORVANE_OTHER_PC");
    while (other.waitForReadyRead(10000) && !other.readAll().contains("ready")) {
    }
    FileAndDelete(zhang);
    QVERIFY(other.waitForFinished(30000) && other.exitCode() == 0);
    QCOMPARE(rows("SELECT ID FROM SCom WHERE theName = '顺丰速运'"), 1);
    QCOMPARE(rows("SELECT ID FROM SP WHERE EName = '顺丰速运'"), PrintItemCount);
    QCOMPARE(rows("SELECT ID FROM SUser"), 1);
}

// The other PC of twoPcsAtOnceLeaveOneCompanyAndOneUser: this program started again.
void TestUsers::otherPc()
{
    if (qEnvironmentVariableIsEmpty("ORVANE_OTHER_PC"))
        QSKIP("run by twoPcsAtOnceLeaveOneCompanyAndOneUser as the other PC");
    DM().setProgramDir(qEnvironmentVariable("ORVANE_OTHER_PC"));
    Unit1::setCurrentUserName("张三");
    std::cout << "ready" << std::endl;
    FileAndDelete(1); // admin
}

void TestUsers::aboutShowsVersionAndLinksToTheHomePage()
{
    Session session("admin");
    auto* about = session.open<TfrmAbout>("N54");
    QVERIFY(about);
    QCOMPARE(child<QLabel>(about, "Label10")->text(), QString("1.0.13.1020"));

    // Every label whole inside the group, none over another.
    auto* group = child<QGroupBox>(about, "GroupBox1");
    const QList<QLabel*> labels = group->findChildren<QLabel*>();
    QCOMPARE(labels.size(), 8);
    for (QLabel* label : labels) {
        QVERIFY2(group->rect().contains(label->geometry()), qPrintable(label->objectName()));
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->objectName()));
        for (QLabel* other : labels)
            QVERIFY2(label == other || !label->geometry().intersects(other->geometry()),
                     qPrintable(label->objectName() + " " + other->objectName()));
    }

    QTest::mouseClick(child(about, "Label11"), Qt::LeftButton);
    child<QAction>(&session.main, "N59")->trigger();
    QCOMPARE(session.urls, QStringList({"https://www.orvane.cn/", "https://www.orvane.cn/"}));
    QTest::mouseClick(child(about, "Button1"), Qt::LeftButton);
    QVERIFY(about->isHidden());
}

void TestUsers::helpShowsTheGuideInsideTheProgram()
{
    Session session("admin");
    child<QAction>(&session.main, "N55")->trigger();
    auto* help = child(&session.main, "frmHelp");
    QVERIFY(help->isVisible());
    auto* browser = child<QTextBrowser>(help, "TextBrowser1");
    // The guide shipped beside the program, and no browser asked for it.
    const QString page = QCoreApplication::applicationDirPath() + QStringLiteral("/help/index.html");
    QCOMPARE(browser->source(), QUrl::fromLocalFile(page));
    QVERIFY(session.urls.isEmpty());

    // Every picture the page names is shown, read from its file.
    QFile guide(page);
    QVERIFY(guide.open(QIODevice::ReadOnly));
    QStringList named;
    for (const QRegularExpressionMatch& match : QRegularExpression(QStringLiteral("<img[^>]*src=\"([^\"]+)\""))
                                                    .globalMatch(QString::fromUtf8(guide.readAll())))
        named << match.captured(1);
    QVERIFY(named.size() >= 10);
    QTextDocument* document = browser->document();
    QStringList shown;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QString name = format.toImageFormat().name();
            const QVariant data = document->resource(QTextDocument::ImageResource, QUrl(name));
            // Kept as the file's bytes until painted, then as the picture painted.
            const QImage image = data.typeId() == QMetaType::QPixmap  ? data.value<QPixmap>().toImage()
                                 : data.typeId() == QMetaType::QImage ? data.value<QImage>()
                                                                      : QImage::fromData(data.toByteArray());
            QVERIFY2(!image.isNull(), qPrintable(name));
            shown << name;
        }
    QCOMPARE(shown, named);

    // A link within the guide is followed in the same window; one to the web goes out.
    const auto clickText = [browser](const QString& text) {
        const QTextCursor found = browser->document()->find(text);
        QVERIFY2(!found.isNull(), qPrintable(text));
        QTextCursor inside(browser->document());
        inside.setPosition(found.selectionStart() + 1);
        browser->setTextCursor(inside);
        browser->ensureCursorVisible();
        QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, browser->cursorRect(inside).center());
    };
    clickText(QStringLiteral("备份与恢复"));
    QUrl section = QUrl::fromLocalFile(page);
    section.setFragment(QStringLiteral("backup"));
    QCOMPARE(browser->source(), section);
    QVERIFY(browser->verticalScrollBar()->value() > 0);
    clickText(QStringLiteral("www.orvane.cn"));
    QCOMPARE(session.urls, QStringList({"https://www.orvane.cn/"}));
    QCOMPARE(browser->source().fragment(), QString("backup"));

    // The tool button brings forward the window already open.
    QTest::mouseClick(child(&session.main, "SpeedButton11"), Qt::LeftButton);
    QCOMPARE(session.main.findChildren<QWidget*>("frmHelp").size(), 1);
}

ORVANE_TEST_MAIN(TestUsers)
#include "tst_users.moc"
