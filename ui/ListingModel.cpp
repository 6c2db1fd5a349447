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
    m_count = 0;
    m_atEnd = true;
    QList<QVariantList> page;
    try {
        page = read(ListingPage(m_rows, m_order, {}, PageRows));
    } catch (...) {
        endResetModel();
        throw;
    }
    m_count = int(page.size());
    for (int row = 0; row < m_count; ++row)
        m_data.insert(row, page[row]);
    m_orderColumns.clear();
    for (const QString& alias : OrderAliases(m_order))
        m_orderColumns << m_columns.indexOf(alias);
    m_idColumn = m_columns.indexOf(QStringLiteral("ID"));
    // Pages are read by ID: a listing without one ends with its first page.
    Q_ASSERT(m_idColumn >= 0 || m_data.isEmpty());
    m_atEnd = m_count < PageRows || m_orderColumns.contains(-1);
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

ListingOrder ListingModel::reversedOrder() const
{
    // Every sort term runs the same way, so turning them all round reads from the other end.
    ListingOrder reversed = m_order;
    reversed.descending = !reversed.descending;
    return reversed;
}

QVariantList ListingModel::keyOf(int row) const
{
    QVariantList key;
    for (int column : m_orderColumns)
        key << m_data[row].at(column);
    return key;
}

void ListingModel::place(const QList<QVariantList>& rows, int from, int step)
{
    for (int i = 0, row = from; i < rows.size() && row >= 0 && row < m_count && !m_data.contains(row); ++i, row += step)
        m_data.insert(row, rows[i]);
}

bool ListingModel::canFetchMore(const QModelIndex& parent) const { return !parent.isValid() && !m_atEnd; }

void ListingModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent) || m_data.isEmpty())
        return;
    // The view asks from inside its painting: a failure is shown and the listing ends there.
    m_atEnd = true;
    Guarded(m_owner, [this] {
        const QList<QVariantList> page = read(ListingPage(m_rows, m_order, keyOf(m_count - 1), PageRows));
        if (page.isEmpty())
            return;
        beginInsertRows({}, m_count, int(m_count + page.size() - 1));
        m_count += int(page.size());
        place(page, m_count - int(page.size()), 1);
        endInsertRows();
        m_atEnd = page.size() < PageRows;
    });
}

void ListingModel::readToEnd()
{
    if (m_atEnd)
        return;
    const int count =
        QueryValue(
            SqlText(QStringLiteral("SELECT COUNT(*) FROM (%1) AS Listed").arg(m_rows.sql.trimmed()), m_rows.values))
            .toInt();
    const QList<QVariantList> tail = read(ListingPage(m_rows, reversedOrder(), {}, PageRows));
    m_atEnd = true;
    if (count <= m_count)
        return;
    beginInsertRows({}, m_count, count - 1);
    m_count = count;
    place(tail, count - 1, -1);
    endInsertRows();
}

void ListingModel::readRows(int first, int last)
{
    first = std::max(first, 0);
    last = std::min(last, m_count - 1);
    if (first > last)
        return;
    const int before = int(m_data.size());
    const ListingOrder reversed = reversedOrder();
    for (int row = first; row <= last; ++row) {
        if (m_data.contains(row))
            continue;
        if (m_data.contains(row - 1)) {
            place(read(ListingPage(m_rows, m_order, keyOf(row - 1), PageRows)), row, 1);
        } else if (m_data.contains(row + 1)) {
            place(read(ListingPage(m_rows, reversed, keyOf(row + 1), PageRows)), row, -1);
        } else {
            // Deep in the gap no neighbour's key is known: the page at its place, counted
            // from the nearer end, and by key again from there on.
            const bool fromTop = row < m_count / 2;
            SqlText page = ListingPage(m_rows, fromTop ? m_order : reversed, {}, PageRows);
            page.sql += QStringLiteral("OFFSET ? ");
            page.values << (fromTop ? row : m_count - 1 - row);
            place(read(page), row, fromTop ? 1 : -1);
        }
        // Rows gone meanwhile leave the rest of the gap empty rather than read it again and again.
        if (!m_data.contains(row))
            break;
    }
    if (m_data.size() > before)
        emit dataChanged(index(first, 0), index(last, columnCount() - 1));
}

void ListingModel::refreshRow(int row)
{
    if (!m_data.contains(row) || m_idColumn < 0)
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
    const auto found = m_data.constFind(row);
    if (found == m_data.constEnd() || column < 0 || column >= m_columns.count())
        return {};
    return found->at(column);
}

int ListingModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_count; }

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
