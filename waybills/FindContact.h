#pragma once

#include <QDialog>

struct ContactKind;
class ContactBlock;
class DataGrid;
struct SqlText;

// The contact picker: when a look-up in the waybill entry matches several contacts, the
// user takes one with Enter or a double-click, or leaves with Esc.
class ContactPicker : public QDialog {
    Q_OBJECT
public:
    // Runs the look-up in the picker's grid, its best match the current row; the entry
    // shows the picker only when it cannot take one contact at once.
    void list(const SqlText& lookup);
    DataGrid* grid() const { return DBGrid1; }

    // Takes the current row into the block and closes.
    void myLoad();

protected:
    ContactPicker(const ContactKind& kind, const char* objectName, QWidget* owner, ContactBlock* block);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const ContactKind& m_kind;
    ContactBlock* m_block;
    DataGrid* DBGrid1;
};

// Sender picker, filling the entry's sender block.
class TfrmFindJJR : public ContactPicker {
    Q_OBJECT
public:
    TfrmFindJJR(QWidget* owner, ContactBlock* block);
};

// Recipient picker, filling the entry's recipient block.
class TfrmFindSJR : public ContactPicker {
    Q_OBJECT
public:
    TfrmFindSJR(QWidget* owner, ContactBlock* block);
};
