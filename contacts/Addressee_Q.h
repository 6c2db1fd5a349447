#pragma once

#include "ContactQuery.h"

// Recipient query: filter, list, edit and delete the recipients in the address book.
class TfrmAddressee_Q : public ContactQuery {
    Q_OBJECT
public:
    explicit TfrmAddressee_Q(QWidget* parent = nullptr);
};
