#pragma once

#include "FormLayout.h"

#include <QFont>
#include <QStringList>

class QPainter;
class QPaintDevice;

// The one painting routine of what reaches paper, used alike by the print window, the
// designer's boxes, batch printing and the calibration sheet. `scale` is the device's
// pixels per layout pixel (1 on the screen, the printer's dots per inch ÷ 96 on paper).
// Texts are black, in one face chosen here, and measured with the font metrics of the
// device painted on, never the screen's or the desktop palette's.
namespace FormPainter {

// Noto Sans CJK SC: it has the Latin letters and digits too, and a real bold face, so a
// label never mixes faces or a bold drawn by smearing a regular one. The program's own
// copy of it (family "Noto Sans CJK SC Print", made at build time) maps each glyph to one
// character only, so a PDF's text reads back as printed (人, not the radical ⼈).
QString PrintFamily();
QFont PrintFont(double layoutPixels, bool bold, double scale, const QPaintDevice* device);

// A text laid out for one device: on one line when it fits its box's width (or has
// none); otherwise wrapped onto a second line; otherwise in a smaller type, down to
// MinPixelSize, on two lines. At that size it takes as many lines as it needs rather
// than lose any of the text or run past the box.
constexpr int MinPixelSize = 8;
struct Fitted {
    QFont font;
    QStringList lines;
    double ascent = 0;
    double lineSpacing = 0;
    QSizeF size; // device pixels: the box's width (or the longest line's) by the lines' height
};
Fitted Fit(const FormText& text, double scale, const QPaintDevice* device);

// Paints `text` at its place; `at` moves it (a label painting itself at its own corner).
void PaintText(QPainter& painter, const FormText& text, double scale, QPointF at = QPointF());
void PaintText(QPainter& painter, const FormText& text, const Fitted& fitted, double scale, QPointF at = QPointF());

// Everything of the layout that is printed: its lines and its texts, not its picture.
void PaintForm(QPainter& painter, const FormLayout& layout, double scale);

} // namespace FormPainter
