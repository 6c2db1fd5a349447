#include "QueryWindow.h"

#include "Controls.h"
#include "DateText.h"
#include "EntryDialog.h"
#include "FormGrid.h"
#include "Guard.h"
#include "LookupCombo.h"
#include "Messages.h"
#include "Modal.h"
#include "SqlDialect.h"
#include "XlsxExport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScopeGuard>
#include <QVBoxLayout>

namespace {

// The condition box: tick boxes at x 16, 232 and 448 (73 wide), their controls at x 96,
// 312 and 528 (121 wide, 337 across two places), one row every 24 pixels.
constexpr int CheckLeft = 16;
constexpr int ControlLeft = 96;
constexpr int ColumnStep = 216;
constexpr int FirstRow = 24; // clear of the group box's frame and title
constexpr int RowStep = 24;
constexpr int GroupWidth = 665;

QRect controlRect(const Place& p)
{
    return {ControlLeft + ColumnStep * p.column, FirstRow + RowStep * p.row, 121 + ColumnStep * (p.span - 1), 21};
}

int rowsOf(const QList<QueryCondition>& conditions)
{
    int rows = 0;
    for (const QueryCondition& c : conditions)
        rows = std::max({rows, c.place.row + 1, c.toControl ? c.toPlace.row + 1 : 0});
    return rows;
}

QString dateOf(QWidget* picker) { return DateText(static_cast<QDateEdit*>(picker)->date()); }

// The alias a name's pinyin initials are listed under: a column the grid hides and an
// export leaves out.
QString pinyinAlias(const QString& alias) { return alias + QStringLiteral("拼音"); }

QueryWindowKind withPinyinColumns(QueryWindowKind kind)
{
    for (const auto& [alias, code] : kind.pinyinSorted) {
        kind.selectList += QStringLiteral(", %1 AS %2 ").arg(code, pinyinAlias(alias));
        kind.hiddenColumns << pinyinAlias(alias);
    }
    return kind;
}

} // namespace

QueryCondition MakeCondition(QueryCondition::Sort sort, const char* check, const QString& caption, const char* control,
                             const QString& clause, Place place)
{
    QueryCondition condition;
    condition.sort = sort;
    condition.check = check;
    condition.caption = caption;
    condition.control = control;
    condition.clause = clause;
    condition.place = place;
    return condition;
}

QueryCondition TextCondition(const char* check, const QString& caption, const char* edit, const QString& column,
                             Place place)
{
    return MakeCondition(QueryCondition::Sort::Text, check, caption, edit,
                         QStringLiteral("AND (%1) ").arg(Contains(column)), place);
}

QList<QPair<QString, int>> ColumnWidths(const FieldTable& fields)
{
    QList<QPair<QString, int>> widths;
    for (const FieldDef& field : fields)
        widths.append({field.alias, field.width});
    return widths;
}

QList<QPair<QString, QString>> PinyinSorted(const FieldTable& fields, const QList<QPair<QString, QString>>& codes)
{
    QList<QPair<QString, QString>> sorted;
    for (const auto& [column, code] : codes)
        for (const FieldDef& field : fields)
            if (field.column == column)
                sorted.append({field.alias, code});
    return sorted;
}

QueryWindow::QueryWindow(QueryWindowKind kind, QWidget* parent)
    : QWidget(parent), m_kind(withPinyinColumns(std::move(kind)))
{
    setObjectName(QLatin1String(m_kind.objectName));
    setWindowTitle(m_kind.caption);
    setFont(AppFont());

    const int rows = rowsOf(m_kind.conditions);
    const int groupHeight = 20 + RowStep * rows + 13;
    auto* top = new QWidget(this);
    top->setObjectName(QStringLiteral("Panel1"));
    top->setFixedHeight(groupHeight + 16);
    QGroupBox* group = MakeGroup(top, "GroupBox1", QStringLiteral("查询条件"), QRect(8, 8, GroupWidth, groupHeight));
    GroupBox1 = group;
    // Created in reading order, each tick box before its control, so Tab follows the
    // places whatever order the clauses are appended in.
    QList<int> reading;
    for (int i = 0; i < m_kind.conditions.size(); ++i)
        reading << i;
    std::stable_sort(reading.begin(), reading.end(), [this](int a, int b) {
        const Place& pa = m_kind.conditions[a].place;
        const Place& pb = m_kind.conditions[b].place;
        return std::make_pair(pa.row, pa.column) < std::make_pair(pb.row, pb.column);
    });
    m_checks.resize(m_kind.conditions.size());
    m_controls.resize(m_kind.conditions.size());
    m_toControls.resize(m_kind.conditions.size());
    for (int i : reading)
        addCondition(group, i);

    // Right of the conditions, level with their last row.
    const int buttonsTop = group->y() + FirstRow + RowStep * (rows - 1) - 2;
    const int buttonsLeft = group->geometry().right() + 16;
    BitBtn1 = MakeButton(top, "BitBtn1", QStringLiteral("查询"), QRect(buttonsLeft, buttonsTop, 75, 25),
                         QStyle::SP_FileDialogContentsView);
    BitBtn3 = MakeButton(top, "BitBtn3", QStringLiteral("退出"), QRect(buttonsLeft + 91, buttonsTop, 75, 25),
                         QStyle::SP_DialogCloseButton);

    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->selectWholeRows(m_kind.selectWholeRows);
    DBGrid1->setSortable(true);
    QHash<QString, QString> sortKeys;
    for (const auto& [alias, code] : m_kind.pinyinSorted)
        sortKeys.insert(alias, pinyinAlias(alias));
    DBGrid1->setSortKeys(sortKeys);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    auto* bottom = new QWidget(this);
    bottom->setObjectName(QStringLiteral("Panel2"));
    bottom->setFixedHeight(33);
    auto* bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->setContentsMargins(8, 0, 8, 0);
    bottomLayout->addWidget(Label1);
    bottomLayout->addStretch(1);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    // The export ends every kind's menu; the kinds add their own commands before it.
    QAction* exportItem = addCommand("ExportExcel", QStringLiteral("导出Excel"), [this] { exportClicked(); });
    m_exportSeparator = PopupMenu1->insertSeparator(exportItem);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(top);
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(bottom);

    OnSignal(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    OnSignal(BitBtn3, &QPushButton::clicked, this, [this] {
        // Inside the main window's document area it is the frame that closes.
        if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
            frame->close();
        else
            close();
    });
}

void QueryWindow::addCondition(QGroupBox* group, int index)
{
    const QueryCondition& condition = m_kind.conditions[index];
    const Place& p = condition.place;
    QCheckBox* check = MakeCheck(group, condition.check, condition.caption, CheckLeft + ColumnStep * p.column,
                                 FirstRow + RowStep * p.row + 2);
    check->resize(73, check->height());
    const QRect rect = controlRect(p);
    QWidget* control = nullptr;
    QWidget* toControl = nullptr;
    const auto tick = [check] { check->setChecked(true); };
    // Only what the user does ticks a condition; only the user unticks it.
    switch (condition.sort) {
    case QueryCondition::Sort::Text: {
        LimitedEdit* edit = MakeEdit(group, condition.control, rect.left(), rect.top(), rect.width());
        connect(edit, &QLineEdit::textChanged, check, tick);
        control = edit;
        break;
    }
    case QueryCondition::Sort::CompanyList:
    case QueryCondition::Sort::UserList: {
        auto* list = new LookupCombo(group);
        list->setObjectName(QLatin1String(condition.control));
        list->setGeometry(rect);
        if (condition.sort == QueryCondition::Sort::CompanyList)
            BindCompanyLookup(list);
        else
            BindUserLookup(list);
        connect(list, &QComboBox::activated, check, tick);
        control = list;
        break;
    }
    case QueryCondition::Sort::DateRange: {
        // From one calendar month back (31 March gives the last day of February) to today.
        QDateEdit* from = MakeDatePicker(group, condition.control, rect);
        from->setDate(QDate::currentDate().addMonths(-1));
        const QRect toRect = controlRect(condition.toPlace);
        auto* to = MakeDatePicker(group, condition.toControl, toRect);
        auto* label = new QLabel(QStringLiteral("至："), group);
        label->move(CheckLeft + ColumnStep * condition.toPlace.column + 24, toRect.top() + 4);
        label->adjustSize();
        // Connected after the dates are set, so only a change by the user ticks. The box
        // also says "changed" on an Enter that changed nothing, which must not tick.
        for (QDateEdit* picker : {from, to})
            connect(picker, &QDateEdit::dateChanged, check, [check, last = picker->date()](QDate date) mutable {
                if (date != last)
                    check->setChecked(true);
                last = date;
            });
        control = from;
        toControl = to;
        break;
    }
    }
    m_checks[index] = check;
    m_controls[index] = control;
    m_toControls[index] = toControl;
}

void QueryWindow::appendClause(const QueryCondition& condition, QWidget* control, QWidget* toControl)
{
    m_filterText.sql += condition.clause;
    switch (condition.sort) {
    case QueryCondition::Sort::Text: {
        const QString text = static_cast<QLineEdit*>(control)->text();
        for (int i = condition.clause.count(QLatin1Char('?')); i > 0; --i)
            m_filterText.values << text;
        break;
    }
    case QueryCondition::Sort::CompanyList:
    case QueryCondition::Sort::UserList:
        m_filterText.values << static_cast<QComboBox*>(control)->currentText();
        break;
    case QueryCondition::Sort::DateRange:
        m_filterText.values << dateOf(control) << dateOf(toControl);
        break;
    }
}

void QueryWindow::BitBtn1Click()
{
    m_filterText = SqlText();
    for (int i = 0; i < m_checks.size(); ++i)
        if (m_checks[i]->isChecked())
            appendClause(m_kind.conditions[i], m_controls[i], m_toControls[i]);
    m_queried = true;
    myRef();
    DBGrid1->attachContextMenu(PopupMenu1);
}

SqlText QueryWindow::rows() const
{
    return SqlText(m_kind.selectList + m_kind.from + m_filterText.sql, m_filterText.values);
}

SqlText QueryWindow::listing() const
{
    SqlText listed = rows();
    listed.sql += OrderByClause(DBGrid1->order());
    return listed;
}

void QueryWindow::forEachListed(const std::function<bool(const QSqlRecord&)>& each) const
{
    ForEachRow(rows(), DBGrid1->order(), each);
}

void QueryWindow::myRef()
{
    // In the order the user last chose by a column title.
    DBGrid1->setStatement(rows(), DBGrid1->order());
    DBGrid1->setColumnWidths(m_kind.columnWidths);
    DBGrid1->hideColumns(m_kind.hiddenColumns);
    // The number of rows the whole filter matches, not only those fetched so far.
    m_matched =
        QueryValue(SqlText(QStringLiteral("SELECT COUNT(*) ") + m_kind.from + m_filterText.sql, m_filterText.values))
            .toLongLong();
    Label1->setText(QStringLiteral("记录：%1").arg(m_matched));
}

void QueryWindow::M1Click()
{
    EntryDialog* dialog = m_kind.editDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(m_kind.editCaption);
    dialog->EditID = DBGrid1->value(QStringLiteral("ID")).toLongLong();
    dialog->loadRow(DBGrid1->currentRow());
    // The window that opened the dialog lists again, with its own last filter.
    OnSignal(dialog, &EntryDialog::saved, this, [this] { myRef(); });
    ShowModal(dialog);
}

void QueryWindow::D1Click()
{
    if (!AskQuestion(this, QStringLiteral("删除"), QStringLiteral("确认要删除吗？该删除将不可恢复！"), false))
        return;
    m_kind.softDelete(DBGrid1->currentRow());
    myRef();
}

void QueryWindow::exportClicked()
{
    const QString suggested = QStringLiteral("%1-%2.xlsx").arg(m_kind.caption, DateText(QDate::currentDate()));
    const QString path = AskSaveFileName(this, QStringLiteral("Excel 工作簿 (*.xlsx)"), suggested);
    if (path.isEmpty())
        return;
    ExportResult result;
    {
        // A whole listing can take a few seconds.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        result = ExportListing(listing(), m_kind.hiddenColumns, m_kind.dateColumns, path);
    }
    ShowMessage(this, ExportedText(result, path));
}

QAction* QueryWindow::addCommand(const char* name, const QString& caption, std::function<void()> command, Runs runs)
{
    auto* action = new QAction(caption, PopupMenu1);
    PopupMenu1->insertAction(m_exportSeparator, action);
    action->setObjectName(QLatin1String(name));
    OnSignal(action, &QAction::triggered, this, [this, command, runs] {
        if (runs == Runs::Always || DBGrid1->rowCount() > 0)
            command();
    });
    return action;
}

void QueryWindow::addSeparator() { PopupMenu1->insertSeparator(m_exportSeparator); }

void QueryWindow::addStandardCommands()
{
    addCommand("M1", QStringLiteral("修改 &M"), [this] { M1Click(); });
    addSeparator();
    QAction* remove = addCommand("D1", QStringLiteral("删除 &D"), [this] { D1Click(); });
    remove->setShortcut(QKeySequence::Delete);
    remove->setShortcutContext(Qt::WidgetShortcut);
    DBGrid1->addAction(remove);
}

void QueryWindow::keyPressEvent(QKeyEvent* event)
{
    // A condition's box lets Enter go by; here it runs the query.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && GroupBox1->isAncestorOf(QApplication::focusWidget())) {
        event->accept();
        Guarded(this, [this] { BitBtn1Click(); });
        return;
    }
    QWidget::keyPressEvent(event);
}
