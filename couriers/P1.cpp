#include "P1.h"

#include "Controls.h"
#include "CourierStore.h"
#include "DataGrid.h"
#include "Guard.h"

#include <QKeyEvent>
#include <QVBoxLayout>

TfrmP1::TfrmP1(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmP1"));
    SetupFixedWindow(this, QString(), 320, 560);
    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setToolTip(QStringLiteral("鼠标双击可以选择是否打印"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(DBGrid1);
    OnSignal(DBGrid1, &DataGrid::gridDoubleClicked, this, [this] { DBGrid1DblClick(); });
    DBGrid1->installEventFilter(this);
}

bool TfrmP1::eventFilter(QObject* watched, QEvent* event)
{
    // Space or Enter switches the current item, as a double-click does.
    if (watched == DBGrid1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            Guarded(this, [this] { DBGrid1DblClick(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmP1::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CentreOn(this, parentWidget() ? parentWidget()->window() : nullptr);
    setWindowTitle(CompanyName + QStringLiteral(" 选择打印项目"));
    Guarded(this, [this] { myRef(); });
}

void TfrmP1::myRef()
{
    DBGrid1->setStatement(CourierStore::itemSelectionListing(CompanyName), {QStringLiteral("ID"), false});
    DBGrid1->setColumnWidth(0, 100);
    DBGrid1->hideColumn(3);
}

void TfrmP1::DBGrid1DblClick()
{
    if (DBGrid1->rowCount() == 0)
        return;
    CourierStore::togglePrint(DBGrid1->value(QStringLiteral("ID")).toLongLong(),
                              DBGrid1->value(QStringLiteral("打印")).toString());
    // The listing is read again; the user stays on the item just switched.
    const QModelIndex current = DBGrid1->currentIndex();
    myRef();
    DBGrid1->setCurrentIndex(DBGrid1->model()->index(current.row(), current.column()));
}
