#pragma once

#include "TextReader.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QStringList>

// Lays out a courier's blank form from its scan: finds the printed field labels and the
// part (sender or recipient) each belongs to, and proposes where each print item's box
// goes: right of its label inside the same ruled cell, or under it when the label sits
// in the cell's top-left corner.
namespace FormScan {

struct ProposedBox {
    QString code;   // the print item
    QPoint topLeft; // picture pixels
    int width = 0;  // picture pixels: the room the value has in its cell
};

struct Proposal {
    QList<ProposedBox> found; // in print item order
    QStringList missing;      // the codes of the items whose label was not found
};

// `pxPerMm`: the picture's pixels per millimetre of the real form; `boxHeightMm`: how high
// a box stands, so it is set in its cell's height. Runs for seconds: call it off the GUI
// thread. Throws std::runtime_error when the text reader cannot start.
Proposal Scan(const QImage& picture, double pxPerMm, double boxHeightMm, const TextReader::Control& control = {});

} // namespace FormScan
