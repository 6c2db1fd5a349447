#pragma once

#include <QPainter>
#include <QSizeF>
#include <QString>
#include <memory>

class QPrinter;
class QWidget;

// One job on the system's default printer (or the PDF file set below), without a
// dialog: each page is a layout area printed as PrintClientArea describes, with its
// own company's offsets. The pages reach the printer when the job finishes; a job that
// goes without finish() ends with the pages added so far.
class PrintJob {
public:
    PrintJob();
    ~PrintJob();
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    void addPage(QWidget* area, const QString& companyName);
    void finish();
    QString printerName() const;

private:
    std::unique_ptr<QPrinter> m_printer;
    QPainter m_painter;
};

// Prints the children of `area` (a window's client area, or the whole of a layout that
// scrolls inside a window, whatever part of it is in view) onto one page of the system's
// default printer, without a dialog, one pixel as 1/96 inch. The area's top-left corner
// goes to the origin stored for that printer and the company (the printable area's
// corner unless the paper's edge was chosen), moved by the stored offset.
// Text stays text on the printer.
// Throws AppError when there is no default printer or the printer fails.
void PrintClientArea(QWidget* area, const QString& companyName);

// Sends the page to a PDF file instead of the printer (tests and benchmarks); an empty
// path restores the default printer. The PDF writer's offsets are stored under an empty
// printer name.
void SetPrintOutputFile(const QString& pdfPath);

// The printer the next page goes to, by the name its offsets are stored under; empty
// while pages go to a PDF file. Throws AppError when there is no default printer.
QString PrintTargetName();

// The size of that printer's paper in millimetres (A4 when it does not say).
QSizeF PrintTargetPaperMm();
