#include "Addressee_Q.h"

#include "Addressee.h"

TfrmAddressee_Q::TfrmAddressee_Q(QWidget* parent)
    : ContactQuery(
          AddresseeKind, "frmAddressee_Q", [](QWidget* owner) { return new TfrmAddressee(owner); }, parent)
{
}
