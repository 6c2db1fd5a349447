#include "DM.h"

#include "AppError.h"
#include "Schema.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>

namespace {
const char* const ConnectionName = "orvane";
// How long a statement waits for another program that holds the file.
constexpr int BusyTimeoutMs = 5000;

// SQLite's primary result codes, the low byte of the code the driver reports.
enum SqliteCode { Busy = 5, Locked = 6, Corrupt = 11, NotADatabase = 26 };

int sqliteCode(const QSqlError& error) { return error.nativeErrorCode().toInt() & 0xff; }

QString failureText(const QSqlError& error, const QString& sql)
{
    return QStringLiteral("数据库错误：%1\n%2").arg(error.text(), sql.trimmed());
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
}

void TfrmDM::close()
{
    m_userNames.setStringList({});
    m_companyNames.setStringList({});
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

    const QFileInfo file(m_path);
    const QFileInfo dataFolder(file.absolutePath());
    if (dataFolder.exists() && !dataFolder.isDir())
        throw AppError(
            UnusableFileText(dataFolder.filePath(), QStringLiteral("这里应是存放数据的文件夹，现在却是一个文件。")));
    // A file the program refuses must stay byte for byte as it is: opening it for writing
    // would already switch it to WAL, so it is looked at read-only first.
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
    m_opened = true;
    try {
        Schema::ensure(*this);
    } catch (...) {
        close();
        throw;
    }
}

void TfrmDM::fail(const QSqlError& error, const QString& sql, qint64 waitedMs) const
{
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

QSqlQuery TfrmDM::run(const SqlText& statement, Rows rows)
{
    QSqlQuery query(database());
    query.setForwardOnly(rows == Rows::ForwardOnly);
    QElapsedTimer waited;
    waited.start();
    if (!query.prepare(statement.sql))
        fail(query.lastError(), statement.sql, waited.elapsed());
    for (const QVariant& value : statement.values) {
        // An empty edit box gives a null string; store it as empty text, never NULL.
        if (value.typeId() == QMetaType::QString && value.toString().isNull())
            query.addBindValue(QString(QLatin1String("")));
        else
            query.addBindValue(value);
    }
    if (!query.exec())
        fail(query.lastError(), statement.sql, waited.elapsed());
    return query;
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
