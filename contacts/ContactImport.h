#pragma once

#include "ContactStore.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Contacts from a table file someone keeps elsewhere: an Excel workbook or a CSV file
// whose first row names the columns as the query's grid titles them.
namespace ContactImport {

// A file's rows of cell texts, in order; a row holds its cells up to its last filled one.
using Table = QList<QStringList>;

// The rows of an .xlsx workbook's first sheet, or else of a CSV file, whatever the file
// is called. Throws AppError when the file cannot be read.
Table ReadTable(const QString& path);

// The first sheet of an .xlsx workbook. Shared and inline strings read as their text; a
// whole number (a phone number typed as one) as its digits, without ".0" or an exponent.
Table ReadXlsx(const QString& path);

// CSV as RFC 4180 quotes it (commas, doubled quotes and line breaks inside quotes), in
// UTF-8 with or without a byte order mark, or in GBK when the bytes are not UTF-8.
Table ParseCsv(const QByteArray& bytes);

// One file inside a zip archive, such as an .xlsx workbook's sheet. Throws AppError when
// the archive cannot be opened or lacks the file.
QByteArray ZipEntry(const QString& zipPath, const QString& name);

struct Summary {
    int imported = 0;
    int duplicates = 0; // same name and organisation as a live contact, or one earlier in the file
    int nameless = 0;
};

// Adds the table's contacts to the book: columns found by their titles in the first row,
// in any order, a missing one left empty, an unknown one ignored; a blank row is passed
// over. All of it or, should any insert fail, none of it.
Summary Import(const ContactKind& kind, const Table& table);

// "导入 N 条，跳过 M 条重复，K 条无姓名"
QString SummaryText(const Summary& summary);

} // namespace ContactImport
