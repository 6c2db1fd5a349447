#include "Database.h"

#include "AppError.h"
#include "Controls.h"
#include "DM.h"
#include "Guard.h"
#include "Messages.h"
#include "Modal.h"
#include "ServerCheck.h"
#include "ServerCopy.h"
#include "Unit1.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QProgressDialog>
#include <QRadioButton>

namespace {

LimitedEdit* labelledEdit(QWidget* group, const char* name, const QString& label, int top, int width)
{
    QLabel* caption = MakeLabel(group, (QByteArray(name) + "Label").constData(), label, 14, top + 3);
    LimitedEdit* edit = MakeEdit(group, name, 96, top, width);
    caption->setBuddy(edit);
    return edit;
}

} // namespace

TfrmDatabase::TfrmDatabase(QWidget* parent) : EntryDialog(parent, "frmDatabase", QStringLiteral("数据库设置"), 440, 374)
{
    fileChoice = MakeRadio(this, "fileChoice", QStringLiteral("本机数据文件(&F)（只有这一台电脑使用时）"), 18, 12);
    serverChoice =
        MakeRadio(this, "serverChoice", QStringLiteral("PostgreSQL 数据库服务器(&S)（几台电脑共用）"), 18, 38);

    serverGroup = MakeGroup(this, "serverGroup", QStringLiteral("服务器"), QRect(16, 66, 408, 256));
    hostEdit = labelledEdit(serverGroup, "hostEdit", QStringLiteral("地址(&H)："), 22, 296);
    hostEdit->setCharLimit(DatabaseSetting::MaxHostLength);
    portEdit = labelledEdit(serverGroup, "portEdit", QStringLiteral("端口(&P)："), 50, 80);
    portEdit->setValidator(new QIntValidator(1, 65535, portEdit));
    databaseEdit = labelledEdit(serverGroup, "databaseEdit", QStringLiteral("数据库(&D)："), 78, 296);
    databaseEdit->setCharLimit(DatabaseSetting::MaxNameLength);
    userEdit = labelledEdit(serverGroup, "userEdit", QStringLiteral("用户(&U)："), 106, 296);
    userEdit->setCharLimit(DatabaseSetting::MaxNameLength);
    passwordEdit = labelledEdit(serverGroup, "passwordEdit", QStringLiteral("密码(&W)："), 134, 296);
    passwordEdit->setAtPassword();
    sslCombo = new QComboBox(serverGroup);
    sslCombo->setObjectName(QStringLiteral("sslCombo"));
    sslCombo->addItems({QStringLiteral("服务器支持时加密"), QStringLiteral("必须加密"),
                        QStringLiteral("必须加密，并用根证书检查服务器")});
    sslCombo->setGeometry(96, 162, 296, 21);
    MakeLabel(serverGroup, "sslComboLabel", QStringLiteral("加密连接(&E)："), 14, 165)->setBuddy(sslCombo);
    sslRootEdit = labelledEdit(serverGroup, "sslRootEdit", QStringLiteral("根证书(&R)："), 190, 216);
    sslRootEdit->setCharLimit(DatabaseSetting::MaxPathLength);
    sslRootButton = MakeButton(serverGroup, "sslRootButton", QStringLiteral("选择(&O)…"), QRect(318, 189, 74, 23));
    QLabel* note =
        MakeLabel(serverGroup, "passwordNote",
                  QStringLiteral("密码只保存在本机用户的 .pgpass 文件里；已保存过密码时可以不填。"), 14, 222);
    note->setWordWrap(true);
    note->setFixedWidth(380);

    testButton = MakeButton(this, "testButton", QStringLiteral("测试连接(&T)"), QRect(16, 336, 92, 25));
    copyButton = MakeButton(this, "copyButton", QStringLiteral("复制到服务器(&C)"), QRect(114, 336, 110, 25));
    addButtons(336);

    const DatabaseSetting setting = DatabaseSetting::load(Unit1::programDir());
    (setting.server ? serverChoice : fileChoice)->setChecked(true);
    hostEdit->setText(setting.host);
    portEdit->setText(QString::number(setting.port));
    databaseEdit->setText(setting.database);
    userEdit->setText(setting.user);
    sslCombo->setCurrentIndex(int(setting.tls));
    sslRootEdit->setText(setting.rootCertificate);
    serverChosen(setting.server);
    tlsChosen();

    setTabOrder(fileChoice, serverChoice);
    setTabOrder(serverChoice, hostEdit);
    setTabOrder(hostEdit, portEdit);
    setTabOrder(portEdit, databaseEdit);
    setTabOrder(databaseEdit, userEdit);
    setTabOrder(userEdit, passwordEdit);
    setTabOrder(passwordEdit, sslCombo);
    setTabOrder(sslCombo, sslRootEdit);
    setTabOrder(sslRootEdit, sslRootButton);
    setTabOrder(sslRootButton, testButton);
    setTabOrder(testButton, copyButton);
    setTabOrder(copyButton, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);

    connect(serverChoice, &QRadioButton::toggled, this, [this](bool server) { serverChosen(server); });
    connect(sslCombo, &QComboBox::currentIndexChanged, this, [this] { tlsChosen(); });
    OnSignal(sslRootButton, &QPushButton::clicked, this, [this] { chooseRootCertificate(); });
    OnSignal(testButton, &QPushButton::clicked, this, [this] { testConnection(); });
    OnSignal(copyButton, &QPushButton::clicked, this, [this] { copyToServer(); });
}

void TfrmDatabase::showEvent(QShowEvent* event)
{
    EntryDialog::showEvent(event);
    CentreOn(this, parentWidget() ? parentWidget()->window() : nullptr);
    (serverChoice->isChecked() ? serverChoice : fileChoice)->setFocus();
}

void TfrmDatabase::serverChosen(bool server)
{
    for (QWidget* control :
         {static_cast<QWidget*>(serverGroup), static_cast<QWidget*>(testButton), static_cast<QWidget*>(copyButton)})
        control->setEnabled(server);
}

void TfrmDatabase::tlsChosen()
{
    const bool checked = sslCombo->currentIndex() == int(DatabaseSetting::Tls::Verified);
    sslRootEdit->setEnabled(checked);
    sslRootButton->setEnabled(checked);
}

void TfrmDatabase::chooseRootCertificate()
{
    const QString file = AskOpenFileName(this, QStringLiteral("证书文件 (*.crt *.pem *.cer);;所有文件 (*)"));
    if (!file.isEmpty())
        sslRootEdit->setText(QDir::toNativeSeparators(file));
}

std::optional<DatabaseSetting> TfrmDatabase::typedSetting(bool server)
{
    DatabaseSetting setting;
    if (!server)
        return setting;
    setting.server = true;
    setting.host = hostEdit->text().trimmed();
    setting.port = portEdit->text().toInt();
    setting.database = databaseEdit->text().trimmed();
    setting.user = userEdit->text().trimmed();
    setting.tls = DatabaseSetting::Tls(sslCombo->currentIndex());
    if (setting.tls == DatabaseSetting::Tls::Verified)
        setting.rootCertificate = QDir::fromNativeSeparators(sslRootEdit->text().trimmed());
    const QString& root = setting.rootCertificate;
    const QList<std::pair<LimitedEdit*, QString>> wrong = {
        {hostEdit, setting.host.isEmpty() ? QStringLiteral("服务器地址 不能为空！") : QString()},
        {portEdit,
         setting.port < 1 || setting.port > 65535 ? QStringLiteral("端口 应是 1 到 65535 之间的数！") : QString()},
        {databaseEdit, setting.database.isEmpty() ? QStringLiteral("数据库 不能为空！") : QString()},
        {userEdit, setting.user.isEmpty() ? QStringLiteral("用户 不能为空！") : QString()},
        {sslRootEdit, setting.tls == DatabaseSetting::Tls::Verified && root.isEmpty()
                          ? QStringLiteral("要检查服务器证书，请按“选择”选好服务器管理员给的根证书文件！")
                          : QString()},
        // libpq's connection string cannot carry it.
        {sslRootEdit, root.contains(u';')
                          ? QStringLiteral("根证书文件的路径里不能有分号（;），请把文件放到别的文件夹后重新选择！")
                          : QString()},
    };
    for (const auto& [box, message] : wrong) {
        if (!message.isEmpty()) {
            ShowMessage(this, message);
            box->setFocus();
            return std::nullopt;
        }
    }
    return setting;
}

void TfrmDatabase::testConnection()
{
    if (const std::optional<DatabaseSetting> setting = typedSetting(true))
        ShowMessage(this, CheckServer(*setting, passwordEdit->text()).text);
}

bool TfrmDatabase::switchTo(const DatabaseSetting& setting)
{
    const QString programDir = Unit1::programDir();
    const bool hadSetting = QFile::exists(DatabaseSetting::filePath(programDir));
    const DatabaseSetting previous = DatabaseSetting::load(programDir);
    if (setting.server && !passwordEdit->text().isEmpty())
        PgPass::store(setting, passwordEdit->text());
    setting.save(programDir);
    DM().setProgramDir(programDir);
    try {
        DM().open();
        return true;
    } catch (const AppError& error) {
        if (hadSetting)
            previous.save(programDir);
        else
            QFile::remove(DatabaseSetting::filePath(programDir));
        DM().setProgramDir(programDir);
        ShowMessage(this, error.message());
        return false;
    }
}

bool TfrmDatabase::mySave()
{
    const std::optional<DatabaseSetting> setting = typedSetting(serverChoice->isChecked());
    if (!setting)
        return false;
    if (setting->server) {
        // Nothing is kept of a setting the server turns down.
        const ServerCheck check = CheckServer(*setting, passwordEdit->text());
        if (!check.usable()) {
            ShowMessage(this, check.text);
            (check.verdict == ServerCheck::Refused ? passwordEdit : hostEdit)->setFocus();
            return false;
        }
    }
    return switchTo(*setting);
}

void TfrmDatabase::copyToServer()
{
    const std::optional<DatabaseSetting> setting = typedSetting(true);
    if (!setting)
        return;
    if (!AskQuestion(
            this, windowTitle(),
            QStringLiteral("把这台电脑上的全部数据（连同快递单图片）复制到%1，以后改用它吗？").arg(setting->describe()),
            true))
        return;
    QProgressDialog progress(QStringLiteral("正在把这台电脑上的数据复制到服务器……"), QStringLiteral("取消"), 0, 1000,
                             this);
    progress.setObjectName(QStringLiteral("copyProgress"));
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(1000);
    progress.setAutoReset(false);
    progress.setValue(0);
    QList<ServerCopy::TableRows> copied;
    try {
        copied = ServerCopy::Copy(DM().databasePath(), *setting, passwordEdit->text(),
                                  [&progress](qint64 done, qint64 total) {
                                      progress.setValue(total > 0 ? int(done * 1000 / total) : 1000);
                                      // Until the dialog shows, only its timer and a cancel may run; no click reaches
                                      // the window beneath.
                                      if (!progress.isVisible())
                                          QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                                      // The program asked to end cancels the copy as 取消 does.
                                      return !progress.wasCanceled() && !Unit1::endRequested();
                                  });
    } catch (const AppError& error) {
        progress.close();
        if (!Unit1::endRequested())
            ShowMessage(this, error.message());
        return;
    }
    progress.close();
    if (!switchTo(*setting))
        return;
    ShowMessage(
        this, QStringLiteral("复制完成，本软件已改用%1。\n%2。").arg(setting->describe(), ServerCopy::Summary(copied)));
    emit saved();
    accept();
}
