#include "EntryDialog.h"

#include "Controls.h"
#include "FormGrid.h"
#include "Guard.h"

#include "Messages.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>

EntryDialog::EntryDialog(QWidget* parent, const char* objectName, const QString& caption, int width, int height)
    : QDialog(parent)
{
    setObjectName(QLatin1String(objectName));
    SetupFixedWindow(this, caption, width, height);
    auto* save = new QShortcut(QKeySequence::Save, this);
    OnSignal(save, &QShortcut::activated, this, [this] {
        if (BitBtn1 && BitBtn1->isVisible() && BitBtn1->isEnabled())
            BitBtn1Click();
    });
}

QGroupBox* EntryDialog::addFieldGroup(const char* name, const QString& title, const QRect& geometry,
                                      const FieldTable& fields)
{
    QGroupBox* group = MakeGroup(this, name, title, geometry);
    PlaceFields(group, fields);
    m_loadable += fields;
    return group;
}

void EntryDialog::addButtons(int top)
{
    BitBtn1 = MakeButton(this, "BitBtn1", QStringLiteral("保存"), QRect(width() - 200, top, 75, 25),
                         QStyle::SP_DialogSaveButton);
    BitBtn2 = MakeButton(this, "BitBtn2", QStringLiteral("退出"), QRect(width() - 98, top, 75, 25),
                         QStyle::SP_DialogCloseButton);
    OnSignal(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    OnSignal(BitBtn2, &QPushButton::clicked, this, [this] { reject(); });
}

LimitedEdit* EntryDialog::edit(const QString& control) const { return findChild<LimitedEdit*>(control); }

Record EntryDialog::values(const FieldTable& fields) const
{
    Record record;
    for (const FieldDef& field : fields)
        record << edit(field.control)->text();
    return record;
}

void EntryDialog::setValues(const FieldTable& fields, const Record& values)
{
    for (int i = 0; i < fields.size(); ++i)
        edit(fields[i].control)->setText(values.value(i));
}

void EntryDialog::loadRow(const RowReader& row)
{
    for (const FieldDef& field : m_loadable)
        edit(field.control)->setText(row(field.alias).toString());
}

QStringList EntryDialog::contents() const
{
    QStringList texts;
    for (const QLineEdit* box : findChildren<QLineEdit*>())
        texts << box->text();
    for (const QComboBox* box : findChildren<QComboBox*>())
        texts << box->currentText();
    return texts;
}

void EntryDialog::markClean()
{
    m_clean = contents();
    m_cleanTaken = true;
}

void EntryDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // What an edit window was filled with, or what a new one starts with, is not typed.
    if (!m_cleanTaken)
        markClean();
}

void EntryDialog::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) {
        QDialog::keyPressEvent(event);
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->animateClick();
        else
            focusNextPrevChild(!(event->modifiers() & Qt::ShiftModifier));
        return;
    }
    if (key == Qt::Key_Escape) {
        if (m_cleanTaken && contents() != m_clean &&
            !AskQuestion(this, windowTitle(), QStringLiteral("放弃未保存的内容吗？"), false))
            return;
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

void EntryDialog::BitBtn1Click()
{
    if (!mySave())
        return;
    emit saved();
    accept();
}
