#pragma once

#include "ContactStore.h"

#include <QString>

#include <functional>
#include <optional>

// Contacts from a table file someone keeps elsewhere: an Excel workbook or a CSV file
// (see TableReader) whose first row names the columns as a contact query or a waybill
// query titles them.
namespace ContactImport {

struct Summary {
    int imported = 0;
    int duplicates = 0; // same name and organisation as a live contact, or one earlier in the file
    int nameless = 0;
    int cut = 0; // imported rows with a text longer than its box takes
    // Imported area codes and postcodes the file kept as numbers, with their leading zeros
    // shown by the cell's format or put back (an area code starts with 0, a postcode has 6 digits).
    int areaCodeZeros = 0;
    int postcodeZeros = 0;
};

// How much of the file is read, now and then; false stops the import.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// Adds the file's contacts to the book, row by row as the file is read. Columns are found
// by their titles in any order, either book's titles for the name (寄件人 or 收件人) or a
// waybill listing's (收件人电话号码 …), the book's own first; a missing column is left
// empty, an unknown one ignored, a blank row passed over. An area code or a postcode the
// file kept as a number gets back the leading zeros a spreadsheet drops. Each text is cut
// to its box's limit as typing it would. All of it or, should any row fail or the progress stop it,
// none of it: empty when stopped. Throws AppError when the file is refused or has no
// name column, saying which titles it has and which are wanted.
std::optional<Summary> Import(const ContactKind& kind, const QString& path, const Progress& progress = {});

// "导入 N 条，跳过 M 条重复，K 条无姓名", how many were cut, and whose zeros were put back.
QString SummaryText(const Summary& summary);

} // namespace ContactImport
