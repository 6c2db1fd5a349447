#pragma once

#include "SqlText.h"

#include <QString>
#include <QStringList>

// Writes a listing to an Excel workbook: one sheet, a title row of the statement's
// aliases, then every row the statement gives. Needs no widget.
//
// The statement runs forward-only and the workbook streams each row to disk, so memory
// stays flat however many rows there are. Columns named in `dateColumns` hold
// "yyyy-MM-dd" texts and become Excel dates; a value the database holds as a number (a
// count) stays a number; every other value is written as text, so a phone number or
// postcode keeps its leading zeros. A text past what an Excel cell holds is cut to it.
// Columns in `leftOut` are not written. Throws AppError on failure, and then leaves no
// file behind.
struct ExportResult {
    qint64 rows = 0; // written below the titles
    qint64 cutCells = 0;
};
ExportResult ExportListing(const SqlText& listing, const QStringList& leftOut, const QStringList& dateColumns,
                           const QString& path);

// "导出 N 条记录到 <path>", and which cells were cut.
QString ExportedText(const ExportResult& result, const QString& path);

// Characters an Excel cell holds.
constexpr int CellCharacters = 32767;
