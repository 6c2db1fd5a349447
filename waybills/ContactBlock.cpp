#include "ContactBlock.h"

#include "AddressAssist.h"
#include "ContactStore.h"
#include "Controls.h"
#include "FindContact.h"
#include "FormGrid.h"
#include "Guard.h"
#include "Messages.h"
#include "Modal.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>

namespace {
constexpr int LookupFieldCount = 4; // name, phone, mobile, organisation
}

ContactBlock::ContactBlock(const ContactKind& kind, const FieldTable& fields, QGroupBox* group, PickerFactory picker)
    : QObject(group), m_kind(kind), m_group(group), m_picker(std::move(picker))
{
    m_edits = PlaceFields(group, fields);
    for (int i = 0; i < LookupFieldCount; ++i)
        m_edits[i]->installEventFilter(this);
    // JPaste beside JEd1…, SPaste beside SEd1….
    const QString button = fields.first().control.section(QStringLiteral("Ed"), 0, 0) + QStringLiteral("Paste");
    m_assist = new AddressAssist(group, m_edits, button.toLatin1().constData());
}

void ContactBlock::pasteAddress() { m_assist->pasteAddress(); }

bool ContactBlock::holdsFocus() const { return owns(QApplication::focusWidget()); }

bool ContactBlock::owns(const QWidget* box) const { return m_group->isAncestorOf(box); }

bool ContactBlock::eventFilter(QObject* watched, QEvent* event)
{
    const bool enter = event->type() == QEvent::KeyPress && (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                                                             static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter);
    if (enter || event->type() == QEvent::MouseButtonDblClick) {
        const int number = int(m_edits.indexOf(static_cast<LimitedEdit*>(watched))) + 1;
        Guarded(m_group, [this, number] { myFind(number); });
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void ContactBlock::myFind(int from)
{
    QWidget* owner = m_group->window();
    ContactPicker* picker = m_picker(owner, this);
    picker->setAttribute(Qt::WA_DeleteOnClose);
    const QString name = edit(1)->text();
    try {
        picker->list(ContactStore::lookup(m_kind, name, edit(2)->text(), edit(3)->text(), edit(4)->text()));
    } catch (...) {
        delete picker;
        throw;
    }
    // The rows named exactly as typed come first: a whole name that only one contact has is
    // that contact, never one whose name merely starts with it.
    const DataGrid* grid = picker->grid();
    const int rows = grid->rowCount();
    int exact = 0;
    while (!name.isEmpty() && exact < rows && grid->value(exact, m_kind.title).toString() == name)
        ++exact;
    if (rows > 1 && exact != 1) {
        ShowModal(picker);
        return;
    }
    if (rows > 0)
        fill(grid->currentRow());
    delete picker;
    if (rows == 0) {
        ShowMessage(owner, m_kind.notFoundMessage);
        // The user goes on typing the block by hand, from the box after the one looked up in.
        if (LimitedEdit* next = edit(from + 1))
            next->setFocus();
    }
}

void ContactBlock::fill(const RowReader& contact)
{
    const FieldTable& fields = ContactStore::Fields(m_kind);
    for (int i = 0; i < m_edits.size(); ++i)
        m_edits[i]->setText(contact(fields[i].alias).toString());
    if (m_next)
        m_next->setFocus();
}
