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
};
