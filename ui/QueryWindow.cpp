#include "QueryWindow.h"

#include "Controls.h"
#include "DataGrid.h"
#include "Guard.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QVBoxLayout>

namespace {
constexpr int PairWidth = 250;
constexpr int RowHeight = 30;
} // namespace

QueryWindow::QueryWindow(const QueryWindowKind& kind, QWidget* parent) : QWidget(parent), m_kind(kind)
{
    setWindowTitle(kind.caption);
    setFont(AppFont());

    const int rows = static_cast<int>((kind.filters.size() + 2) / 3);
    auto* top = new QWidget(this);
    top->setFixedHeight(rows * RowHeight + 32);
    QGroupBox* group =
        MakeGroup(top, "GroupBox1", QStringLiteral("查询条件"), QRect(8, 4, 3 * PairWidth + 16, rows * RowHeight + 24));
    for (int i = 0; i < kind.filters.size(); ++i) {
        const QueryFilter& filter = kind.filters[i];
        const int left = 10 + (i % 3) * PairWidth;
        const int y = 20 + (i / 3) * RowHeight;
        QCheckBox* check = MakeCheck(group, filter.checkName, filter.caption, left, y + 2);
        LimitedEdit* edit = MakeEdit(group, filter.editName, left + 80, y, 150);
        // Typing ticks the pair's box; only the user unticks it.
        connect(edit, &QLineEdit::textChanged, check, [check] { check->setChecked(true); });
        m_checks << check;
        m_edits << edit;
    }
    const int buttonsLeft = group->geometry().right() + 16;
    BitBtn1 = MakeButton(top, "BitBtn1", QStringLiteral("查询"), QRect(buttonsLeft, 16, 75, 25),
                         QStyle::SP_FileDialogContentsView);
    BitBtn3 = MakeButton(top, "BitBtn3", QStringLiteral("退出"), QRect(buttonsLeft, 48, 75, 25),
                         QStyle::SP_DialogCloseButton);

    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFixedHeight(20);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->setSpacing(2);
    layout->addWidget(top);
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(Label1);

    OnSignal(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    OnSignal(BitBtn3, &QPushButton::clicked, this, [this] {
        // Inside the main window's document area it is the frame that closes.
        if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
            frame->close();
        else
            close();
    });
}

void QueryWindow::BitBtn1Click()
{
    m_filterText = SqlText();
    for (int i = 0; i < m_checks.size(); ++i) {
        if (!m_checks[i]->isChecked())
            continue;
        m_filterText.sql += m_kind.filters[i].clause;
        m_filterText.values << m_edits[i]->text();
    }
    myRef();
    DBGrid1->attachContextMenu(PopupMenu1);
}

void QueryWindow::myRef()
{
    DBGrid1->setStatement(SqlText(m_kind.listingHead + m_filterText.sql + m_kind.listingTail, m_filterText.values));
    for (const auto& [column, width] : m_kind.columnWidths)
        DBGrid1->setColumnWidth(column, width);
    for (int column : m_kind.hiddenColumns)
        DBGrid1->hideColumn(column);
    Label1->setText(QStringLiteral("记录：%1").arg(DBGrid1->rowCount()));
}

QAction* QueryWindow::addCommand(const char* name, const QString& caption, std::function<void()> command)
{
    QAction* action = PopupMenu1->addAction(caption);
    action->setObjectName(QLatin1String(name));
    OnSignal(action, &QAction::triggered, this, [this, command] {
        if (DBGrid1->rowCount() > 0)
            command();
    });
    return action;
}

void QueryWindow::addSeparator() { PopupMenu1->addSeparator(); }
