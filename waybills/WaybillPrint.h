#pragma once

#include <QString>

class QWidget;
class TfrmP3;

// The print window over one saved waybill: its texts read from the waybill store, and
// each print that reaches a printer logged as a single print. Throws AppError when the
// waybill is no longer live; "0" opens the layout's test page.
void PrepareWaybillPrint(TfrmP3& window, const QString& companyName, const QString& waybillId);

// Opens that window modally, owned by `owner`, as waybill entry and query do.
void OpenWaybillPrint(QWidget* owner, const QString& companyName, const QString& waybillId);
