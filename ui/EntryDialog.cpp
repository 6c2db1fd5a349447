#include "EntryDialog.h"

#include "Controls.h"
#include "FormGrid.h"
#include "Guard.h"

#include <QGroupBox>

EntryDialog::EntryDialog(QWidget* parent, const char* objectName, const QString& caption, int width, int height)
    : QDialog(parent)
{
    setObjectName(QLatin1String(objectName));
    SetupFixedWindow(this, caption, width, height);
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

void EntryDialog::BitBtn1Click()
{
    if (!mySave())
        return;
    emit saved();
    accept();
}
