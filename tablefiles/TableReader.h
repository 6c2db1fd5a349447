#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A table file someone keeps elsewhere, read row by row: the first sheet of an Excel
// workbook or a CSV file, whatever the file is called. Nothing in the file is trusted:
// memory stays flat however large it is, a cell far to the right costs nothing, and a
// file that breaks the rules of its format or the bounds of an Excel sheet is refused
// with a message saying where.
namespace TableReader {

struct Title {
    int column; // from 0
    QString text;
};

class Receiver {
public:
    virtual ~Receiver() = default;
    // The first row with any text in it (none for an empty file): its filled cells, left
    // to right. Returns the columns whose texts row() then gets, in that order.
    virtual QList<int> titles(const QList<Title>& titles) = 0;
    // A row below the titles: the texts of the columns asked for, "" where the row has
    // none; which of them the file kept as numbers (a sheet's number cells, shown as its
    // number format shows them; never in a CSV file); and where the row is in the file
    // (the CSV line it starts on, the sheet's row).
    virtual void row(const QStringList& cells, const QList<bool>& numbers, qint64 line) = 0;
    // Called now and then with how much of the file has been read; false stops reading.
    virtual bool proceed(qint64 done, qint64 total)
    {
        Q_UNUSED(done);
        Q_UNUSED(total);
        return true;
    }
};

// Cells are cut to this many UTF-16 units, titles to TitleLength: far more than any
// box takes, so what an import keeps is the same.
constexpr int CellLength = 1024;
constexpr int TitleLength = 255;
// Past these an Excel sheet has no room: column XFD, row 1,048,576.
constexpr int MaxColumns = 16384;
constexpr qint64 MaxRows = 1048576;
// Inflated workbook parts past this are not a contact list, whatever they hold.
constexpr quint64 WorkbookLimit = quint64(512) << 20;

// Reads the file into the receiver. Returns false when the receiver stopped it; throws
// AppError when the file cannot be read or is refused.
bool Read(const QString& path, Receiver& receiver);

// The same for the two formats, whatever the file's first bytes say.
bool ReadCsv(const QString& path, Receiver& receiver);
bool ReadXlsx(const QString& path, Receiver& receiver);

// "无法读取文件 <path>：<reason>"
[[noreturn]] void Refuse(const QString& path, const QString& reason);

} // namespace TableReader
