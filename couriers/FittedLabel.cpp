#include "FittedLabel.h"

#include <QPainter>
#include <QTextLayout>
#include <cmath>

namespace {

constexpr int MaxLinesBeforeShrinking = 2;

// Breaks between words where it can, and inside a word (a long number, say) where it
// must: nothing may run past the box.
QStringList breakLines(const QString& text, const QFont& font, int width)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines << text.mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    return lines;
}

} // namespace

FittedLabel::FittedLabel(const QString& text, int boxWidth, QWidget* parent) : QLabel(text, parent)
{
    QFont font = this->font();
    // Measured without hinting, as the printer lays the text out: a line that fits on
    // the screen then fits on the paper too.
    font.setHintingPreference(QFont::PreferNoHinting);
    const int natural = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    for (int size = natural;; --size) {
        font.setPixelSize(size);
        m_lines = breakLines(text, font, boxWidth);
        if (m_lines.size() <= MaxLinesBeforeShrinking || size <= MinPixelSize)
            break;
    }
    if (m_lines.isEmpty())
        m_lines << QString();
    setFont(font);
    const QFontMetricsF metrics(font);
    resize(boxWidth, int(std::ceil(metrics.lineSpacing() * m_lines.size())));
}

void FittedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetricsF metrics(font());
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        painter.drawText(QPointF(0, metrics.ascent() + metrics.lineSpacing() * i), m_lines[i]);
}
