#pragma once

#include "SqlDialect.h"
#include "SqlText.h"

#include <QHash>
#include <QTableView>
#include <functional>

class ListingModel;
class QMenu;

// Reads a listed row's values by column alias.
using RowReader = std::function<QVariant(const QString& alias)>;

// A read-only grid bound to a listing: column titles are the statement's aliases, one
// current row, and a context menu that its window attaches when it wants it. Rows are
// read a page at a time as they are scrolled into view, so a listing of a million rows
// shows its first screen at once, holds only what has been seen, and keeps nothing of
// the database open in between. Ctrl+End, or the scroll bar dragged to its end, shows the
// last rows at once, read from the other end; rows scrolled to in between are read then.
class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget* parent = nullptr);

    // Lists `rows`, a SELECT with no ORDER BY whose rows carry a unique ID, in `order`,
    // and shows its first rows; the first row becomes the current one.
    void setStatement(const SqlText& rows, const ListingOrder& order = {});
    const ListingOrder& order() const;
    // Clicking a column title lists the rows by that column, ascending; clicking it again
    // turns the order round.
    void setSortable(bool sortable);
    // Columns, by alias, sorted by another column's values first (a name by its pinyin
    // initials, a hidden column of the listing).
    void setSortKeys(const QHash<QString, QString>& keys) { m_sortKeys = keys; }
    // Reads the current row again, keeping it current.
    void refreshCurrentRow();
    // Rows fetched so far, or the whole listing's once its end was shown: 0 exactly when
    // the listing is empty.
    int rowCount() const;
    int currentRowIndex() const;
    // The current row's value under a column alias.
    QVariant value(const QString& alias) const;
    QVariant value(int row, const QString& alias) const;
    RowReader currentRow() const;

    // Grid lines and a row indicator always; whole rows or single cells selected.
    void selectWholeRows(bool rows);
    // Column widths by alias (0 keeps the grid's default) and hidden columns by alias.
    void setColumnWidths(const QList<QPair<QString, int>>& widths);
    void hideColumns(const QStringList& aliases);
    int columnOf(const QString& alias) const;

    void attachContextMenu(QMenu* menu) { m_menu = menu; }
    QMenu* contextMenu() const { return m_menu; }

signals:
    // A left double-click anywhere in the grid, its title row included.
    void gridDoubleClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void verticalScrollbarValueChanged(int value) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void sortBy(int column);
    void showOrder();
    void myShowEnd();
    void myReadVisibleRows();

    ListingModel* m_model;
    QMenu* m_menu = nullptr;
    QHash<QString, QString> m_sortKeys;
};
