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
    // An edit shows the company as it stands now, read again by CompanyId, not the
    // listed row, which another PC may have changed since it was listed.
    void loadRow(const RowReader& row) override;

protected:
    bool mySave() override;

private:
    qint64 m_version = 0; // of the company being edited, as it was read
};
