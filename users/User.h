#pragma once

#include <QDialog>

class DataGrid;
class LimitedEdit;
class QMenu;
class QPushButton;

// User management: the list of users, adding a user with the initial password, and
// deleting one from the list's context menu.
class TfrmUser : public QDialog {
    Q_OBJECT
public:
    explicit TfrmUser(QWidget* parent);

    void myRef();
    void BitBtn1Click();
    void D1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    DataGrid* DBGrid1;
    QMenu* PopupMenu1;
    LimitedEdit* Edit1;
    LimitedEdit* Edit2;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
};
