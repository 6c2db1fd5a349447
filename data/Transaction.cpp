#include "Transaction.h"

#include "AppError.h"
#include "DM.h"

#include <QSqlError>

Transaction::Transaction()
{
    QSqlDatabase db = DM().database();
    if (!db.transaction())
        throw AppError(QStringLiteral("数据库错误：无法开始事务：%1").arg(db.lastError().text()));
    m_open = true;
}

Transaction::~Transaction()
{
    if (m_open)
        DM().database().rollback();
}

void Transaction::commit()
{
    QSqlDatabase db = DM().database();
    if (!db.commit()) {
        const QString reason = db.lastError().text();
        db.rollback();
        m_open = false;
        throw AppError(QStringLiteral("数据库错误：无法提交事务：%1").arg(reason));
    }
    m_open = false;
}
