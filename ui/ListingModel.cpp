#include "ListingModel.h"

#include "DM.h"
#include "Guard.h"
#include "SqlDialect.h"

#include <QSqlQuery>
#include <QWidget>

namespace {
// About a few screens of rows: the first shows at once, the next comes as the user scrolls.
constexpr int PageRows = 256;
} // namespace

ListingModel::ListingModel(QWidget* owner) : QAbstractTableModel(owner), m_owner(owner) {}

void ListingModel::setListing(const SqlText& rows, const ListingOrder& order)
{
    m_rows = rows;
    m_order = order;
    readFirstPage();
}

void ListingModel::setOrder(const ListingOrder& order)
{
    m_order = order;
    readFirstPage();
}

void ListingModel::readFirstPage()
{
    beginResetModel();
    m_data.clear();
    m_atEnd = true;
    try {
        m_data = read(ListingPage(m_rows, m_order, {}, PageRows));
    } catch (...) {
        endResetModel();
        throw;
    }
    m_orderColumns.clear();
    for (const QString& alias : OrderAliases(m_order))
        m_orderColumns << m_columns.indexOf(alias);
    m_idColumn = m_columns.indexOf(QStringLiteral("ID"));
    // Pages are read by ID: a listing without one ends with its first page.
    Q_ASSERT(m_idColumn >= 0 || m_data.isEmpty());
    m_atEnd = m_data.size() < PageRows || m_orderColumns.contains(-1);
    endResetModel();
}

QList<QVariantList> ListingModel::read(const SqlText& statement)
{
    // Read to its end and let go before returning: nothing stays open between pages.
    QSqlQuery query = DM().run(statement, TfrmDM::Rows::ForwardOnly);
    m_columns = ColumnsAsWritten(query.record());
    QList<QVariantList> rows;
    const int columns = m_columns.count();
    while (query.next()) {
        QVariantList row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row << query.value(c);
        rows << row;
    }
    return rows;
}

bool ListingModel::canFetchMore(const QModelIndex& parent) const { return !parent.isValid() && !m_atEnd; }

void ListingModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent) || m_data.isEmpty())
        return;
    // The view asks from inside its painting: a failure is shown and the listing ends there.
    m_atEnd = true;
    Guarded(m_owner, [this] {
        QVariantList after;
        for (int column : m_orderColumns)
            after << m_data.last().at(column);
        const QList<QVariantList> page = read(ListingPage(m_rows, m_order, after, PageRows));
        if (page.isEmpty())
            return;
        beginInsertRows({}, int(m_data.size()), int(m_data.size() + page.size() - 1));
        m_data += page;
        endInsertRows();
        m_atEnd = page.size() < PageRows;
    });
}

void ListingModel::refreshRow(int row)
{
    if (row < 0 || row >= m_data.size() || m_idColumn < 0)
        return;
    const QList<QVariantList> fresh = read(ListedRow(m_rows, m_data[row].at(m_idColumn)));
    // A row gone from the listing stays as it was until the next query.
    if (fresh.isEmpty())
        return;
    m_data[row] = fresh.first();
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

QVariant ListingModel::value(int row, int column) const
{
    if (row < 0 || row >= m_data.size() || column < 0 || column >= m_columns.count())
        return {};
    return m_data[row].at(column);
}

int ListingModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_data.size()); }

int ListingModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_columns.count(); }

QVariant ListingModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    return value(index.row(), index.column());
}

QVariant ListingModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_columns.count())
        return m_columns.fieldName(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}
