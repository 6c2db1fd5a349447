#include "FindContact.h"

#include "ContactBlock.h"
#include "ContactStore.h"
#include "Controls.h"
#include "DataGrid.h"
#include "Guard.h"
#include "QueryWindow.h"

#include <QKeyEvent>
#include <QVBoxLayout>

ContactPicker::ContactPicker(const ContactKind& kind, const char* objectName, QWidget* owner, ContactBlock* block)
    : QDialog(owner), m_kind(kind), m_block(block)
{
    setObjectName(QLatin1String(objectName));
    SetupFixedWindow(this, kind.pickerCaption, 1000, 300);
    CentreOn(this, owner ? owner->window() : nullptr);
    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->selectWholeRows(false);
    DBGrid1->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(DBGrid1);
    OnSignal(DBGrid1, &DataGrid::gridDoubleClicked, this, [this] { myLoad(); });
}

void ContactPicker::list(const SqlText& lookup)
{
    DBGrid1->setStatement(lookup, ContactStore::LookupOrder());
    DBGrid1->setColumnWidths(ColumnWidths(ContactStore::Fields(m_kind)));
    DBGrid1->hideColumns({ContactStore::LookupRank, QStringLiteral("ID")});
}

bool ContactPicker::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == DBGrid1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            Guarded(this, [this] { myLoad(); });
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            reject();
            return true;
        }
        // Typed characters do nothing; the arrow and page keys still move through the list.
        if (!key->text().isEmpty())
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ContactPicker::myLoad()
{
    if (DBGrid1->rowCount() == 0)
        return;
    m_block->fill(DBGrid1->currentRow());
    accept();
}

TfrmFindJJR::TfrmFindJJR(QWidget* owner, ContactBlock* block) : ContactPicker(SenderKind, "frmFindJJR", owner, block) {}

TfrmFindSJR::TfrmFindSJR(QWidget* owner, ContactBlock* block) : ContactPicker(AddresseeKind, "frmFindSJR", owner, block)
{
}
