#pragma once

#include "SqlText.h"

#include <QString>
#include <QStringList>

// Writes a listing to an Excel workbook: one sheet, a title row of the statement's
// aliases, then every row the statement gives. Needs no widget.
//
// The statement runs forward-only and the workbook streams each row to disk, so memory
// stays flat however many rows there are. Columns named in `dateColumns` hold
// "yyyy-MM-dd" texts and become Excel dates; every other column is written as text, so a
// phone number or postcode keeps its leading zeros. Columns in `leftOut` are not written.
// Returns the number of rows written below the titles; throws AppError on failure, and
// then leaves no file behind.
qint64 ExportListing(const SqlText& listing, const QStringList& leftOut, const QStringList& dateColumns,
                     const QString& path);
