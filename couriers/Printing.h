#pragma once

#include <QString>

class QWidget;

// Prints the children of `area` (a window's client area, or the whole of a layout that
// scrolls inside a window, whatever part of it is in view) onto one page of the system's
// default printer, without a dialog: the area's top-left corner at the printable area's
// top-left corner, one pixel as 1/96 inch. Text stays text on the printer.
// Throws AppError when there is no default printer or the printer fails.
void PrintClientArea(QWidget* area);

// Sends the page to a PDF file instead of the printer (tests and benchmarks); an empty
// path restores the default printer.
void SetPrintOutputFile(const QString& pdfPath);
