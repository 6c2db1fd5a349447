#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: the program's name, version, home page and rights notice.
class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* Label11;
    QPushButton* Button1;
};
