#include "FormGrid.h"

#include "Controls.h"
#include "DateText.h"

#include <QDateEdit>
#include <QLabel>

namespace FormGrid {

int LabelLeft(int column) { return 16 + 232 * column; }
int BoxLeft(int column) { return 80 + 232 * column; }
int BoxWidth(int span) { return 153 + 232 * (span - 1); }
QRect BoxRect(int row, int column, int span) { return {BoxLeft(column), FirstTop + RowStep * row, BoxWidth(span), 21}; }

} // namespace FormGrid

void ApplyLimit(LimitedEdit* edit, const FieldDef& field)
{
    if (field.limit <= 0)
        return;
    if (field.unit == FieldDef::Unit::GbkBytes)
        edit->setGbkByteLimit(field.limit);
    else
        edit->setCharLimit(field.limit);
}

QList<LimitedEdit*> PlaceFields(QWidget* parent, const FieldTable& fields)
{
    QList<LimitedEdit*> edits;
    for (const FieldDef& field : fields) {
        const QRect box = FormGrid::BoxRect(field.row, field.column3, field.span);
        auto* label = new QLabel(field.caption, parent);
        // Labels are named after their box: Label1 for Edit1, JLabel1 for JEd1.
        QString labelName = field.control;
        labelName.replace(QLatin1String("Edit"), QLatin1String("Label"))
            .replace(QLatin1String("Ed"), QLatin1String("Label"));
        label->setObjectName(labelName);
        label->move(FormGrid::LabelLeft(field.column3), box.top() + 4);
        label->adjustSize();
        LimitedEdit* edit = MakeEdit(parent, field.control.toLatin1().constData(), box.left(), box.top(), box.width());
        ApplyLimit(edit, field);
        edits << edit;
    }
    return edits;
}

namespace {

// Tab leaves the date as one stop; its parts are reached with the arrow keys or by typing,
// not by Tab, which a clerk expects to go on to the next box.
class DateBox : public QDateEdit {
public:
    using QDateEdit::QDateEdit;

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

} // namespace

QDateEdit* MakeDatePicker(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* picker = new DateBox(parent);
    picker->setObjectName(QLatin1String(name));
    picker->setGeometry(geometry);
    picker->setDisplayFormat(DateFormat);
    picker->setCalendarPopup(true);
    picker->setDate(QDate::currentDate());
    return picker;
}
