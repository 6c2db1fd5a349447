#include "Com_Q.h"

#include "Calib.h"
#include "Com.h"
#include "CourierStore.h"
#include "Modal.h"
#include "P1.h"
#include "P2.h"
#include "P3.h"

namespace {

QueryWindowKind companyQuery()
{
    QueryWindowKind kind;
    kind.objectName = "frmCom_Q";
    kind.caption = QStringLiteral("快递公司查询");
    kind.selectList = CourierStore::companySelectList();
    kind.from = CourierStore::companyFrom();
    // Two rows of three: "AND (theName LIKE '%' || ? || '%') " and so on.
    kind.conditions = {
        TextCondition("CheckBox1", "快递公司", "Edit1", "theName", {0, 0}),
        TextCondition("CheckBox2", "联  系  人", "Edit2", "thePro", {0, 1}),
        TextCondition("CheckBox3", "电话号码", "Edit3", "thePhone", {0, 2}),
        TextCondition("CheckBox4", "手机号码", "Edit4", "theMob", {1, 0}),
        TextCondition("CheckBox5", "地        址", "Edit5", "theAdd", {1, 1}),
        TextCondition("CheckBox6", "备        注", "Edit6", "Remark", {1, 2}),
    };
    kind.columnWidths = ColumnWidths(CourierStore::CompanyFields());
    kind.hiddenColumns = {QStringLiteral("ID")};
    kind.editDialog = [](QWidget* owner) { return new TfrmCom(owner); };
    kind.editCaption = QStringLiteral("快递公司修改");
    kind.softDelete = [](const RowReader& row) {
        CourierStore::deleteCompany(row(QStringLiteral("ID")).toLongLong(), row(QStringLiteral("快递公司")).toString());
    };
    return kind;
}

QString selectedCompany(DataGrid* grid) { return grid->value(QStringLiteral("快递公司")).toString(); }

} // namespace

TfrmCom_Q::TfrmCom_Q(QWidget* parent) : QueryWindow(companyQuery(), parent)
{
    addCommand("N1", QStringLiteral("选择打印项目"), [this] { N1Click(); });
    addCommand("N2", QStringLiteral("设计打印格式"), [this] { N2Click(); });
    addCommand("PrintCalibration", QStringLiteral("打印校准"), [this] {
        OpenModal<TfrmCalib>(this, [this](TfrmCalib& dialog) { dialog.CompanyName = selectedCompany(grid()); });
    });
    addCommand("P1", QStringLiteral("打印快递单 &P"), [this] { P1Click(); });
    addSeparator();
    addStandardCommands();
}

void TfrmCom_Q::N1Click()
{
    OpenModal<TfrmP1>(this, [this](TfrmP1& dialog) { dialog.CompanyName = selectedCompany(grid()); });
}

void TfrmCom_Q::N2Click()
{
    OpenModal<TfrmP2>(this, [this](TfrmP2& dialog) { dialog.CompanyName = selectedCompany(grid()); });
}

void TfrmCom_Q::P1Click()
{
    OpenModal<TfrmP3>(this, [this](TfrmP3& dialog) {
        dialog.CompanyName = selectedCompany(grid());
        dialog.WaybillId = QStringLiteral("0");
    });
}
