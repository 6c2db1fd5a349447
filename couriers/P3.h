#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;

// The print window: the company's scanned form with the waybill's fields laid over it
// at the company's positions; "打印" prints the fields alone onto the paper form.
class TfrmP3 : public QDialog {
    Q_OBJECT
public:
    explicit TfrmP3(QWidget* parent);

    // Set by the opener before showing; WaybillId "0" prints the items' display names.
    QString CompanyName;
    QString WaybillId;

    // Slot 0 the waybill's ID, slots 1 to 25 the texts of the 25 print items.
    QStringList ItemTexts;

    void myLoad();
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void prepare();

    QLabel* Image1;
    QPushButton* Button1;
    bool m_prepared = false;
};
