#pragma once

#include "DataGrid.h"
#include "FieldTable.h"

#include <QObject>
#include <functional>

struct ContactKind;
class AddressAssist;
class ContactPicker;
class LimitedEdit;
class QGroupBox;

// The sender or the recipient block of the waybill entry: ten boxes, and a look-up in
// the address book on Enter or a double-click in the first four (name, phone, mobile,
// organisation). One match, or one contact named exactly as typed, fills the block;
// several open the picker; none says so.
// The region boxes complete from the division table; "粘贴识别" fills the block from a
// pasted address.
class ContactBlock : public QObject {
    Q_OBJECT
public:
    using PickerFactory = std::function<ContactPicker*(QWidget* owner, ContactBlock* block)>;

    // `fields` are the block's ten waybill fields in the contact table's order; `next`
    // takes the focus once the block is filled.
    ContactBlock(const ContactKind& kind, const FieldTable& fields, QGroupBox* group, PickerFactory picker);
    void setNext(QWidget* next) { m_next = next; }

    // The look-up (myFindJJR / myFindSJR) from box `from` (1 to 4); when nothing matches,
    // the focus goes on to the box after it.
    void myFind(int from = 1);
    // Fields 1 to 10 from a contact row read by its titles; what was typed is replaced.
    void fill(const RowReader& contact);
    // "粘贴识别": the block's boxes from the clipboard's text.
    void pasteAddress();
    bool holdsFocus() const;
    bool owns(const QWidget* box) const;

    const ContactKind& kind() const { return m_kind; }
    LimitedEdit* edit(int number) const { return m_edits.value(number - 1); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const ContactKind& m_kind;
    QList<LimitedEdit*> m_edits;
    QGroupBox* m_group;
    PickerFactory m_picker;
    QWidget* m_next = nullptr;
    AddressAssist* m_assist = nullptr;
};
