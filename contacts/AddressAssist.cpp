#include "AddressAssist.h"

#include "AddressParser.h"
#include "Controls.h"
#include "Guard.h"
#include "Messages.h"
#include "Modal.h"
#include "Regions.h"

#include <QAbstractItemView>
#include <QAbstractListModel>
#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>

namespace {

using Regions::Level;

enum Box { Name, Phone, Mobile, Dept, AreaCode, Province, City, District, Street, Postcode, BoxCount };

constexpr int RowRole = Qt::UserRole + 1;

// The rows offered for one region box: the popup shows where each lies ("西湖区  浙江省 杭州市"),
// the box takes its name.
class RegionModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void setRows(const QList<int>& rows)
    {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_rows.size())
            return {};
        const int row = m_rows[index.row()];
        switch (role) {
        case Qt::DisplayRole: {
            QStringList above;
            for (int up = Regions::ParentOf(row); up >= 0; up = Regions::ParentOf(up))
                above.prepend(Regions::NameOf(up));
            above.removeDuplicates(); // a municipality and its city: 北京市 once
            return above.isEmpty() ? Regions::NameOf(row)
                                   : Regions::NameOf(row) + QStringLiteral("　") + above.join(QLatin1Char(' '));
        }
        case Qt::EditRole:
            return Regions::NameOf(row);
        case RowRole:
            return row;
        default:
            return {};
        }
    }

private:
    QList<int> m_rows;
};

// The one row the box's text names at `level` under `within`, or -1.
int namedRow(const LimitedEdit* box, Level level, int within)
{
    const QList<int> rows = Regions::Named(box->text().trimmed(), level, within);
    return rows.size() == 1 ? rows.first() : -1;
}

QString askForText(QWidget* owner, const QString& clipboard)
{
    auto* dialog = new QDialog(owner);
    dialog->setObjectName(QStringLiteral("frmPasteAddress"));
    SetupFixedWindow(dialog, QStringLiteral("粘贴识别"), 420, 230);
    MakeLabel(dialog, "PasteLabel", QStringLiteral("请把收件人或寄件人的姓名、电话和地址粘贴到下面："), 16, 12);
    auto* text = new QPlainTextEdit(clipboard, dialog);
    text->setObjectName(QStringLiteral("PasteText"));
    text->setGeometry(16, 34, 388, 146);
    QPushButton* read = MakeButton(dialog, "PasteRead", QStringLiteral("识别"), QRect(228, 192, 75, 25));
    QPushButton* cancel = MakeButton(dialog, "PasteCancel", QStringLiteral("取消"), QRect(329, 192, 75, 25));
    QObject::connect(read, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    text->setFocus();
    const QPointer<QDialog> guard(dialog);
    const bool accepted = ShowModal(dialog) == QDialog::Accepted;
    const QString typed = guard ? text->toPlainText() : QString();
    delete guard.data();
    return accepted ? typed : QString();
}

} // namespace

AddressAssist::AddressAssist(QWidget* group, const QList<LimitedEdit*>& boxes, const char* buttonName)
    : QObject(group), m_boxes(boxes)
{
    Q_ASSERT(boxes.size() >= BoxCount);
    // On the group's title line, clear of the boxes; out of the Tab order, which Ctrl+Shift+V
    // stands in for.
    m_button = MakeButton(group, buttonName, QStringLiteral("粘贴识别"), QRect(group->width() - 96, 0, 80, 22));
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setToolTip(QStringLiteral("从剪贴板识别姓名、电话和地址（Ctrl+Shift+V）"));
    OnSignal(m_button, &QPushButton::clicked, group, [this] { pasteAddress(); });

    const auto scopeOf = [this](Level level) {
        const int province = namedRow(m_boxes[Province], Level::Province, -1);
        if (level == Level::City)
            return province;
        const int city = namedRow(m_boxes[City], Level::City, province);
        return city >= 0 ? city : province;
    };
    for (Box box : {Province, City, District}) {
        const Level level = Level(box - Province + 1);
        LimitedEdit* edit = m_boxes[box];
        auto* model = new RegionModel(edit);
        auto* completer = new QCompleter(model, edit);
        completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
        completer->setMaxVisibleItems(10);
        // Wide enough to show where each place lies, not just the box's width.
        completer->popup()->setMinimumWidth(300);
        edit->setCompleter(completer);
        // The line edit asks the completer for its popup after textEdited, so the rows are ready.
        connect(edit, &QLineEdit::textEdited, model, [=](const QString& text) {
            const int within = level == Level::Province ? -1 : scopeOf(level);
            QList<int> rows = Regions::Complete(text, level, within);
            if (rows.isEmpty() && within >= 0)
                rows = Regions::Complete(text, level);
            model->setRows(rows);
        });
        connect(completer, qOverload<const QModelIndex&>(&QCompleter::activated), this,
                [this](const QModelIndex& index) {
                    for (int up = Regions::ParentOf(index.data(RowRole).toInt()); up >= 0; up = Regions::ParentOf(up)) {
                        LimitedEdit* above = m_boxes[Province + int(Regions::LevelOf(up)) - 1];
                        if (above->text().isEmpty())
                            above->setText(Regions::NameOf(up));
                    }
                });
    }
}

void AddressAssist::pasteAddress()
{
    const QString clipboard = QApplication::clipboard()->text();
    ParsedAddress parsed = ParseAddress(clipboard);
    if (parsed.isEmpty()) {
        const QString typed = askForText(m_button->window(), clipboard);
        if (typed.trimmed().isEmpty())
            return;
        parsed = ParseAddress(typed);
        if (parsed.isEmpty()) {
            ShowMessage(m_button->window(), QStringLiteral("没有识别出姓名、电话或地址，请检查粘贴的内容。"));
            return;
        }
    }
    fill(parsed);
}

void AddressAssist::fill(const ParsedAddress& parsed)
{
    // The pasted text is one person: whatever the boxes held of another goes, or a new name
    // would be saved with the last contact's phone, organisation or postcode.
    const QString values[BoxCount] = {parsed.name,     parsed.phone, parsed.mobile,   parsed.dept,   parsed.areaCode,
                                      parsed.province, parsed.city,  parsed.district, parsed.street, parsed.postcode};
    for (int box = 0; box < BoxCount; ++box)
        m_boxes[box]->setText(values[box]);
}
