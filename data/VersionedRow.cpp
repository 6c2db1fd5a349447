#include "VersionedRow.h"

#include "AppError.h"
#include "DM.h"
#include "SqlDialect.h"

#include <QSqlQuery>

namespace VersionedRow {

QString Words::changed() const
{
    return QStringLiteral("%1在您打开之后已被修改（在另一台电脑上，或在另一个窗口里），这次没有保存。\n"
                          "您填写的内容仍在窗口里。请关闭这个窗口，重新打开%1，再把修改填一次。")
        .arg(row);
}

QString Words::deleted() const
{
    return QStringLiteral("%1已被删除（在另一台电脑上，或在另一个窗口里），这次没有保存。\n"
                          "您填写的内容仍在窗口里；如仍需要，请关闭这个窗口，把它作为%2录入。")
        .arg(row, newRow);
}

QString Words::gone() const
{
    return QStringLiteral("%1已被删除（在另一台电脑上，或在另一个窗口里）。\n请点“查询”重新列出%2。").arg(row, listed);
}

Stored Load(const QString& selectList, const QString& from, qint64 id, const Words& words)
{
    QSqlQuery query =
        DM().run(SqlText(selectList + QStringLiteral(", theVersion ") + from + QStringLiteral("AND (ID = ?) "), {id}));
    if (!query.next())
        throw AppError(words.gone());
    return {ColumnsAsWritten(query.record()), query.value(QStringLiteral("theVersion")).toLongLong()};
}

void Update(const QString& table, const FieldTable& fields, const Record& values, qint64 id, QList<Fields::Extra> extra,
            qint64 readVersion, const Words& words)
{
    // The row lock makes a second PC's save of the same version wait, then find none.
    extra.append({QStringLiteral("theVersion"), readVersion + 1});
    SqlText update = Fields::Update(table, fields, values, id, extra);
    update.sql += QStringLiteral("AND (theVersion = ?) AND (theDel = '否') ");
    update.values << readVersion;
    if (DM().run(update).numRowsAffected() == 1)
        return;
    const bool live =
        QueryValue(
            SqlText(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE (ID = ?) AND (theDel = '否') ").arg(table), {id}))
            .toLongLong() > 0;
    throw AppError(live ? words.changed() : words.deleted());
}

void SoftDelete(const QString& table, qint64 id)
{
    DM().ExecSql(SqlText(
        QStringLiteral("UPDATE %1 SET theDel = '是', theVersion = theVersion + 1 WHERE (ID = ?) ").arg(table), {id}));
}

} // namespace VersionedRow
