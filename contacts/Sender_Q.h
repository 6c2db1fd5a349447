#pragma once

#include "ContactQuery.h"

// Sender query: filter, list, edit and delete the senders in the address book.
class TfrmSender_Q : public ContactQuery {
    Q_OBJECT
public:
    explicit TfrmSender_Q(QWidget* parent = nullptr);
};
