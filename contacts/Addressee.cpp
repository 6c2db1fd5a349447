#include "Addressee.h"

TfrmAddressee::TfrmAddressee(QWidget* parent) : ContactDialog(AddresseeKind, "frmAddressee", parent) {}
