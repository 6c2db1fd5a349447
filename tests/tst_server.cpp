// The 数据库设置 window and the copy of a shop's file to a server, through the real windows,
// on the tests' own PostgreSQL server.
#include "TestSupport.h"

#include "AppError.h"
#include "Application.h"
#include "CompanyPicture.h"
#include "DM.h"
#include "Database.h"
#include "Login.h"
#include "ServerCheck.h"
#include "SignalExit.h"
#include "SqlDialect.h"
#include "Unit1.h"

#include <QComboBox>
#include <QDirIterator>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTimer>
#include <csignal>
#include <sys/stat.h>

class TestServerWindow : public QObject {
    Q_OBJECT
private slots:
    void serverSettingKeepsThePasswordInPgpassOnly();
    void copyMovesEveryTableToTheServer();
    void copyChangesNothingWhenRefusedOrCancelled_data();
    void copyChangesNothingWhenRefusedOrCancelled();
    void unreachableServerStillOpensTheLogin();
    void serverRefusalsAreToldInPlainWords_data();
    void serverRefusalsAreToldInPlainWords();
    void encryptionDemandIsKeptAndMet_data();
    void encryptionDemandIsKeptAndMet();
    void pgpassKeepsOtherLinesByteForByte_data();
    void pgpassKeepsOtherLinesByteForByte();
};

namespace {

#define NEEDS_SERVER()                                                                                                 \
    if (!OnTestServer())                                                                                               \
    QSKIP("needs the tests' PostgreSQL server")

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Passes each connection on to argv[2]:argv[3], listening on argv[1]; says when it listens.
const char* const RelayScript =
    "import socket,sys,threading as t\n"
    "s=socket.create_server(('127.0.0.1',int(sys.argv[1])));print(flush=True)\n"
    "def p(a,b):\n  while d:=a.recv(65536): b.sendall(d)\n"
    "while 1:\n  c,_=s.accept();u=socket.create_connection((sys.argv[2],int(sys.argv[3])))\n"
    "  for x in ((c,u),(u,c)): t.Thread(target=p,args=x,daemon=1).start()\n";

// A server without TLS: turns down the TLS request, then refuses the login (SQLSTATE 28P01).
const char* const NoTlsServerScript =
    "import socket,struct\n"
    "s=socket.create_server(('127.0.0.1',0));print(s.getsockname()[1],flush=True)\n"
    "e=b'SFATAL\\0C28P01\\0Mno\\0\\0'\n"
    "while 1:\n  c,_=s.accept()\n  try: c.recv(8);c.sendall(b'N');c.recv(999);"
    "c.sendall(b'E'+struct.pack('!i',len(e)+4)+e)\n  except OSError: pass\n  c.close()\n";

// The test's own pgpass file, which the window writes, with the given lines.
struct PgPassFile {
    explicit PgPassFile(const QStringList& lines) : previous(qgetenv("PGPASSFILE"))
    {
        // The tests' password, as tools/pg-test-server.sh wrote it.
        password = QString::fromUtf8(ReadAll(QString::fromLocal8Bit(previous))).trimmed().section(u':', 4);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write((lines.join(u'\n') + u'\n').toUtf8());
        file.close();
        qputenv("PGPASSFILE", path.toLocal8Bit());
    }
    ~PgPassFile() { qputenv("PGPASSFILE", previous); }
    QStringList lines() const { return QString::fromUtf8(ReadAll(path)).split(u'\n', Qt::SkipEmptyParts); }

    QByteArray previous;
    QTemporaryDir dir;
    QString path = dir.filePath("pgpass");
    QString password;
};

// A shop that has not moved yet: the program on the folder's file.
void UseTheFile(const ProgramFolder& folder)
{
    DatabaseSetting().save(folder.path());
    DM().setProgramDir(folder.path());
}

void Click(QWidget* window, const char* name) { QTest::mouseClick(child(window, name), Qt::LeftButton); }

void FillServer(QWidget* window, const DatabaseSetting& server, const QString& password)
{
    child<QRadioButton>(window, "serverChoice")->setChecked(true);
    child<QLineEdit>(window, "hostEdit")->setText(server.host);
    child<QLineEdit>(window, "portEdit")->setText(QString::number(server.port));
    child<QLineEdit>(window, "databaseEdit")->setText(server.database);
    child<QLineEdit>(window, "userEdit")->setText(server.user);
    child<QLineEdit>(window, "passwordEdit")->setText(password);
}

// Each table of the server database, with its rows, seen through a connection of its own.
QStringList ServerTables()
{
    ServerConnection server(TestServerSetting(), QString());
    if (!server.open())
        return {server.driverText()};
    QStringList tables;
    QSqlQuery names = server.run("SELECT table_name FROM information_schema.tables WHERE table_schema = 'public' "
                                 "ORDER BY 1");
    while (names.next())
        tables << names.value(0).toString() + " " +
                      server.value("SELECT COUNT(*) FROM " + names.value(0).toString()).toString();
    return tables;
}

const QStringList Tables = {"SUser",   "SLevel",  "SCom",       "SP", "SOffset", "SForm",
                            "SPWidth", "USender", "UAddressee", "UE", "ULog"};

// A row in every table, IDs with gaps, a thousand waybills (more than one statement's worth),
// and a text that quoting or escaping would spoil.
void FillEveryTable()
{
    const QString odd = "'O''Brien \\ 张三 %_'";
    const QStringList statements = {
        "INSERT INTO SUser (ID, theName, thePass, Remark) VALUES (9, 'clerk', 'x', " + odd + ")",
        "INSERT INTO SLevel (UID, theLevel) VALUES (9, " + odd + ")",
        "INSERT INTO SCom (ID, theName) VALUES (4, '顺丰速运'), (5, '无图快递')",
        "INSERT INTO SP (ID, EName, theName, theT, theL) VALUES (30, '顺丰速运', " + odd + ", 12, 34)",
        "INSERT INTO SOffset (ID, thePrinter, EName, theX, theY, theOrigin) VALUES (2, 'PDF', '顺丰速运', 1.5, -2.25, "
        "'paper-edge')",
        "INSERT INTO SForm (ID, EName, theWidth, theHeight, thePrinter) VALUES (3, '顺丰速运', 230, 127.5, 'PDF')",
        "INSERT INTO SPWidth (ID, EName, theName, theW) VALUES (5, '顺丰速运', " + odd + ", 80)",
        "INSERT INTO USender (ID, theName, Remark) VALUES (11, " + odd + ", 'a\nb')",
        "INSERT INTO UAddressee (ID, theName) VALUES (12, " + odd + ")",
        "INSERT INTO UE (ID, JName, EName, theVersion) VALUES (7, " + odd + ", '顺丰速运', 3), (42, 'c', '', 1)",
        "WITH RECURSIVE n(i) AS (SELECT 100 UNION ALL SELECT i + 1 FROM n WHERE i < 1099) "
        "INSERT INTO UE (ID, JName, myDate) SELECT i, 'w' || i, '2024-05-06' FROM n",
        "INSERT INTO ULog (ID, WID, theTime, theKind) VALUES (8, 42, '2024-01-02 03:04:05', 'batch')",
    };
    for (const QString& statement : statements)
        DM().ExecSql(SqlText(statement));
}

} // namespace

void TestServerWindow::serverSettingKeepsThePasswordInPgpassOnly()
{
    NEEDS_SERVER();
    ProgramFolder folder;
    UseTheFile(folder);
    DM().ExecSql(SqlText("INSERT INTO SUser (theName) VALUES ('张三')"));
    const DatabaseSetting server = TestServerSetting();
    const QString key = QString("%1:%2:%3:%4:").arg(server.host).arg(server.port).arg(server.database, server.user);
    // An old password for the same four, another server's line, and a "*" line that matches too.
    PgPassFile pgpass({"db.example:5432:shop:bob:keep-me", key + "old-password",
                       QString("%1:%2:*:%3:stale").arg(server.host).arg(server.port).arg(server.user)});
    const QByteArray fileSetting = ReadAll(DatabaseSetting::filePath(folder.path()));
    const QStringList pgpassBefore = pgpass.lines();

    TfrmLogin login(nullptr);
    login.show();
    MessageRecorder messages;
    ModalRecorder modals;
    modals.onOpen = [&](QDialog* window) {
        [&] {
            QCOMPARE(window->windowTitle(), QString("数据库设置"));
            QVERIFY(QTest::qWaitForWindowActive(window));
            // From the keyboard: Alt+S picks the server, Alt+H its address, Enter goes on.
            QTest::keyClick(window, Qt::Key_S, Qt::AltModifier);
            QTRY_VERIFY(child<QRadioButton>(window, "serverChoice")->isChecked());
            QTest::keyClick(window, Qt::Key_H, Qt::AltModifier);
            for (const QString& text :
                 {server.host, QString::number(server.port), server.database, server.user, QString("wrong-password")}) {
                QWidget* box = window->focusWidget();
                QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(box, text);
                QTest::keyClick(box, Qt::Key_Return);
            }
            QCOMPARE(window->focusWidget(), child(window, "sslCombo"));
            QTest::keyClick(window->focusWidget(), Qt::Key_Return); // as the server offers: on to 测试连接
            QCOMPARE(window->focusWidget(), child(window, "testButton"));
            QTest::keyClick(window->focusWidget(), Qt::Key_Return);
            QTRY_COMPARE(messages.shown().size(), 1);
            QVERIFY2(messages.last().contains("拒绝") && messages.last().contains("输入正确的密码"),
                     qPrintable(messages.last()));

            // A refused password keeps nothing.
            QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier);
            QCOMPARE(messages.shown().size(), 2);
            QVERIFY(messages.last().contains("拒绝"));
            QVERIFY(window->isVisible());
            QCOMPARE(ReadAll(DatabaseSetting::filePath(folder.path())), fileSetting);
            QCOMPARE(pgpass.lines(), pgpassBefore);

            child<QLineEdit>(window, "passwordEdit")->setText(pgpass.password);
            Click(window, "testButton");
            QVERIFY2(messages.last().contains("连接成功") && messages.last().contains("空的"),
                     qPrintable(messages.last()));
            Click(window, "BitBtn1");
            QCOMPARE(messages.shown().size(), 3);
            QVERIFY(!window->isVisible());
        }();
        return int(QDialog::Accepted);
    };
    Click(&login, "databaseButton");
    QCOMPARE(modals.opened.size(), 1);
    if (QTest::currentTestFailed())
        return;

    const QString setting = QString::fromUtf8(ReadAll(DatabaseSetting::filePath(folder.path())));
    for (const QString& value : {server.host, QString::number(server.port), server.database, server.user})
        QVERIFY2(setting.contains("=" + value + "\n"), qPrintable(setting));
    QDirIterator files(folder.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext())
        QVERIFY2(!ReadAll(files.next()).contains(pgpass.password.toUtf8()), qPrintable(files.filePath()));
    QCOMPARE(pgpass.lines(), QStringList({key + pgpass.password, pgpassBefore[0], pgpassBefore[2]}));
    struct stat status {};
    QCOMPARE(stat(QFile::encodeName(pgpass.path).constData(), &status), 0);
    QCOMPARE(status.st_mode & 0777, mode_t(0600));

    // The login lists the server's users at once: the new database's admin, not the file's.
    QVERIFY(DM().isServer());
    auto* users = child<QComboBox>(&login, "DBLookupComboBox1");
    QCOMPARE(users->count(), 1);
    QCOMPARE(users->itemText(0), QString("admin"));
}

void TestServerWindow::copyMovesEveryTableToTheServer()
{
    NEEDS_SERVER();
    ProgramFolder folder;
    UseTheFile(folder);
    FillEveryTable();
    QByteArray picture;
    for (int i = 0; i < 3000; ++i)
        picture += char(i % 256);
    QVERIFY(QDir().mkpath(folder.file("Image")));
    QFile pictureFile(CompanyPicturePath("顺丰速运"));
    QVERIFY(pictureFile.open(QIODevice::WriteOnly) && pictureFile.write(picture) == picture.size());
    pictureFile.close();
    QList<QStringList> onFile;
    for (const QString& table : Tables)
        onFile << RowsOf(table == "SOffset"
                             ? SqlText("SELECT ID, thePrinter, EName, theX, theY, theOrigin, '柜台2' FROM SOffset "
                                       "ORDER BY 1")
                             : SqlText("SELECT * FROM " + table + " ORDER BY 1, 2"));

    qputenv("ORVANE_WORKSTATION", "柜台2"); // this PC's name, not its host's
    MessageRecorder messages;
    TfrmDatabase window(nullptr);
    window.show();
    FillServer(&window, TestServerSetting(), QString());
    Click(&window, "copyButton");
    QVERIFY2(messages.last().contains("复制完成") && messages.last().contains("快递单 1002 行") &&
                 messages.last().contains("快递单图片 1 行"),
             qPrintable(messages.last()));
    QVERIFY(!window.isVisible());

    QVERIFY(DM().isServer());
    QCOMPARE(DatabaseSetting::load(folder.path()), TestServerSetting());
    for (int i = 0; i < Tables.size(); ++i)
        QCOMPARE(RowsOf(SqlText("SELECT * FROM " + Tables[i] + " ORDER BY 1, 2")), onFile[i]);
    QCOMPARE(RowsOf(SqlText("SELECT EName FROM SPicture")), QStringList("顺丰速运"));
    QCOMPARE(QueryValue(SqlText("SELECT theData FROM SPicture")).toByteArray(), picture);
    // Each table's next row gets a fresh ID.
    QCOMPARE(InsertRow(SqlText("INSERT INTO UE (JName) VALUES ('new')")), qint64(1100));
    QCOMPARE(InsertRow(SqlText("INSERT INTO SCom (theName) VALUES ('new')")), qint64(6));
}

void TestServerWindow::copyChangesNothingWhenRefusedOrCancelled_data()
{
    QTest::addColumn<QString>("onServer"); // run by the program, which makes its tables first
    QTest::addColumn<QString>("foreign");  // run on the empty database
    QTest::addColumn<QString>("said");
    QTest::newRow("this program's data") << "INSERT INTO UE (JName) VALUES ('x')" << QString() << "本软件的数据";
    QTest::newRow("another program's table") << QString() << "CREATE TABLE Orders (ID INTEGER)"
                                             << "别的程序";
    QTest::newRow("cancelled") << QString() << QString() << "已取消";
    QTest::newRow("ended by SIGTERM, nothing told") << QString() << QString() << QString();
}

void TestServerWindow::copyChangesNothingWhenRefusedOrCancelled()
{
    QFETCH(QString, onServer);
    QFETCH(QString, foreign);
    QFETCH(QString, said);
    NEEDS_SERVER();
    ProgramFolder folder;
    if (!onServer.isEmpty())
        DM().ExecSql(SqlText(onServer));
    if (!foreign.isEmpty()) {
        ServerConnection server(TestServerSetting(), QString());
        QVERIFY(server.open());
        server.run(foreign);
    }
    UseTheFile(folder);
    FillEveryTable();
    const QStringList before = ServerTables();
    const QByteArray fileSetting = ReadAll(DatabaseSetting::filePath(folder.path()));

    MessageRecorder messages;
    TfrmDatabase window(nullptr);
    window.show();
    FillServer(&window, TestServerSetting(), QString());
    // Cancelled, or the program asked to end, as the copy gets under way.
    const SignalExit signalExit;
    QTimer::singleShot(0, &window, [&window, &said] {
        if (said.isEmpty())
            ::kill(::getpid(), SIGTERM);
        else if (auto* progress = window.findChild<QProgressDialog*>("copyProgress"))
            progress->cancel();
    });
    Click(&window, "copyButton");
    if (said.isEmpty())
        QCOMPARE(messages.shown().size(), 1); // the question, and nothing after it
    else
        QVERIFY2(messages.last().contains(said) && messages.last().contains("没有"), qPrintable(messages.last()));
    QVERIFY(window.isVisible());
    QCOMPARE(ServerTables(), before);
    QCOMPARE(ReadAll(DatabaseSetting::filePath(folder.path())), fileSetting);
    QVERIFY(!DM().isServer());
}

void TestServerWindow::unreachableServerStillOpensTheLogin()
{
    ProgramFolder folder;
    // The server's address with nothing listening yet: a stand-in that passes its bytes on
    // starts there later, as a server that was down at the start comes back.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    const DatabaseSetting real = TestServerSetting();
    DatabaseSetting{true, "localhost", port, real.database, real.user}.save(folder.path());
    DM().setProgramDir(folder.path());
    MessageRecorder messages;
    bool opened = false;
    QVERIFY(!programEndsAfter([&opened] { opened = OpenDatabaseAtStart(); }));
    QVERIFY(opened);

    TfrmLogin login(nullptr);
    login.show();
    QCOMPARE(messages.shown().size(), 1);
    QVERIFY2(messages.last().contains("连接不上") && messages.last().contains("数据库设置") &&
                 !messages.last().contains("数据文件"),
             qPrintable(messages.last()));
    ModalRecorder modals;
    Click(&login, "databaseButton");
    auto* window = modals.lastOf<TfrmDatabase>();
    QVERIFY(window);
    QVERIFY(child<QRadioButton>(window, "serverChoice")->isChecked());
    QCOMPARE(child<QLineEdit>(window, "hostEdit")->text(), QString("localhost"));
    if (!OnTestServer())
        return;

    auto* retry = child<QPushButton>(&login, "retryButton");
    Click(&login, "retryButton"); // still down: told again, 重试 stays
    QVERIFY(messages.shown().size() == 2 && retry->isVisible());
    const QString password = PgPassFile({}).password;
    PgPassFile relayPassword({QString("localhost:%1:*:%2:%3").arg(port).arg(real.user, password)});
    QFile::setPermissions(relayPassword.path, QFile::ReadOwner | QFile::WriteOwner); // or libpq ignores it
    QProcess relay;
    relay.start("python3", {"-c", RelayScript, QString::number(port), real.host, QString::number(real.port)});
    QVERIFY(relay.waitForReadyRead(10000));
    Click(&login, "retryButton");
    QVERIFY(messages.shown().size() == 2 && !retry->isVisible());
    QVERIFY(child<QComboBox>(&login, "DBLookupComboBox1")->findText("admin") >= 0);
}

void TestServerWindow::serverRefusalsAreToldInPlainWords_data()
{
    for (const char* column : {"cause", "undo", "said", "serverSaid"})
        QTest::addColumn<QString>(column);
    const QString raise = "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION "
                          "'%1' USING ERRCODE = '%2'; END $$; CREATE TRIGGER refuse BEFORE INSERT ON UE FOR EACH ROW "
                          "EXECUTE FUNCTION refuse()";
    const auto row = [](const char* name, const QString& cause, const QString& undo, const QString& said,
                        const QString& serverSaid) { QTest::newRow(name) << cause << undo << said << serverSaid; };
    row("disk full", raise.arg("could not extend file \"base/1/2\": No space left on device", "53100"), "", "磁盘满了",
        "No space left");
    row("lock table", raise.arg("out of shared memory", "53200"), "", "锁表", "shared memory");
    row("right revoked", "REVOKE INSERT ON UE FROM CURRENT_USER", "", "没有做这件事的权限", "permission denied");
    row("connect revoked", "REVOKE CONNECT ON DATABASE %1 FROM PUBLIC, CURRENT_USER",
        "GRANT CONNECT ON DATABASE %1 TO PUBLIC", "没有连接这个数据库的权限", "permission denied for database");
}

void TestServerWindow::serverRefusalsAreToldInPlainWords()
{
    QFETCH(QString, cause);
    QFETCH(QString, undo);
    QFETCH(QString, said);
    QFETCH(QString, serverSaid);
    NEEDS_SERVER();
    ProgramFolder folder;
    DM().ExecSql(SqlText(cause.arg(TestServerSetting().database)));
    DM().close(); // a refused connection is met as the program starts
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(serverSaid));
    QString message;
    try {
        DM().ExecSql(SqlText("INSERT INTO UE (JName) VALUES ('x')"));
    } catch (const AppError& error) {
        message = error.message();
    }
    QSqlQuery(QSqlDatabase::database("orvane-test-db")).exec(undo.arg(TestServerSetting().database));
    QVERIFY2(message.contains(said) && !message.contains(serverSaid), qPrintable(message));
}

void TestServerWindow::encryptionDemandIsKeptAndMet_data()
{
    QTest::addColumn<int>("demand"); // 加密连接's choice
    QTest::addColumn<QString>("root");
    QTest::addColumn<bool>("withoutTls");
    QTest::addColumn<QString>("said");
    // The tests' server certificate, as tools/pg-test-server.sh left it beside the pgpass file.
    const QString ours = QFileInfo(qEnvironmentVariable("PGPASSFILE")).dir().filePath("pg-test-root.crt");
    QTest::newRow("required") << 1 << QString() << false << "连接成功";
    QTest::newRow("checked, right root") << 2 << ours << false << "连接成功";
    QTest::newRow("checked, wrong root") << 2 << "/etc/ssl/certs/ca-certificates.crt" << false << "证书没有通过检查";
    QTest::newRow("checked, root gone") << 2 << "/nonexistent/root.crt" << false << "找不到根证书文件";
    QTest::newRow("required, server without") << 1 << QString() << true << "不支持加密连接";
}

void TestServerWindow::encryptionDemandIsKeptAndMet()
{
    QFETCH(int, demand);
    QFETCH(QString, root);
    QFETCH(bool, withoutTls);
    QFETCH(QString, said);
    NEEDS_SERVER();
    ProgramFolder folder;
    UseTheFile(folder);
    DatabaseSetting server = TestServerSetting();
    QProcess fake;
    if (withoutTls) {
        fake.start("python3", {"-c", NoTlsServerScript});
        QVERIFY(fake.waitForReadyRead(10000));
        server.port = fake.readLine().trimmed().toInt();
    }
    MessageRecorder messages;
    OpenFileAnswer answer(root);
    {
        TfrmDatabase window(nullptr);
        window.show();
        FillServer(&window, server, QString());
        child<QComboBox>(&window, "sslCombo")->setCurrentIndex(demand);
        Click(&window, demand == 2 ? "sslRootButton" : "testButton");
        Click(&window, "testButton");
        QVERIFY2(messages.last().contains(said), qPrintable(messages.last()));
        fake.kill(), fake.waitForFinished();
        if (said != "连接成功")
            return;
        Click(&window, "BitBtn1");
        QVERIFY(DM().isServer() && !window.isVisible());
    }
    // The program's own connection is encrypted, and the window shows the choice kept.
    QCOMPARE(RowsOf(SqlText("SELECT CASE WHEN ssl THEN 'TLS' END FROM pg_stat_ssl WHERE pid = pg_backend_pid()")),
             QStringList{"TLS"});
    TfrmDatabase again(nullptr);
    QCOMPARE(child<QComboBox>(&again, "sslCombo")->currentIndex(), demand);
    QCOMPARE(QDir::fromNativeSeparators(child<QLineEdit>(&again, "sslRootEdit")->text()), root);
}

void TestServerWindow::pgpassKeepsOtherLinesByteForByte_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("others"); // what follows the new line; empty: refused, file untouched
    const QByteArray others = "# mine\r\ndb.example:5432:shop:bob:p\xe9ss\n\nh\\:x:1:*:u:\xff\xfe";
    QTest::newRow("other programs' lines") << others << others;
    QTest::newRow("not a password file") << QByteArray("[Database]\nKind=server\n") << QByteArray();
}

void TestServerWindow::pgpassKeepsOtherLinesByteForByte()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, others);
    PgPassFile pgpass({});
    QFile file(pgpass.path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
    file.close();
    QString refusal;
    try {
        PgPass::store(DatabaseSetting::serverAt("localhost:5439:clerk", "shop"), "新:密");
    } catch (const AppError& error) {
        refusal = error.message();
    }
    QCOMPARE(ReadAll(pgpass.path), others.isEmpty() ? before : "localhost:5439:shop:clerk:新\\:密\n" + others);
    QCOMPARE(refusal.contains("没有改动它"), others.isEmpty());
}

ORVANE_TEST_MAIN(TestServerWindow)
#include "tst_server.moc"
