#pragma once

#include <QMainWindow>

#include <memory>

class QLabel;
class TfrmLogin;
class QMdiArea;
class QToolButton;

// The frame of the program: menu, tool bar, status bar and the area that holds the
// query windows. Closing it asks for confirmation.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    QMdiArea* mdiArea() const { return m_mdi; }
    // Ends the program without the exit question (after a password change).
    void quitWithoutAsking();
    // The user logged in was deleted on another PC: every window of the session closes, and
    // a login window takes the main window's place until someone logs in again.
    void backToLogin();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void addToolButton(const char* name, const QString& caption, QAction* same, const QColor& colour,
                       const QString& glyph);
    void buildMenu();
    void buildToolBar();
    void buildStatusBar();
    template <class Window> void openChild();

    QMdiArea* m_mdi;
    QLabel* m_userPanel = nullptr;
    std::unique_ptr<TfrmLogin> m_login;
    bool m_quitting = false;
};
