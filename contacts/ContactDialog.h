#pragma once

#include "ContactStore.h"
#include "EntryDialog.h"

// Entry and edit of one contact; the sender and recipient dialogs are this dialog
// told which address book it writes to.
class ContactDialog : public EntryDialog {
    Q_OBJECT
public:
    ContactDialog(const ContactKind& kind, const char* objectName, QWidget* parent);

    const ContactKind& kind() const { return m_kind; }

protected:
    bool mySave() override;

private:
    const ContactKind& m_kind;
};
