#include "FieldTable.h"

#include "GbkText.h"

namespace Fields {

QString SelectList(const FieldTable& fields)
{
    QString list;
    for (const FieldDef& field : fields)
        list += field.column + QStringLiteral(" AS ") + field.alias + QStringLiteral(", ");
    return list;
}

SqlText Insert(const QString& table, const FieldTable& fields, const Record& values, const QList<Extra>& extra)
{
    Q_ASSERT(values.size() == fields.size());
    QStringList columns;
    QStringList marks;
    SqlText statement;
    for (int i = 0; i < fields.size(); ++i) {
        columns << fields[i].column;
        marks << QStringLiteral("?");
        statement.values << values.value(i);
    }
    for (const Extra& e : extra) {
        columns << e.column;
        marks << QStringLiteral("?");
        statement.values << e.value;
    }
    statement.sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) ")
                        .arg(table, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    return statement;
}

SqlText Update(const QString& table, const FieldTable& fields, const Record& values, qint64 id,
               const QList<Extra>& extra)
{
    Q_ASSERT(values.size() == fields.size());
    QStringList sets;
    SqlText statement;
    for (int i = 0; i < fields.size(); ++i) {
        sets << fields[i].column + QStringLiteral(" = ?");
        statement.values << values.value(i);
    }
    for (const Extra& e : extra) {
        sets << e.column + QStringLiteral(" = ?");
        statement.values << e.value;
    }
    statement.values << id;
    statement.sql = QStringLiteral("UPDATE %1 SET %2 WHERE (ID = ?) ").arg(table, sets.join(QStringLiteral(", ")));
    return statement;
}

QString Fitted(const FieldDef& field, const QString& text)
{
    if (field.limit <= 0)
        return text;
    const bool bytes = field.unit == FieldDef::Unit::GbkBytes;
    return text.left(FittingLength(text, bytes ? -1 : field.limit, bytes ? field.limit : -1));
}

QString ValueOf(const FieldTable& fields, const Record& values, const QString& column)
{
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].column == column)
            return values.value(i);
    return QString();
}

} // namespace Fields
