#pragma once

#include <QMainWindow>

class QLabel;
class QMdiArea;
class QToolButton;

// The frame of the program: menu, tool bar, status bar and the area that holds the
// query windows. Closing it asks for confirmation.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);

    QMdiArea* mdiArea() const { return m_mdi; }
    // Ends the program without the exit question (after a password change).
    void quitWithoutAsking();

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
    bool m_quitting = false;
};
