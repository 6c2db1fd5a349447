#include "CalibSheet.h"

#include "Controls.h"

#include <QPainter>
#include <cmath>

namespace {

constexpr double PixelsPerMm = 96 / 25.4;

double px(double mm) { return mm * PixelsPerMm; }

QString millimetres(double pixels) { return QString::number(pixels / PixelsPerMm, 'f', 1); }

// Ticks every millimetre, longer every five and ten.
double tickLength(int mm) { return mm % 10 == 0 ? 4 : mm % 5 == 0 ? 2.5 : 1.5; }

} // namespace

CalibrationSheet::CalibrationSheet(const QSizeF& paperMm, QList<Mark> marks, QStringList notes, QWidget* page)
    : QWidget(page), m_paperMm(paperMm), m_marks(std::move(marks)), m_notes(std::move(notes))
{
    setObjectName(QStringLiteral("CalibrationSheet"));
    setAutoFillBackground(false);
    resize(int(std::ceil(px(paperMm.width()))), int(std::ceil(px(paperMm.height()))));
}

void CalibrationSheet::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // About 0.2 mm on paper: thin enough to read a tenth of a millimetre against.
    QPen pen(Qt::black, 0.75);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    paintRulers(painter);
    paintMarks(painter);
    paintNotes(painter);
}

void CalibrationSheet::paintRulers(QPainter& painter) const
{
    painter.setFont(AppFont(8));
    const QFontMetricsF metrics(painter.font());
    const double line = px(RulerLineMm);
    const int across = int(m_paperMm.width());
    const int down = int(m_paperMm.height());

    // Along the top: ticks rise from the line towards the edge, numbers below it.
    painter.drawLine(QPointF(0, line), QPointF(px(across), line));
    for (int mm = 0; mm <= across; ++mm) {
        const double x = px(mm);
        painter.drawLine(QPointF(x, line), QPointF(x, line - px(tickLength(mm))));
        if (mm % 10 == 0 && mm > 0) {
            const QString number = QString::number(mm);
            painter.drawText(QPointF(x - metrics.horizontalAdvance(number) / 2, line + 1 + metrics.ascent()), number);
        }
    }
    // Down the left: the same, starting below the top ruler's band.
    painter.drawLine(QPointF(line, px(10)), QPointF(line, px(down)));
    for (int mm = 10; mm <= down; ++mm) {
        const double y = px(mm);
        painter.drawLine(QPointF(line, y), QPointF(line - px(tickLength(mm)), y));
        if (mm % 10 == 0)
            painter.drawText(QPointF(line + 2, y + metrics.ascent() / 2 - 1), QString::number(mm));
    }
}

void CalibrationSheet::paintMarks(QPainter& painter) const
{
    painter.setFont(AppFont(9));
    const QFontMetricsF metrics(painter.font());
    const double arm = px(CrossArmMm);
    for (const Mark& mark : m_marks) {
        const QPointF at = mark.position;
        painter.drawLine(at - QPointF(arm, 0), at + QPointF(arm, 0));
        painter.drawLine(at - QPointF(0, arm), at + QPointF(0, arm));
        // Below and right of the centre, clear of the arms above and to the left.
        const QString text = QStringLiteral("%1 (%2, %3)")
                                 .arg(mark.name, millimetres(mark.position.x()), millimetres(mark.position.y()));
        painter.drawText(at + QPointF(px(1), px(1) + metrics.ascent()), text);
    }
}

void CalibrationSheet::paintNotes(QPainter& painter) const
{
    // Below the lowest cross, so they never cover one.
    double top = px(20);
    for (const Mark& mark : m_marks)
        top = qMax(top, mark.position.y() + px(CrossArmMm + 10));
    const double left = px(RulerLineMm + 12);
    for (qsizetype i = 0; i < m_notes.size(); ++i) {
        painter.setFont(AppFont(i == 0 ? 16 : 11, i == 0));
        const QFontMetricsF metrics(painter.font());
        top += metrics.lineSpacing();
        painter.drawText(QPointF(left, top), m_notes[i]);
        top += i == 0 ? 6 : 2;
    }
}
