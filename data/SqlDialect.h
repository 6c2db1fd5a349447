#pragma once

#include "SqlText.h"

#include <QSqlRecord>
#include <QString>
#include <functional>

// Everything the statements need that differs between SQL databases stands here, so
// that the same statements run on the embedded file and on a shared server database.

// The bound text anywhere in the column, letters in either case (SQLite's LIKE ignores
// the case of ASCII letters, the server's ILIKE that of every letter); a % or _ in the text still
// acts as a wildcard. SQLite's LIKE stops reading its pattern at a NUL, so a text with
// a NUL in it is looked for as it is, the NUL an ordinary character. Every "?" of it
// takes the same text.
QString Contains(const QString& column);

// How a listing is ordered: by one of its columns, named by its alias, its ID breaking
// ties so that every row has exactly one place.
struct ListingOrder {
    QString alias = QStringLiteral("ID");
    bool descending = true;
    // Another column, by alias, whose values order the rows before `alias` does: a name's
    // pinyin initials, so that 张 comes before 赵, which their code points would not give.
    QString key;
};

// The aliases a listing in this order is sorted by, ID last.
QStringList OrderAliases(const ListingOrder& order);

// "ORDER BY ID DESC " or "ORDER BY "快递日期" ASC, ID ASC ": the whole listing in that order.
QString OrderByClause(const ListingOrder& order);

// A page of a listing read by key: the first `limit` rows of `rows` (a SELECT with no
// ORDER BY whose rows carry a unique ID) in `order`, after the row whose values under
// OrderAliases(order) are `after`; from the first row when `after` is empty. Nothing is
// left open between pages, so a listing shown for hours pins no snapshot of the database.
SqlText ListingPage(const SqlText& rows, const ListingOrder& order, const QVariantList& after, int limit);

// Every row of `rows` in `order`, read a page at a time with nothing left open while `each`
// runs, so it may run statements of its own (on the server a second statement would cut a
// streaming one short). Stops when `each` returns false.
void ForEachRow(const SqlText& rows, const ListingOrder& order, const std::function<bool(const QSqlRecord&)>& each);

// The row of `rows` with this ID, read again.
SqlText ListedRow(const SqlText& rows, const QVariant& id);

// Runs an INSERT and returns the ID the database gave the new row: the row this
// statement wrote, whatever another program inserted meanwhile.
qint64 InsertRow(const SqlText& insert);

// The first column of the first row of a SELECT (a COUNT, say); a null value when
// there is no row.
QVariant QueryValue(const SqlText& select);

// A schema step's statement, written for SQLite, as the database in use takes it: on the
// server, identity columns, 64-bit integers, doubles and byte arrays.
QString SchemaStatement(const QString& statement);
// The same for a database that is not the program's own connection's: the server's, or the file's.
QString SchemaStatement(const QString& statement, bool server);

// A value as it is bound for the server or the file: an empty box's null text is stored as
// empty text, never NULL, and a server's text, which cannot hold a NUL, gets a stand-in.
QVariant BoundValue(const QVariant& value, bool server);

// A listing's columns named as its statement wrote them: the server folds an unquoted
// name to lower case, and the only one a listing shows unquoted is its ID.
QSqlRecord ColumnsAsWritten(QSqlRecord columns);

// Starts a transaction that may write. On SQLite it takes the write lock at once
// (BEGIN IMMEDIATE), waiting for another program's lock like any write: a plain BEGIN
// that reads first fails at the later upgrade without waiting at all.
QString BeginWriteSql();
