#pragma once

#include "QueryWindow.h"

// Waybill query: the live waybills under thirteen conditions, newest first or by a
// column; print one again or all of them, change one in the entry window, or delete it.
class TfrmE_Q : public QueryWindow {
    Q_OBJECT
public:
    explicit TfrmE_Q(QWidget* parent = nullptr);

    void P1Click();
    // "批量打印": every waybill of the list, in the order shown, one page each, in one job per
    // printer, each in list order.
    void batchPrint();
};
