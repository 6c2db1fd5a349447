#include "SqlDialect.h"

#include "AppError.h"
#include "DM.h"

#include <QSqlQuery>

QString Contains(const QString& column)
{
    // instr() and lower() go by the text's length, LIKE stops at a NUL.
    return QStringLiteral("CASE WHEN instr(?, char(0)) > 0 THEN instr(lower(%1), lower(?)) > 0 "
                          "ELSE %1 LIKE '%' || ? || '%' END")
        .arg(column);
}

namespace {

QString quotedAlias(const QString& alias)
{
    return QLatin1Char('"') + QString(alias).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

bool byId(const ListingOrder& order) { return order.alias == QLatin1String("ID"); }

} // namespace

QString OrderByClause(const ListingOrder& order)
{
    const QString direction = order.descending ? QStringLiteral("DESC") : QStringLiteral("ASC");
    if (byId(order))
        return QStringLiteral("ORDER BY ID %1 ").arg(direction);
    return QStringLiteral("ORDER BY %1 %2, ID %2 ").arg(quotedAlias(order.alias), direction);
}

SqlText ListingPage(const SqlText& rows, const ListingOrder& order, const QVariant& key, const QVariant& id, int limit)
{
    // The listing as a derived table, so its aliases can be compared; SQLite folds it
    // into one statement that still walks the ID or column index.
    SqlText page(QStringLiteral("SELECT * FROM (%1) AS Listed ").arg(rows.sql.trimmed()), rows.values);
    if (!id.isNull()) {
        const QString after = order.descending ? QStringLiteral("<") : QStringLiteral(">");
        if (byId(order)) {
            page.sql += QStringLiteral("WHERE ID %1 ? ").arg(after);
        } else {
            page.sql += QStringLiteral("WHERE (%1, ID) %2 (?, ?) ").arg(quotedAlias(order.alias), after);
            page.values << key;
        }
        page.values << id;
    }
    page.sql += OrderByClause(order) + QStringLiteral("LIMIT %1 ").arg(limit);
    return page;
}

SqlText ListedRow(const SqlText& rows, const QVariant& id)
{
    SqlText row(QStringLiteral("SELECT * FROM (%1) AS Listed WHERE ID = ? ").arg(rows.sql.trimmed()), rows.values);
    row.values << id;
    return row;
}

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
