#include "DM.h"

#include "AppError.h"
#include "Schema.h"
#include "SqlDialect.h"
#include "Transaction.h"
#include "Unit1.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSysInfo>

#include <cerrno>
#include <libpq-fe.h>
#include <poll.h>
#include <vector>

#ifdef Q_OS_LINUX
#include <sys/vfs.h>
#endif

namespace {
const char* const ConnectionName = "orvane";
// How long a server that does not answer is waited for.
constexpr int ConnectTimeoutMs = 5000;

// SQLite's primary result codes, the low byte of the code the driver reports.
enum SqliteCode { Busy = 5, Locked = 6, Corrupt = 11, NotADatabase = 26 };

bool writesRows(const QString& sql)
{
    static const QRegularExpression write(QStringLiteral("^\\s*(INSERT|UPDATE|DELETE)\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    return write.match(sql).hasMatch();
}

int sqliteCode(const QSqlError& error) { return error.nativeErrorCode().toInt() & 0xff; }

QString failureText(const QSqlError& error, const QString& sql)
{
    return QStringLiteral("数据库错误：%1\n%2").arg(error.text(), sql.trimmed());
}

// The name of the network file system a folder (or the nearest folder above it that
// exists) lies on; empty on a local disk. SQLite's locks do not hold over these, and its
// write-ahead log needs memory shared on one host.
QString networkFileSystem(const QString& folder)
{
#ifdef Q_OS_LINUX
    QFileInfo existing(folder);
    while (!existing.exists() && !existing.isRoot() && existing.absoluteFilePath() != existing.absolutePath())
        existing = QFileInfo(existing.absolutePath());
    struct statfs info {};
    if (statfs(QFile::encodeName(existing.absoluteFilePath()).constData(), &info) != 0)
        return QString();
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x6969:
        return QStringLiteral("NFS");
    case 0x517B:
        return QStringLiteral("SMB");
    case 0xFF534D42:
    case 0xFE534D42:
        return QStringLiteral("SMB/CIFS");
    default:
        return QString();
    }
#else
    Q_UNUSED(folder)
    return QString();
#endif
}

// PostgreSQL's SQLSTATE classes the program answers in its own words.
bool sqlState(const QSqlError& error, const char* prefix)
{
    return error.nativeErrorCode().startsWith(QLatin1String(prefix));
}

// What a server's refusal means to the user, told by its SQLSTATE (the first prefix that
// matches); empty for any other. %1: the server, %2: "not done", %3: the user.
QString serverRefusal(const QSqlError& error, const DatabaseSetting& setting)
{
    static const struct {
        const char* prefix;
        const char* text;
    } refusals[] = {
        {"53100", "%1的磁盘满了，%2\n请服务器管理员腾出磁盘空间后，再操作一次。"},
        {"53200", "%1的内存或锁表不够用了，%2\n请稍后再操作一次；问题仍在时，请服务器管理员"
                  "检查服务器的内存设置（例如 max_locks_per_transaction）。"},
        {"53", "%1的资源不够用了，%2\n请稍后再操作一次；问题仍在时，请服务器管理员检查服务器。"},
        {"42501", "用户 %3 在%1上没有做这件事的权限，%2\n请服务器管理员给用户 %3 授予本软件所有表的读写权限。"},
    };
    for (const auto& refusal : refusals)
        if (sqlState(error, refusal.prefix))
            return QString::fromUtf8(refusal.text)
                .arg(setting.describe(), QStringLiteral("这次操作没有完成。"), setting.user);
    return QString();
}

QString busyText(qint64 waitedMs)
{
    // The wait is named only when it was waited: a lock refused at once says so.
    if (waitedMs + 250 < BusyTimeoutMs)
        return QStringLiteral("数据库正被另一个程序占用，这次操作没有完成。\n请稍后再试一次。");
    return QStringLiteral("数据库正被另一个程序占用，等候 %1 秒后仍未释放，这次操作没有完成。\n请稍后再试一次。")
        .arg(BusyTimeoutMs / 1000);
}
} // namespace

namespace {

// What one connection attempt of libpq's own met.
struct Probe {
    bool reached = false; // the server answered: let in, or refused with a reason
    bool timedOut = false;
    bool needsPassword = false;
    QString sqlState;
};

Probe ProbeServer(const DatabaseSetting& setting, const QString& password)
{
    const QByteArray host = setting.host.toUtf8(), port = QByteArray::number(setting.port),
                     database = setting.database.toUtf8(), user = setting.user.toUtf8(), typed = password.toUtf8();
    const QList<std::pair<QByteArray, QByteArray>> tls = setting.tlsOptions();
    std::vector<const char*> keys{"host", "port", "dbname", "user", "application_name"};
    std::vector<const char*> values{host.constData(), port.constData(), database.constData(), user.constData(),
                                    "orvane-waybill"};
    for (const auto& [key, value] : tls) {
        keys.push_back(key.constData());
        values.push_back(value.constData());
    }
    if (!password.isEmpty()) {
        keys.push_back("password");
        values.push_back(typed.constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    Probe probe;
    PGconn* connection = PQconnectStartParams(keys.data(), values.data(), 0);
    if (!connection)
        return probe;
    PQsetErrorVerbosity(connection, PQERRORS_SQLSTATE);
    // Polled by hand, so connect_timeout does not apply: the same 5 seconds as the driver's.
    QElapsedTimer waited;
    waited.start();
    PostgresPollingStatusType state = PGRES_POLLING_WRITING;
    while (state != PGRES_POLLING_OK && state != PGRES_POLLING_FAILED) {
        pollfd socket{PQsocket(connection), short(state == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
        const qint64 left = ConnectTimeoutMs - waited.elapsed();
        if (socket.fd < 0)
            break;
        probe.timedOut = left <= 0;
        if (probe.timedOut)
            break;
        const int ready = poll(&socket, 1, int(left));
        if (ready < 0 && errno == EINTR)
            continue;
        probe.timedOut = ready == 0;
        if (ready <= 0)
            break;
        state = PQconnectPoll(connection);
    }
    probe.needsPassword = PQconnectionNeedsPassword(connection);
    const QString said = QString::fromUtf8(PQerrorMessage(connection));
    PQfinish(connection);
    // "…: FATAL:  28P01": the severity, then the code, at a line's end.
    static const QRegularExpression code(QStringLiteral(":\\s+([0-9A-Z]{5})\\s*$"),
                                         QRegularExpression::MultilineOption);
    for (auto match = code.globalMatch(said); match.hasNext();) {
        const QString found = match.next().captured(1);
        if (found.contains(QRegularExpression(QStringLiteral("[0-9]"))))
            probe.sqlState = found;
    }
    probe.reached = state == PGRES_POLLING_OK || probe.needsPassword || !probe.sqlState.isEmpty();
    return probe;
}

} // namespace

ServerFailure ServerFailureKind(const DatabaseSetting& setting, const QString& password)
{
    // Qt's driver hands over only libpq's words, which follow the server's and this PC's
    // language. A connection of libpq's own, told to report the SQLSTATE in place of the
    // words, says why the server refused; a failure without one is libpq's own: no answer.
    if (setting.tls == DatabaseSetting::Tls::Verified && !QFileInfo(setting.rootCertificate).isFile())
        return ServerFailure::NoRootFile;
    const Probe probe = ProbeServer(setting, password);
    if (!probe.reached && !probe.timedOut && setting.tls != DatabaseSetting::Tls::Preferred) {
        // libpq's own words are all it says of TLS: asked again with less demanded, a server
        // that answers then tells which demand it failed.
        DatabaseSetting less = setting;
        less.tls = DatabaseSetting::Tls::Preferred;
        if (ProbeServer(less, password).reached) {
            less.tls = DatabaseSetting::Tls::Required;
            return setting.tls == DatabaseSetting::Tls::Verified && ProbeServer(less, password).reached
                       ? ServerFailure::Untrusted
                       : ServerFailure::NoTls;
        }
    }
    if (probe.needsPassword || probe.sqlState.startsWith(QLatin1String("28")))
        return ServerFailure::Refused;
    if (probe.sqlState == QLatin1String("3D000"))
        return ServerFailure::Missing;
    if (probe.sqlState == QLatin1String("42501"))
        return ServerFailure::NoRight;
    if (probe.sqlState == QLatin1String("53300"))
        return ServerFailure::Crowded;
    if (probe.sqlState == QLatin1String("57P03"))
        return ServerFailure::NotReady;
    return ServerFailure::Unreachable;
}

QString ServerFailureText(const DatabaseSetting& setting, ServerFailure kind)
{
    const QString where = setting.describe();
    switch (kind) {
    case ServerFailure::Refused:
        return QStringLiteral("%1拒绝了用户 %2 的登录：密码不对，或者这台电脑还没有保存密码。\n"
                              "请在登录窗口点“数据库设置”，输入密码后按“测试连接”。")
            .arg(where, setting.user);
    case ServerFailure::Missing:
        return QStringLiteral("%1不存在。\n请服务器管理员建好它，或在“数据库设置”里改正名称。").arg(where);
    case ServerFailure::NoRight:
        return QStringLiteral("%1有应答，但用户 %2 没有连接这个数据库的权限。\n"
                              "请服务器管理员给用户 %2 授予连接这个数据库的权限。")
            .arg(where, setting.user);
    case ServerFailure::Crowded:
        return QStringLiteral("%1的连接数已满，暂时不接受新的连接。\n"
                              "请关掉别处不用的本软件后再试；问题仍在时请服务器管理员调大连接数上限。")
            .arg(where);
    case ServerFailure::NotReady:
        return QStringLiteral("%1正在启动或关闭，暂时不接受连接。\n请稍等一会儿再试。").arg(where);
    case ServerFailure::NoTls:
        return QStringLiteral("%1不支持加密连接，而这台电脑的设置要求加密。\n请服务器管理员在服务器上打开 SSL，"
                              "或在登录窗口点“数据库设置”，把“加密连接”改为“服务器支持时加密”。")
            .arg(where);
    case ServerFailure::Untrusted:
        return QStringLiteral("%1的证书没有通过检查：它不是所选根证书签发的，或者证书上没有地址 %2。"
                              "连接已中止，以防有人冒充服务器。\n请在登录窗口点“数据库设置”，选择服务器管理员"
                              "给的根证书文件，地址按证书上的名称或 IP 填写；仍不行时请联系服务器管理员。")
            .arg(where, setting.host);
    case ServerFailure::NoRootFile:
        return QStringLiteral("找不到根证书文件 %1，没有连接%2。\n请在登录窗口点“数据库设置”，"
                              "按“加密连接”旁的“选择”重新选择服务器管理员给的根证书文件。")
            .arg(QDir::toNativeSeparators(setting.rootCertificate), where);
    case ServerFailure::Unreachable:
        break;
    }
    return QStringLiteral("连接不上%1。\n请检查那台服务器是否开着、网络是否通，再试一次；"
                          "地址不对时请在登录窗口点“数据库设置”改正。")
        .arg(where);
}

QString WorkstationName()
{
    const QString named = qEnvironmentVariable("ORVANE_WORKSTATION");
    return named.isEmpty() ? QSysInfo::machineHostName() : named;
}

QSqlDatabase AddServerConnection(const DatabaseSetting& setting, const QString& connectionName)
{
    QSqlDatabase db = QSqlDatabase::contains(connectionName)
                          ? QSqlDatabase::database(connectionName, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    if (!db.isValid()) {
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName);
        throw AppError(QStringLiteral("这台电脑缺少连接 PostgreSQL 服务器的组件（Qt 的 PostgreSQL 驱动）。\n"
                                      "请安装 libqt6sql6-psql，或在登录窗口的“数据库设置”里改用本机数据文件。"));
    }
    db.setHostName(setting.host);
    db.setPort(setting.port);
    db.setDatabaseName(setting.database);
    db.setUserName(setting.user);
    // The password comes from ~/.pgpass; a server that does not answer is given up soon.
    QString options = QStringLiteral("connect_timeout=%1;application_name=orvane-waybill").arg(ConnectTimeoutMs / 1000);
    // The driver pastes these into libpq's connection string: a value in quotes, with its
    // quotes and backslashes escaped, may hold spaces.
    for (const auto& [key, value] : setting.tlsOptions()) {
        QString quoted = QString::fromUtf8(value);
        quoted.replace(u'\\', QLatin1String("\\\\")).replace(u'\'', QLatin1String("\\'"));
        options += QStringLiteral(";%1='%2'").arg(QString::fromLatin1(key), quoted);
    }
    db.setConnectOptions(options);
    return db;
}

QString UnusableFileText(const QString& path, const QString& reason)
{
    return QStringLiteral("无法使用数据文件 %1\n%2\n\n本软件不会改动、修复或删除这个文件。您可以在本软件关闭后"
                          "把它移到别处（再启动时将从空白数据开始），或者用它的备份副本换回它。")
        .arg(QDir::toNativeSeparators(path), reason);
}

TfrmDM& TfrmDM::instance()
{
    static TfrmDM* dm = new TfrmDM; // lives for the whole run, like the connection
    return *dm;
}

void TfrmDM::setProgramDir(const QString& programDir)
{
    close();
    m_path = QDir(programDir).filePath(QStringLiteral("Data/db.sqlite3"));
    m_setting = DatabaseSetting::load(programDir);
    ++m_generation;
}

QString TfrmDM::workstation() const { return m_setting.server ? WorkstationName() : QString(); }

void TfrmDM::confirmUser()
{
    const QString user = Unit1::currentUserName();
    // Before a login, and while the tables are made, there is no one to confirm.
    if (user.isEmpty() || m_ensuring)
        return;
    if (QueryCount(SqlText(QStringLiteral("SELECT ID FROM SUser WHERE (theName = ?)"), {user})) > 0)
        return;
    throw UserGone(QStringLiteral("用户“%1”已被删除（可能是在另一台电脑上），不能再用这个用户保存或修改数据，"
                                  "这次操作没有完成。\n请用其他用户重新登录。")
                       .arg(user));
}

void TfrmDM::close()
{
    m_userNames.setStringList({});
    m_companyNames.setStringList({});
    dropConnection();
}

void TfrmDM::dropConnection()
{
    if (QSqlDatabase::contains(ConnectionName)) {
        {
            QSqlDatabase db = QSqlDatabase::database(ConnectionName, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(ConnectionName);
    }
    m_opened = false;
}

QSqlDatabase TfrmDM::database()
{
    open();
    return QSqlDatabase::database(ConnectionName, false);
}

void TfrmDM::open()
{
    if (m_opened)
        return;
    if (m_path.isEmpty())
        throw AppError(QStringLiteral("数据库文件未指定。"));
    if (!m_setting.fault.isEmpty())
        throw AppError(m_setting.fault);
    if (m_setting.server) {
        // The pictures read from the server are kept here.
        QDir().mkpath(QFileInfo(m_path).dir().filePath(QStringLiteral("../Image")));
        openServer();
    } else {
        openFile();
    }
    m_opened = true;
    m_ensuring = true;
    try {
        Schema::ensure(*this);
    } catch (...) {
        m_ensuring = false;
        close();
        throw;
    }
    m_ensuring = false;
}

QString TfrmDM::networkShare() const
{
    return m_setting.server || m_path.isEmpty() ? QString() : networkFileSystem(QFileInfo(m_path).absolutePath());
}

void TfrmDM::openServer()
{
    QSqlDatabase db = AddServerConnection(m_setting, ConnectionName);
    if (!db.open()) {
        const QString why = db.lastError().text();
        qWarning("Cannot connect to %s: %s", qPrintable(m_setting.describe()), qPrintable(why));
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(ConnectionName);
        throw AppError(ServerFailureText(m_setting, ServerFailureKind(m_setting)));
    }
    QSqlQuery session(db);
    // A row another PC holds is waited for as long as the file's lock is.
    session.exec(QStringLiteral("SET lock_timeout = %1").arg(BusyTimeoutMs));
}

void TfrmDM::openFile()
{
    const QFileInfo file(m_path);
    const QFileInfo dataFolder(file.absolutePath());
    if (dataFolder.exists() && !dataFolder.isDir())
        throw AppError(
            UnusableFileText(dataFolder.filePath(), QStringLiteral("这里应是存放数据的文件夹，现在却是一个文件。")));
    // A file the program refuses must stay byte for byte as it is: opening it for writing
    // would already switch it to WAL, so it is looked at read-only first.
    const QString share = networkShare();
    if (!share.isEmpty())
        throw AppError(UnusableFileText(
            m_path,
            QStringLiteral("它所在的文件夹在网络共享（%1）上。数据文件放在网络共享上，几台电脑同时使用会损坏它。\n"
                           "要让几台电脑共用数据，请在登录窗口点“数据库设置”，改用数据库服务器；"
                           "只在这台电脑上使用，请把程序和数据放到本机磁盘上。")
                .arg(share)));
    const Schema::FileCheck check = Schema::inspect(m_path);
    if (!check.usable())
        throw AppError(UnusableFileText(m_path, check.reason));
    const QDir programDir = file.dir().filePath(QStringLiteral(".."));
    // First start: the folders the program writes into come into being with the database.
    if (!file.exists()) {
        if (!QDir().mkpath(file.absolutePath()) || !QDir().mkpath(programDir.filePath(QStringLiteral("Image"))))
            throw AppError(QStringLiteral("无法创建数据文件夹：%1").arg(file.absolutePath()));
    }

    {
        QSqlDatabase db = QSqlDatabase::contains(ConnectionName)
                              ? QSqlDatabase::database(ConnectionName, false)
                              : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), ConnectionName);
        db.setDatabaseName(m_path);
        // Another process holding the file for a moment must not fail a statement.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
        if (!db.open())
            throw AppError(UnusableFileText(m_path, QStringLiteral("无法打开它，请检查它的读写权限。")));
        QSqlQuery pragma(db);
        pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    }
}

bool TfrmDM::connectionLost(const QSqlError& error) const
{
    if (sqlState(error, "08") || sqlState(error, "57P"))
        return true;
    // libpq reports a broken socket without a SQLSTATE.
    const QSqlDatabase db = QSqlDatabase::database(ConnectionName, false);
    return error.nativeErrorCode().isEmpty() && (!db.isOpen() || error.type() == QSqlError::ConnectionError ||
                                                 error.text().contains(QLatin1String("connection")));
}

void TfrmDM::fail(const QSqlError& error, const QString& sql, qint64 waitedMs)
{
    if (m_setting.server) {
        if (connectionLost(error)) {
            qWarning("Lost the server: %s", qPrintable(error.text()));
            // The next statement connects again, so the same save can be repeated. The look-up
            // lists stay: a window's picked company is part of what the user typed.
            dropConnection();
            throw AppError(QStringLiteral("与%1的连接断开了，这次操作没有完成。\n"
                                          "您填写的内容仍在窗口里。请检查网络和服务器，恢复后再操作一次。")
                               .arg(m_setting.describe()));
        }
        if (sqlState(error, "40001") || sqlState(error, "40P01"))
            throw AppError(QStringLiteral("另一台电脑正同时修改同样的数据，这次操作没有完成。\n请再操作一次。"));
        if (sqlState(error, "55P03"))
            throw AppError(busyText(BusyTimeoutMs));
        const QString refusal = serverRefusal(error, m_setting);
        if (!refusal.isEmpty()) {
            // The server's own words, in whatever language it speaks, are for whoever helps the user.
            qWarning("The server refused a statement: %s\n%s", qPrintable(error.text()), qPrintable(sql.trimmed()));
            throw AppError(refusal);
        }
        throw AppError(failureText(error, sql));
    }
    switch (sqliteCode(error)) {
    case Busy:
    case Locked:
        throw AppError(busyText(waitedMs));
    case Corrupt:
    case NotADatabase:
        throw AppError(UnusableFileText(m_path, QStringLiteral("它已损坏，或者不是数据库文件。")));
    default:
        throw AppError(failureText(error, sql));
    }
}

bool TfrmDM::execute(QSqlQuery& query, const SqlText& statement)
{
    // PostgreSQL prepares only queries and row changes: BEGIN, SAVEPOINT or CREATE run as
    // they are (they bind nothing).
    if (m_setting.server && statement.values.isEmpty())
        return query.exec(statement.sql);
    if (!query.prepare(statement.sql))
        return false;
    for (const QVariant& value : statement.values)
        query.addBindValue(BoundValue(value, m_setting.server));
    return query.exec();
}

QSqlQuery TfrmDM::run(const SqlText& statement, Rows rows)
{
    QElapsedTimer waited;
    waited.start();
    // A write outside any transaction is an action of its own; a transaction confirms as it begins.
    if (!Transaction::anyOpen() && writesRows(statement.sql))
        confirmUser();
    for (bool again = true;; again = false) {
        QSqlQuery query(database());
        query.setForwardOnly(rows == Rows::ForwardOnly);
        if (execute(query, statement))
            return query;
        const QSqlError error = query.lastError();
        // A server restarted while the program sat idle: a read outside any transaction is
        // sent once more on a new connection, and the user sees nothing of it. A write, or
        // anything of a transaction, may have happened or not: that the user is told.
        const bool read = statement.sql.trimmed().startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive);
        if (again && read && m_setting.server && !Transaction::anyOpen() && connectionLost(error)) {
            qWarning("Connecting again after: %s", qPrintable(error.text()));
            query = QSqlQuery();
            dropConnection();
            continue;
        }
        fail(error, statement.sql, waited.elapsed());
    }
}

int TfrmDM::QueryCount(const SqlText& statement)
{
    QSqlQuery query = run(statement);
    int count = 0;
    while (query.next())
        ++count;
    return count;
}

void TfrmDM::ExecSql(const SqlText& statement) { run(statement); }

QStringList TfrmDM::names(const SqlText& statement)
{
    QSqlQuery query = run(statement);
    QStringList result;
    while (query.next())
        result << query.value(0).toString();
    return result;
}

void TfrmDM::refreshUserLookup()
{
    m_userNames.setStringList(names(SqlText(QStringLiteral("select theName from SUser"))));
}

void TfrmDM::refreshCompanyLookup()
{
    m_companyNames.setStringList(names(SqlText(QStringLiteral("select theName from SCom"))));
}
