#include "E_In.h"

#include "ContactBlock.h"
#include "ContactStore.h"
#include "Controls.h"
#include "DateText.h"
#include "FindContact.h"
#include "FormGrid.h"
#include "Guard.h"
#include "LookupCombo.h"
#include "Messages.h"
#include "Unit1.h"
#include "WaybillPrint.h"
#include "WaybillStore.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QSettings>
#include <QShortcut>

namespace {

const QString ContinuousAddKey = QStringLiteral("WaybillEntry/ContinuousAdd");

// The entry fields whose box has the given name prefix ("JEd", "SEd", "Edit").
FieldTable fieldsWithControl(const QString& prefix)
{
    FieldTable fields;
    for (const FieldDef& field : WaybillStore::EntryFields())
        if (field.control.startsWith(prefix))
            fields << field;
    return fields;
}

const FieldDef& fieldOf(const QString& control)
{
    for (const FieldDef& field : WaybillStore::EntryFields())
        if (field.control == control)
            return field;
    Q_UNREACHABLE();
}

// A label and its control at a field's place in the courier block.
void placeLabelled(QWidget* group, const FieldDef& field, QWidget* control)
{
    const QRect box = FormGrid::BoxRect(field.row, field.column3, field.span);
    auto* label = new QLabel(field.caption, group);
    label->move(FormGrid::LabelLeft(field.column3), box.top() + 4);
    label->adjustSize();
    control->setGeometry(box);
}

} // namespace

TfrmE_In::TfrmE_In(QWidget* parent) : EntryDialog(parent, "frmE_In", QStringLiteral("快递单录入"), 760, 530)
{
    // Created in tab order: sender, recipient, courier block, "保存", "退出", "连续新增".
    auto* senderGroup = new QGroupBox(SenderKind.groupCaption, this);
    senderGroup->setObjectName(QStringLiteral("GroupBox1"));
    senderGroup->setGeometry(16, 8, 721, 152);
    m_sender = new ContactBlock(SenderKind, fieldsWithControl(QStringLiteral("JEd")), senderGroup,
                                [](QWidget* owner, ContactBlock* block) { return new TfrmFindJJR(owner, block); });

    auto* addresseeGroup = new QGroupBox(AddresseeKind.groupCaption, this);
    addresseeGroup->setObjectName(QStringLiteral("GroupBox2"));
    addresseeGroup->setGeometry(16, 166, 721, 152);
    m_addressee = new ContactBlock(AddresseeKind, fieldsWithControl(QStringLiteral("SEd")), addresseeGroup,
                                   [](QWidget* owner, ContactBlock* block) { return new TfrmFindSJR(owner, block); });

    auto* courierGroup = new QGroupBox(QStringLiteral("快递信息"), this);
    courierGroup->setObjectName(QStringLiteral("GroupBox3"));
    courierGroup->setGeometry(16, 324, 721, 120);
    DateTimePicker1 = MakeDatePicker(courierGroup, "DateTimePicker1", QRect());
    placeLabelled(courierGroup, fieldOf(QStringLiteral("DateTimePicker1")), DateTimePicker1);
    DBLookupComboBox1 = new LookupCombo(courierGroup);
    DBLookupComboBox1->setObjectName(QStringLiteral("DBLookupComboBox1"));
    placeLabelled(courierGroup, fieldOf(QStringLiteral("DBLookupComboBox1")), DBLookupComboBox1);
    // Reading order of the block: date, company, number, then the rest.
    const FieldTable texts = fieldsWithControl(QStringLiteral("Edit"));
    PlaceFields(courierGroup, texts);

    m_sender->setNext(edit(QStringLiteral("SEd1")));
    m_addressee->setNext(DBLookupComboBox1);

    addButtons(456);
    CheckBox1 = MakeCheck(this, "CheckBox1", QStringLiteral("连续新增"), 24, 460);
    // A shop that enters waybills one after another does so every time: the tick is kept.
    CheckBox1->setChecked(QSettings(Unit1::settingsFile(), QSettings::IniFormat).value(ContinuousAddKey).toBool());
    OnSignal(CheckBox1, &QCheckBox::clicked, this, [this] {
        QSettings(Unit1::settingsFile(), QSettings::IniFormat).setValue(ContinuousAddKey, CheckBox1->isChecked());
    });

    CentreOn(this, parent ? parent->window() : nullptr);
    BindCompanyLookup(DBLookupComboBox1);
    // A shop sends most parcels with one courier: start with the one used last.
    DBLookupComboBox1->setCurrentIndex(DBLookupComboBox1->findText(WaybillStore::lastCompany()));

    // Ctrl+Shift+V reads into the block being typed in; from anywhere else into the
    // recipient's, whose address is the one usually sent in a chat.
    auto* paste = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+V")), this);
    OnSignal(paste, &QShortcut::activated, this,
             [this] { (m_sender->holdsFocus() ? m_sender : m_addressee)->pasteAddress(); });
}

void TfrmE_In::myFindJJR() { m_sender->myFind(); }

void TfrmE_In::myFindSJR() { m_addressee->myFind(); }

void TfrmE_In::myNew()
{
    EditID = 0;
    // The sender and the courier stay: a shop sends most parcels from one address, with
    // one courier. What goes is everything of the parcel and its recipient.
    for (const FieldDef& field : WaybillStore::EntryFields())
        if (LimitedEdit* box = edit(field.control); box && !m_sender->owns(box))
            box->clear();
    DateTimePicker1->setDate(QDate::currentDate());
    markClean();
}

void TfrmE_In::loadRow(const RowReader&)
{
    const WaybillStore::Stored stored = WaybillStore::load(EditID);
    m_version = stored.version;
    for (const FieldDef& field : WaybillStore::EntryFields()) {
        const QString value = stored.row.value(field.alias).toString();
        if (field.control == DateTimePicker1->objectName())
            DateTimePicker1->setDate(QDate::fromString(value, DateFormat));
        else if (field.control == DBLookupComboBox1->objectName())
            DBLookupComboBox1->setCurrentIndex(DBLookupComboBox1->findText(value));
        else
            edit(field.control)->setText(value);
    }
    // A change is one waybill: there is no next one to add.
    CheckBox1->setChecked(false);
    CheckBox1->hide();
}

Record TfrmE_In::myRecord() const
{
    Record record;
    for (const FieldDef& field : WaybillStore::EntryFields()) {
        if (field.control == DateTimePicker1->objectName())
            record << DateText(DateTimePicker1->date());
        else if (field.control == DBLookupComboBox1->objectName())
            record << DBLookupComboBox1->currentText();
        else
            record << edit(field.control)->text();
    }
    return record;
}

bool TfrmE_In::refuse(QWidget* field, const QString& message)
{
    ShowMessage(this, message);
    field->setFocus();
    return false;
}

bool TfrmE_In::mySave()
{
    // Only emptiness is refused: a name of blanks is a name.
    if (m_sender->edit(1)->text().isEmpty())
        return refuse(m_sender->edit(1), SenderKind.emptyMessage);
    if (m_addressee->edit(1)->text().isEmpty())
        return refuse(m_addressee->edit(1), AddresseeKind.emptyMessage);
    const QString company = DBLookupComboBox1->currentText();
    if (company.isEmpty())
        return refuse(DBLookupComboBox1, QStringLiteral("请选择 快递公司！"));

    const qint64 id = WaybillStore::save(EditID, myRecord(), m_version);
    ShowMessage(this, QStringLiteral("快递单 信息 保存成功！"));
    if (isEditing())
        return true;

    OpenWaybillPrint(this, company, QString::number(id));
    if (!CheckBox1->isChecked())
        return true;
    myNew();
    m_addressee->edit(1)->setFocus();
    return false;
}
