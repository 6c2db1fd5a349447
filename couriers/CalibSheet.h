#pragma once

#include "FormLayout.h"

#include <QList>
#include <QPoint>
#include <QSizeF>
#include <QStringList>

// The calibration sheet, a page laid out in layout pixels (1/96 inch) from the layout's
// origin as a waybill's fields are, and printed the same way: millimetre rulers near the
// top and left edges, a cross at each print item's position (the top-left corner of its
// text) with its coordinates in millimetres, and a few lines saying what was printed
// with which offset.
namespace CalibrationSheet {

struct Mark {
    QString name;
    QPoint position; // layout pixels
};

// Where the rulers' lines run, from the layout's origin: inside the unprintable margin of
// most printers even when the origin is the paper's edge.
constexpr double RulerLineMm = 8;
// Half the length of a cross's arms.
constexpr double CrossArmMm = 3;

// `page` is the company's form (its size, printer and offsets); the rulers run across
// `paperMm`, the page's size.
FormLayout Layout(FormLayout page, const QSizeF& paperMm, const QList<Mark>& marks, const QStringList& notes);

} // namespace CalibrationSheet
