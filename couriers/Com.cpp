#include "Com.h"

#include "Controls.h"
#include "CourierStore.h"
#include "Messages.h"

TfrmCom::TfrmCom(QWidget* parent) : EntryDialog(parent, "frmCom", QStringLiteral("快递公司录入"), 760, 220)
{
    addFieldGroup("GroupBox1", QStringLiteral("快递公司信息"), QRect(16, 8, 721, 129), CourierStore::CompanyFields());
    addButtons(152);
}

LimitedEdit* TfrmCom::edit(int number) const { return EntryDialog::edit(QStringLiteral("Edit%1").arg(number)); }

void TfrmCom::loadRow(const RowReader&)
{
    const VersionedRow::Stored stored = CourierStore::loadCompany(EditID);
    m_version = stored.version;
    EntryDialog::loadRow([&stored](const QString& alias) { return stored.row.value(alias); });
    OldName = stored.row.value(QStringLiteral("快递公司")).toString();
}

bool TfrmCom::mySave()
{
    const CourierStore::Company company = values(CourierStore::CompanyFields());
    const QString name = company.value(0);
    if (name.isEmpty()) {
        ShowMessage(this, QStringLiteral("快递公司 不能为空！"));
        edit(1)->setFocus();
        return false;
    }
    // A name another live company has (a rename onto it too) would put two sets of print
    // items under one name.
    const bool filed = isEditing() ? CourierStore::updateCompany(EditID, OldName, company, m_version)
                                   : CourierStore::createCompany(company);
    if (!filed) {
        ShowMessage(this, QStringLiteral("快递公司 已经存在，请重新录入！"));
        edit(1)->setFocus();
        return false;
    }
    ShowMessage(this, QStringLiteral("快递公司 信息 保存成功！"));
    return true;
}
