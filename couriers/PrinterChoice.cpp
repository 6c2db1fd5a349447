#include "PrinterChoice.h"

#include "Printing.h"

#include <QComboBox>

void FillPrinterChoice(QComboBox* box, const QString& chosen)
{
    const QSignalBlocker quiet(box);
    box->clear();
    const QString fallback = DefaultPrinterName();
    box->addItem(fallback.isEmpty() ? QStringLiteral("系统默认打印机（没有）")
                                    : QStringLiteral("系统默认打印机（%1）").arg(fallback),
                 QString());
    const QStringList installed = InstalledPrinters();
    for (const QString& printer : installed)
        box->addItem(printer, printer);
    if (!chosen.isEmpty() && !installed.contains(chosen))
        box->addItem(QStringLiteral("%1（已找不到）").arg(chosen), chosen);
    box->setCurrentIndex(qMax(0, box->findData(chosen)));
}

QString ChosenPrinter(const QComboBox* box) { return box->currentData().toString(); }
