#pragma once

#include "FieldTable.h"

#include <QSqlRecord>
#include <QString>

// Rows that several PCs change: each carries theVersion, read with the row and raised by
// every write, so that a save over a copy another PC changed or deleted meanwhile is
// refused instead of silently undoing that PC's work.
namespace VersionedRow {

// How the messages name the row: "这张快递单", "新快递单" and, for the listing, "快递单".
struct Words {
    QString row;
    QString newRow;
    QString listed;

    QString changed() const;
    QString deleted() const;
    QString gone() const;
};

struct Stored {
    QSqlRecord row; // the columns by their listing alias
    qint64 version = 0;
};

// The live row `id` through "SELECT … ID " + "FROM table WHERE (theDel = '否') ": throws
// AppError(words.gone()) when it is no longer live.
Stored Load(const QString& selectList, const QString& from, qint64 id, const Words& words);

// Writes `values` (and `extra`) over row `id` of `table` only when it is live and still
// at `readVersion`, raising the version; otherwise writes nothing and throws AppError
// with words.changed() or words.deleted().
void Update(const QString& table, const FieldTable& fields, const Record& values, qint64 id, QList<Fields::Extra> extra,
            qint64 readVersion, const Words& words);

// "UPDATE table SET theDel = '是', theVersion = theVersion + 1 WHERE (ID = ?) ".
void SoftDelete(const QString& table, qint64 id);

} // namespace VersionedRow
