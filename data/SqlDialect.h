#pragma once

#include "SqlText.h"

#include <QString>

// Everything the statements need that differs between SQL databases stands here, so
// that the same statements can later run on a shared server database.

// "column LIKE '%' || ? || '%'": the bound text anywhere in the column, ASCII letters
// in either case (SQLite's LIKE ignores their case; a server database would say ILIKE).
// A % or _ in the text still acts as a wildcard.
QString Contains(const QString& column);

// Runs an INSERT and returns the ID the database gave the new row: the row this
// statement wrote, whatever another program inserted meanwhile.
qint64 InsertRow(const SqlText& insert);

// The first column of the first row of a SELECT (a COUNT, say); a null value when
// there is no row.
QVariant QueryValue(const SqlText& select);

// Starts a transaction that may write. On SQLite it takes the write lock at once
// (BEGIN IMMEDIATE), waiting for another program's lock like any write: a plain BEGIN
// that reads first fails at the later upgrade without waiting at all.
QString BeginWriteSql();
