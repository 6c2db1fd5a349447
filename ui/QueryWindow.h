#pragma once

#include "SqlText.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class DataGrid;
class LimitedEdit;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;

// What one query window lists and how it filters; the windows differ only in this table.
struct QueryFilter {
    const char* checkName;
    QString caption;
    const char* editName;
    QString clause; // one AND term with one "?" for the typed text
};

struct QueryWindowKind {
    QString caption;
    QString listingHead; // up to and including the live-row condition
    QString listingTail; // the ORDER BY
    QList<QueryFilter> filters;
    QList<QPair<int, int>> columnWidths; // column index, width
    QList<int> hiddenColumns;
};

// A child window of the main window's document area: a strip of filter pairs, a
// read-only grid and a record count. The first query attaches the context menu.
class QueryWindow : public QWidget {
    Q_OBJECT
public:
    QueryWindow(const QueryWindowKind& kind, QWidget* parent);

    // Re-runs the listing with the filter of the last query.
    virtual void myRef();
    void BitBtn1Click();

    DataGrid* grid() const { return DBGrid1; }
    QMenu* popupMenu() const { return PopupMenu1; }

protected:
    // Adds an item to the grid's context menu; its command runs only when the listing has rows.
    QAction* addCommand(const char* name, const QString& caption, std::function<void()> command);
    void addSeparator();

private:
    const QueryWindowKind& m_kind;
    QList<QCheckBox*> m_checks;
    QList<LimitedEdit*> m_edits;
    SqlText m_filterText; // FilterText: the AND terms of the last query with their values
    DataGrid* DBGrid1;
    QLabel* Label1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn3;
    QMenu* PopupMenu1;
};
