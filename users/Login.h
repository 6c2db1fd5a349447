#pragma once

#include <QDialog>

class LookupCombo;
class LimitedEdit;
class QPushButton;
class QTextBrowser;

// The first window: pick a user, type the password, log in. Closing it ends the program.
class TfrmLogin : public QDialog {
    Q_OBJECT
public:
    // mainWindow is shown after a successful login. The program's start gives it once the
    // login window is on the screen, so that making it does not hold up the login.
    explicit TfrmLogin(QWidget* mainWindow);
    void setMainWindow(QWidget* mainWindow) { m_mainWindow = mainWindow; }

    void BitBtn1Click();
    // 数据库设置: another database, its users listed at once.
    void databaseSettings();
    // 重试: the user list again, once a server that did not answer at the start does.
    void retryClicked();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    // Fills the user list; while it cannot, 重试 stays on the window.
    bool myFillUsers();
    void myOfferLastUser();

    QWidget* m_mainWindow;
    bool m_loggedIn = false;
    QTextBrowser* WebBrowser1;
    LookupCombo* DBLookupComboBox1;
    LimitedEdit* Edit1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* databaseButton;
    QPushButton* retryButton;
};
