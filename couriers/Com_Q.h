#pragma once

#include "QueryWindow.h"

// Courier company query: list, filter, edit and delete companies, and reach their
// print item selection, layout designer and test print.
class TfrmCom_Q : public QueryWindow {
    Q_OBJECT
public:
    explicit TfrmCom_Q(QWidget* parent = nullptr);

    void N1Click();
    void N2Click();
    void P1Click();
};
