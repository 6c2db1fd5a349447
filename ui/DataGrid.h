#pragma once

#include "SqlText.h"

#include <QTableView>

class QMenu;
class QSqlQueryModel;

// A read-only grid bound to a query: column titles are the statement's aliases, one
// current row, and a context menu that its window attaches when it wants it.
class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget* parent = nullptr);

    // Runs the statement and shows every row; the first row becomes the current one.
    void setStatement(const SqlText& statement);
    int rowCount() const;
    int currentRowIndex() const;
    // The current row's value under a column alias.
    QVariant value(const QString& alias) const;
    QVariant value(int row, const QString& alias) const;

    void attachContextMenu(QMenu* menu) { m_menu = menu; }
    QMenu* contextMenu() const { return m_menu; }

signals:
    // A left double-click anywhere in the grid, its title row included.
    void gridDoubleClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QSqlQueryModel* m_model;
    QMenu* m_menu = nullptr;
};
