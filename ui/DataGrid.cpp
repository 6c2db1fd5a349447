#include "DataGrid.h"

#include "Guard.h"
#include "ListingModel.h"

#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>

DataGrid::DataGrid(QWidget* parent) : QTableView(parent), m_model(new ListingModel(this))
{
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    selectWholeRows(true);
    setShowGrid(true);
    setAlternatingRowColors(true);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setDefaultSectionSize(20);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->viewport()->installEventFilter(this);
    horizontalHeader()->setSectionsClickable(false);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { Guarded(this, [this, column] { sortBy(column); }); });
    // The scroll bar's own "to the bottom" (its menu, or Ctrl+End on it) goes to the real end too.
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderToMaximum)
            myShowEnd();
    });
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (m_menu)
            m_menu->popup(viewport()->mapToGlobal(pos));
    });
}

void DataGrid::selectWholeRows(bool rows)
{
    setSelectionBehavior(rows ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

void DataGrid::setStatement(const SqlText& rows, const ListingOrder& order)
{
    m_model->setListing(rows, order);
    showOrder();
}

const ListingOrder& DataGrid::order() const { return m_model->order(); }

void DataGrid::setSortable(bool sortable)
{
    horizontalHeader()->setSectionsClickable(sortable);
    horizontalHeader()->setSortIndicatorShown(sortable);
}

void DataGrid::sortBy(int column)
{
    const QString alias = m_model->columns().fieldName(column);
    if (alias.isEmpty())
        return;
    const ListingOrder& now = m_model->order();
    m_model->setOrder({alias, now.alias == alias ? !now.descending : false, m_sortKeys.value(alias)});
    showOrder();
}

void DataGrid::showOrder()
{
    // The title's arrow shows a chosen order; newest first, by the hidden ID, shows none.
    const ListingOrder& now = m_model->order();
    horizontalHeader()->setSortIndicator(now.alias == QLatin1String("ID") ? -1 : columnOf(now.alias),
                                         now.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    if (m_model->rowCount() > 0)
        setCurrentIndex(m_model->index(0, 0));
}

void DataGrid::refreshCurrentRow()
{
    const QModelIndex current = currentIndex();
    m_model->refreshRow(currentRowIndex());
    if (current.isValid())
        setCurrentIndex(current);
}

int DataGrid::rowCount() const { return m_model->rowCount(); }

int DataGrid::currentRowIndex() const
{
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.row() : (rowCount() > 0 ? 0 : -1);
}

QVariant DataGrid::value(const QString& alias) const { return value(currentRowIndex(), alias); }

QVariant DataGrid::value(int row, const QString& alias) const
{
    if (row < 0 || row >= rowCount())
        return {};
    return m_model->value(row, columnOf(alias));
}

RowReader DataGrid::currentRow() const
{
    return [this](const QString& alias) { return value(alias); };
}

int DataGrid::columnOf(const QString& alias) const { return m_model->columns().indexOf(alias); }

void DataGrid::setColumnWidths(const QList<QPair<QString, int>>& widths)
{
    for (const auto& [alias, width] : widths) {
        const int column = columnOf(alias);
        if (column >= 0 && width > 0)
            setColumnWidth(column, width);
    }
}

void DataGrid::hideColumns(const QStringList& aliases)
{
    for (const QString& alias : aliases) {
        const int column = columnOf(alias);
        if (column >= 0)
            hideColumn(column);
    }
}

bool DataGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == horizontalHeader()->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        emit gridDoubleClicked();
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void DataGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit gridDoubleClicked();
}

QModelIndex DataGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    if (action == MoveEnd && (modifiers & Qt::ControlModifier))
        Guarded(this, [this] { m_model->readToEnd(); });
    return QTableView::moveCursor(action, modifiers);
}

void DataGrid::verticalScrollbarValueChanged(int value)
{
    // Dragged to the end, the thumb means the listing's end, not the end of what was read.
    if (value == verticalScrollBar()->maximum() && verticalScrollBar()->isSliderDown() && m_model->canFetchMore({}))
        myShowEnd();
    QTableView::verticalScrollbarValueChanged(value);
    myReadVisibleRows();
}

void DataGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    myReadVisibleRows();
}

void DataGrid::myShowEnd()
{
    if (!m_model->canFetchMore({}))
        return;
    Guarded(this, [this] { m_model->readToEnd(); });
    scrollToBottom();
}

void DataGrid::myReadVisibleRows()
{
    const int first = rowAt(0);
    if (first < 0)
        return;
    const int last = rowAt(viewport()->height() - 1);
    Guarded(this, [this, first, last] { m_model->readRows(first, last < 0 ? rowCount() - 1 : last); });
}
