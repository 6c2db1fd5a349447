#pragma once

#include "QueryWindow.h"

// Waybill query: the live waybills under thirteen conditions, newest first; print one
// again, change it in the entry window, or delete it.
class TfrmE_Q : public QueryWindow {
    Q_OBJECT
public:
    explicit TfrmE_Q(QWidget* parent = nullptr);

    void P1Click();
};
