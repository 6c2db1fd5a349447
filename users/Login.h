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

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    QWidget* m_mainWindow;
    bool m_loggedIn = false;
    QTextBrowser* WebBrowser1;
    LookupCombo* DBLookupComboBox1;
    LimitedEdit* Edit1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* databaseButton;
};
