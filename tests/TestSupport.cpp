#include "TestSupport.h"

#include "Application.h"
#include "CompanyPicture.h"
#include "DM.h"
#include "Unit1.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryFile>
#include <QTimer>

namespace {

// The server the suite runs against when ORVANE_TEST_SERVER names one (host:port:user, its
// password in $PGPASSFILE): a database of this test program's own, emptied for each folder.
class TestServer {
public:
    static TestServer* instance()
    {
        static TestServer* server = qEnvironmentVariableIsSet("ORVANE_TEST_SERVER") ? new TestServer : nullptr;
        return server;
    }
    DatabaseSetting setting() const { return m_setting; }

    void empty()
    {
        QSqlDatabase db = connect(m_setting.database, QStringLiteral("orvane-test-db"));
        QSqlQuery query(db);
        query.exec(QStringLiteral("SET client_min_messages = warning"));
        // The tests read their results with SQLite's group_concat; the server gets one too.
        const QStringList statements = {
            QStringLiteral("DROP SCHEMA public CASCADE"),
            QStringLiteral("CREATE SCHEMA public"),
            QStringLiteral("CREATE FUNCTION public.orvane_concat(acc text, value anynonarray, sep text) RETURNS text "
                           "LANGUAGE sql IMMUTABLE AS $$ SELECT CASE WHEN value IS NULL THEN acc "
                           "WHEN acc IS NULL THEN value::text ELSE acc || sep || value::text END $$"),
            QStringLiteral("CREATE FUNCTION public.orvane_concat(acc text, value anynonarray) RETURNS text "
                           "LANGUAGE sql IMMUTABLE AS $$ SELECT public.orvane_concat(acc, value, ',') $$"),
            QStringLiteral("CREATE AGGREGATE public.group_concat(anynonarray, text) (SFUNC = public.orvane_concat, "
                           "STYPE = text)"),
            QStringLiteral("CREATE AGGREGATE public.group_concat(anynonarray) (SFUNC = public.orvane_concat, "
                           "STYPE = text)"),
        };
        for (const QString& statement : statements)
            if (!query.exec(statement))
                qFatal("Cannot empty the test database: %s", qPrintable(query.lastError().text()));
    }

private:
    TestServer()
    {
        m_setting = DatabaseSetting::serverAt(qEnvironmentVariable("ORVANE_TEST_SERVER"),
                                              QStringLiteral("orvane_t_%1").arg(QCoreApplication::applicationPid()));
        QSqlDatabase admin = connect(QStringLiteral("postgres"), QStringLiteral("orvane-test-admin"));
        QSqlQuery query(admin);
        query.exec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(m_setting.database));
        if (!query.exec(QStringLiteral("CREATE DATABASE %1").arg(m_setting.database)))
            qFatal("Cannot create the test database: %s", qPrintable(query.lastError().text()));
    }

public:
    // Dropped when the test program ends, however its tests went.
    void drop()
    {
        DM().close();
        QSqlDatabase::database(QStringLiteral("orvane-test-db"), false).close();
        QSqlDatabase admin = QSqlDatabase::database(QStringLiteral("orvane-test-admin"));
        QSqlQuery(admin).exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_setting.database));
    }

private:
    QSqlDatabase connect(const QString& database, const QString& name)
    {
        if (QSqlDatabase::contains(name))
            return QSqlDatabase::database(name);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(m_setting.host);
        db.setPort(m_setting.port);
        db.setUserName(m_setting.user);
        db.setDatabaseName(database);
        if (!db.open())
            qFatal("Cannot reach the test server: %s", qPrintable(db.lastError().text()));
        return db;
    }

    DatabaseSetting m_setting;
};

} // namespace

bool OnTestServer() { return TestServer::instance() != nullptr; }

void EndProgramConnection()
{
    QSqlQuery query(QSqlDatabase::database(QStringLiteral("orvane-test-db")));
    if (!query.exec(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                   "WHERE application_name = 'orvane-waybill' AND datname = current_database()")))
        qFatal("Cannot end the program's connection: %s", qPrintable(query.lastError().text()));
}

DatabaseSetting TestServerSetting() { return OnTestServer() ? TestServer::instance()->setting() : DatabaseSetting(); }

ProgramFolder::ProgramFolder()
{
    if (TestServer* server = TestServer::instance()) {
        server->setting().save(m_dir.path());
        server->empty();
    }
    startHere();
}

ProgramFolder::ProgramFolder(const ProgramFolder& first, const QString& pcName) : m_pcName(pcName)
{
    DatabaseSetting::load(first.path()).save(m_dir.path());
}

ProgramFolder::~ProgramFolder() { DM().close(); }

void ProgramFolder::startHere()
{
    qputenv("ORVANE_WORKSTATION", m_pcName.toUtf8());
    Unit1::setProgramDir(m_dir.path());
    DM().setProgramDir(m_dir.path());
}

void OnAnotherPc(ProgramFolder& first, const std::function<void()>& work)
{
    if (!OnTestServer())
        return work();
    ProgramFolder second(first, QStringLiteral("PC2"));
    second.startHere();
    work();
    first.startHere();
}

void AnotherPcChangesOrDeletes_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("changed") << "M1";
    QTest::newRow("deleted") << "D1";
}

MessageRecorder::MessageRecorder(bool defaultAnswer) : m_default(defaultAnswer)
{
    m_previous = setMessageHandler([this](const MessageRequest& request) {
        m_shown << request;
        if (request.kind == MessageKind::Question && !m_answers.isEmpty())
            return m_answers.takeFirst();
        return m_default;
    });
}

MessageRecorder::~MessageRecorder() { setMessageHandler(m_previous); }

QStringList MessageRecorder::texts() const
{
    QStringList result;
    for (const MessageRequest& request : m_shown)
        result << request.text;
    return result;
}

ModalRecorder::ModalRecorder()
{
    m_previous = setModalHandler([this](QDialog* dialog) {
        opened << dialog;
        dialog->show();
        QCoreApplication::processEvents();
        return onOpen ? onOpen(dialog) : int(QDialog::Rejected);
    });
}

ModalRecorder::~ModalRecorder() { setModalHandler(m_previous); }

RealDialogs::RealDialogs() : m_messages(setMessageHandler({})), m_modals(setModalHandler({})) {}

RealDialogs::~RealDialogs()
{
    setMessageHandler(m_messages);
    setModalHandler(m_modals);
}

OpenFileAnswer::OpenFileAnswer(QString answer)
{
    m_previous = setOpenFileHandler([this, answer](QWidget*, const QString& filter) {
        filtersAsked << filter;
        return answer;
    });
}

OpenFileAnswer::~OpenFileAnswer() { setOpenFileHandler(m_previous); }

void RefuseInserts(const QString& table, int rowsAllowed)
{
    if (OnTestServer()) {
        DM().ExecSql(SqlText(QStringLiteral("CREATE FUNCTION refuse_%1() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                                            "IF (SELECT count(*) FROM %1) >= %2 THEN RAISE EXCEPTION 'insert refused'; "
                                            "END IF; RETURN NEW; END $$")
                                 .arg(table)
                                 .arg(rowsAllowed)));
        DM().ExecSql(SqlText(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON %1 FOR EACH ROW "
                                            "EXECUTE FUNCTION refuse_%1()")
                                 .arg(table)));
        return;
    }
    DM().ExecSql(
        SqlText(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON %1 WHEN (SELECT COUNT(*) FROM %1) >= %2 "
                               "BEGIN SELECT RAISE(ABORT, 'insert refused'); END")
                    .arg(table)
                    .arg(rowsAllowed)));
}

void AfterEachInsert(const QString& table, const QString& statement)
{
    if (OnTestServer()) {
        DM().ExecSql(SqlText(QStringLiteral("CREATE FUNCTION after_%1() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                                            "%2; RETURN NULL; END $$")
                                 .arg(table, statement)));
        DM().ExecSql(SqlText(QStringLiteral("CREATE TRIGGER after_insert AFTER INSERT ON %1 FOR EACH ROW "
                                            "EXECUTE FUNCTION after_%1()")
                                 .arg(table)));
        return;
    }
    DM().ExecSql(
        SqlText(QStringLiteral("CREATE TRIGGER after_insert AFTER INSERT ON %1 BEGIN %2; END").arg(table, statement)));
}

QString GiveCompanyPicture(const QString& company, const QByteArray& bytes)
{
    QTemporaryFile picked;
    if (!picked.open() || picked.write(bytes) != bytes.size() || !picked.flush())
        qFatal("Cannot write a picture to pick");
    CopyInCompanyPicture(company, picked.fileName());
    return CompanyPicturePath(company);
}

QString GiveCompanyPicture(const QString& company, const QImage& picture, int quality)
{
    QBuffer jpeg;
    jpeg.open(QIODevice::WriteOnly);
    picture.save(&jpeg, "JPG", quality);
    return GiveCompanyPicture(company, jpeg.data());
}

QStringList RowsOf(const SqlText& select)
{
    QSqlQuery query = DM().run(select);
    QStringList rows;
    while (query.next()) {
        QStringList fields;
        for (int i = 0; i < query.record().count(); ++i)
            fields << query.value(i).toString();
        rows << fields.join(QLatin1Char('|'));
    }
    return rows;
}

QObject* standInOwner()
{
    static QObject owner;
    return &owner;
}

bool programEndsAfter(std::function<void()> action)
{
    // The step that stops the loop goes with this call: left queued after a quit, it would
    // end the next event loop a test runs, a dialog's or a wait's.
    QObject step;
    QTimer::singleShot(0, &step, [action, &step] {
        action();
        QMetaObject::invokeMethod(
            &step, [] { QCoreApplication::exit(99); }, Qt::QueuedConnection);
    });
    return QCoreApplication::exec() == 0;
}

int runTests(int argc, char** argv, QObject* test)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    OrvaneApplication app(argc, argv);
    // A box no test expects would wait for nobody until the time ran out: fail at once and answer No.
    setMessageHandler([](const MessageRequest& request) {
        QTest::qFail(qPrintable("unexpected message box: " + request.text), __FILE__, __LINE__);
        return false;
    });
    setModalHandler([](QDialog* dialog) {
        QTest::qFail(qPrintable("unexpected modal window " + dialog->windowTitle()), __FILE__, __LINE__);
        return int(QDialog::Rejected);
    });
    const int failed = QTest::qExec(test, argc, argv);
    if (TestServer* server = TestServer::instance())
        server->drop();
    return failed;
}

QString PdfText(const QString& pdf)
{
    QProcess process;
    process.start("pdftotext", {"-layout", pdf, "-"});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}
