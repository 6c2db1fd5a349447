#include "Login.h"

#include "Controls.h"
#include "Database.h"
#include "Guard.h"
#include "LookupCombo.h"
#include "Messages.h"
#include "Modal.h"
#include "Unit1.h"
#include "UserStore.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QSettings>
#include <QTextBrowser>

namespace {
// The banner of the web panel: a local page of our own, nothing is fetched.
const QString LastUserKey = QStringLiteral("Login/LastUser");

const char* const BannerHtml = "<body style='margin:0;background:#1f5fa8;color:white;font-family:Arial'>"
                               "<table width='100%' height='73' cellpadding='8'><tr><td>"
                               "<span style='font-size:20px;font-weight:bold'>Orvane快递单打印软件</span><br>"
                               "<span style='font-size:12px'>寄件人、收件人、快递单，一次录入，准确套打</span>"
                               "</td></tr></table></body>";
} // namespace

TfrmLogin::TfrmLogin(QWidget* mainWindow) : QDialog(nullptr), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("frmLogin"));
    SetupFixedWindow(this, QStringLiteral("软件登录"), 300, 270);

    WebBrowser1 = new QTextBrowser(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(0, 0, 300, 73);
    WebBrowser1->setFrameShape(QFrame::NoFrame);
    WebBrowser1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    WebBrowser1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    WebBrowser1->setFocusPolicy(Qt::NoFocus);
    WebBrowser1->setHtml(QString::fromUtf8(BannerHtml));

    QGroupBox* group = MakeGroup(this, "GroupBox1", QStringLiteral("软件登录"), QRect(16, 80, 250, 89));
    MakeLabel(group, "Label1", QStringLiteral("用  户  名："), 15, 24);
    DBLookupComboBox1 = new LookupCombo(group);
    DBLookupComboBox1->setObjectName(QStringLiteral("DBLookupComboBox1"));
    DBLookupComboBox1->setGeometry(80, 19, 153, 21);
    DBLookupComboBox1->setFont(AppFont(12, true));
    MakeLabel(group, "Label2", QStringLiteral("密        码："), 15, 55);
    Edit1 = MakeEdit(group, "Edit1", 80, 51, 153, 12);
    Edit1->setFont(AppFont(12, true));
    Edit1->setAtPassword();

    BitBtn1 = MakeButton(this, "BitBtn1", QStringLiteral("登录"), QRect(80, 184, 75, 25), QStyle::SP_DialogApplyButton);
    BitBtn1->setDefault(true);
    BitBtn2 = MakeButton(this, "BitBtn2", QStringLiteral("退出"), QRect(174, 184, 75, 25));
    databaseButton = MakeButton(this, "databaseButton", QStringLiteral("数据库设置(&D)"), QRect(80, 222, 169, 25));
    retryButton = MakeButton(this, "retryButton", QStringLiteral("重试"), QRect(16, 222, 56, 25));
    retryButton->hide();

    setTabOrder(BitBtn1, BitBtn2);
    setTabOrder(BitBtn2, DBLookupComboBox1);
    setTabOrder(DBLookupComboBox1, Edit1);
    setTabOrder(Edit1, databaseButton);

    OnSignal(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    OnSignal(BitBtn2, &QPushButton::clicked, this, [this] { close(); });
    OnSignal(databaseButton, &QPushButton::clicked, this, [this] { databaseSettings(); });
    OnSignal(retryButton, &QPushButton::clicked, this, [this] { retryClicked(); });
    OnSignal(DBLookupComboBox1, QOverload<int>::of(&QComboBox::activated), this, [this] { Edit1->setFocus(); });
}

void TfrmLogin::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CentreOn(this, nullptr);
    myFillUsers();
    myOfferLastUser();
}

bool TfrmLogin::myFillUsers()
{
    bool filled = false;
    Guarded(this, [this, &filled] {
        BindUserLookup(DBLookupComboBox1);
        filled = true;
    });
    retryButton->setVisible(!filled);
    return filled;
}

void TfrmLogin::myOfferLastUser()
{
    // Most starts are by the one who logged in last on this PC: the name is there, and
    // the password is what is left to type.
    const int last = DBLookupComboBox1->findText(
        QSettings(Unit1::settingsPath(), QSettings::IniFormat).value(LastUserKey).toString(), Qt::MatchExactly);
    if (DBLookupComboBox1->currentIndex() < 0 && last >= 0) {
        DBLookupComboBox1->setCurrentIndex(last);
        Edit1->setFocus();
    } else {
        BitBtn1->setFocus();
    }
}

void TfrmLogin::retryClicked()
{
    if (myFillUsers())
        myOfferLastUser();
}

void TfrmLogin::BitBtn1Click()
{
    const QString name = DBLookupComboBox1->currentText();
    if (name.isEmpty()) {
        ShowMessage(this, QStringLiteral("用户名 不能为空！"));
        DBLookupComboBox1->setFocus();
        return;
    }
    const QString user = UserStore::checkLogin(name, Edit1->text());
    if (user.isEmpty()) {
        ShowMessage(this, QStringLiteral("密码错误，请重新录入！"));
        Edit1->setFocus();
        return;
    }
    Unit1::setCurrentUserName(user);
    QSettings(Unit1::settingsPath(), QSettings::IniFormat).setValue(LastUserKey, user);
    m_loggedIn = true;
    hide();
    if (m_mainWindow)
        m_mainWindow->show();
}

void TfrmLogin::databaseSettings()
{
    OpenModal<TfrmDatabase>(this, [this](TfrmDatabase& window) {
        OnSignal(&window, &TfrmDatabase::saved, this, [this] { myFillUsers(); });
    });
}

void TfrmLogin::closeEvent(QCloseEvent* event)
{
    event->accept();
    Guarded(this, [this] {
        if (!m_loggedIn)
            QApplication::quit();
    });
}

void TfrmLogin::reject()
{
    // Escape closes the window the same way as its close box.
    close();
}
