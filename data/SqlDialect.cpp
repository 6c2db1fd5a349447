#include "SqlDialect.h"

#include "AppError.h"
#include "DM.h"

#include <QSqlQuery>

QString Contains(const QString& column) { return column + QStringLiteral(" LIKE '%' || ? || '%'"); }

QString BeginWriteSql() { return QStringLiteral("BEGIN IMMEDIATE"); }

qint64 InsertRow(const SqlText& insert)
{
    QSqlQuery query = DM().run(insert);
    const QVariant id = query.lastInsertId();
    if (!id.isValid())
        throw AppError(QStringLiteral("数据库错误：新记录没有返回编号。\n%1").arg(insert.sql.trimmed()));
    return id.toLongLong();
}

QVariant QueryValue(const SqlText& select)
{
    QSqlQuery query = DM().run(select);
    return query.next() ? query.value(0) : QVariant();
}
