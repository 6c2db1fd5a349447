#pragma once

#include "DataGrid.h"
#include "FieldTable.h"

#include <QDialog>

class LimitedEdit;
class QGroupBox;
class QPushButton;

// The base of every entry dialog: fixed size with a close box only, boxes built from a
// field table, "保存" and "退出" below them, and no default button (Enter does not save).
// Keys as a data-entry clerk expects them: Enter goes on to the next box (on a focused
// button it presses it), Ctrl+S saves from anywhere, Esc asks before it drops typed text.
// EditID 0 means a new row; otherwise the ID of the row being edited. A successful save
// emits saved(), which the window that opened the dialog connects to its own listing.
class EntryDialog : public QDialog {
    Q_OBJECT
public:
    qint64 EditID = 0;
    bool isEditing() const { return EditID != 0; }

    LimitedEdit* edit(const QString& control) const;
    // The texts of the boxes of `fields`, in table order, exactly as typed.
    Record values(const FieldTable& fields) const;
    void setValues(const FieldTable& fields, const Record& values);
    // The edit command of a query window: fills the boxes from the listed row by alias.
    virtual void loadRow(const RowReader& row);

    void BitBtn1Click();
    // What the boxes hold now becomes the state Esc compares with.
    void markClean();

signals:
    void saved();

protected:
    EntryDialog(QWidget* parent, const char* objectName, const QString& caption, int width, int height);
    // A group box holding the fields' labelled boxes; its fields are the ones loadRow fills.
    QGroupBox* addFieldGroup(const char* name, const QString& title, const QRect& geometry, const FieldTable& fields);
    // "保存" and "退出" at the right, at the given top.
    void addButtons(int top);
    // Writes the row; false when a check refused it (the dialog then stays open).
    virtual bool mySave() = 0;

    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

private:
    QStringList contents() const;

    FieldTable m_loadable;
    QStringList m_clean;
    bool m_cleanTaken = false;
};
