#include "ContactQuery.h"

#include "ContactImport.h"
#include "Messages.h"
#include "Modal.h"
#include "Unit1.h"

#include <QProgressDialog>

namespace {

// The conditions follow the field table, three to a row, the last one two places wide.
const char* const CheckNames[] = {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4",  "CheckBox5", "CheckBox6",
                                  "CheckBox7", "CheckBox8", "CheckBox9", "CheckBox10", "CheckBox11"};
const char* const EditNames[] = {"Edit1", "Edit2", "Edit3", "Edit4",  "Edit5", "Edit6",
                                 "Edit7", "Edit8", "Edit9", "Edit10", "Edit11"};

QList<QueryCondition> conditionsOf(const FieldTable& fields)
{
    Q_ASSERT(fields.size() == int(std::size(CheckNames)));
    QList<QueryCondition> conditions;
    for (int i = 0; i < fields.size(); ++i) {
        QueryCondition condition;
        condition.check = CheckNames[i];
        // The entry label without its colon: "寄  件  人：" gives "寄  件  人".
        condition.caption = fields[i].caption.chopped(1);
        condition.control = EditNames[i];
        condition.clause = ContactStore::filterClause(fields[i].column);
        const bool last = i == fields.size() - 1;
        condition.place = {i / 3, i % 3, last ? 2 : 1};
        conditions << condition;
    }
    return conditions;
}

QueryWindowKind queryOf(const ContactKind& contacts, const char* objectName, ContactQuery::DialogFactory editDialog)
{
    const FieldTable& fields = ContactStore::Fields(contacts);
    QueryWindowKind kind;
    kind.objectName = objectName;
    kind.caption = contacts.queryCaption;
    kind.selectList = ContactStore::selectList(contacts);
    kind.from = ContactStore::from(contacts);
    kind.conditions = conditionsOf(fields);
    kind.columnWidths = ColumnWidths(fields);
    kind.hiddenColumns = {QStringLiteral("ID")};
    // A single cell is picked, so a long address can be read in its own cell.
    kind.selectWholeRows = false;
    kind.editDialog = std::move(editDialog);
    kind.editCaption = contacts.editCaption;
    kind.softDelete = [&contacts](const RowReader& row) {
        ContactStore::softDelete(contacts, row(QStringLiteral("ID")).toLongLong());
    };
    return kind;
}

} // namespace

ContactQuery::ContactQuery(const ContactKind& kind, const char* objectName, DialogFactory editDialog, QWidget* parent)
    : QueryWindow(queryOf(kind, objectName, std::move(editDialog)), parent), m_contacts(kind)
{
    addStandardCommands();
    addSeparator();
    // An empty book is where an import is most wanted.
    addCommand(
        "ImportContacts", QStringLiteral("导入联系人"), [this] { importClicked(); }, Runs::Always);
}

void ContactQuery::importClicked()
{
    const QString path = AskOpenFileName(this, QStringLiteral("Excel 或 CSV 文件 (*.xlsx *.csv)"));
    if (path.isEmpty())
        return;
    // From about a second on, a long import shows how far it is and can be stopped.
    QProgressDialog progress(QStringLiteral("正在导入联系人……"), QStringLiteral("取消"), 0, 1000, this);
    progress.setObjectName(QStringLiteral("ImportProgress"));
    progress.setWindowTitle(m_contacts.queryCaption);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(1000);
    progress.setValue(0);
    const std::optional<ContactImport::Summary> summary =
        ContactImport::Import(m_contacts, path, [&progress](qint64 done, qint64 total) {
            progress.setValue(total > 0 ? int(done * 1000 / total) : 0);
            // The program asked to end stops the import as 取消 does: nothing is kept.
            return !progress.wasCanceled() && !Unit1::endRequested();
        });
    progress.reset();
    if (Unit1::endRequested())
        return;
    ShowMessage(this, summary ? ContactImport::SummaryText(*summary) : QStringLiteral("已取消导入，通讯录没有改动。"));
    if (queried())
        myRef();
}
