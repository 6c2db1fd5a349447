#include "Sender_Q.h"

#include "Sender.h"

TfrmSender_Q::TfrmSender_Q(QWidget* parent)
    : ContactQuery(
          SenderKind, "frmSender_Q", [](QWidget* owner) { return new TfrmSender(owner); }, parent)
{
}
