#include "ContactImport.h"

#include "AppError.h"
#include "GbkText.h"
#include "Transaction.h"
#include "ZipArchive.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

namespace ContactImport {

namespace {

[[noreturn]] void unreadable(const QString& path, const QString& reason)
{
    throw AppError(QStringLiteral("无法读取文件 %1：%2").arg(QDir::toNativeSeparators(path), reason));
}

QString notAWorkbook() { return QStringLiteral("它不是有效的 Excel 工作簿（.xlsx）。"); }

// Inflated parts past this are not a contact list, whatever they hold.
constexpr quint64 PartLimit = quint64(512) << 20;

class Zip {
public:
    explicit Zip(const QString& path) : m_path(path), m_zip(path)
    {
        if (!m_zip.isOpen())
            unreadable(path, QFile::exists(path) ? notAWorkbook() : QStringLiteral("文件不存在。"));
    }
    QByteArray entry(const QString& name)
    {
        QByteArray data;
        if (m_zip.readAll(name, PartLimit, &data, Qt::CaseInsensitive) != ZipReader::Status::Ok)
            unreadable(m_path, notAWorkbook());
        return data;
    }
    // Part names inside a workbook ignore case.
    bool has(const QString& name) const { return m_zip.find(name, Qt::CaseInsensitive) != nullptr; }

private:
    QString m_path;
    ZipReader m_zip;
};

struct Relationship {
    QString id;
    QString type;
    QString target; // a part name inside the archive
};

// The relationships a part names: its targets are relative to the part's folder.
QList<Relationship> relationshipsOf(Zip& zip, const QString& part)
{
    const QString folder = part.section(QLatin1Char('/'), 0, -2);
    const QString prefix = folder.isEmpty() ? QString() : folder + QLatin1Char('/');
    const QString relsPart = prefix + QStringLiteral("_rels/") + part.section(QLatin1Char('/'), -1) + ".rels";
    QList<Relationship> found;
    if (!zip.has(relsPart))
        return found;
    QXmlStreamReader reader(zip.entry(relsPart));
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

// The text of a string item (<si>) or an inline string (<is>): its plain text or its runs'
// texts, without the phonetic guide some writers add.
QString richText(QXmlStreamReader& reader)
{
    QString text;
    while (reader.readNextStartElement()) {
        if (reader.name() == QLatin1String("t"))
            text += reader.readElementText();
        else if (reader.name() == QLatin1String("r"))
            text += richText(reader);
        else
            reader.skipCurrentElement();
    }
    return text;
}

QStringList sharedStrings(const QByteArray& xml)
{
    QStringList strings;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == QLatin1String("si"))
            strings << richText(reader);
    }
    return strings;
}

// "AB12" gives 27.
int columnOf(QStringView reference)
{
    int column = 0;
    for (QChar c : reference) {
        if (!c.isLetter())
            break;
        column = column * 26 + (c.toUpper().unicode() - 'A' + 1);
    }
    return column - 1;
}

// A stored number as a person typed it: 13812345678, not 1.3812345678E10 or 13812345678.0.
QString numberText(const QString& stored)
{
    bool ok = false;
    const double value = stored.toDouble(&ok);
    if (ok && std::fabs(value) < 1e15 && value == std::floor(value))
        return QString::number(static_cast<qint64>(value));
    return stored;
}

QString cellText(QXmlStreamReader& reader, const QStringList& shared)
{
    const QString type = reader.attributes().value(QLatin1String("t")).toString();
    QString stored;
    QString inlineText;
    while (reader.readNextStartElement()) {
        if (reader.name() == QLatin1String("v"))
            stored = reader.readElementText();
        else if (reader.name() == QLatin1String("is"))
            inlineText = richText(reader);
        else
            reader.skipCurrentElement(); // a formula: its last result is in <v>
    }
    if (type == QLatin1String("s"))
        return shared.value(stored.toInt());
    if (type == QLatin1String("inlineStr"))
        return inlineText;
    if (type.isEmpty() || type == QLatin1String("n"))
        return numberText(stored);
    return stored; // a formula's text, a truth value, an error
}

// False when the sheet is not well-formed XML.
bool sheetRows(const QByteArray& xml, const QStringList& shared, Table* rows)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement || reader.name() != QLatin1String("row"))
            continue;
        QStringList cells;
        while (reader.readNextStartElement()) {
            if (reader.name() != QLatin1String("c")) {
                reader.skipCurrentElement();
                continue;
            }
            const QStringView reference = reader.attributes().value(QLatin1String("r"));
            const int column = reference.isEmpty() ? int(cells.size()) : columnOf(reference);
            const QString text = cellText(reader, shared);
            if (column < 0)
                continue;
            while (cells.size() <= column)
                cells << QString();
            cells[column] = text;
        }
        *rows << cells;
    }
    return !reader.hasError();
}

QString decoded(const QByteArray& bytes)
{
    // Stateless: a sequence cut off at the end counts as invalid too. A byte order mark is dropped.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? fromGbk(bytes) : text;
}

bool blank(const QStringList& cells)
{
    return std::all_of(cells.begin(), cells.end(), [](const QString& cell) { return cell.trimmed().isEmpty(); });
}

} // namespace

QByteArray ZipEntry(const QString& zipPath, const QString& name) { return Zip(zipPath).entry(name); }

Table ReadXlsx(const QString& path)
{
    Zip zip(path);
    QString workbook = targetOf(relationshipsOf(zip, QString()), [](const Relationship& r) {
        return r.type.endsWith(QLatin1String("/officeDocument"));
    });
    if (workbook.isEmpty())
        workbook = QStringLiteral("xl/workbook.xml");
    const QList<Relationship> parts = relationshipsOf(zip, workbook);

    // The first sheet in the workbook's own order, which need not be sheet1.xml.
    QString firstSheetId;
    QXmlStreamReader reader(zip.entry(workbook));
    while (!reader.atEnd() && firstSheetId.isEmpty()) {
        if (reader.readNext() != QXmlStreamReader::StartElement || reader.name() != QLatin1String("sheet"))
            continue;
        for (const QXmlStreamAttribute& attribute : reader.attributes())
            if (attribute.name() == QLatin1String("id"))
                firstSheetId = attribute.value().toString();
    }
    QString sheet = targetOf(parts, [&](const Relationship& r) { return r.id == firstSheetId; });
    if (sheet.isEmpty())
        sheet = QStringLiteral("xl/worksheets/sheet1.xml");
    const QString strings =
        targetOf(parts, [](const Relationship& r) { return r.type.endsWith(QLatin1String("/sharedStrings")); });
    const QStringList shared =
        strings.isEmpty() || !zip.has(strings) ? QStringList() : sharedStrings(zip.entry(strings));
    Table rows;
    if (!sheetRows(zip.entry(sheet), shared, &rows))
        unreadable(path, notAWorkbook());
    return rows;
}

Table ParseCsv(const QByteArray& bytes)
{
    const QString text = decoded(bytes);
    Table rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool fieldStart = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c != QLatin1Char('"'))
                field += c;
            else if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"'))
                field += text[++i];
            else
                quoted = false;
            continue;
        }
        if (c == QLatin1Char('"') && fieldStart) {
            quoted = true;
            fieldStart = false;
        } else if (c == QLatin1Char(',')) {
            row << field;
            field.clear();
            fieldStart = true;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            row << field;
            rows << row;
            row.clear();
            field.clear();
            fieldStart = true;
        } else {
            field += c;
            fieldStart = false;
        }
    }
    // The last line may lack its line break.
    if (!fieldStart || !row.isEmpty())
        rows << (row << field);
    return rows;
}

Table ReadTable(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        unreadable(path, file.errorString());
    // A workbook is a zip archive, whatever its name says.
    if (file.peek(4) == QByteArray("PK\x03\x04", 4)) {
        file.close();
        return ReadXlsx(path);
    }
    return ParseCsv(file.readAll());
}

Summary Import(const ContactKind& kind, const Table& table)
{
    Summary summary;
    if (table.isEmpty())
        return summary;
    const FieldTable& fields = ContactStore::Fields(kind);
    QStringList titles;
    for (const QString& title : table.first())
        titles << title.trimmed();
    QList<qsizetype> source; // each field's column in the file, or -1
    for (const FieldDef& field : fields)
        source << titles.indexOf(field.alias);

    Transaction transaction;
    for (qsizetype r = 1; r < table.size(); ++r) {
        const QStringList& cells = table[r];
        if (blank(cells))
            continue;
        Record contact;
        for (qsizetype at : source)
            contact << (at >= 0 ? cells.value(at).trimmed() : QString());
        if (Fields::ValueOf(fields, contact, QStringLiteral("theName")).isEmpty())
            ++summary.nameless;
        else if (ContactStore::insertIfNew(kind, contact))
            ++summary.imported;
        else
            ++summary.duplicates;
    }
    transaction.commit();
    return summary;
}

QString SummaryText(const Summary& summary)
{
    return QStringLiteral("导入 %1 条，跳过 %2 条重复，%3 条无姓名")
        .arg(summary.imported)
        .arg(summary.duplicates)
        .arg(summary.nameless);
}

} // namespace ContactImport
