#include "FormPainter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QPaintDevice>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

namespace FormPainter {

namespace {

const QString InstalledFamily = QStringLiteral("Noto Sans CJK SC");

// Beside the program first (a copied program folder), then where this build made the
// faces, then where an installed copy keeps them. Without them the installed face prints
// the same, but a PDF's text reads some characters back as radicals.
QString registerPrintFaces()
{
    const QString program = QCoreApplication::applicationDirPath();
    const QStringList folders = {QDir(program).filePath(QStringLiteral("fonts")),
                                 QStringLiteral(ORVANE_PRINT_FONT_BUILD_DIR),
                                 QDir(program).filePath(QStringLiteral("../" ORVANE_PRINT_FONT_INSTALL_DIR))};
    for (const QString& folder : folders) {
        QStringList files;
        for (const char* weight : {"Regular", "Bold"})
            files << QDir(folder).filePath(QStringLiteral("NotoSansCJKscPrint-%1.otf").arg(QLatin1String(weight)));
        if (!std::all_of(files.begin(), files.end(), [](const QString& file) { return QFile::exists(file); }))
            continue;
        QStringList families;
        for (const QString& file : files)
            families += QFontDatabase::applicationFontFamilies(QFontDatabase::addApplicationFont(file));
        if (!families.isEmpty())
            return families.first();
    }
    qWarning("The print face was not found; %s is used instead.", qPrintable(InstalledFamily));
    return InstalledFamily;
}

constexpr int MaxLinesBeforeShrinking = 2;
constexpr double EmAscent = 0.88;
constexpr double LinePitch = 1.15;

// Breaks between words where it can, and inside a word (a long number, say) where it
// must: nothing may run past the box.
QStringList breakLines(const QString& text, const QFont& font, double width, const QPaintDevice* device)
{
    QTextLayout layout(text, font, device);
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

QString PrintFamily()
{
    static const QString family = registerPrintFaces();
    return family;
}

QFont PrintFont(double layoutPixels, bool bold, double scale, const QPaintDevice* device)
{
    QFont font(PrintFamily());
    font.setBold(bold);
    // The device's own pixels, given as points at its own resolution: no rounding to
    // whole pixels, and the same size on any device.
    font.setPointSizeF(layoutPixels * scale * 72.0 / device->logicalDpiY());
    // Outlines as they are, as a printer draws them: a line that fits on the screen
    // then fits on the paper too.
    font.setHintingPreference(QFont::PreferNoHinting);
    // Chinese needs no shaping; without it the face's glyph substitutions stay out, and a
    // PDF's text still reads back as the digits printed.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

Fitted Fit(const FormText& text, double scale, const QPaintDevice* device)
{
    Fitted fitted;
    const double boxWidth = text.boxWidth * scale;
    for (int size = qRound(text.pixelSize);; --size) {
        fitted.font = PrintFont(text.boxWidth > 0 ? size : text.pixelSize, text.bold, scale, device);
        if (text.boxWidth <= 0) {
            fitted.lines = QStringList{text.text};
            break;
        }
        fitted.lines = breakLines(text.text, fitted.font, boxWidth, device);
        if (fitted.lines.size() <= MaxLinesBeforeShrinking || size <= MinPixelSize)
            break;
    }
    if (fitted.lines.isEmpty())
        fitted.lines << QString();
    const QFontMetricsF metrics(fitted.font, device);
    // Upright placement goes by the characters' square (the em), not the face's line
    // gap, which differs from face to face: a text's top is the top of that square, 0.88
    // of it above the baseline as in every CJK face, and lines follow each other at 1.15
    // of it, so a layout keeps its meaning whatever face prints it.
    const double em = fitted.font.pointSizeF() * device->logicalDpiY() / 72.0;
    fitted.ascent = EmAscent * em;
    fitted.lineSpacing = LinePitch * em;
    double width = boxWidth;
    if (text.boxWidth <= 0)
        for (const QString& line : fitted.lines)
            width = qMax(width, metrics.horizontalAdvance(line));
    fitted.size = QSizeF(width, fitted.lineSpacing * fitted.lines.size());
    return fitted;
}

void PaintText(QPainter& painter, const FormText& text, double scale, QPointF at)
{
    PaintText(painter, text, Fit(text, scale, painter.device()), scale, at);
}

void PaintText(QPainter& painter, const FormText& text, const Fitted& fitted, double scale, QPointF at)
{
    QPointF corner = text.pos * scale + at;
    if (text.align & Qt::AlignHCenter)
        corner.rx() -= fitted.size.width() / 2;
    if (text.align & Qt::AlignVCenter)
        corner.ry() -= fitted.ascent / 2;
    painter.setFont(fitted.font);
    painter.setPen(Qt::black);
    for (qsizetype i = 0; i < fitted.lines.size(); ++i)
        painter.drawText(corner + QPointF(0, fitted.ascent + fitted.lineSpacing * i), fitted.lines[i]);
}

void PaintForm(QPainter& painter, const FormLayout& layout, double scale)
{
    painter.save();
    if (!layout.lines.isEmpty()) {
        painter.setRenderHint(QPainter::Antialiasing);
        // About 0.2 mm: thin enough to read a tenth of a millimetre against.
        QPen pen(Qt::black, 0.75 * scale);
        pen.setCapStyle(Qt::FlatCap);
        painter.setPen(pen);
        for (const QLineF& line : layout.lines)
            painter.drawLine(QLineF(line.p1() * scale, line.p2() * scale));
    }
    for (const FormText& text : layout.texts)
        PaintText(painter, text, scale);
    painter.restore();
}

} // namespace FormPainter
