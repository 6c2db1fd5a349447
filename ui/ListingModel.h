#pragma once

#include "SqlDialect.h"
#include "SqlText.h"

#include <QAbstractTableModel>
#include <QSqlRecord>

class QWidget;

// The rows of a listing for a grid, read a page at a time by key as the grid scrolls to
// them: each page is one short statement, run to its end, so between pages the listing
// holds no statement and no read transaction open and writes can check-point the log.
class ListingModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // A failure reading a later page is shown over `owner`; the listing then ends there.
    explicit ListingModel(QWidget* owner);

    // Lists `rows`, a SELECT with no ORDER BY whose rows carry a unique ID, in `order`,
    // and reads its first page.
    void setListing(const SqlText& rows, const ListingOrder& order);
    // The same rows in another order, from the first page again.
    void setOrder(const ListingOrder& order);
    const ListingOrder& order() const { return m_order; }
    // The whole listing in the order shown.
    SqlText ordered() const { return SqlText(m_rows.sql + OrderByClause(m_order), m_rows.values); }

    // The listing's column names, known once it has run.
    const QSqlRecord& columns() const { return m_columns; }
    QVariant value(int row, int column) const;
    // Reads one fetched row again where it stands, say after it was printed.
    void refreshRow(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    QList<QVariantList> read(const SqlText& statement);
    void readFirstPage();

    QWidget* m_owner;
    SqlText m_rows;
    ListingOrder m_order;
    QSqlRecord m_columns;
    QList<int> m_orderColumns; // OrderAliases(m_order), where they stand in a row
    int m_idColumn = -1;
    QList<QVariantList> m_data;
    bool m_atEnd = true;
};
