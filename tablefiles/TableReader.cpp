#include "TableReader.h"

#include "AppError.h"
#include "GbkText.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>

#include <cstdlib>
#include <csv.h>

namespace TableReader {

void Refuse(const QString& path, const QString& reason)
{
    throw AppError(QStringLiteral("无法读取文件 %1：%2").arg(QDir::toNativeSeparators(path), reason));
}

namespace {

constexpr qsizetype Piece = 256 << 10;
// A line or a field past this is no contact, and holding it would cost memory for nothing.
constexpr qsizetype LineLimit = 16 << 20;

// A file line by line, each line with its break (LF, CRLF or a lone CR, as old Mac
// programs wrote), read in pieces so that memory stays flat.
class LineFile {
public:
    explicit LineFile(const QString& path) : m_file(path)
    {
        if (!m_file.open(QIODevice::ReadOnly))
            Refuse(path, m_file.exists() ? m_file.errorString() : QStringLiteral("文件不存在。"));
    }

    // False at the end of the file. The line stays valid until the next call.
    bool next(QByteArrayView* line)
    {
        m_buffer.remove(0, m_start);
        m_scanned -= m_start;
        m_start = 0;
        for (;;) {
            for (; m_scanned < m_buffer.size(); ++m_scanned) {
                const char c = m_buffer[m_scanned];
                if (c != '\n' && c != '\r')
                    continue;
                if (c == '\r' && m_scanned + 1 == m_buffer.size() && !m_atEnd)
                    break; // an LF may follow in the next piece
                qsizetype end = m_scanned + 1;
                if (c == '\r' && end < m_buffer.size() && m_buffer[end] == '\n')
                    ++end;
                return give(line, end);
            }
            if (m_atEnd)
                return !m_buffer.isEmpty() && give(line, m_buffer.size());
            if (m_buffer.size() > LineLimit)
                Refuse(m_file.fileName(), QStringLiteral("第 %1 行超过 16 MB，不像是联系人名单。").arg(m_number + 1));
            const QByteArray more = m_file.read(Piece);
            if (more.isEmpty() && m_file.error() != QFileDevice::NoError)
                Refuse(m_file.fileName(), m_file.errorString());
            m_atEnd = more.isEmpty();
            m_buffer += more;
        }
    }
    qint64 number() const { return m_number; }
    qint64 position() const { return m_file.pos() - m_buffer.size() + m_start; }
    qint64 size() const { return m_file.size(); }

private:
    bool give(QByteArrayView* line, qsizetype end)
    {
        *line = QByteArrayView(m_buffer).first(end);
        m_start = end;
        m_scanned = end;
        ++m_number;
        return true;
    }
    QFile m_file;
    QByteArray m_buffer;
    qsizetype m_start = 0;   // where the next line begins
    qsizetype m_scanned = 0; // bytes already searched for a line break
    bool m_atEnd = false;
    qint64 m_number = 0;
};

bool validUtf8(QByteArrayView bytes)
{
    int need = 0; // continuation bytes still to come
    unsigned char low = 0x80, high = 0xBF;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (need > 0) {
            if (b < low || b > high)
                return false;
            low = 0x80;
            high = 0xBF;
            --need;
        } else if (b >= 0x80) {
            // No overlong forms, no surrogates, nothing past U+10FFFF.
            if (b < 0xC2 || b > 0xF4)
                return false;
            need = b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
            low = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
            high = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
        }
    }
    return need == 0;
}

const QByteArray Bom("\xEF\xBB\xBF");

// The first line that is not UTF-8, or 0 when the whole file is; whether it starts with a byte order mark.
qint64 firstLineNotUtf8(const QString& path, bool* bom)
{
    LineFile file(path);
    QByteArrayView line;
    while (file.next(&line)) {
        if (file.number() == 1 && line.startsWith(Bom)) {
            *bom = true;
            line = line.sliced(Bom.size());
        }
        if (!validUtf8(line))
            return file.number();
    }
    return 0;
}

QString cut(const QString& text, int length) { return text.left(FittingLength(text, length, -1)); }

// Cells as libcsv hands them over, one line at a time, kept only for the columns asked for.
struct CsvRows {
    Receiver& receiver;
    bool titled = false;
    QList<Title> titles;
    QList<int> wanted;
    QStringList cells;
    int column = 0;
    bool rowEnded = false;
    bool tooWide = false;

    static void field(void* data, size_t size, void* self) { static_cast<CsvRows*>(self)->addField(data, size); }
    static void rowEnd(int, void* self) { static_cast<CsvRows*>(self)->rowEnded = true; }

    void addField(void* data, size_t size)
    {
        const int at = column++;
        if (at >= MaxColumns) {
            tooWide = true;
            return;
        }
        const qsizetype slot = titled ? wanted.indexOf(at) : at;
        if (slot < 0)
            return;
        // A few bytes more than the cell keeps: three make a character of up to one unit.
        const QString text = cut(
            QString::fromUtf8(static_cast<const char*>(data), qsizetype(std::min<size_t>(size, (CellLength + 1) * 3))),
            titled ? CellLength : TitleLength);
        if (titled)
            cells[slot] = text;
        else if (!text.trimmed().isEmpty())
            titles.append({at, text});
    }

    // Hands the row that ended to the receiver.
    void deliver(qint64 line)
    {
        if (titled) {
            receiver.row(cells, QList<bool>(cells.size()), line);
        } else if (!titles.isEmpty()) {
            wanted = receiver.titles(titles);
            titled = true;
        }
        cells = QStringList(wanted.size());
        column = 0;
        rowEnded = false;
    }
};

// libcsv takes a field as large as the file unless its buffer is refused past a size.
void* boundedRealloc(void* block, size_t size)
{
    return size > size_t(LineLimit) ? nullptr : std::realloc(block, size);
}

bool blankLine(QByteArrayView line)
{
    for (const char c : line)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return false;
    return true;
}

} // namespace

// libcsv parses RFC 4180 strictly (commas, quotes doubled inside quotes, line breaks
// inside quotes; a stray quote is refused, not guessed at) as the bytes stream by; the file is fed to it line by line
// so that each row is known by the line it starts on. Commas, quotes and line breaks are the same bytes in UTF-8 and
// GBK, so a GBK line is made UTF-8 first.
bool ReadCsv(const QString& path, Receiver& receiver)
{
    bool bom = false;
    const qint64 notUtf8 = firstLineNotUtf8(path, &bom);
    if (notUtf8 > 0 && bom)
        Refuse(
            path,
            QStringLiteral("第 %1 行不是 UTF-8 编码的文字，请检查该行后另存为 UTF-8 编码的 CSV 文件。").arg(notUtf8));

    csv_parser parser{};
    csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI);
    csv_set_realloc_func(&parser, boundedRealloc);
    const auto release = qScopeGuard([&] { csv_free(&parser); });
    CsvRows rows{receiver};
    LineFile file(path);
    QByteArrayView line;
    qint64 rowLine = 0; // the line the unfinished row starts on
    while (file.next(&line)) {
        QByteArray converted;
        if (file.number() == 1 && bom)
            line = line.sliced(Bom.size());
        if (notUtf8 > 0) {
            const QString text = fromGbk(line.toByteArray());
            if (text.contains(QChar::ReplacementCharacter))
                Refuse(path, QStringLiteral("第 %1 行既不是 UTF-8 也不是 GBK 编码的文字，请检查该行，或在 Excel "
                                            "中另存为 UTF-8 编码的 CSV 文件后再导入。")
                                 .arg(std::max(notUtf8, file.number())));
            converted = text.toUtf8();
            line = converted;
        }
        if (rowLine == 0 && !blankLine(line))
            rowLine = file.number();
        if (csv_parse(&parser, line.data(), size_t(line.size()), CsvRows::field, CsvRows::rowEnd, &rows) !=
            size_t(line.size())) {
            if (csv_error(&parser) == CSV_EPARSE)
                Refuse(path, QStringLiteral("第 %1 行的引号用法不对：含有引号、逗号或换行的单元格要整个放在引号里，"
                                            "其中的引号写成两个（\"\"）。")
                                 .arg(file.number()));
            Refuse(path, QStringLiteral("从第 %1 行起的一个单元格超过 16 MB，请检查该处的引号是否成对。").arg(rowLine));
        }
        if (rows.tooWide)
            Refuse(path, QStringLiteral("第 %1 行超过 Excel 工作表的 %2 列。").arg(rowLine).arg(MaxColumns));
        if (rows.rowEnded) {
            rows.deliver(rowLine);
            rowLine = 0;
        }
        if (file.number() % 1024 == 0 && !receiver.proceed(file.position(), file.size()))
            return false;
    }
    if (csv_fini(&parser, CsvRows::field, CsvRows::rowEnd, &rows) != 0)
        Refuse(path,
               QStringLiteral("第 %1 行的引号没有配对：一个以引号开始的单元格直到文件末尾都没有结束。").arg(rowLine));
    if (rows.rowEnded)
        rows.deliver(rowLine);
    if (!rows.titled)
        receiver.titles({});
    return receiver.proceed(file.size(), file.size());
}

bool Read(const QString& path, Receiver& receiver)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Refuse(path, file.exists() ? file.errorString() : QStringLiteral("文件不存在。"));
    // A workbook is a zip archive, whatever its name says.
    if (file.peek(4) == QByteArray("PK\x03\x04", 4))
        return ReadXlsx(path, receiver);
    return ReadCsv(path, receiver);
}

} // namespace TableReader
