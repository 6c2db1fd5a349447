#pragma once

#include "ContactStore.h"
#include "EntryDialog.h"

class AddressAssist;

// Entry and edit of one contact; the sender and recipient dialogs are this dialog
// told which address book it writes to. The region boxes complete from the division
// table, and "粘贴识别" (Ctrl+Shift+V) fills the boxes from a pasted address.
class ContactDialog : public EntryDialog {
    Q_OBJECT
public:
    ContactDialog(const ContactKind& kind, const char* objectName, QWidget* parent);

    const ContactKind& kind() const { return m_kind; }
    // A change shows the contact as it stands now, read again by EditID, not the listed
    // row, which another PC may have changed since it was listed.
    void loadRow(const RowReader& row) override;

protected:
    bool mySave() override;

private:
    const ContactKind& m_kind;
    AddressAssist* m_assist = nullptr;
    qint64 m_version = 0; // of the contact being changed, as it was read
};
