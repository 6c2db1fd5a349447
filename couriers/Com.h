#pragma once

#include "EntryDialog.h"

class LimitedEdit;

// Entry and edit of a courier company.
class TfrmCom : public EntryDialog {
    Q_OBJECT
public:
    explicit TfrmCom(QWidget* parent);

    // Set by the opener before showing: CompanyId (the base's EditID) 0 means a new
    // company; OldName is the name the company had when the dialog opened.
    qint64& CompanyId = EditID;
    QString OldName;

    LimitedEdit* edit(int number) const;
    void loadRow(const RowReader& row) override;

protected:
    bool mySave() override;
};
