#pragma once

#include "CourierStore.h"

#include <QHash>
#include <QSizeF>
#include <QString>

// The statements of the print set-up: where a company's layout lies on the paper of each
// printer (SOffset), the company's blank form, its real size and the printer it goes to
// (SForm), and the width of each print item's box (SPWidth). Nothing stored means
// printing as it always did: the system's default printer and its default paper.
namespace PrintSetup {

// Where a layout's (0, 0) lies on the paper before the offset moves it.
enum class Origin {
    PrintableArea, // the printable area's top-left corner
    PaperEdge,     // the paper's top-left corner: the printer's unprintable margin is made up for
};
QString OriginCaption(Origin origin); // "可打印区域" or "纸张边缘", as the calibration sheet says it

constexpr double MaxOffsetMm = 50;

struct Offset {
    double x = 0; // millimetres, positive to the right
    double y = 0; // millimetres, positive downwards
    Origin origin = Origin::PrintableArea;
};

// Keyed by the printer that prints (its queue name; empty for a PDF file).
Offset offset(const QString& printerName, const QString& companyName);
void saveOffset(const QString& printerName, const QString& companyName, const Offset& offset);

// A company's blank form: its real size in millimetres (0 where not given) and the
// printer its waybills go to (empty: the system's default printer).
struct Form {
    double widthMm = 0;
    double heightMm = 0;
    QString printer;
    // A page of this size is printed; without it, the printer's default paper.
    bool hasSize() const { return widthMm > 0 && heightMm > 0; }
    QSizeF sizeMm() const { return {widthMm, heightMm}; }
};
Form form(const QString& companyName);
void savePrinter(const QString& companyName, const QString& printer);

// The calibration window's "保存": the offset on the printer that prints, and the printer
// the company's waybills go to (empty: the system's default), all or nothing.
void saveCalibration(const QString& printerName, const QString& companyName, const Offset& offset,
                     const QString& companyPrinter);

// The boxes given a width, by item code, in layout pixels; an item not listed prints on
// one line at its natural width.
QHash<QString, int> boxWidths(const QString& companyName);

// The designer's "保存": positions, box widths (0: none), the form and the items to
// switch on (those a form's reading placed), all or nothing.
void saveLayout(const QString& companyName, const QList<CourierStore::ItemPosition>& positions,
                const QHash<QString, int>& widths, const Form& form, const QStringList& switchOn = {});

// Removes the company's offsets for every printer, its form and its box widths.
// Called inside a rename's or a delete's transaction.
void forgetCompany(const QString& companyName);

} // namespace PrintSetup
