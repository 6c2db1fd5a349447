// libFuzzer target for the table readers. An input starting with "CSV" is the rest of a CSV
// file; one starting with "TOK" is a sheet built of elements, a byte an element, so that
// mutations nest rows, cells and values in every order; any other is a workbook's parts split
// at NUL bytes: sheet, shared strings, styles. Every input gives rows or an AppError, never a
// crash, a hang or a leak; the rows keep to what a receiver was promised.
#include "AppError.h"
#include "TableReader.h"
#include "ZipArchive.h"

#include <QDir>
#include <QFile>
#include <cstdint>
#include <unistd.h>

namespace {

void Check(bool promise)
{
    if (!promise)
        __builtin_trap();
}

struct Receiver : TableReader::Receiver {
    bool titled = false;
    qsizetype columns = 0;
    QList<int> titles(const QList<TableReader::Title>& titles) override
    {
        Check(!titled); // the titles come once, before every row
        titled = true;
        QList<int> wanted;
        for (const TableReader::Title& title : titles) {
            Check(title.column >= 0 && title.column < TableReader::MaxColumns && !title.text.trimmed().isEmpty() &&
                  title.text.size() <= TableReader::TitleLength);
            wanted << title.column;
        }
        columns = wanted.size();
        return wanted;
    }
    void row(const QStringList& cells, const QList<bool>& numbers, qint64 line) override
    {
        Check(titled && cells.size() == columns && numbers.size() == columns && line >= 1);
        for (const QString& cell : cells)
            Check(cell.size() <= TableReader::CellLength);
    }
};

const QString Path = QDir::temp().filePath(QStringLiteral("fuzz-tables-%1").arg(getpid()));

// Each byte opens an element, adds a leaf or, as the last choice, closes the innermost open
// element: every sheet is well-formed, so mutations reach the reader's handling of nesting
// instead of stopping at the XML parser.
QByteArray TokenSheet(const QByteArray& input)
{
    static const QList<QByteArray> elements =
        QByteArray("<sheetData>|<row>|<row r=\"1\">|<row r=\"3\">|<c>|<c r=\"A1\">|<c r=\"B2\">|<c t=\"s\">|"
                   "<c t=\"inlineStr\">|<c s=\"1\">|<v>|<is>|<t>|<r>|<rPh>|<sheetData/>|<row/>|<c/>|<v>0</v>|"
                   "<v>1</v>|<v>471</v>|<v>1.3612345678E10</v>|<is><t>x</t></is>|寄件人|0")
            .split('|');
    QByteArray sheet = "<worksheet>";
    QList<QByteArray> open;
    for (const char byte : input) {
        const qsizetype choice = static_cast<unsigned char>(byte) % (elements.size() + 1);
        const QByteArray element = elements.value(choice);
        sheet += choice < elements.size() ? element : open.isEmpty() ? QByteArray() : open.takeLast();
        if (element.startsWith('<') && !element.endsWith("/>") && element.lastIndexOf('<') == 0)
            open << "</" + element.mid(1, element.indexOf(element.contains(' ') ? ' ' : '>') - 1) + ">";
    }
    while (!open.isEmpty())
        sheet += open.takeLast();
    return sheet + "</worksheet>" + '\0' + "<sst><si><t>寄件人</t></si><si><t>区号</t></si></sst>" + '\0' +
           "<styleSheet><numFmts><numFmt numFmtId=\"164\" formatCode=\"0000\"/></numFmts>"
           "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/></cellXfs></styleSheet>";
}

// Zipped as the program's own zip writer writes an archive.
void Zip(const QByteArray& input)
{
    const QList<QByteArray> parts = input.split('\0');
    ZipWriter zip(Path);
    zip.addData(QStringLiteral("xl/workbook.xml"),
                R"(<workbook xmlns:r="urn:r"><sheets><sheet name="1" r:id="s"/></sheets></workbook>)");
    zip.addData(QStringLiteral("xl/_rels/workbook.xml.rels"),
                R"(<Relationships><Relationship Id="s" Type="x/worksheet" Target="worksheets/sheet1.xml"/>)"
                R"(<Relationship Id="t" Type="x/sharedStrings" Target="sharedStrings.xml"/>)"
                R"(<Relationship Id="u" Type="x/styles" Target="styles.xml"/></Relationships>)");
    const char* names[] = {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml", "xl/styles.xml"};
    for (qsizetype i = 0; i < parts.size() && i < 3; ++i)
        zip.addData(QString::fromLatin1(names[i]), parts[i], ZipWriter::Method::Store);
    Check(zip.finish());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const bool csv = input.startsWith("CSV");
    QFile file(Path);
    if (csv)
        Check(file.open(QIODevice::WriteOnly) && file.write(input.mid(3)) == input.size() - 3);
    else
        Zip(input.startsWith("TOK") ? TokenSheet(input.mid(3)) : input);
    file.close();
    Receiver receiver;
    try { // nothing here stops a read
        Check(csv ? TableReader::ReadCsv(Path, receiver) : TableReader::ReadXlsx(Path, receiver));
    } catch (const AppError& error) {
        Check(!error.message().isEmpty());
    }
    return 0;
}
