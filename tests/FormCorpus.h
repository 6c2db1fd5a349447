#pragma once

#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>
#include <QTransform>

// Blank waybill forms drawn with QPainter (ruled cells and printed labels), so where
// every field lies is known without reading the picture.
namespace FormCorpus {

constexpr double WidthMm = 230;
constexpr double HeightMm = 127;

struct Field {
    QString code; // the print item whose value is written in the cell
    QRectF cell;  // millimetres on the form as drawn, before any rotation
    QRectF label;
};

struct Form {
    QString name;
    QImage picture;
    double pxPerMm = 0;
    QTransform toMm; // picture pixels to millimetres on the form as drawn
    QList<Field> fields;
};

// One form of the corpus: its layout, wordings, font, resolution and tilt.
struct Plan {
    const char* name;
    int layout; // 0: sender left, labels left of the value; 1: sender on top, labels in the
                // cells' corners; 2: sender on top, labels left of the value
    int wording; // 0: 寄件人信息 / 姓名 / 电话; 1: FROM / 寄方 / 联系电话; 2: 寄件人姓名, no headings
    int font;    // 0: WenQuanYi Micro Hei, 1: Noto Sans CJK SC
    int dpi;
    double degrees;
};
const QList<Plan>& Plans();

// Drawn with a little noise and passed through JPEG, as a scanner delivers it.
Form Draw(const Plan& plan);

} // namespace FormCorpus
