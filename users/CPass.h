#pragma once

#include <QDialog>
#include <functional>

class LimitedEdit;
class QPushButton;

// Password change of the logged-in user; a changed password ends the program.
class TfrmCPass : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCPass(QWidget* parent);

    // How the program ends after a change. The main window sets it to end without its
    // exit question; left alone, the application is asked to quit.
    std::function<void()> EndProgram;

    void BitBtn1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    LimitedEdit* Edit1;
    LimitedEdit* Edit2;
    LimitedEdit* Edit3;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
};
