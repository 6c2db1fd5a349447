#include "Transaction.h"

#include "AppError.h"
#include "DM.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

int g_depth = 0; // open transactions, the outermost included

QString savepoint(int depth) { return QStringLiteral("orvane_%1").arg(depth); }

// Savepoint statements are the same in SQLite and PostgreSQL.
bool exec(const QString& sql)
{
    QSqlQuery query(DM().database());
    return query.exec(sql);
}

} // namespace

Transaction::Transaction()
{
    QSqlDatabase db = DM().database();
    if (g_depth == 0) {
        if (!db.transaction())
            throw AppError(QStringLiteral("数据库错误：无法开始事务：%1").arg(db.lastError().text()));
    } else if (!exec(QStringLiteral("SAVEPOINT ") + savepoint(g_depth))) {
        throw AppError(QStringLiteral("数据库错误：无法开始事务：%1").arg(db.lastError().text()));
    }
    m_depth = g_depth++;
    m_open = true;
}

Transaction::~Transaction()
{
    if (!m_open)
        return;
    --g_depth;
    if (m_depth == 0) {
        DM().database().rollback();
    } else {
        exec(QStringLiteral("ROLLBACK TO SAVEPOINT ") + savepoint(m_depth));
        exec(QStringLiteral("RELEASE SAVEPOINT ") + savepoint(m_depth));
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
        if (!exec(QStringLiteral("RELEASE SAVEPOINT ") + savepoint(m_depth)))
            throw AppError(QStringLiteral("数据库错误：无法提交事务。"));
        return;
    }
    QSqlDatabase db = DM().database();
    m_open = false;
    --g_depth;
    if (!db.commit()) {
        const QString reason = db.lastError().text();
        db.rollback();
        throw AppError(QStringLiteral("数据库错误：无法提交事务：%1").arg(reason));
    }
}
