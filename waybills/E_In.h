#pragma once

#include "EntryDialog.h"

class ContactBlock;
class LookupCombo;
class QCheckBox;
class QDateEdit;

// Waybill entry: the sender and the recipient, looked up in the address books, and the
// courier details; a saved new waybill goes straight to the print window.
class TfrmE_In : public EntryDialog {
    Q_OBJECT
public:
    explicit TfrmE_In(QWidget* parent);

    void myNew();
    void myFindJJR();
    void myFindSJR();
    // A change shows the waybill as it stands now, read again by EditID; the listed row
    // may be older than another PC's change.
    void loadRow(const RowReader& row) override;

protected:
    bool mySave() override;

private:
    Record myRecord() const;
    bool refuse(QWidget* field, const QString& message);

    ContactBlock* m_sender;
    ContactBlock* m_addressee;
    QDateEdit* DateTimePicker1;
    LookupCombo* DBLookupComboBox1;
    QCheckBox* CheckBox1;
    qint64 m_version = 0; // of the waybill being changed, as it was read
};
