#pragma once

#include "PrintSetup.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QRadioButton;

// Print calibration: the printer the company's waybills go to, where its layout lies on
// that printer's paper (the origin and an offset in tenths of a millimetre), and a
// calibration sheet printed through the waybill's path to check it against a blank form.
class TfrmCalib : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCalib(QWidget* parent);

    QString CompanyName; // set by the opener before showing

    void BitBtn1Click();
    void printCalibrationSheet();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void myLoad();
    void ComboBox1Change();
    // The printer that prints for the chosen entry, by its offsets' name.
    QString myPrinter() const;
    PrintSetup::Offset myOffset() const;
    void mySave();

    QLabel* Label2;
    QComboBox* ComboBox1;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QDoubleSpinBox* SpinX;
    QDoubleSpinBox* SpinY;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;
    bool m_prepared = false;
};
