#include "CPass.h"

#include "Controls.h"
#include "Guard.h"
#include "Messages.h"
#include "Unit1.h"
#include "UserStore.h"

#include <QApplication>
#include <QGroupBox>

TfrmCPass::TfrmCPass(QWidget* parent) : QDialog(parent), EndProgram([] { QApplication::quit(); })
{
    setObjectName(QStringLiteral("frmCPass"));
    SetupFixedWindow(this, QStringLiteral("修改密码"), 300, 220);

    QGroupBox* group = MakeGroup(this, "GroupBox1", QStringLiteral("修改密码"), QRect(16, 8, 249, 121));
    MakeLabel(group, "Label1", QStringLiteral("原  密  码："), 16, 24);
    Edit1 = MakeEdit(group, "Edit1", 80, 20, 153, 12);
    MakeLabel(group, "Label2", QStringLiteral("新  密  码："), 16, 56);
    Edit2 = MakeEdit(group, "Edit2", 80, 52, 153, 12);
    MakeLabel(group, "Label3", QStringLiteral("确认密码："), 16, 88);
    Edit3 = MakeEdit(group, "Edit3", 80, 84, 153, 12);
    for (LimitedEdit* edit : {Edit1, Edit2, Edit3})
        edit->setAtPassword();

    BitBtn1 = MakeButton(this, "BitBtn1", QStringLiteral("保存"), QRect(73, 141, 75, 25), QStyle::SP_DialogSaveButton);
    BitBtn2 =
        MakeButton(this, "BitBtn2", QStringLiteral("退出"), QRect(177, 141, 75, 25), QStyle::SP_DialogCloseButton);

    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Edit3);
    setTabOrder(Edit3, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);

    OnSignal(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    OnSignal(BitBtn2, &QPushButton::clicked, this, [this] { close(); });
}

void TfrmCPass::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CentreOn(this, parentWidget() ? parentWidget()->window() : nullptr);
    Edit1->setFocus();
}

void TfrmCPass::BitBtn1Click()
{
    const QString user = Unit1::currentUserName();
    if (UserStore::checkLogin(user, Edit1->text()).isEmpty()) {
        ShowMessage(this, QStringLiteral("原密码 错误，请重新录入！"));
        Edit1->clear();
        Edit1->setFocus();
        return;
    }
    if (Edit2->text() == Edit1->text()) {
        ShowMessage(this, QStringLiteral("新密码 不能和 原密码 一致，请重新录入！"));
        Edit2->clear();
        Edit2->setFocus();
        return;
    }
    if (Edit2->text() != Edit3->text()) {
        ShowMessage(this, QStringLiteral("新密码 和 确认密码 不一致，请重新录入！"));
        Edit2->clear();
        Edit3->clear();
        Edit2->setFocus();
        return;
    }
    UserStore::setPassword(user, Edit3->text());
    ShowMessage(this, QStringLiteral("密码修改成功，请重新打开软件！"));
    // Whoever is logged in must log in again with the new password.
    const std::function<void()> end = EndProgram;
    close();
    end();
}
