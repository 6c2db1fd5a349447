#include "DM.h"

#include "AppError.h"
#include "Schema.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>

namespace {
const char* const ConnectionName = "orvane";

QString failureText(const QSqlError& error, const QString& sql)
{
    return QStringLiteral("数据库错误：%1\n%2").arg(error.text(), sql.trimmed());
}
} // namespace

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
    openIfNeeded();
    return QSqlDatabase::database(ConnectionName, false);
}

void TfrmDM::openIfNeeded()
{
    if (m_opened)
        return;
    if (m_path.isEmpty())
        throw AppError(QStringLiteral("数据库文件未指定。"));

    const QFileInfo file(m_path);
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
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open())
            throw AppError(QStringLiteral("无法打开数据库 %1：%2").arg(m_path, db.lastError().text()));
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

QSqlQuery TfrmDM::run(const SqlText& statement)
{
    QSqlQuery query(database());
    if (!query.prepare(statement.sql))
        throw AppError(failureText(query.lastError(), statement.sql));
    for (const QVariant& value : statement.values) {
        // An empty edit box gives a null string; store it as empty text, never NULL.
        if (value.typeId() == QMetaType::QString && value.toString().isNull())
            query.addBindValue(QString(QLatin1String("")));
        else
            query.addBindValue(value);
    }
    if (!query.exec())
        throw AppError(failureText(query.lastError(), statement.sql));
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
