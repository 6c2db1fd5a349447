#include "ContactDialog.h"

#include "AddressAssist.h"
#include "Controls.h"
#include "Guard.h"
#include "Messages.h"

#include <QGroupBox>
#include <QShortcut>

ContactDialog::ContactDialog(const ContactKind& kind, const char* objectName, QWidget* parent)
    : EntryDialog(parent, objectName, kind.entryCaption, 760, 280), m_kind(kind)
{
    const FieldTable& fields = ContactStore::Fields(kind);
    QGroupBox* group = addFieldGroup("GroupBox1", kind.groupCaption, QRect(16, 8, 721, 189), fields);
    addButtons(212);

    QList<LimitedEdit*> boxes;
    for (int i = 0; i < ContactStore::BlockFieldCount; ++i)
        boxes << edit(fields[i].control);
    m_assist = new AddressAssist(group, boxes, "PasteAddress");
    auto* paste = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+V")), this);
    OnSignal(paste, &QShortcut::activated, this, [this] { m_assist->pasteAddress(); });
}

void ContactDialog::loadRow(const RowReader&)
{
    const VersionedRow::Stored stored = ContactStore::load(m_kind, EditID);
    m_version = stored.version;
    EntryDialog::loadRow([&stored](const QString& alias) { return stored.row.value(alias); });
}

bool ContactDialog::mySave()
{
    const FieldTable& fields = ContactStore::Fields(m_kind);
    const Record contact = values(fields);
    LimitedEdit* nameBox = edit(fields.first().control);
    // Only a box with nothing in it is empty: a name of spaces is a name.
    if (Fields::ValueOf(fields, contact, QStringLiteral("theName")).isEmpty()) {
        ShowMessage(this, m_kind.emptyMessage);
        nameBox->setFocus();
        return false;
    }
    // An edited contact may take any name: it is known by its ID, not by its name.
    if (isEditing()) {
        ContactStore::update(m_kind, EditID, contact, m_version);
    } else if (!ContactStore::insertIfNew(m_kind, contact)) {
        ShowMessage(this, m_kind.duplicateMessage);
        nameBox->setFocus();
        return false;
    }
    ShowMessage(this, m_kind.savedMessage);
    return true;
}
