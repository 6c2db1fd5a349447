#pragma once

#include "FormLayout.h"

#include <QDialog>
#include <QStringList>

#include <functional>

class QLabel;
class QPushButton;
class QScrollArea;

// The print window: the company's scanned form with the waybill's fields laid over it
// at the company's positions, each painted as it prints; "打印" prints the fields alone
// onto the paper form on the company's printer, and "打印校准" opens the printer's
// offsets for the company.
class TfrmP3 : public QDialog {
    Q_OBJECT
public:
    explicit TfrmP3(QWidget* parent);

    // Set by the opener before showing; WaybillId "0" is a test print.
    QString CompanyName;
    QString WaybillId;

    // Slot 0 the waybill's ID, slots 1 to 27 the texts of the 27 print items, handed
    // over by the opener, which reads them where waybills are kept. None handed: the
    // layout's test page, "0" and the items' display names.
    QStringList ItemTexts;

    // Told which waybills reached which printer (its name as offsets are stored), so the
    // opener can log the print. A plain callback rather than a signal: logging writes to
    // the database, and what it throws must reach the window's error box.
    std::function<void(const QList<qint64>& waybillIds, const QString& printer)> onPrinted;

    void myLoad();
    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showLayout();

    // The layout: the picture (at true size when the form's width is known) and the
    // labels, which is what prints. It scrolls inside the window when the screen is too
    // small for it; the buttons stay over the window's top-right corner.
    QWidget* Panel1;
    QScrollArea* ScrollBox1;
    QLabel* Image1;
    QPushButton* Button1;
    QPushButton* Button2;
    FormLayout m_layout; // what "打印" prints, read when the window was shown
    bool m_prepared = false;
    bool m_loaded = false; // the layout was read
};
