// Query listings exported to Excel and contacts imported from Excel and CSV files, over a
// real database in a temporary program folder; workbooks are read back from their XML.
#include "TestSupport.h"

#include "Addressee_Q.h"
#include "AppError.h"
#include "Com_Q.h"
#include "ContactImport.h"
#include "ContactStore.h"
#include "CourierStore.h"
#include "DM.h"
#include "E_Q.h"
#include "GbkText.h"
#include "Sender_Q.h"
#include "TableReader.h"
#include "ZipArchive.h"

#include <QMenu>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QXmlStreamReader>
#include <QtEndian>
#include <iostream>
#include <xlsxwriter.h>

class TestExchange : public QObject {
    Q_OBJECT
private slots:
    void everyQueryWindowExportsItsList_data();
    void everyQueryWindowExportsItsList();
    void exportTakesEveryMatchingRowWithTextAndDates();
    void importAddsSkipsAndCounts_data();
    void importAddsSkipsAndCounts();
    void importIsAllOrNothing();
    void importTellsWhatItRefusedAndCut_data();
    void importTellsWhatItRefusedAndCut();
    void hostileWorkbooksAreRefusedWhole_data();
    void hostileWorkbooksAreRefusedWhole();
    void bigWorkbookKeepsItsStringsAndFarColumns();
    void spreadsheetNumbersKeepTheirZeros();
    void longImportShowsProgressAndCancels();
    void importCanBeStopped_data();
    void importCanBeStopped();
    void exportCutsOverlongCellsAndAsksAboutTheFullName();
    void serverImportBesideAnotherPcFiling_data();
    void serverImportBesideAnotherPcFiling();
    void otherPcFiles();
};

namespace {

// Answers the save dialog with the paths given, one a time, the last one for good, and
// records the name it suggested.
struct SaveFileAnswer {
    QString path, suggested;
    QStringList later;
    SaveFileHandler previous;
    explicit SaveFileAnswer(QString answer, QStringList then = {}) : path(std::move(answer)), later(std::move(then))
    {
        previous = setSaveFileHandler([this](QWidget*, const QString&, const QString& name) {
            suggested = name;
            const QString answer = path;
            if (!later.isEmpty())
                path = later.takeFirst();
            return answer;
        });
    }
    ~SaveFileAnswer() { setSaveFileHandler(previous); }
};

// The rows of a workbook as the import's reader hands them over: the titles, then each
// row's cells under them.
QList<QStringList> sheetRows(const QString& xlsx)
{
    struct Collect : TableReader::Receiver {
        QList<QStringList> rows;
        QList<int> titles(const QList<TableReader::Title>& titles) override
        {
            QStringList texts;
            QList<int> columns;
            for (const TableReader::Title& title : titles) {
                texts << title.text;
                columns << title.column;
            }
            rows << texts;
            return columns;
        }
        void row(const QStringList& cells, const QList<bool>&, qint64) override { rows << cells; }
    } collect;
    TableReader::ReadXlsx(xlsx, collect);
    return collect.rows;
}

QByteArray zipEntry(const QString& zipPath, const QString& name)
{
    QByteArray data;
    ZipReader(zipPath).readAll(name, 64 << 20, &data);
    return data;
}

// A workbook as small as a reader takes: the list of sheets, its relationships, one
// sheet, its shared strings and, when given, its styles.
void writeWorkbook(const QString& path, const QByteArray& sheet, const QStringList& strings,
                   const QByteArray& styles = {})
{
    QByteArray sst = "<sst>";
    for (const QString& text : strings)
        sst += "<si><t>" + text.toHtmlEscaped().toUtf8() + "</t></si>";
    ZipWriter zip(path);
    zip.addData("xl/workbook.xml",
                R"(<workbook xmlns:r="urn:r"><sheets><sheet name="1" r:id="s"/></sheets></workbook>)");
    zip.addData("xl/_rels/workbook.xml.rels",
                R"(<Relationships><Relationship Id="s" Type="x/worksheet" Target="worksheets/sheet1.xml"/>)"
                R"(<Relationship Id="t" Type="x/sharedStrings" Target="sharedStrings.xml"/>)"
                R"(<Relationship Id="u" Type="x/styles" Target="styles.xml"/></Relationships>)");
    zip.addData("xl/worksheets/sheet1.xml", sheet);
    if (!styles.isEmpty())
        zip.addData("xl/styles.xml", styles);
    zip.addData("xl/sharedStrings.xml", sst + "</sst>");
    QVERIFY(zip.finish());
}

QStringList visibleTitles(DataGrid* grid)
{
    QStringList titles;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        if (!grid->isColumnHidden(c))
            titles << grid->model()->headerData(c, Qt::Horizontal).toString();
    return titles;
}

// Every element called `name` in a part of a workbook: its attributes and its text.
using Element = QPair<QXmlStreamAttributes, QString>;
QList<Element> elements(const QString& xlsx, const char* part, const char* name)
{
    QList<Element> found;
    QXmlStreamReader xml(zipEntry(xlsx, part));
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String(name)) {
            const QXmlStreamAttributes attributes = xml.attributes();
            found.append({attributes, xml.readElementText(QXmlStreamReader::IncludeChildElements)});
        }
    return found;
}

} // namespace

void TestExchange::everyQueryWindowExportsItsList_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::newRow("waybills") << 0 << "快递单查询";
    QTest::newRow("senders") << 1 << "寄件人查询";
    QTest::newRow("recipients") << 2 << "收件人查询";
    QTest::newRow("companies") << 3 << "快递公司查询";
}

void TestExchange::everyQueryWindowExportsItsList()
{
    QFETCH(int, kind);
    QFETCH(QString, caption);
    ProgramFolder folder;
    MessageRecorder messages;
    SaveFileAnswer answer(folder.file("out.xlsx"));
    std::unique_ptr<QueryWindow> window;
    switch (kind) {
    case 0:
        window = std::make_unique<TfrmE_Q>();
        break;
    case 1:
        window = std::make_unique<TfrmSender_Q>();
        break;
    case 2:
        window = std::make_unique<TfrmAddressee_Q>();
        break;
    default:
        window = std::make_unique<TfrmCom_Q>();
    }
    QAction* last = window->popupMenu()->actions().last();
    QCOMPARE(last->objectName(), QString("ExportExcel"));
    QCOMPARE(last->text(), QString("导出Excel"));
    QVERIFY(window->popupMenu()->actions().at(window->popupMenu()->actions().size() - 2)->isSeparator());

    window->BitBtn1Click();
    last->trigger(); // an empty list: nothing asked, nothing written
    QVERIFY(answer.suggested.isEmpty());
    QVERIFY(!QFile::exists(answer.path));

    const char* inserts[] = {"UE (ENum", "USender (theName", "UAddressee (theName", "SCom (theName"};
    DM().ExecSql(SqlText(QStringLiteral("INSERT INTO %1, theDel) VALUES ('x', '否')").arg(inserts[kind])));
    window->BitBtn1Click();
    last->trigger();
    QCOMPARE(answer.suggested, caption + "-" + QDate::currentDate().toString("yyyy-MM-dd") + ".xlsx");
    const QList<QStringList> rows = sheetRows(answer.path);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.first(), visibleTitles(window->grid()));
    QCOMPARE(messages.texts(), QStringList{"导出 1 条记录到 " + answer.path});
}

void TestExchange::exportTakesEveryMatchingRowWithTextAndDates()
{
    ProgramFolder folder;
    MessageRecorder messages;
    for (int i = 0; i < 300; ++i)
        DM().ExecSql(SqlText("INSERT INTO UE (ENum, SPhone, SPNum, myDate, theDel) VALUES (?, '0755-1234', '010020', "
                             "'2026-12-07', '否')",
                             {QString("A%1").arg(i, 3, 10, QChar('0'))}));
    DM().ExecSql(SqlText("INSERT INTO UE (ENum, theDel) VALUES ('B1', '否'), ('A-deleted', '是')"));
    DM().ExecSql(SqlText("INSERT INTO ULog (WID) SELECT ID FROM UE WHERE ENum = 'A299'"));
    QueryDriver<TfrmE_Q> q(QStringLiteral("快递单号"));
    q.edit(1)->setText("A");
    q.query();
    QVERIFY(q.grid()->rowCount() < 300);            // the grid holds only its first fetch
    SaveFileAnswer answer(folder.file("waybills")); // the suffix is added
    q.run("ExportExcel");

    QCOMPARE(messages.texts(), QStringList{"导出 300 条记录到 " + folder.file("waybills.xlsx")});
    const QList<QStringList> rows = sheetRows(folder.file("waybills.xlsx"));
    QCOMPARE(rows.size(), 301);
    QStringList numbers, expected;
    for (int i = 299; i >= 0; --i)
        expected << QString("A%1").arg(i, 3, 10, QChar('0'));
    const int number = rows[0].indexOf("快递单号"), phone = rows[0].indexOf("收件人电话号码"),
              postcode = rows[0].indexOf("收件人邮编");
    for (const QStringList& row : rows.mid(1))
        numbers << row.value(number);
    QCOMPARE(numbers, expected);

    // Text cells keep their zeros; the date is a number under a date format.
    const QString file = folder.file("waybills.xlsx");
    QHash<QString, Element> cells;
    for (const Element& cell : elements(file, "xl/worksheets/sheet1.xml", "c"))
        cells[cell.first.value("r").toString()] = cell;
    const auto at = [&](int column, int row) {
        QString letters; // 0 is A, 26 is AA
        for (++column; column > 0; column = (column - 1) / 26)
            letters.prepend(QChar('A' + (column - 1) % 26));
        return cells[letters + QString::number(row)];
    };
    QCOMPARE(at(phone, 301).first.value("t"), QString("inlineStr"));
    QCOMPARE(at(phone, 301).second, QString("0755-1234"));
    QCOMPARE(at(postcode, 2).first.value("t"), QString("inlineStr"));
    QCOMPARE(at(postcode, 2).second, QString("010020"));
    // The print count is a number, not a text.
    const int prints = rows[0].indexOf("打印次数");
    QVERIFY(!at(prints, 2).first.hasAttribute("t"));
    QCOMPARE(at(prints, 2).second, QString("1"));
    QCOMPARE(at(prints, 3).second, QString("0"));
    QCOMPARE(rows[0][0], QString("快递日期"));
    QVERIFY(!at(0, 2).first.hasAttribute("t"));
    QCOMPARE(at(0, 2).second.toLongLong(), QDate(1899, 12, 30).daysTo(QDate(2026, 12, 7)));
    // The cell's style is an index into cellXfs, which follows the cellStyleXfs in the styles part.
    const int styleXfs = elements(file, "xl/styles.xml", "cellStyleXfs").value(0).first.value("count").toInt();
    const QString format = elements(file, "xl/styles.xml", "xf")
                               .value(styleXfs + at(0, 2).first.value("s").toInt())
                               .first.value("numFmtId")
                               .toString();
    QStringList codes;
    for (const Element& numFmt : elements(file, "xl/styles.xml", "numFmt"))
        if (numFmt.first.value("numFmtId") == format)
            codes << numFmt.first.value("formatCode").toString();
    QCOMPARE(codes, QStringList{"yyyy-mm-dd"});
}

void TestExchange::importAddsSkipsAndCounts_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("senders");
    for (const char* format : {"utf-8", "utf-8 bom", "gbk", "xlsx shared", "xlsx inline"}) {
        QTest::newRow(format) << QString(format) << true;
        QTest::newRow(QByteArray(format) + " recipients") << QString(format) << false;
    }
}

void TestExchange::importAddsSkipsAndCounts()
{
    QFETCH(QString, format);
    QFETCH(bool, senders);
    const ContactKind& kind = senders ? SenderKind : AddresseeKind;
    ProgramFolder folder;
    MessageRecorder messages;
    ContactStore::insert(kind, {"王五", "", "", "旧公司", "", "", "", "", "", "", ""});
    ContactStore::softDelete(kind, ContactStore::insert(kind, {"赵六", "", "", "旧公司", "", "", "", "", "", "", ""}));

    // Columns out of order, one unknown, most missing.
    const QList<QStringList> table = {
        {"备注", "单位名称", "手机号码", "生日", kind.title, "地址", "邮编"},
        {"说\"急\"件", "华强电子", "13800138000", "1990-01-01", " 张三 ", "深圳市, 南山区", "518057"},
        {"两行\n备注", "", "13900000000", "", "李四"},
        {"", "无名公司", "13700000000"},
        {},
        {"", "华强电子", "", "", "张三"},
        {"", "旧公司", "", "", "王五"},
        {"", "旧公司", "", "", "赵六"},
    };
    const QString path = folder.file(format.startsWith("xlsx") ? "in.xlsx" : "in.csv");
    if (format.startsWith("xlsx")) {
        lxw_workbook_options options{};
        options.constant_memory = format.endsWith("inline"); // inline strings instead of shared ones
        lxw_workbook* book = workbook_new_opt(path.toUtf8().constData(), &options);
        lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
        for (int r = 0; r < table.size(); ++r)
            for (int c = 0; c < table[r].size(); ++c) {
                bool digits = false;
                const double number = table[r][c].toDouble(&digits);
                if (digits) // typed as numbers
                    worksheet_write_number(sheet, r, c, number, nullptr);
                else
                    worksheet_write_string(sheet, r, c, table[r][c].toUtf8().constData(), nullptr);
            }
        QCOMPARE(workbook_close(book), LXW_NO_ERROR);
    } else {
        QString csv;
        for (QStringList row : table) {
            for (QString& field : row)
                if (field.contains(QRegularExpression("[,\"\n]")))
                    field = '"' + field.replace("\"", "\"\"") + '"';
            csv += row.join(',') + "\r\n";
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(format == "gbk" ? toGbk(csv) : (format.endsWith("bom") ? "\xEF\xBB\xBF" : "") + csv.toUtf8());
    }

    std::unique_ptr<QueryWindow> window(senders ? static_cast<QueryWindow*>(new TfrmSender_Q) : new TfrmAddressee_Q);
    window->BitBtn1Click();
    OpenFileAnswer open(path);
    child<QAction>(window.get(), "ImportContacts")->trigger();

    QCOMPARE(messages.texts(), QStringList{"导入 3 条，跳过 2 条重复，1 条无姓名"});
    const QStringList stored = RowsOf(SqlText(QStringLiteral("SELECT theName, theMob, theDept, theAdd, thePNum, "
                                                             "Remark, theDel, NPY, DPY FROM %1 ORDER BY ID")
                                                  .arg(kind.table)));
    QCOMPARE(stored, QStringList({"王五||旧公司||||否|WW|JGS", "赵六||旧公司||||是|ZL|JGS",
                                  "张三|13800138000|华强电子|深圳市, 南山区|518057|说\"急\"件|否|ZS|HQDZ",
                                  "李四|13900000000||||两行\n备注|否|LS|", "赵六||旧公司||||否|ZL|JGS"}));
    QCOMPARE(window->grid()->rowCount(), 4); // listed again
}

void TestExchange::importIsAllOrNothing()
{
    ProgramFolder folder;
    MessageRecorder messages;
    RefuseInserts("USender", 2);
    QFile file(folder.file("in.csv"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("寄件人,电话号码\n甲,1\n乙,2\n丙,3\n丁,4\n");
    file.close();
    TfrmSender_Q window;
    OpenFileAnswer open(file.fileName());
    child<QAction>(&window, "ImportContacts")->trigger();

    QCOMPARE(messages.shown().size(), 1);
    QCOMPARE(messages.shown()[0].kind, MessageKind::Error);
    QVERIFY(messages.last().contains("insert refused"));
    QCOMPARE(DM().QueryCount(SqlText("SELECT ID FROM USender")), 0);
}

void TestExchange::importTellsWhatItRefusedAndCut_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<bool>("senders");
    QTest::addColumn<QString>("message"); // a part of the one message shown
    QTest::addColumn<QStringList>("stored");
    const QByteArray titles = "寄件人,电话号码\n";
    QTest::newRow("utf-8, a bad byte on line 3") << titles + "甲,1\n乙\xFF,2\n"
                                                 << true << "第 3 行既不是 UTF-8 也不是 GBK" << QStringList();
    QTest::newRow("gbk, a bad byte on line 4") << toGbk(titles + "甲,1\n乙,2\n") + "\x81\x20,3\n"
                                               << true << "第 4 行既不是 UTF-8 也不是 GBK" << QStringList();
    QTest::newRow("utf-8 mark, a bad byte on line 2") << "\xEF\xBB\xBF" + titles + "\xC0\x80,1\n"
                                                      << true << "第 2 行不是 UTF-8" << QStringList();
    QTest::newRow("unterminated quote") << titles + "甲,1\n\"乙,2\n丙,3\n"
                                        << true << "第 3 行的引号没有配对" << QStringList();
    QTest::newRow("stray quote") << titles + "甲,1\n说\"急\"件,2\n" << true << "第 3 行的引号用法不对" << QStringList();
    QTest::newRow("empty file") << QByteArray() << true << "文件是空的" << QStringList();
    QTest::newRow("titles only") << titles << true << "导入 0 条，跳过 0 条重复，0 条无姓名" << QStringList();
    QTest::newRow("unknown titles")
        << QByteArray("姓名,电话\n张三,1\n") << false
        << "应有的标题：收件人（或 "
           "寄件人）、电话号码、手机号码、单位名称、区号、省市区、地州市、区县、地址、邮编、备注\n"
           "文件中的标题：姓名、电话"
        << QStringList();
    QTest::newRow("sender list into recipients") << titles + "张三,1\n"
                                                 << false << "导入 1 条" << QStringList{"张三|1|0"};
    const QByteArray waybills = "寄件人,寄件人电话号码,收件人,收件人电话号码\n李四,2,张三,1\n";
    QTest::newRow("waybill list into recipients") << waybills << false << "导入 1 条" << QStringList{"张三|1|0"};
    QTest::newRow("waybill list into senders") << waybills << true << "导入 1 条" << QStringList{"李四|2|0"};
    QTest::newRow("old Mac line ends") << QByteArray("寄件人,电话号码\r张三,1\r李四,2") << true << "导入 2 条"
                                       << QStringList{"张三|1|0", "李四|2|0"};
    // 20 characters for the name, 100 for the remark; an emoji is two and is not split.
    const QString jia = QString("甲").repeated(20), yi = QString("乙").repeated(19);
    QTest::newRow("cut to the boxes")
        << ("寄件人,电话号码,备注\n" + jia + "甲甲,1," + QString(100000, 'x') + "\n" + yi + "😀,2,\n丙,3,").toUtf8()
        << true << "导入 3 条，跳过 0 条重复，0 条无姓名；其中 2 条有超过输入框长度的内容，已截短"
        << QStringList{jia + "|1|100", yi + "|2|0", "丙|3|0"};
}

// What is refused is refused whole, with the line to look at; what is taken is cut as
// its box would cut it, and counted.
void TestExchange::importTellsWhatItRefusedAndCut()
{
    QFETCH(QByteArray, csv);
    QFETCH(bool, senders);
    QFETCH(QString, message);
    QFETCH(QStringList, stored);
    ProgramFolder folder;
    MessageRecorder messages;
    QFile file(folder.file("in.csv"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(csv);
    file.close();
    std::unique_ptr<QueryWindow> window(senders ? static_cast<QueryWindow*>(new TfrmSender_Q) : new TfrmAddressee_Q);
    OpenFileAnswer open(file.fileName());
    child<QAction>(window.get(), "ImportContacts")->trigger();

    QCOMPARE(messages.shown().size(), 1);
    QVERIFY2(messages.last().contains(message), qPrintable(messages.last()));
    const QString table = senders ? "USender" : "UAddressee";
    QCOMPARE(RowsOf(SqlText("SELECT theName, thePhone, LENGTH(Remark) FROM " + table + " ORDER BY ID")), stored);
}

void TestExchange::hostileWorkbooksAreRefusedWhole_data()
{
    QTest::addColumn<QByteArray>("prolog");
    QTest::addColumn<QByteArray>("row");      // after a title row and a good row
    QTest::addColumn<quint32>("claimedSize"); // the sheet's inflated size as the archive states it; 0: its own
    QTest::addColumn<QString>("message");
    const auto s = [](const char* index) {
        return "<row r=\"3\"><c r=\"A3\" t=\"s\"><v>" + QByteArray(index) + "</v></c></row>";
    };
    QTest::newRow("column past XFD") << QByteArray() << QByteArray("<row><c r=\"XFE3\"><v>1</v></c></row>") << 0u
                                     << "单元格 XFE3 超出了 Excel 的最后一列 XFD";
    QTest::newRow("far column") << QByteArray() << QByteArray("<row><c r=\"ZZZZZ3\"><v>1</v></c></row>") << 0u
                                << "单元格 ZZZZZ3 超出了 Excel 的最后一列 XFD";
    QTest::newRow("row past the last") << QByteArray() << QByteArray("<row r=\"1048577\"><c><v>1</v></c></row>") << 0u
                                       << "第 1048577 行超出了 Excel 的最后一行 1048576";
    QTest::newRow("cell past the last row") << QByteArray() << QByteArray("<row><c r=\"A1048577\"><v>1</v></c></row>")
                                            << 0u << "单元格 A1048577 超出了 Excel 的最后一行";
    QTest::newRow("string past the list")
        << QByteArray() << s("2") << 0u << "单元格 A3 引用了不存在的共享文字（编号“2”）";
    QTest::newRow("negative string") << QByteArray() << s("-1") << 0u << "（编号“-1”）";
    QTest::newRow("string not a number") << QByteArray() << s("x1") << 0u << "（编号“x1”）";
    QTest::newRow("string past 32 bits") << QByteArray() << s("4294967296") << 0u << "（编号“4294967296”）";
    QTest::newRow("entities") << QByteArray("<!DOCTYPE w [<!ENTITY a \"aaaaaaaa\">]>")
                              << QByteArray("<row><c t=\"inlineStr\"><is><t>&a;&a;</t></is></c></row>") << 0u
                              << "它不是有效的 Excel 工作簿";
    QTest::newRow("endless text") << QByteArray() << "<row><c t=\"inlineStr\"><is><t>" + QByteArray(5 << 20, 'x') << 0u
                                  << "超过 4 MB 仍未结束";
    QTest::newRow("row inside a cell") << QByteArray() << QByteArray("<row><c r=\"A3\"><v>1</v><row/></c></row>") << 0u
                                       << "工作表的单元格 A3 里面又套着一行，工作簿已损坏";
    QTest::newRow("cell inside a cell") << QByteArray() << QByteArray("<row r=\"3\"><c><c/></c></row>") << 0u
                                        << "工作表第 3 行第 1 列的单元格里面又套着一个单元格";
    QTest::newRow("sheet inside a cell") << QByteArray()
                                         << QByteArray("<row><c r=\"A3\"><v>5</v><sheetData/><row/></c></row>") << 0u
                                         << "工作表的单元格 A3 里面又套着一份工作表，工作簿已损坏";
    QTest::newRow("inflates past 512 MB") << QByteArray() << QByteArray() << (512u << 20) + 1 << "解压后超过 512 MB";
}

void TestExchange::hostileWorkbooksAreRefusedWhole()
{
    QFETCH(QByteArray, prolog);
    QFETCH(QByteArray, row);
    QFETCH(quint32, claimedSize);
    QFETCH(QString, message);
    ProgramFolder folder;
    const QString path = folder.file("in.xlsx");
    writeWorkbook(path,
                  prolog +
                      "<w><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
                      "</row><row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>张三</t></is></c></row>" +
                      row + "</sheetData></w>",
                  {"寄件人", "电话号码"});
    if (claimedSize) {
        // The central directory's record of the sheet: its uncompressed size at offset 24.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        const qsizetype record = bytes.indexOf("xl/worksheets/sheet1.xml", bytes.indexOf("PK\x01\x02")) - 46;
        QVERIFY(record > 0 && bytes.mid(record, 4) == "PK\x01\x02");
        qToLittleEndian(claimedSize, bytes.data() + record + 24);
        file.seek(0);
        file.write(bytes);
    }
    try {
        ContactImport::Import(SenderKind, path);
        QFAIL("imported");
    } catch (const AppError& error) {
        QVERIFY2(error.message().contains(message), qPrintable(error.message().left(300)));
    }
    QCOMPARE(DM().QueryCount(SqlText("SELECT ID FROM USender")), 0);
}

// Shared strings past what the reader holds in memory are read back from its temporary
// file, each the right one; a column as far right as a sheet has is read like any other.
void TestExchange::bigWorkbookKeepsItsStringsAndFarColumns()
{
    ProgramFolder folder;
    QStringList strings = {"寄件人", "电话号码"};
    for (int i = 0; i < 300000; ++i)
        strings << QString("联系人%1，一个足够长的名字好让共享文字超过内存里放得下的量").arg(i);
    const auto cell = [](const QByteArray& reference, int index) {
        return "<c r=\"" + reference + "\" t=\"s\"><v>" + QByteArray::number(index) + "</v></c>";
    };
    const auto row = [&](int number, int name, const char* phone) {
        return "<row r=\"" + QByteArray::number(number) + "\">" + cell("A" + QByteArray::number(number), name) +
               "<c r=\"XFD" + QByteArray::number(number) + "\"><v>" + phone + "</v></c></row>";
    };
    writeWorkbook(folder.file("in.xlsx"),
                  "<w><sheetData><row r=\"1\">" + cell("A1", 0) + cell("XFD1", 1) + "</row>" + row(2, 2, "1") +
                      row(3, 150002, "2") + row(1048576, 300001, "3") + "</sheetData></w>",
                  strings);
    const auto summary = ContactImport::Import(SenderKind, folder.file("in.xlsx"));
    QVERIFY(summary);
    QCOMPARE(
        RowsOf(SqlText("SELECT theName, thePhone FROM USender ORDER BY ID")),
        QStringList({strings[2].left(20) + "|1", strings[150002].left(20) + "|2", strings[300001].left(20) + "|3"}));
}

// As LibreOffice saves a sheet typed in by hand: area codes and postcodes as numbers, under
// zero-padded formats, text format or none; cellStyleXfs before the cellXfs cells point at.
void TestExchange::spreadsheetNumbersKeepTheirZeros()
{
    ProgramFolder folder;
    MessageRecorder messages;
    QByteArray styles = "<styleSheet><numFmts>", xfs, sheet;
    const QStringList codes = {"General",         "0000",          "000000",   "@",
                               "0000\\-00000000", "[$-804]000000", "000000_ ", "#,##0"};
    for (int i = 0; i < codes.size(); ++i) {
        styles += "<numFmt numFmtId=\"" + QByteArray::number(164 + i) + "\" formatCode=\"" + codes[i].toUtf8() + "\"/>";
        xfs += "<xf numFmtId=\"" + QByteArray::number(164 + i) + "\" xfId=\"0\"><alignment/></xf>";
    }
    // Rows of cells: a shared string's number, or a number and its style after ':'.
    const QList<QByteArray> rows = QByteArray("0 1 2 3 4;5 471:1 10050:2 13612345678:0 75512345678:4;6 10:0 10050:0 "
                                              "1.3612345678E10:0;7 471:3 518057:3 13800138000.0:3;8 10 11;9 755:0 "
                                              "10050:5;12 10:0 10050:6 13612345678:7")
                                       .split(';');
    for (int r = 0; r < rows.size(); ++r) {
        const QByteArray number = QByteArray::number(r + 1);
        const QList<QByteArray> cells = rows[r].split(' ');
        sheet += "<row r=\"" + number + "\">";
        for (int c = 0; c < cells.size(); ++c) {
            const QList<QByteArray> parts = cells[c].split(':');
            sheet += "<c r=\"" + QByteArray(1, char('A' + c)) + number + "\"" +
                     (parts.size() == 1 ? " t=\"s\">" : " s=\"" + parts[1] + "\" t=\"n\">") + "<v>" + parts[0] +
                     "</v></c>";
        }
        sheet += "</row>";
    }
    writeWorkbook(
        folder.file("in.xlsx"), "<worksheet><sheetData>" + sheet + "</sheetData></worksheet>",
        {"寄件人", "区号", "邮编", "手机号码", "电话号码", "甲", "乙", "丙", "丁", "戊", "0755", "010020", "己"},
        styles + "</numFmts><cellStyleXfs><xf numFmtId=\"164\"/><xf numFmtId=\"166\"/></cellStyleXfs><cellXfs>" + xfs +
            "</cellXfs></styleSheet>");
    TfrmSender_Q window;
    OpenFileAnswer open(folder.file("in.xlsx"));
    child<QAction>(&window, "ImportContacts")->trigger();
    QCOMPARE(messages.texts(),
             QStringList{"导入 6 条，跳过 0 条重复，0 条无姓名；5 个区号和 4 个邮编在文件里存成了数字，"
                         "已补回开头的 0"});
    QCOMPARE(RowsOf(SqlText("SELECT theName, theANum, thePNum, theMob, thePhone FROM USender ORDER BY ID")),
             QStringList({"甲|0471|010050|13612345678|0755-12345678", "乙|010|010050|13612345678|",
                          "丙|0471|518057|13800138000|", "丁|0755|010020||", "戊|0755|010050||",
                          "己|010|010050|13612345678|"}));
}

// A long import shows its progress in the window; 取消 there leaves the book as it was.
void TestExchange::longImportShowsProgressAndCancels()
{
    ProgramFolder folder;
    MessageRecorder messages;
    QFile file(folder.file("in.csv"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("寄件人,电话号码\n");
    for (int i = 0; i < 200000; ++i)
        file.write("张" + QByteArray::number(i) + ",1\n");
    file.close();
    TfrmSender_Q window;
    window.show();
    OpenFileAnswer open(file.fileName());
    QTimer watch; // runs while the dialog lets events through
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* progress = window.findChild<QProgressDialog*>("ImportProgress");
        auto* cancel = progress ? progress->findChild<QPushButton*>() : nullptr;
        if (cancel && cancel->isVisible() && cancel->text() == "取消" && !progress->wasCanceled())
            QTest::mouseClick(cancel, Qt::LeftButton);
    });
    watch.start(20);
    child<QAction>(&window, "ImportContacts")->trigger();

    QCOMPARE(messages.texts(), QStringList{"已取消导入，通讯录没有改动。"});
    QCOMPARE(DM().QueryCount(SqlText("SELECT ID FROM USender")), 0);
}

void TestExchange::importCanBeStopped_data()
{
    QTest::addColumn<bool>("workbook");
    QTest::newRow("csv") << false;
    QTest::newRow("xlsx") << true;
}

// Stopped at its first progress, an import leaves the book as it was; let run, it
// reports its progress up to the whole file.
void TestExchange::importCanBeStopped()
{
    QFETCH(bool, workbook);
    ProgramFolder folder;
    const QString path = folder.file(workbook ? "in.xlsx" : "in.csv");
    QByteArray csv = "寄件人,电话号码\n",
               sheet = "<w><sheetData><row><c t=\"s\"><v>0</v></c><c t=\"s\"><v>1</v></c></row>";
    for (int i = 0; i < 3000; ++i) {
        csv += "张" + QByteArray::number(i) + ",1\n";
        sheet += "<row><c t=\"inlineStr\"><is><t>张" + QByteArray::number(i) + "</t></is></c></row>";
    }
    if (workbook) {
        writeWorkbook(path, sheet + "</sheetData></w>", {"寄件人", "电话号码"});
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(csv);
    }
    QVERIFY(!ContactImport::Import(SenderKind, path, [](qint64, qint64) { return false; }));
    QCOMPARE(DM().QueryCount(SqlText("SELECT ID FROM USender")), 0);

    qint64 lastDone = 0, lastTotal = -1;
    const auto summary = ContactImport::Import(SenderKind, path, [&](qint64 done, qint64 total) {
        lastDone = done;
        lastTotal = total;
        return true;
    });
    QVERIFY(summary);
    QCOMPARE(summary->imported, 3000);
    QCOMPARE(lastDone, lastTotal);
}

// A name typed without ".xlsx" is asked about with it; a cell past what Excel holds is
// cut and said so; the next export starts where the last one went.
void TestExchange::exportCutsOverlongCellsAndAsksAboutTheFullName()
{
    ProgramFolder folder;
    MessageRecorder messages;
    const QString filter = "Excel 工作簿 (*.xlsx)";
    QCOMPARE(SaveFolder(filter), QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    ContactStore::insert(SenderKind, {"张三", "", "", "", "", "", "", "", "", "", QString(40000, 'x')});
    QFile old(folder.file("x.xlsx"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    QueryDriver<TfrmSender_Q> q(SenderKind.title);
    q.query();
    SaveFileAnswer answer(folder.file("x"), {folder.file("y")});
    messages.answerNext(false);
    q.run("ExportExcel");

    QCOMPARE(messages.shown().size(), 2);
    QCOMPARE(messages.shown()[0].kind, MessageKind::Question);
    QCOMPARE(messages.shown()[0].text, folder.file("x.xlsx") + " 已经存在。\n要替换它吗？");
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old"));
    QCOMPARE(messages.last(), "导出 1 条记录到 " + folder.file("y.xlsx") +
                                  "\n其中 1 个单元格的内容超过 Excel 一格能放的 32767 个字符，已截短。");
    QStringList texts;
    for (const Element& cell : elements(folder.file("y.xlsx"), "xl/worksheets/sheet1.xml", "c"))
        texts << cell.second;
    QVERIFY(texts.contains(QString(32767, 'x')));
    QCOMPARE(SaveFolder(filter), folder.path());
}

ORVANE_TEST_MAIN(TestExchange)
void TestExchange::serverImportBesideAnotherPcFiling_data()
{
    QTest::addColumn<int>("rows");          // the test cluster's lock table: 64 locks times 100 connections
    QTest::addColumn<QString>("otherSees"); // what another PC filing part way through ends with
    QTest::newRow("more rows than the server has locks for") << 20000 << QString();
    QTest::newRow("a filing waits for the import") << 500 << "filed";
    QTest::newRow("a filing told of a long import") << 500 << "另一台电脑正在导入寄件人，请稍后再保存。";
}

// On a server, an import locks the book once, not each row; another PC filing meanwhile
// waits for it, or says plainly why it did not when the import holds it too long.
void TestExchange::serverImportBesideAnotherPcFiling()
{
    QFETCH(int, rows);
    QFETCH(QString, otherSees);
    if (!OnTestServer())
        QSKIP("the file's write lock lets one writer in at a time");
    ProgramFolder folder;
    QFile file(folder.file("in.csv"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("寄件人,电话号码\n");
    for (int i = 0; i < rows; ++i)
        file.write("张" + QByteArray::number(i) + ",1\n");
    file.close();
    QProcess other;
    const bool filed = otherSees == "filed";
    const auto summary = ContactImport::Import(SenderKind, file.fileName(), [&](qint64, qint64) {
        if (otherSees.isEmpty() || other.state() != QProcess::NotRunning)
            return true;
        qputenv("ORVANE_OTHER_PC", folder.path().toLocal8Bit());
        other.start(QCoreApplication::applicationFilePath(), {"otherPcFiles"});
        qunsetenv("ORVANE_OTHER_PC");
        while (other.waitForReadyRead(10000) && !other.readAllStandardOutput().contains("ready")) {
        }
        QThread::msleep(300); // the other PC is at the lock now
        return filed || other.waitForFinished(30000);
    });
    QVERIFY(summary && summary->imported == rows);
    QVERIFY(other.state() == QProcess::NotRunning || other.waitForFinished(30000));
    QVERIFY(QString::fromUtf8(other.readAllStandardOutput()).contains(otherSees));
    QCOMPARE(DM().QueryCount(SqlText("SELECT ID FROM USender")), rows + (filed ? 1 : 0));
}

// The other PC of serverImportBesideAnotherPcFiling: this program started again.
void TestExchange::otherPcFiles()
{
    if (qEnvironmentVariableIsEmpty("ORVANE_OTHER_PC"))
        QSKIP("run by serverImportBesideAnotherPcFiling as the other PC");
    DM().setProgramDir(qEnvironmentVariable("ORVANE_OTHER_PC"));
    std::cout << "ready" << std::endl;
    try {
        ContactStore::file(SenderKind, Record(ContactStore::BlockFieldCount, "李四"), 0);
        std::cout << "filed" << std::endl;
    } catch (const AppError& error) {
        std::cout << error.message().toStdString() << std::endl;
    }
}

#include "tst_exchange.moc"
