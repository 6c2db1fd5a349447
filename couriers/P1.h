#pragma once

#include <QDialog>

class DataGrid;

// Switches each of a company's print items on and off by a double-click.
class TfrmP1 : public QDialog {
    Q_OBJECT
public:
    explicit TfrmP1(QWidget* parent);

    QString CompanyName; // set by the opener before showing

    void myRef();
    void DBGrid1DblClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DataGrid* DBGrid1;
};
