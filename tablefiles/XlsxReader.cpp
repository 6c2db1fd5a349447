#include "TableReader.h"

#include "AppError.h"
#include "GbkText.h"
#include "NumberFormat.h"
#include "ZipArchive.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <QXmlStreamReader>

#include <algorithm>
#include <exception>
#include <functional>
#include <memory>
#include <unistd.h>

namespace TableReader {

namespace {

QString notAWorkbook() { return QStringLiteral("它不是有效的 Excel 工作簿（.xlsx）。"); }

// The workbook's small parts (relationships, the list of sheets) are read whole.
constexpr quint64 SmallPartLimit = 16 << 20;
// QXmlStreamReader holds a whole token (a tag, a text) until its end has come; Excel
// keeps a cell to 32,767 characters, a few hundred kB at most.
constexpr qint64 TokenLimit = 4 << 20;

class Workbook {
public:
    explicit Workbook(const QString& path) : m_path(path), m_zip(path)
    {
        if (!m_zip.isOpen())
            Refuse(path, QFile::exists(path) ? notAWorkbook() : QStringLiteral("文件不存在。"));
    }
    const QString& path() const { return m_path; }
    // Part names inside a workbook ignore case.
    const ZipReader::Entry* find(const QString& name) const { return m_zip.find(name, Qt::CaseInsensitive); }

    QByteArray smallPart(const QString& name)
    {
        QByteArray data;
        if (m_zip.readAll(name, SmallPartLimit, &data, Qt::CaseInsensitive) != ZipReader::Status::Ok)
            Refuse(m_path, notAWorkbook());
        return data;
    }

    // Streams a part through QXmlStreamReader, handing `token` each token; inflated bytes
    // count against the workbook's limit. False when `proceed` stopped it. What `token`
    // throws is thrown again here, not through minizip's frames.
    bool streamPart(const ZipReader::Entry& entry, const std::function<void(QXmlStreamReader&)>& token,
                    const std::function<bool(quint64 done)>& proceed)
    {
        QXmlStreamReader reader;
        std::exception_ptr failure;
        quint64 done = 0;
        qint64 sinceToken = 0;
        int depth = 0;
        bool closed = false; // the root element ended
        const ZipReader::Status status =
            m_zip.read(entry, WorkbookLimit - m_inflated, [&](const char* data, qsizetype size) {
                try {
                    reader.addData(QByteArray(data, size));
                    done += quint64(size);
                    sinceToken += size;
                    for (QXmlStreamReader::TokenType type; (type = reader.readNext()) != QXmlStreamReader::Invalid;) {
                        sinceToken = 0;
                        // Excel writes no DTD; one could declare entities that swell as they are read.
                        if (type == QXmlStreamReader::DTD)
                            Refuse(m_path, notAWorkbook());
                        depth += type == QXmlStreamReader::StartElement ? 1 : 0;
                        if (type == QXmlStreamReader::EndElement && --depth == 0)
                            closed = true;
                        token(reader);
                    }
                    // Waiting for the next piece is not an error; anything else is.
                    if (reader.hasError() && reader.error() != QXmlStreamReader::PrematureEndOfDocumentError)
                        Refuse(m_path, notAWorkbook());
                    if (sinceToken > TokenLimit)
                        Refuse(m_path, QStringLiteral("工作簿中有一处内容超过 %1 MB 仍未结束，不像是联系人名单。")
                                           .arg(TokenLimit >> 20));
                    return proceed(done);
                } catch (...) {
                    failure = std::current_exception();
                    return false;
                }
            });
        m_inflated += done;
        if (failure)
            std::rethrow_exception(failure);
        switch (status) {
        case ZipReader::Status::Ok:
            if (!closed)
                Refuse(m_path, notAWorkbook());
            return true;
        case ZipReader::Status::Stopped:
            return false;
        case ZipReader::Status::TooLarge:
            Refuse(m_path, QStringLiteral("工作簿解压后超过 %1 MB，不像是联系人名单；请把联系人分成几个文件再导入。")
                               .arg(WorkbookLimit >> 20));
        default:
            Refuse(m_path, QStringLiteral("工作簿已损坏，请在 Excel 中打开并重新保存后再导入。"));
        }
    }

private:
    QString m_path;
    ZipReader m_zip;
    quint64 m_inflated = 0;
};

struct Relationship {
    QString id;
    QString type;
    QString target; // a part name inside the archive
};

// The relationships a part names: its targets are relative to the part's folder.
QList<Relationship> relationshipsOf(Workbook& workbook, const QString& part)
{
    const QString folder = part.section(QLatin1Char('/'), 0, -2);
    const QString prefix = folder.isEmpty() ? QString() : folder + QLatin1Char('/');
    const QString relsPart = prefix + QStringLiteral("_rels/") + part.section(QLatin1Char('/'), -1) + ".rels";
    QList<Relationship> found;
    if (!workbook.find(relsPart))
        return found;
    QXmlStreamReader reader(workbook.smallPart(relsPart));
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement || reader.name() != QLatin1String("Relationship"))
            continue;
        const QXmlStreamAttributes a = reader.attributes();
        const QString target = a.value(QLatin1String("Target")).toString();
        found.append({a.value(QLatin1String("Id")).toString(), a.value(QLatin1String("Type")).toString(),
                      target.startsWith(QLatin1Char('/')) ? target.mid(1) : QDir::cleanPath(prefix + target)});
    }
    return found;
}

QString targetOf(const QList<Relationship>& relationships, const std::function<bool(const Relationship&)>& wanted)
{
    for (const Relationship& r : relationships)
        if (wanted(r))
            return r.target;
    return QString();
}

// The text of a string item (<si>) or an inline string (<is>), token by token: its plain
// text or its runs' texts, without the phonetic guide (<rPh>) some writers add, kept to
// CellLength.
class RichText {
public:
    void clear()
    {
        m_text.clear();
        m_inText = false;
        m_phonetic = 0;
    }
    void token(QXmlStreamReader& reader)
    {
        const bool start = reader.isStartElement();
        if (start || reader.isEndElement()) {
            if (reader.name() == QLatin1String("rPh"))
                m_phonetic += start ? 1 : -1;
            else if (reader.name() == QLatin1String("t"))
                m_inText = start && m_phonetic == 0;
        } else if (m_inText && reader.isCharacters() && m_text.size() <= CellLength) {
            m_text += reader.text().left(CellLength + 1 - m_text.size());
        }
    }
    QString text() const { return m_text.left(FittingLength(m_text, CellLength, -1)); }

private:
    QString m_text;
    bool m_inText = false;
    int m_phonetic = 0;
};

// The workbook's shared strings, each kept to CellLength. Held in memory up to a budget,
// then in two temporary files (the texts, and where each ends), so that memory stays flat
// however many the workbook has.
class SharedStrings {
public:
    void append(const QString& text)
    {
        const QByteArray utf8 = text.toUtf8();
        m_length += quint64(utf8.size());
        ++m_count;
        if (m_spilled) {
            m_texts.write(utf8);
            m_ends.write(reinterpret_cast<const char*>(&m_length), sizeof m_length);
            return;
        }
        m_text += utf8;
        m_memoryEnds.append(m_length);
        if (m_text.size() + m_memoryEnds.size() * qsizetype(sizeof(quint64)) > MemoryBudget)
            spill();
    }
    // Done appending.
    void finish()
    {
        if (m_spilled && !(m_texts.flush() && m_ends.flush()))
            throw AppError(QStringLiteral("无法写入临时文件：%1").arg(m_texts.errorString()));
    }
    quint64 size() const { return m_count; }
    QString at(quint64 index) const
    {
        quint64 ends[2] = {0, 0}; // where the string before this one ends, and this one
        if (!m_spilled) {
            ends[0] = index == 0 ? 0 : m_memoryEnds[qsizetype(index - 1)];
            ends[1] = m_memoryEnds[qsizetype(index)];
            return QString::fromUtf8(m_text.constData() + ends[0], qsizetype(ends[1] - ends[0]));
        }
        const off_t endsAt = off_t(index == 0 ? 0 : (index - 1) * sizeof(quint64));
        const size_t endsSize = index == 0 ? sizeof(quint64) : sizeof ends;
        if (pread(m_ends.handle(), index == 0 ? &ends[1] : ends, endsSize, endsAt) != ssize_t(endsSize))
            throw AppError(QStringLiteral("无法读取临时文件。"));
        QByteArray utf8(qsizetype(ends[1] - ends[0]), Qt::Uninitialized);
        if (pread(m_texts.handle(), utf8.data(), size_t(utf8.size()), off_t(ends[0])) != ssize_t(utf8.size()))
            throw AppError(QStringLiteral("无法读取临时文件。"));
        return QString::fromUtf8(utf8);
    }

private:
    static constexpr qsizetype MemoryBudget = 16 << 20;
    void spill()
    {
        if (!m_texts.open() || !m_ends.open())
            throw AppError(QStringLiteral("无法建立临时文件：%1").arg(m_texts.errorString()));
        m_texts.write(m_text);
        m_ends.write(reinterpret_cast<const char*>(m_memoryEnds.constData()),
                     m_memoryEnds.size() * qsizetype(sizeof(quint64)));
        m_text = QByteArray();
        m_memoryEnds = QList<quint64>();
        m_spilled = true;
    }
    QByteArray m_text;
    QList<quint64> m_memoryEnds;
    QTemporaryFile m_texts, m_ends;
    bool m_spilled = false;
    quint64 m_count = 0;
    quint64 m_length = 0;
};

bool isAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}

bool allDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(),
                                          [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

// A row number of digits only; past MaxRows when longer than it, 0 when not a number.
qint64 rowNumber(QStringView digits)
{
    if (!allDigits(digits))
        return 0;
    return digits.size() > 7 ? MaxRows + 1 : digits.toLongLong();
}

// The rows of a sheet, token by token, handed to the receiver as each ends.
class SheetRows {
public:
    SheetRows(const QString& path, Receiver& receiver, const SharedStrings& shared,
              const NumberFormat::CellStyles& styles)
        : m_path(path), m_receiver(receiver), m_shared(shared), m_styles(styles)
    {
    }

    void token(QXmlStreamReader& reader)
    {
        const QStringView name = reader.name();
        if (reader.isStartElement()) {
            // A row inside a row or a cell, or a cell inside a cell, would end the one
            // around it early and leave its cells nowhere to go: no program writes that.
            if (name == QLatin1String("sheetData") && (m_inSheetData || m_inRow))
                refuseNested(QStringLiteral("一份工作表"));
            else if (name == QLatin1String("sheetData"))
                m_inSheetData = true;
            else if (m_inSheetData && name == QLatin1String("row") && m_inRow)
                refuseNested(QStringLiteral("一行"));
            else if (m_inSheetData && name == QLatin1String("row"))
                startRow(reader.attributes().value(QLatin1String("r")));
            else if (m_inCell && name == QLatin1String("c"))
                refuseNested(QStringLiteral("一个单元格"));
            else if (m_inRow && name == QLatin1String("c"))
                startCell(reader.attributes());
            else if (m_inCell && name == QLatin1String("v"))
                m_inValue = true;
            else if (m_inCell && name == QLatin1String("is"))
                m_inInline = true;
        } else if (reader.isEndElement()) {
            if (name == QLatin1String("sheetData"))
                m_inSheetData = false;
            else if (m_inRow && name == QLatin1String("row"))
                endRow();
            else if (m_inCell && name == QLatin1String("c"))
                endCell();
            else if (name == QLatin1String("v"))
                m_inValue = false;
            else if (name == QLatin1String("is"))
                m_inInline = false;
        } else if (m_inValue && reader.isCharacters() && m_value.size() <= CellLength) {
            m_value += reader.text().left(CellLength + 1 - m_value.size());
        }
        if (m_inInline)
            m_inline.token(reader);
    }

    void finish()
    {
        if (!m_titled)
            m_receiver.titles({});
    }

private:
    [[noreturn]] void refuse(const QString& reason) const { Refuse(m_path, reason); }
    [[noreturn]] void refuseNested(const QString& what) const
    {
        const bool numbered = m_reference.startsWith(QStringLiteral("第")); // the cell has no reference of its own
        const QString where = m_inCell && numbered ? QStringLiteral("%1的单元格").arg(m_reference)
                              : m_inCell           ? QStringLiteral("的单元格 %1 ").arg(m_reference)
                              : m_inRow            ? QStringLiteral("第 %1 行").arg(m_row)
                                                   : QStringLiteral("的数据");
        refuse(QStringLiteral("工作表%1里面又套着%2，工作簿已损坏，请在 Excel 中打开并重新保存后再导入。")
                   .arg(where, what));
    }

    void startRow(QStringView number)
    {
        if (number.isEmpty()) {
            ++m_row;
        } else {
            m_row = rowNumber(number);
            if (m_row < 1)
                refuse(QStringLiteral("工作表的行号 %1 无效。").arg(number.left(20)));
        }
        if (m_row > MaxRows)
            refuse(QStringLiteral("工作表的第 %1 行超出了 Excel 的最后一行 %2。")
                       .arg(number.isEmpty() ? QString::number(m_row) : number.left(20).toString())
                       .arg(MaxRows));
        m_inRow = true;
        m_column = -1;
        m_cells = QStringList(m_wanted.size());
        m_numbers = QList<bool>(m_wanted.size());
        m_titles.clear();
    }

    // "B7": column 1 of row 7. The row is the row's own; a cell without a reference
    // follows the one before it.
    void startCell(const QXmlStreamAttributes& attributes)
    {
        const QStringView reference = attributes.value(QLatin1String("r"));
        m_reference = reference.left(20).toString();
        if (reference.isEmpty()) {
            ++m_column;
        } else {
            qsizetype letters = 0;
            int column = 0;
            for (; letters < reference.size() && isAsciiLetter(reference[letters]); ++letters)
                if (letters < 4) // XFD has three; a fourth is enough to know it is past
                    column = column * 26 + (reference[letters].toUpper().unicode() - 'A' + 1);
            const qint64 row = rowNumber(reference.mid(letters));
            if (letters == 0 || row < 1)
                refuse(QStringLiteral("工作表的单元格位置 %1 无效。").arg(m_reference));
            if (column > MaxColumns)
                refuse(QStringLiteral("工作表的单元格 %1 超出了 Excel 的最后一列 XFD。").arg(m_reference));
            if (row > MaxRows)
                refuse(QStringLiteral("工作表的单元格 %1 超出了 Excel 的最后一行 %2。").arg(m_reference).arg(MaxRows));
            m_column = column - 1;
        }
        if (m_column >= MaxColumns)
            refuse(QStringLiteral("工作表第 %1 行的单元格超出了 Excel 的最后一列 XFD。").arg(m_row));
        if (m_reference.isEmpty())
            m_reference = QStringLiteral("第 %1 行第 %2 列").arg(m_row).arg(m_column + 1);
        m_type = attributes.value(QLatin1String("t")).toString();
        m_style = attributes.value(QLatin1String("s")).left(20).toString();
        m_inCell = true;
        m_value.clear();
        m_inline.clear();
    }

    void endCell()
    {
        m_inCell = m_inValue = m_inInline = false;
        const qsizetype slot = m_titled ? m_wanted.indexOf(m_column) : m_column;
        QString text;
        bool number = false;
        if (m_type == QLatin1String("s")) {
            // An index is checked in every cell, kept or not: a workbook that points past
            // its strings is damaged or made up, and none of it is trusted.
            const QString stored = m_value.trimmed();
            bool ok = allDigits(stored) && stored.size() <= 10;
            const quint64 index = ok ? stored.toULongLong(&ok) : 0;
            if (!ok || index >= m_shared.size())
                refuse(QStringLiteral("工作表的单元格 %1 引用了不存在的共享文字（编号“%2”）。")
                           .arg(m_reference, stored.left(20)));
            if (slot < 0)
                return;
            text = m_shared.at(index);
        } else if (slot < 0) {
            return;
        } else if (m_type == QLatin1String("inlineStr")) {
            text = m_inline.text();
        } else if (m_type.isEmpty() || m_type == QLatin1String("n")) {
            text = NumberFormat::Shown(m_value.trimmed(), m_styles.code(m_style));
            number = !text.isEmpty();
        } else {
            text = m_value; // a formula's text, a truth value, an error
        }
        if (m_titled) {
            m_cells[slot] = text.left(FittingLength(text, CellLength, -1));
            m_numbers[slot] = number;
        } else if (!text.trimmed().isEmpty())
            m_titles.append({m_column, text.left(FittingLength(text, TitleLength, -1))});
    }

    void endRow()
    {
        m_inRow = false;
        if (m_titled) {
            m_receiver.row(m_cells, m_numbers, m_row);
        } else if (!m_titles.isEmpty()) {
            m_wanted = m_receiver.titles(m_titles);
            m_titled = true;
        }
    }

    QString m_path;
    Receiver& m_receiver;
    const SharedStrings& m_shared;
    const NumberFormat::CellStyles& m_styles;
    bool m_inSheetData = false, m_inRow = false, m_inCell = false, m_inValue = false, m_inInline = false;
    qint64 m_row = 0;
    int m_column = -1;
    QString m_reference; // of the cell being read, for a message
    QString m_type;
    QString m_style; // the cell's style, which has its number format
    QString m_value;
    RichText m_inline;
    bool m_titled = false;
    QList<Title> m_titles;
    QList<int> m_wanted;
    QStringList m_cells;
    QList<bool> m_numbers;
};

} // namespace

bool ReadXlsx(const QString& path, Receiver& receiver)
{
    Workbook workbook(path);
    QString main = targetOf(relationshipsOf(workbook, QString()),
                            [](const Relationship& r) { return r.type.endsWith(QLatin1String("/officeDocument")); });
    if (main.isEmpty())
        main = QStringLiteral("xl/workbook.xml");
    const QList<Relationship> parts = relationshipsOf(workbook, main);

    // The first sheet in the workbook's own order, which need not be sheet1.xml.
    QString firstSheetId;
    QXmlStreamReader reader(workbook.smallPart(main));
    while (!reader.atEnd() && firstSheetId.isEmpty()) {
        if (reader.readNext() != QXmlStreamReader::StartElement || reader.name() != QLatin1String("sheet"))
            continue;
        for (const QXmlStreamAttribute& attribute : reader.attributes())
            if (attribute.name() == QLatin1String("id"))
                firstSheetId = attribute.value().toString();
    }
    QString sheetName = targetOf(parts, [&](const Relationship& r) { return r.id == firstSheetId; });
    if (sheetName.isEmpty())
        sheetName = QStringLiteral("xl/worksheets/sheet1.xml");
    const ZipReader::Entry* sheet = workbook.find(sheetName);
    if (!sheet)
        Refuse(path, notAWorkbook());
    const QString stringsName =
        targetOf(parts, [](const Relationship& r) { return r.type.endsWith(QLatin1String("/sharedStrings")); });
    const ZipReader::Entry* strings = stringsName.isEmpty() ? nullptr : workbook.find(stringsName);
    const QString stylesName =
        targetOf(parts, [](const Relationship& r) { return r.type.endsWith(QLatin1String("/styles")); });
    const ZipReader::Entry* styles = stylesName.isEmpty() ? nullptr : workbook.find(stylesName);

    // Progress by inflated bytes against the sizes the archive records.
    const quint64 stylesSize = styles ? styles->size : 0, stringsSize = strings ? strings->size : 0;
    const quint64 total = stylesSize + stringsSize + sheet->size;
    const auto proceed = [&](quint64 done) { return receiver.proceed(qint64(std::min(done, total)), qint64(total)); };
    NumberFormat::CellStyles cellStyles;
    if (styles && !workbook.streamPart(
                      *styles, [&](QXmlStreamReader& xml) { cellStyles.token(xml); }, proceed))
        return false;
    SharedStrings shared;
    if (strings) {
        RichText text;
        const bool read = workbook.streamPart(
            *strings,
            [&](QXmlStreamReader& xml) {
                if (xml.isStartElement() && xml.name() == QLatin1String("si"))
                    text.clear();
                else if (xml.isEndElement() && xml.name() == QLatin1String("si"))
                    shared.append(text.text());
                else
                    text.token(xml);
            },
            [&](quint64 done) { return proceed(stylesSize + done); });
        if (!read)
            return false;
        shared.finish();
    }
    SheetRows rows(path, receiver, shared, cellStyles);
    const quint64 before = stylesSize + stringsSize;
    if (!workbook.streamPart(
            *sheet, [&](QXmlStreamReader& xml) { rows.token(xml); },
            [&](quint64 done) { return proceed(before + done); }))
        return false;
    rows.finish();
    return true;
}

} // namespace TableReader
