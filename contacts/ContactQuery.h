#pragma once

#include "ContactStore.h"
#include "QueryWindow.h"

// Query of one address book: filter, list, edit and delete its contacts; the sender and
// recipient queries are this window told which book it lists and which dialog edits.
class ContactQuery : public QueryWindow {
    Q_OBJECT
public:
    using DialogFactory = std::function<EntryDialog*(QWidget* owner)>;
    ContactQuery(const ContactKind& kind, const char* objectName, DialogFactory editDialog, QWidget* parent);

    // "导入联系人": adds the contacts of an .xlsx or .csv file the user picks, whatever
    // the list shows, and reports what it added and passed over.
    void importClicked();

private:
    const ContactKind& m_contacts;
};
