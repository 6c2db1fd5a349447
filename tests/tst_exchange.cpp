// Query listings exported to Excel and contacts imported from Excel and CSV files, over a
// real database in a temporary program folder; workbooks are read back from their XML.
#include "TestSupport.h"

#include "Addressee_Q.h"
#include "Com_Q.h"
#include "ContactImport.h"
#include "CourierStore.h"
#include "DM.h"
#include "E_Q.h"
#include "GbkText.h"
#include "Sender_Q.h"

#include <QMenu>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QXmlStreamReader>
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
};

namespace {

// Answers the save dialog with a fixed path and records the name it suggested.
struct SaveFileAnswer {
    QString path, suggested;
    SaveFileHandler previous;
    explicit SaveFileAnswer(QString answer) : path(std::move(answer))
    {
        previous = setSaveFileHandler([this](QWidget*, const QString&, const QString& name) {
            suggested = name;
            return path;
        });
    }
    ~SaveFileAnswer() { setSaveFileHandler(previous); }
};

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
    QXmlStreamReader xml(ContactImport::ZipEntry(xlsx, part));
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
    QCOMPARE(last->objectName(), QString("X1"));
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
    const ContactImport::Table rows = ContactImport::ReadXlsx(answer.path);
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
    QueryDriver<TfrmE_Q> q(QStringLiteral("快递单号"));
    q.edit(1)->setText("A");
    q.query();
    QVERIFY(q.grid()->rowCount() < 300);            // the grid holds only its first fetch
    SaveFileAnswer answer(folder.file("waybills")); // the suffix is added
    q.run("X1");

    QCOMPARE(messages.texts(), QStringList{"导出 300 条记录到 " + folder.file("waybills.xlsx")});
    const ContactImport::Table rows = ContactImport::ReadXlsx(folder.file("waybills.xlsx"));
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
    const auto at = [&](int column, int row) { return cells[QChar('A' + column) + QString::number(row)]; };
    QCOMPARE(at(phone, 301).first.value("t"), QString("inlineStr"));
    QCOMPARE(at(phone, 301).second, QString("0755-1234"));
    QCOMPARE(at(postcode, 2).first.value("t"), QString("inlineStr"));
    QCOMPARE(at(postcode, 2).second, QString("010020"));
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
    const ContactImport::Table table = {
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
    child<QAction>(window.get(), "I1")->trigger();

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
    DM().ExecSql(SqlText("CREATE TRIGGER third BEFORE INSERT ON USender WHEN (SELECT COUNT(*) FROM USender) >= 2 "
                         "BEGIN SELECT RAISE(ABORT, 'third insert refused'); END"));
    QFile file(folder.file("in.csv"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("寄件人,电话号码\n甲,1\n乙,2\n丙,3\n丁,4\n");
    file.close();
    TfrmSender_Q window;
    OpenFileAnswer open(file.fileName());
    child<QAction>(&window, "I1")->trigger();

    QCOMPARE(messages.shown().size(), 1);
    QCOMPARE(messages.shown()[0].kind, MessageKind::Error);
    QVERIFY(messages.last().contains("third insert refused"));
    QCOMPARE(DM().QueryCount(SqlText("SELECT ID FROM USender")), 0);
}

ORVANE_TEST_MAIN(TestExchange)
#include "tst_exchange.moc"
