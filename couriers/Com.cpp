#include "Com.h"

#include "Controls.h"
#include "CourierStore.h"
#include "Guard.h"
#include "Messages.h"
#include "QueryWindow.h"

#include <QGroupBox>

namespace {
struct Field {
    const char* labelName;
    QString label;
    const char* editName;
    int gbkBytes;
    int left, top, width;
};
// Three rows: name, contact, telephone; mobile and a wide address; a full-width remark.
const Field Fields[6] = {
    {"Label1", "快递公司：", "Edit1", 12, 16, 24, 160},      {"Label2", "联  系  人：", "Edit2", 20, 252, 24, 160},
    {"Label3", "电话号码：", "Edit3", 30, 488, 24, 153},     {"Label4", "手机号码：", "Edit4", 30, 16, 56, 160},
    {"Label5", "地        址：", "Edit5", 50, 252, 56, 389}, {"Label6", "备        注：", "Edit6", 100, 16, 88, 625},
};
} // namespace

TfrmCom::TfrmCom(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCom"));
    SetupFixedWindow(this, QStringLiteral("快递公司录入"), 760, 220);
    QGroupBox* group = MakeGroup(this, "GroupBox1", QStringLiteral("快递公司信息"), QRect(16, 8, 721, 129));
    for (int i = 0; i < 6; ++i) {
        const Field& f = Fields[i];
        MakeLabel(group, f.labelName, f.label, f.left, f.top + 4);
        m_edits[i] = MakeEdit(group, f.editName, f.left + 64, f.top, f.width);
        m_edits[i]->setGbkByteLimit(f.gbkBytes);
    }
    BitBtn1 = MakeButton(this, "BitBtn1", QStringLiteral("保存"), QRect(560, 152, 75, 25), QStyle::SP_DialogSaveButton);
    BitBtn2 =
        MakeButton(this, "BitBtn2", QStringLiteral("退出"), QRect(662, 152, 75, 25), QStyle::SP_DialogCloseButton);
    OnSignal(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    OnSignal(BitBtn2, &QPushButton::clicked, this, [this] { reject(); });
}

void TfrmCom::BitBtn1Click()
{
    const CourierStore::Company company{edit(1)->text(), edit(2)->text(), edit(3)->text(),
                                        edit(4)->text(), edit(5)->text(), edit(6)->text()};
    if (company.name.isEmpty()) {
        ShowMessage(this, QStringLiteral("快递公司 不能为空！"));
        edit(1)->setFocus();
        return;
    }
    // A rename onto another live company would put two sets of print items under one name.
    const bool renamed = !CompanyId.isEmpty() && company.name != OldName;
    if ((CompanyId.isEmpty() || renamed) && CourierStore::liveNameExists(company.name, CompanyId)) {
        ShowMessage(this, QStringLiteral("快递公司 已经存在，请重新录入！"));
        edit(1)->setFocus();
        return;
    }
    if (CompanyId.isEmpty())
        CourierStore::createCompany(company);
    else
        CourierStore::updateCompany(CompanyId, OldName, company);

    ShowMessage(this, QStringLiteral("快递公司 信息 保存成功！"));
    if (!CompanyId.isEmpty() && QueryWindowToRefresh)
        QueryWindowToRefresh->myRef();
    accept();
}
