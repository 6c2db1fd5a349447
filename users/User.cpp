#include "User.h"

#include "AppError.h"
#include "Controls.h"
#include "DM.h"
#include "DataGrid.h"
#include "Guard.h"
#include "Messages.h"
#include "Unit1.h"
#include "UserStore.h"

#include <QGroupBox>
#include <QMenu>

TfrmUser::TfrmUser(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmUser"));
    SetupFixedWindow(this, QStringLiteral("用户设置"), 500, 420);

    QGroupBox* listGroup = MakeGroup(this, "GroupBox1", QStringLiteral("用户列表信息"), QRect(16, 8, 449, 225));
    DBGrid1 = new DataGrid(listGroup);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(8, 16, 433, 201);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    QAction* D1 = PopupMenu1->addAction(QStringLiteral("删除 &D"));
    D1->setObjectName(QStringLiteral("D1"));
    DBGrid1->attachContextMenu(PopupMenu1);

    QGroupBox* userGroup = MakeGroup(this, "GroupBox2", QStringLiteral("用户信息"), QRect(16, 240, 449, 89));
    MakeLabel(userGroup, "Label1", QStringLiteral("用  户  名："), 16, 24);
    Edit1 = MakeEdit(userGroup, "Edit1", 80, 20, 121, 12);
    MakeLabel(userGroup, "Label2", QStringLiteral("备        注："), 16, 56);
    Edit2 = MakeEdit(userGroup, "Edit2", 80, 52, 353, 50);
    MakeLabel(userGroup, "Label3", QStringLiteral("新增的用户初始密码为：") + Unit1::InitialPassword, 208, 24);

    BitBtn1 = MakeButton(this, "BitBtn1", QStringLiteral("保存"), QRect(265, 341, 75, 25), QStyle::SP_DialogSaveButton);
    BitBtn2 =
        MakeButton(this, "BitBtn2", QStringLiteral("退出"), QRect(369, 341, 75, 25), QStyle::SP_DialogCloseButton);

    OnSignal(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    OnSignal(BitBtn2, &QPushButton::clicked, this, [this] { close(); });
    OnSignal(D1, &QAction::triggered, this, [this] { D1Click(); });
}

void TfrmUser::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CentreOn(this, parentWidget() ? parentWidget()->window() : nullptr);
    Guarded(this, [this] { myRef(); });
    Edit1->setFocus();
}

void TfrmUser::myRef()
{
    DBGrid1->setStatement(UserStore::userListing(), {QStringLiteral("ID"), false});
    DBGrid1->hideColumns({QStringLiteral("ID")});
    // Open query windows pick users from the shared list of names.
    DM().refreshUserLookup();
}

void TfrmUser::BitBtn1Click()
{
    const QString name = Edit1->text();
    if (name.isEmpty()) {
        ShowMessage(this, QStringLiteral("用户名 不能为空！"));
        Edit1->setFocus();
        return;
    }
    if (UserStore::nameExists(name)) {
        ShowMessage(this, QStringLiteral("用户名 已存在，请重新录入！"));
        Edit1->setFocus();
        return;
    }
    UserStore::addUser(name, Edit2->text());
    ShowMessage(this, QStringLiteral("用户名 保存成功！"));
    Edit1->clear();
    Edit2->clear();
    Edit1->setFocus();
    myRef();
}

void TfrmUser::D1Click()
{
    if (DBGrid1->rowCount() == 0)
        return;
    const QString name = DBGrid1->value(QStringLiteral("用户名")).toString();
    const qint64 id = DBGrid1->value(QStringLiteral("ID")).toLongLong();
    const QString refusal = UserStore::deleteRefusal(name);
    if (!refusal.isEmpty()) {
        ShowMessage(this, refusal);
        return;
    }
    if (!AskQuestion(this, QStringLiteral("删除"), QStringLiteral("确认要删除吗？该删除将不可恢复！"), false))
        return;
    try {
        UserStore::deleteUser(id);
    } catch (const AppError&) {
        // The list shows what is there now also when another PC got in first.
        myRef();
        throw;
    }
    myRef();
}
