#pragma once

#include "DatabaseSetting.h"
#include "EntryDialog.h"

#include <optional>

class QComboBox;
class QGroupBox;
class QRadioButton;

// TfrmDatabase, 数据库设置: where the shop's data lives, the embedded file or a PostgreSQL
// server, opened from the login window. 保存 keeps the setting beside the data folder (the
// password only in the user's ~/.pgpass) and points the program at it at once; 测试连接 says
// what the server holds; 复制到服务器 moves the file's data to an empty server database.
class TfrmDatabase : public EntryDialog {
    Q_OBJECT
public:
    explicit TfrmDatabase(QWidget* parent);

    void testConnection();
    void copyToServer();

protected:
    bool mySave() override;
    void showEvent(QShowEvent* event) override;

private:
    void serverChosen(bool server);
    void tlsChosen();
    void chooseRootCertificate();
    // The boxes as a setting; empty, with the box to correct focused, when one is wrong.
    std::optional<DatabaseSetting> typedSetting(bool server);
    // Saves the setting and opens the data it names; on a failure puts back the setting
    // there was, says why and returns false.
    bool switchTo(const DatabaseSetting& setting);

    QRadioButton* fileChoice;
    QRadioButton* serverChoice;
    QGroupBox* serverGroup;
    LimitedEdit* hostEdit;
    LimitedEdit* portEdit;
    LimitedEdit* databaseEdit;
    LimitedEdit* userEdit;
    LimitedEdit* passwordEdit;
    QComboBox* sslCombo;
    LimitedEdit* sslRootEdit;
    QPushButton* sslRootButton;
    QPushButton* testButton;
    QPushButton* copyButton;
};
