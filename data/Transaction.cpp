#include "Transaction.h"

#include "AppError.h"
#include "DM.h"
#include "SqlDialect.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

namespace {

int g_depth = 0; // open transactions, the outermost included

QString lockKey(const QStringList& key) { return key.join(QChar(0x1f)); }

QString savepoint(int depth) { return QStringLiteral("orvane_%1").arg(depth); }

// Savepoint statements are the same in SQLite and PostgreSQL.
bool exec(const QString& sql)
{
    QSqlQuery query(DM().database());
    return query.exec(sql);
}

} // namespace

bool Transaction::anyOpen() { return g_depth > 0; }

Transaction::Transaction()
{
    if (g_depth == 0)
        DM().confirmUser();
    // A lock held by another program gets the same plain message as any statement.
    DM().run(SqlText(g_depth == 0 ? BeginWriteSql() : QStringLiteral("SAVEPOINT ") + savepoint(g_depth)));
    m_depth = g_depth++;
    m_open = true;
}

Transaction::~Transaction()
{
    if (!m_open)
        return;
    --g_depth;
    // A lost server closed the connection, and with it the transaction: nothing to undo,
    // and a destructor must not try to connect again.
    if (!DM().isOpen())
        return;
    if (m_depth == 0) {
        DM().database().rollback();
    } else {
        exec(QStringLiteral("ROLLBACK TO SAVEPOINT ") + savepoint(m_depth));
        exec(QStringLiteral("RELEASE SAVEPOINT ") + savepoint(m_depth));
    }
}

void Transaction::serialise(const QStringList& key)
{
    if (DM().isServer())
        DM().run(SqlText(QStringLiteral("SELECT pg_advisory_xact_lock(hashtext(?))"), {lockKey(key)}));
}

void Transaction::hold(const QStringList& key, bool shared, const QString& refusal)
{
    if (!DM().isServer())
        return;
    // Tried rather than waited for: a lock timeout would abort the whole transaction with
    // the server's generic busy error, and the caller knows better who is in the way.
    const SqlText attempt(QStringLiteral("SELECT %1(hashtext(?))")
                              .arg(shared ? QStringLiteral("pg_try_advisory_xact_lock_shared")
                                          : QStringLiteral("pg_try_advisory_xact_lock")),
                          {lockKey(key)});
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        QSqlQuery query = DM().run(attempt);
        if (query.next() && query.value(0).toBool())
            return;
        if (waited.elapsed() >= BusyTimeoutMs)
            throw AppError(refusal);
        QThread::msleep(50);
    }
}

void Transaction::commit()
{
    if (!m_open)
        return;
    if (m_depth > 0) {
        // The outer transaction decides; releasing keeps these writes inside it.
        m_open = false;
        --g_depth;
        DM().run(SqlText(QStringLiteral("RELEASE SAVEPOINT ") + savepoint(m_depth)));
        return;
    }
    QSqlDatabase db = DM().database();
    m_open = false;
    --g_depth;
    if (!db.commit()) {
        const QSqlError error = db.lastError();
        db.rollback();
        DM().fail(error, QStringLiteral("COMMIT"));
    }
}
