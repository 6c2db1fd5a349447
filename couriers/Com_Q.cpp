#include "Com_Q.h"

#include "Com.h"
#include "Controls.h"
#include "CourierStore.h"
#include "DataGrid.h"
#include "Messages.h"
#include "Modal.h"
#include "P1.h"
#include "P2.h"
#include "P3.h"

namespace {

const QueryWindowKind CompanyQuery{
    QStringLiteral("快递公司查询"),
    QStringLiteral("SELECT theName AS 快递公司, thePro AS 联系人, "
                   "thePhone AS 电话号码, theMob AS 手机号码, "
                   "theAdd AS 地址, Remark AS 备注,"
                   "ID "
                   "FROM SCom "
                   "WHERE (theDel = '否') "),
    QStringLiteral("ORDER BY ID DESC "),
    {
        {"CheckBox1", QStringLiteral("快递公司"), "Edit1", QStringLiteral("AND (theName LIKE '%' || ? || '%') ")},
        {"CheckBox2", QStringLiteral("联  系  人"), "Edit2", QStringLiteral("AND (thePro LIKE '%' || ? || '%') ")},
        {"CheckBox3", QStringLiteral("电话号码"), "Edit3", QStringLiteral("AND (thePhone LIKE '%' || ? || '%') ")},
        {"CheckBox4", QStringLiteral("手机号码"), "Edit4", QStringLiteral("AND (theMob LIKE '%' || ? || '%') ")},
        {"CheckBox5", QStringLiteral("地        址"), "Edit5", QStringLiteral("AND (theAdd LIKE '%' || ? || '%') ")},
        {"CheckBox6", QStringLiteral("备        注"), "Edit6", QStringLiteral("AND (Remark LIKE '%' || ? || '%') ")},
    },
    {{1, 100}, {2, 120}, {3, 150}, {4, 200}, {5, 280}},
    {6},
};

QString selected(DataGrid* grid, const char* alias) { return grid->value(QString::fromUtf8(alias)).toString(); }

} // namespace

TfrmCom_Q::TfrmCom_Q(QWidget* parent) : QueryWindow(CompanyQuery, parent)
{
    setObjectName(QStringLiteral("frmCom_Q"));
    addCommand("N1", QStringLiteral("选择打印项目"), [this] { N1Click(); });
    addCommand("N2", QStringLiteral("设计打印格式"), [this] { N2Click(); });
    addCommand("P1", QStringLiteral("打印快递单 &P"), [this] { P1Click(); });
    addSeparator();
    addCommand("M1", QStringLiteral("修改 &M"), [this] { M1Click(); });
    addSeparator();
    addCommand("D1", QStringLiteral("删除 &D"), [this] { D1Click(); });
}

void TfrmCom_Q::N1Click()
{
    OpenModal<TfrmP1>(this, [this](TfrmP1& dialog) { dialog.CompanyName = selected(grid(), "快递公司"); });
}

void TfrmCom_Q::N2Click()
{
    OpenModal<TfrmP2>(this, [this](TfrmP2& dialog) { dialog.CompanyName = selected(grid(), "快递公司"); });
}

void TfrmCom_Q::P1Click()
{
    OpenModal<TfrmP3>(this, [this](TfrmP3& dialog) {
        dialog.CompanyName = selected(grid(), "快递公司");
        dialog.WaybillId = QStringLiteral("0");
    });
}

void TfrmCom_Q::M1Click()
{
    OpenModal<TfrmCom>(this, [this](TfrmCom& dialog) {
        dialog.QueryWindowToRefresh = this;
        dialog.setWindowTitle(QStringLiteral("快递公司修改"));
        dialog.CompanyId = selected(grid(), "ID");
        dialog.OldName = selected(grid(), "快递公司");
        const char* aliases[6] = {"快递公司", "联系人", "电话号码", "手机号码", "地址", "备注"};
        for (int i = 0; i < 6; ++i)
            dialog.edit(i + 1)->setText(selected(grid(), aliases[i]));
    });
}

void TfrmCom_Q::D1Click()
{
    if (!AskQuestion(this, QStringLiteral("删除"), QStringLiteral("确认要删除吗？该删除将不可恢复！"), false))
        return;
    CourierStore::deleteCompany(selected(grid(), "ID"), selected(grid(), "快递公司"));
    myRef();
}
