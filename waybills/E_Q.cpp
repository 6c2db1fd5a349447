#include "E_Q.h"

#include "E_In.h"
#include "DM.h"
#include "FormLayout.h"
#include "Guard.h"
#include "Messages.h"
#include "Printing.h"
#include "SqlDialect.h"
#include "WaybillPrint.h"
#include "WaybillStore.h"

#include <QProgressDialog>
#include <QSqlQuery>

namespace {

using Sort = QueryCondition::Sort;

QueryCondition condition(Sort sort, const char* check, const char* caption, const char* control, QString clause,
                         Place place)
{
    return MakeCondition(sort, check, QString::fromUtf8(caption), control, clause, place);
}

// "AND (SName LIKE '%' || ? || '%' OR SNPY LIKE '%' || ? || '%') ": the text or its pinyin code.
QueryCondition withCode(const char* check, const char* caption, const char* edit, const char* column,
                        const char* code, Place place)
{
    return condition(Sort::Text, check, caption, edit,
                     QStringLiteral("AND (%1 OR %2) ").arg(Contains(QLatin1String(column)), Contains(QLatin1String(code))),
                     place);
}

QueryWindowKind waybillQuery()
{
    QueryWindowKind kind;
    kind.objectName = "frmE_Q";
    kind.caption = QStringLiteral("快递单查询");
    kind.selectList = WaybillStore::querySelectList();
    kind.from = WaybillStore::from();
    QueryCondition date = condition(Sort::DateRange, "CheckBox12", "快递日期", "DateTimePicker1",
                                    QStringLiteral(" AND (myDate Between ? AND ?) "), {0, 0});
    date.toControl = "DateTimePicker2";
    date.toPlace = {0, 1};
    // In the order their clauses are appended; the places give the reading order.
    kind.conditions = {
        condition(Sort::CompanyList, "CheckBox1", "快递公司", "DBLookupComboBox1", QStringLiteral("AND (EName = ?) "),
                  {0, 2}),
        TextCondition("CheckBox2", "快递单号", "Edit1", "ENum", {1, 0}),
        TextCondition("CheckBox3", "快递物品", "Edit2", "EAN", {1, 1}),
        withCode("CheckBox4", "收  件  人", "Edit3", "SName", "SNPY", {1, 2}),
        TextCondition("CheckBox5", "收件电话", "Edit4", "SPhone", {2, 0}),
        TextCondition("CheckBox6", "收件手机", "Edit5", "SMob", {2, 1}),
        withCode("CheckBox7", "收件单位", "Edit6", "SDept", "SDPY", {2, 2}),
        TextCondition("CheckBox8", "收件地址", "Edit7", "SAdd", {3, 0}),
        withCode("CheckBox9", "寄  件  人", "Edit8", "JName", "JNPY", {3, 1}),
        withCode("CheckBox10", "寄件单位", "Edit9", "JDept", "JDPY", {3, 2}),
        TextCondition("CheckBox11", "备        注", "Edit10", "Remark", {4, 0, 2}),
        date,
        condition(Sort::UserList, "CheckBox13", "录  入  人", "DBLookupComboBox2", QStringLiteral("AND (UName = ?) "),
                  {4, 2}),
    };
    kind.columnWidths = ColumnWidths(WaybillStore::WaybillFields());
    kind.hiddenColumns = {QStringLiteral("ID")};
    kind.dateColumns = {QStringLiteral("快递日期")};
    kind.pinyinSorted =
        PinyinSorted(WaybillStore::WaybillFields(), {{QStringLiteral("SName"), QStringLiteral("SNPY")},
                                                     {QStringLiteral("SDept"), QStringLiteral("SDPY")},
                                                     {QStringLiteral("JName"), QStringLiteral("JNPY")},
                                                     {QStringLiteral("JDept"), QStringLiteral("JDPY")}});
    kind.selectWholeRows = false;
    kind.editDialog = [](QWidget* owner) { return new TfrmE_In(owner); };
    kind.editCaption = QStringLiteral("快递单修改");
    kind.softDelete = [](const RowReader& row) { WaybillStore::softDelete(row(QStringLiteral("ID")).toLongLong()); };
    return kind;
}

} // namespace

TfrmE_Q::TfrmE_Q(QWidget* parent) : QueryWindow(waybillQuery(), parent)
{
    addCommand("P1", QStringLiteral("打印 &P"), [this] { P1Click(); });
    addCommand("BatchPrint", QStringLiteral("批量打印"), [this] { batchPrint(); });
    addSeparator();
    addStandardCommands();
}

void TfrmE_Q::batchPrint()
{
    const qint64 total = matchedCount();
    if (!AskQuestion(this, QStringLiteral("批量打印"), QStringLiteral("将打印 %1 张快递单，确定吗？").arg(total), false))
        return;
    // From about ten pages on the user sees the batch go, and can stop it.
    std::unique_ptr<QProgressDialog> progress;
    if (total >= 10) {
        progress = std::make_unique<QProgressDialog>(QStringLiteral("正在打印快递单……"), QStringLiteral("取消"), 0,
                                                     static_cast<int>(total), this);
        progress->setObjectName(QStringLiteral("ProgressDialog1"));
        progress->setWindowTitle(QStringLiteral("批量打印"));
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
        progress->setValue(0);
    }
    // Every row the filter matches, in list order, read once through. Each company's
    // pages go to its own printer: one job per printer, each in list order.
    PrintBatch batch(this);
    // Only what reached a printer is logged: a cancelled batch ends after its page in
    // progress, and a failure part way still sends and logs the pages before it.
    const auto finish = [&] {
        batch.finish([](const PrintBatch::Sent& sent) {
            WaybillStore::logPrints(sent.waybillIds, sent.printer, WaybillStore::PrintKind::Batch);
        });
    };
    try {
        int added = 0;
        forEachListed([&](const QSqlRecord& row) {
            if (progress && progress->wasCanceled())
                return false;
            const QString company = row.value(QStringLiteral("快递公司")).toString();
            const QString id = row.value(QStringLiteral("ID")).toString();
            if (!batch.add(CompanyForm(company, WaybillStore::printTexts(id)), id.toLongLong()))
                return false; // a printer gone, and the default one not wanted: stop here
            if (progress)
                progress->setValue(++added);
            return true;
        });
    } catch (...) {
        Guarded(this, finish);
        throw;
    }
    finish();
    myRef();
}

void TfrmE_Q::P1Click()
{
    OpenWaybillPrint(this, grid()->value(QStringLiteral("快递公司")).toString(),
                     grid()->value(QStringLiteral("ID")).toString());
    // A print counts at once in "打印次数"; the row stays where the user left it.
    grid()->refreshCurrentRow();
}
