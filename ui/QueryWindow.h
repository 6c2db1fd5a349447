#pragma once

#include "DataGrid.h"
#include "FieldTable.h"
#include "SqlText.h"

#include <QWidget>
#include <functional>

class EntryDialog;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;

// A place in the condition box: row, column (0 to 2) and how many places it spans.
struct Place {
    int row = 0;
    int column = 0;
    int span = 1;
};

// One condition of a query window: a tick box and its control. The clause's "?" marks
// take, in order: the typed text (a text box, in every mark), the picked name (a look-up
// list), or the from and to dates (a date range).
struct QueryCondition {
    enum class Sort { Text, CompanyList, UserList, DateRange };
    Sort sort = Sort::Text;
    const char* check = nullptr;
    QString caption;
    const char* control = nullptr;
    QString clause;
    Place place;
    // A date range only: the "to" date and its place; the "至：" label stands before it.
    const char* toControl = nullptr;
    Place toPlace;
};

// A condition of any sort; and a text box matching its text anywhere in one column:
// "AND (ENum LIKE '%' || ? || '%') ".
QueryCondition MakeCondition(QueryCondition::Sort sort, const char* check, const QString& caption, const char* control,
                             const QString& clause, Place place);
QueryCondition TextCondition(const char* check, const QString& caption, const char* edit, const QString& column,
                             Place place);

// What one query window lists and how it filters; every query window is one of these.
struct QueryWindowKind {
    const char* objectName;
    QString caption;
    QString selectList;                      // "SELECT … ID "
    QString from;                            // "FROM … WHERE (theDel = '否') ": shared by the listing and its count
    QList<QueryCondition> conditions;        // in the order their clauses are appended
    QList<QPair<QString, int>> columnWidths; // by alias; 0 keeps the grid's default
    QStringList hiddenColumns;               // by alias
    bool selectWholeRows = true;
    // The edit command: the dialog to open and its caption; the kind's soft delete.
    std::function<EntryDialog*(QWidget* owner)> editDialog;
    QString editCaption;
    std::function<void(const RowReader& row)> softDelete;
    // Columns, by alias, whose "yyyy-MM-dd" texts an export writes as dates.
    QStringList dateColumns;
    // Name columns by alias, each with the column of its pinyin initials that a click on its
    // title sorts by first: 张 before 赵, which the characters' code points would not give.
    QList<QPair<QString, QString>> pinyinSorted;
};

// The column widths of a field table's listing, by alias.
QList<QPair<QString, int>> ColumnWidths(const FieldTable& fields);
// A kind's pinyinSorted from (column, pinyin column) pairs of a field table's columns.
QList<QPair<QString, QString>> PinyinSorted(const FieldTable& fields, const QList<QPair<QString, QString>>& codes);

// A child window of the main window's document area: the conditions, a read-only grid
// and a record count. The first query attaches the context menu. The list is newest
// first until a column title is clicked; Enter in a condition runs the query.
class QueryWindow : public QWidget {
    Q_OBJECT
public:
    QueryWindow(QueryWindowKind kind, QWidget* parent);

    // Re-runs the listing with the filter of the last query.
    void myRef();
    void BitBtn1Click();
    // The standard commands: "修改 &M" opens the kind's entry dialog on the current row,
    // "删除 &D" asks and soft-deletes it.
    void M1Click();
    void D1Click();
    // "导出Excel": every row the last query's filter matches, not only those the grid has
    // fetched, to an .xlsx file the user names.
    void exportClicked();

    DataGrid* grid() const { return DBGrid1; }
    QMenu* popupMenu() const { return PopupMenu1; }
    // The listing the last query ran, with its values, in the order shown (for a batch or
    // an export).
    SqlText listing() const;
    // Every listed row in the order shown, a page at a time: `each` may run statements.
    void forEachListed(const std::function<bool(const QSqlRecord&)>& each) const;
    bool queried() const { return m_queried; }
    // How many rows the last listing's filter matches (the count label's number).
    qint64 matchedCount() const { return m_matched; }

protected:
    enum class Runs { WithRows, Always };
    // Adds an item to the grid's context menu, before the export that ends every menu; unless
    // told otherwise, its command runs only when the listing has rows.
    QAction* addCommand(const char* name, const QString& caption, std::function<void()> command,
                        Runs runs = Runs::WithRows);
    void addSeparator();
    // "修改 &M", a separator and "删除 &D", which the Delete key in the list runs too.
    void addStandardCommands();
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The last query's rows, in no order.
    SqlText rows() const;
    void addCondition(QGroupBox* group, int index);
    void appendClause(const QueryCondition& condition, QWidget* control, QWidget* toControl);

    const QueryWindowKind m_kind;
    QList<QCheckBox*> m_checks;
    QList<QWidget*> m_controls;
    QList<QWidget*> m_toControls;
    qint64 m_matched = 0;
    SqlText m_filterText; // FilterText: the AND terms of the last query with their values
    bool m_queried = false;
    QAction* m_exportSeparator = nullptr;
    DataGrid* DBGrid1;
    QGroupBox* GroupBox1;
    QLabel* Label1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn3;
    QMenu* PopupMenu1;
};
