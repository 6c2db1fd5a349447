#pragma once

#include "SqlDialect.h"
#include "SqlText.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QSqlRecord>

class QWidget;

// The rows of a listing for a grid, read a page at a time by key as the grid scrolls to
// them: each page is one short statement, run to its end, so between pages the listing
// holds no statement and no read transaction open and writes can check-point the log.
// Rows come from the top as the grid scrolls down; readToEnd() counts the listing and reads
// its last page from the other end, leaving a gap of unread rows between the two, whose
// pages readRows() fills by key from a read neighbour, or by position deep in the gap.
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
    // Makes the row count the whole listing's and reads its last rows, by key in the
    // reverse order, so the end is one statement away however long the listing.
    void readToEnd();
    // Reads whatever of rows first..last is not read yet.
    void readRows(int first, int last);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    QList<QVariantList> read(const SqlText& statement);
    void readFirstPage();
    ListingOrder reversedOrder() const;
    QVariantList keyOf(int row) const;
    // Puts rows read in `step` direction (+1 down, -1 up) from `from`, stopping at a row already read.
    void place(const QList<QVariantList>& rows, int from, int step);

    QWidget* m_owner;
    SqlText m_rows;
    ListingOrder m_order;
    QSqlRecord m_columns;
    QList<int> m_orderColumns; // OrderAliases(m_order), where they stand in a row
    int m_idColumn = -1;
    // Rows by position: from the top down to the first gap, and after readToEnd() up from the end.
    QHash<int, QVariantList> m_data;
    int m_count = 0;
    bool m_atEnd = true;
};
