// libFuzzer target for the table readers. An input starting with "CSV" is the rest of a CSV
// file; one starting with "TOK" is a sheet made of the elements it is built from, a byte
// an element, so that mutations nest rows, cells and values in every order; any other is
// the parts of a workbook, split at NUL bytes: the sheet, the shared strings and the
// styles. Workbooks are zipped as the program's own zip writer writes an archive. Every input gives rows or an
// AppError, never a crash, a hang or a leak; the rows keep to what a receiver was promised.
#include "AppError.h"
#include "TableReader.h"
#include "ZipArchive.h"

#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <unistd.h>

namespace {

struct Check : TableReader::Receiver {
    bool titled = false;
    qsizetype columns = 0;
    QList<int> titles(const QList<TableReader::Title>& titles) override
    {
        if (titled)
            __builtin_trap(); // the titles come once, before every row
        titled = true;
        QList<int> wanted;
        for (const TableReader::Title& title : titles) {
            if (title.column < 0 || title.column >= TableReader::MaxColumns || title.text.trimmed().isEmpty() ||
                title.text.size() > TableReader::TitleLength)
                __builtin_trap();
            wanted << title.column;
        }
        columns = wanted.size();
        return wanted;
    }
    void row(const QStringList& cells, const QList<bool>& numbers, qint64 line) override
    {
        if (!titled || cells.size() != columns || numbers.size() != columns || line < 1)
            __builtin_trap();
        for (const QString& cell : cells)
            if (cell.size() > TableReader::CellLength)
                __builtin_trap();
    }
};

const QString Path = QDir::temp().filePath(QStringLiteral("fuzz-tables-%1").arg(getpid()));

void write(const QByteArray& bytes)
{
    QFile file(Path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        __builtin_trap();
}

// Each byte opens an element, adds a leaf (a value, a text, an empty element) or, as the
// last choice, closes the innermost open element; what is open at the end is closed. Every
// sheet is well-formed, so mutations reach the reader's handling of nesting instead of
// stopping at the XML parser.
QByteArray tokenSheet(const QByteArray& input)
{
    struct Element {
        const char* text;
        const char* closing; // null for a leaf
    };
    static const Element elements[] = {{"<sheetData>", "</sheetData>"},
                                       {"<row>", "</row>"},
                                       {"<row r=\"1\">", "</row>"},
                                       {"<row r=\"3\">", "</row>"},
                                       {"<c>", "</c>"},
                                       {"<c r=\"A1\">", "</c>"},
                                       {"<c r=\"B2\">", "</c>"},
                                       {"<c t=\"s\">", "</c>"},
                                       {"<c t=\"inlineStr\">", "</c>"},
                                       {"<c s=\"1\">", "</c>"},
                                       {"<v>", "</v>"},
                                       {"<is>", "</is>"},
                                       {"<t>", "</t>"},
                                       {"<r>", "</r>"},
                                       {"<rPh>", "</rPh>"},
                                       {"<sheetData/>", nullptr},
                                       {"<row/>", nullptr},
                                       {"<c/>", nullptr},
                                       {"<v>0</v>", nullptr},
                                       {"<v>1</v>", nullptr},
                                       {"<v>471</v>", nullptr},
                                       {"<v>1.3612345678E10</v>", nullptr},
                                       {"<is><t>x</t></is>", nullptr},
                                       {"寄件人", nullptr},
                                       {"0", nullptr}};
    constexpr std::size_t count = std::size(elements);
    QByteArray sheet = "<worksheet>";
    QList<const char*> open;
    for (const char byte : input) {
        const std::size_t choice = static_cast<unsigned char>(byte) % (count + 1);
        if (choice == count) {
            if (!open.isEmpty())
                sheet += open.takeLast();
            continue;
        }
        sheet += elements[choice].text;
        if (elements[choice].closing)
            open << elements[choice].closing;
    }
    while (!open.isEmpty())
        sheet += open.takeLast();
    return sheet + "</worksheet>" + '\0' + "<sst><si><t>寄件人</t></si><si><t>区号</t></si></sst>" + '\0' +
           "<styleSheet><numFmts><numFmt numFmtId=\"164\" formatCode=\"0000\"/></numFmts>"
           "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/></cellXfs></styleSheet>";
}

void zip(const QByteArray& input)
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
    if (!zip.finish())
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const bool csv = input.startsWith("CSV");
    if (csv)
        write(input.mid(3));
    else
        zip(input.startsWith("TOK") ? tokenSheet(input.mid(3)) : input);
    Check check;
    try {
        if (!(csv ? TableReader::ReadCsv(Path, check) : TableReader::ReadXlsx(Path, check)))
            __builtin_trap(); // nothing here stops a read
    } catch (const AppError& error) {
        if (error.message().isEmpty())
            __builtin_trap();
    }
    return 0;
}
