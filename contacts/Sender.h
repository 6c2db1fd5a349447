#pragma once

#include "ContactDialog.h"

// Entry and edit of a sender in the senders' address book.
class TfrmSender : public ContactDialog {
    Q_OBJECT
public:
    explicit TfrmSender(QWidget* parent);
};
