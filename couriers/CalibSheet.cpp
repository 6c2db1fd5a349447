#include "CalibSheet.h"

namespace CalibrationSheet {

namespace {

constexpr double PixelsPerMm = 96 / 25.4;

double px(double mm) { return mm * PixelsPerMm; }

QString millimetres(double pixels) { return QString::number(pixels / PixelsPerMm, 'f', 1); }

// Ticks every millimetre, longer every five and ten.
double tickLength(int mm) { return mm % 10 == 0 ? 4 : mm % 5 == 0 ? 2.5 : 1.5; }

FormText sheetText(const QString& text, QPointF pos, double pixelSize, bool bold = false,
                   Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop)
{
    return {QString(), text, pos, 0, pixelSize, bold, align};
}

void addRulers(FormLayout& sheet, const QSizeF& paperMm)
{
    const double line = px(RulerLineMm);
    const int across = int(paperMm.width());
    const int down = int(paperMm.height());
    // Along the top: ticks rise from the line towards the edge, numbers below it.
    sheet.lines.append(QLineF(0, line, px(across), line));
    for (int mm = 0; mm <= across; ++mm) {
        const double x = px(mm);
        sheet.lines.append(QLineF(x, line, x, line - px(tickLength(mm))));
        if (mm % 10 == 0 && mm > 0)
            sheet.texts.append(sheetText(QString::number(mm), QPointF(x, line + 1), 8, false, Qt::AlignHCenter));
    }
    // Down the left: the same, starting below the top ruler's band.
    sheet.lines.append(QLineF(line, px(10), line, px(down)));
    for (int mm = 10; mm <= down; ++mm) {
        const double y = px(mm);
        sheet.lines.append(QLineF(line, y, line - px(tickLength(mm)), y));
        if (mm % 10 == 0)
            sheet.texts.append(sheetText(QString::number(mm), QPointF(line + 2, y - 1), 8, false, Qt::AlignVCenter));
    }
}

} // namespace

FormLayout Layout(FormLayout page, const QSizeF& paperMm, const QList<Mark>& marks, const QStringList& notes)
{
    FormLayout sheet = std::move(page);
    sheet.texts.clear();
    sheet.lines.clear();
    sheet.picture = QImage();
    addRulers(sheet, paperMm);
    const double arm = px(CrossArmMm);
    for (const Mark& mark : marks) {
        const QPointF at = mark.position;
        sheet.lines.append(QLineF(at - QPointF(arm, 0), at + QPointF(arm, 0)));
        sheet.lines.append(QLineF(at - QPointF(0, arm), at + QPointF(0, arm)));
        // Below and right of the centre, clear of the arms above and to the left.
        sheet.texts.append(
            sheetText(QStringLiteral("%1 (%2, %3)")
                          .arg(mark.name, millimetres(mark.position.x()), millimetres(mark.position.y())),
                      at + QPointF(px(1), px(1)), 9));
    }
    // Below the lowest cross, so they never cover one.
    double top = px(20);
    for (const Mark& mark : marks)
        top = qMax(top, mark.position.y() + px(CrossArmMm + 10));
    const double left = px(RulerLineMm + 12);
    for (qsizetype i = 0; i < notes.size(); ++i) {
        const bool title = i == 0;
        sheet.texts.append(sheetText(notes[i], QPointF(left, top), title ? 16 : 11, title));
        top += (title ? 16 : 11) * 1.6;
    }
    return sheet;
}

} // namespace CalibrationSheet
