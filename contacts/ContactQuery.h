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
};
