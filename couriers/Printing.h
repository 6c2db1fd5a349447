#pragma once

#include <QString>

class QWidget;

// Prints what a window shows in its client area onto one page of the system's default
// printer, without a dialog: the client area's top-left corner at the printable area's
// top-left corner, one window pixel as 1/96 inch. Text stays text on the printer.
// Throws AppError when there is no default printer or the printer fails.
void PrintClientArea(QWidget* window);

// Sends the page to a PDF file instead of the printer (tests and benchmarks); an empty
// path restores the default printer.
void SetPrintOutputFile(const QString& pdfPath);
