#pragma once

#include "ContactDialog.h"

// Entry and edit of a recipient in the recipients' address book.
class TfrmAddressee : public ContactDialog {
    Q_OBJECT
public:
    explicit TfrmAddressee(QWidget* parent);
};
