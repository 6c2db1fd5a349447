#include "ContactDialog.h"

#include "Controls.h"
#include "Messages.h"

ContactDialog::ContactDialog(const ContactKind& kind, const char* objectName, QWidget* parent)
    : EntryDialog(parent, objectName, kind.entryCaption, 760, 280), m_kind(kind)
{
    addFieldGroup("GroupBox1", kind.groupCaption, QRect(16, 8, 721, 189), ContactStore::Fields(kind));
    addButtons(212);
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
        ContactStore::update(m_kind, EditID, contact);
    } else if (!ContactStore::insertIfNew(m_kind, contact)) {
        ShowMessage(this, m_kind.duplicateMessage);
        nameBox->setFocus();
        return false;
    }
    ShowMessage(this, m_kind.savedMessage);
    return true;
}
