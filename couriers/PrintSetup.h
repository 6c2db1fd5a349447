#pragma once

#include "CourierStore.h"

#include <QHash>
#include <QString>

// The statements of the print set-up: where a company's layout lies on the paper of each
// printer (SOffset), the company's blank form's real width (SForm) and the width of each
// print item's box (SPWidth). Nothing stored means printing as it always did.
namespace PrintSetup {

// Where a layout's (0, 0) lies on the paper before the offset moves it.
enum class Origin {
    PrintableArea, // the printable area's top-left corner
    PaperEdge,     // the paper's top-left corner: the printer's unprintable margin is made up for
};
QString OriginText(Origin origin); // "可打印区域" or "纸张边缘", as stored
Origin OriginFromText(const QString& text);

constexpr double MaxOffsetMm = 50;

struct Offset {
    double x = 0; // millimetres, positive to the right
    double y = 0; // millimetres, positive downwards
    Origin origin = Origin::PrintableArea;
};

Offset offset(const QString& printerName, const QString& companyName);
void saveOffset(const QString& printerName, const QString& companyName, const Offset& offset);

// The blank form's real width in millimetres; 0 when not given.
double formWidth(const QString& companyName);

// The boxes given a width, by item code, in layout pixels; an item not listed prints on
// one line at its natural width.
QHash<QString, int> boxWidths(const QString& companyName);

// The designer's "保存": positions, box widths (0: none) and the form's width together.
void saveLayout(const QString& companyName, const QList<CourierStore::ItemPosition>& positions,
                const QHash<QString, int>& widths, double formWidthMm);

// Removes the company's offsets for every printer, its form width and its box widths.
// Called inside a rename's or a delete's transaction.
void forgetCompany(const QString& companyName);

} // namespace PrintSetup
