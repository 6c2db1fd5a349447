#include "Sender.h"

TfrmSender::TfrmSender(QWidget* parent) : ContactDialog(SenderKind, "frmSender", parent) {}
