#include "DataGrid.h"

#include "DM.h"

#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QSqlQueryModel>
#include <QSqlRecord>

DataGrid::DataGrid(QWidget* parent) : QTableView(parent), m_model(new QSqlQueryModel(this))
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

void DataGrid::setStatement(const SqlText& statement)
{
    // The model fetches its first batch now and the rest as the view scrolls to them.
    m_model->setQuery(DM().run(statement));
    if (m_model->rowCount() > 0)
        setCurrentIndex(m_model->index(0, 0));
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
    return m_model->record(row).value(alias);
}

RowReader DataGrid::currentRow() const
{
    return [this](const QString& alias) { return value(alias); };
}

int DataGrid::columnOf(const QString& alias) const { return m_model->record().indexOf(alias); }

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
