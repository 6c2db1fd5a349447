#include "E_Q.h"

#include "AppError.h"
#include "DM.h"
#include "E_In.h"
#include "FormLayout.h"
#include "Guard.h"
#include "Messages.h"
#include "Printing.h"
#include "SqlDialect.h"
#include "Unit1.h"
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
QueryCondition withCode(const char* check, const char* caption, const char* edit, const char* column, const char* code,
                        Place place)
{
    return condition(
        Sort::Text, check, caption, edit,
        QStringLiteral("AND (%1 OR %2) ").arg(Contains(QLatin1String(column)), Contains(QLatin1String(code))), place);
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

// The waybills a batch passed over because they were deleted after the list was read.
QString skippedText(const QStringList& skipped)
{
    if (skipped.isEmpty())
        return {};
    constexpr int Shown = 20;
    QString text = QStringLiteral("\n以下 %1 张快递单在列出之后已被删除（可能是在另一台电脑上），没有打印：\n")
                       .arg(skipped.size()) +
                   skipped.mid(0, Shown).join(QLatin1Char('\n'));
    if (skipped.size() > Shown)
        text += QStringLiteral("\n……另有 %1 张").arg(skipped.size() - Shown);
    return text;
}

// The printed waybills whose log rows still wait for the database (`labels` names them).
QString unloggedText(const QHash<qint64, QString>& labels)
{
    QStringList named;
    for (qint64 id : WaybillStore::waitingPrints())
        named << labels.value(id, QStringLiteral("编号 %1").arg(id));
    if (named.isEmpty())
        return {};
    constexpr int Shown = 20;
    QString text = QStringLiteral("\n以下 %1 张快递单已经打印，但数据库暂时连接不上，还没有记入打印次数；"
                                  "数据库恢复后再打印时会自动补记（在这之前请不要关闭本程序）：\n")
                       .arg(named.size()) +
                   named.mid(0, Shown).join(QLatin1Char('\n'));
    if (named.size() > Shown)
        text += QStringLiteral("\n……另有 %1 张").arg(named.size() - Shown);
    return text;
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
    if (!AskQuestion(this, QStringLiteral("批量打印"), QStringLiteral("将打印 %1 张快递单，确定吗？").arg(total),
                     false))
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
    int printed = 0;
    QStringList skipped;           // deleted since the list was read: named at the end, never printed
    QHash<qint64, QString> labels; // the pages sent, for naming any whose log rows must wait
    // Only what reached a printer is logged: a cancelled batch ends after its page in
    // progress, and a failure part way still sends and logs the pages before it. Rows the
    // database cannot take now wait in memory: the pages are out whatever the log says.
    const auto finish = [&] {
        batch.finish([](const PrintBatch::Sent& sent) {
            try {
                WaybillStore::logPrints(sent.waybillIds, sent.printer, WaybillStore::PrintKind::Batch);
            } catch (const AppError&) {
            }
        });
        try {
            WaybillStore::writeWaitingPrints(); // one more try before the user is told
        } catch (const AppError&) {
        }
    };
    try {
        int done = 0;
        forEachListed([&](const QSqlRecord& row) {
            // 取消, or the program asked to end, which stops the batch as 取消 does.
            if ((progress && progress->wasCanceled()) || Unit1::endRequested())
                return false;
            const qint64 id = row.value(QStringLiteral("ID")).toLongLong();
            const QString label = QStringLiteral("单号 %1（收件人 %2）")
                                      .arg(row.value(QStringLiteral("快递单号")).toString(),
                                           row.value(QStringLiteral("收件人")).toString());
            if (const std::optional<QStringList> texts = WaybillStore::printTexts(id)) {
                if (!batch.add(CompanyForm(row.value(QStringLiteral("快递公司")).toString(), *texts), id))
                    return false; // a printer gone, and the default one not wanted: stop here
                ++printed;
                labels.insert(id, label);
            } else {
                skipped << label;
            }
            if (progress)
                progress->setValue(++done);
            return true;
        });
    } catch (const AppError& error) {
        Guarded(this, finish);
        myRef();
        throw AppError(QStringLiteral("批量打印已停止，前 %1 张已送去打印，其余的没有打印。\n%2%3%4")
                           .arg(printed)
                           .arg(error.message(), skippedText(skipped), unloggedText(labels)));
    } catch (...) {
        Guarded(this, finish);
        throw;
    }
    finish();
    myRef();
    const QString unlogged = unloggedText(labels);
    if ((!skipped.isEmpty() || !unlogged.isEmpty()) && !Unit1::endRequested())
        ShowMessage(this, QStringLiteral("已打印 %1 张快递单。%2%3").arg(printed).arg(skippedText(skipped), unlogged));
}

void TfrmE_Q::P1Click()
{
    OpenWaybillPrint(this, grid()->value(QStringLiteral("快递公司")).toString(),
                     grid()->value(QStringLiteral("ID")).toString());
    // A print counts at once in "打印次数"; the row stays where the user left it.
    grid()->refreshCurrentRow();
}
