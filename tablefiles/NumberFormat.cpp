#include "NumberFormat.h"

#include <QXmlStreamReader>

#include <cmath>
#include <optional>

namespace NumberFormat {

namespace {

// A format code's piece: a digit placeholder ('0', '#' or '?') or literal text.
struct Piece {
    char placeholder = 0;
    QString text;
};

bool isColour(QStringView name)
{
    static const char* const colours[] = {"Black", "Blue", "Cyan", "Green", "Magenta", "Red", "White", "Yellow"};
    for (const char* colour : colours)
        if (name.compare(QLatin1String(colour), Qt::CaseInsensitive) == 0)
            return true;
    return name.startsWith(QLatin1String("Color"), Qt::CaseInsensitive);
}

// The first section of a code that shows whole numbers by digit placeholders and text
// alone; nothing when it shows anything else or has no placeholder.
std::optional<QList<Piece>> wholeNumberPieces(QStringView code)
{
    QList<Piece> pieces;
    bool placeholders = false;
    for (qsizetype i = 0; i < code.size() && code[i] != QLatin1Char(';'); ++i) {
        const QChar c = code[i];
        if (c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char('?')) {
            pieces.append(Piece{char(c.unicode()), {}});
            placeholders = true;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('[')) {
            const qsizetype end = code.indexOf(c == QLatin1Char('"') ? QLatin1Char('"') : QLatin1Char(']'), i + 1);
            if (end < 0)
                return std::nullopt;
            const QStringView inner = code.sliced(i + 1, end - i - 1);
            if (c == QLatin1Char('"'))
                pieces.append(Piece{0, inner.toString()});
            else if (inner.startsWith(QLatin1Char('$'))) // a currency sign and a locale: [$¥-804]
                pieces.append(Piece{0, inner.sliced(1).toString().section(QLatin1Char('-'), 0, 0)});
            else if (!isColour(inner)) // a condition, or elapsed time: [>100], [h]
                return std::nullopt;
            i = end;
        } else if (c == QLatin1Char('\\')) {
            if (++i == code.size())
                return std::nullopt;
            pieces.append(Piece{0, QString(code[i])});
        } else if (c == QLatin1Char('_') || c == QLatin1Char('*')) {
            ++i; // room as wide as the next character, or a fill: no text of their own
        } else if (QStringView(u"$-+() :!^&'~{}<>=").contains(c)) {
            pieces.append(Piece{0, QString(c)});
        } else {
            return std::nullopt; // fractions, decimals, thousands, dates, percent, exponent, "@", General
        }
    }
    if (!placeholders)
        return std::nullopt;
    return pieces;
}

// Digits fill the placeholders from the right; the leftmost takes whatever is left over.
// Where no digit is left, '0' shows a zero, '?' a space and '#' nothing.
QString fill(qint64 value, const QList<Piece>& pieces)
{
    const QString digits = value == 0 ? QString() : QString::number(value);
    qsizetype left = digits.size(); // digits still to place
    qsizetype first = 0;
    while (pieces[first].placeholder == 0)
        ++first;
    QString shown;
    for (qsizetype p = pieces.size() - 1; p >= 0; --p) {
        const Piece& piece = pieces[p];
        if (piece.placeholder == 0) {
            shown.prepend(piece.text);
        } else if (left > 0) {
            const qsizetype take = p == first ? left : 1;
            shown.prepend(QStringView(digits).sliced(left - take, take));
            left -= take;
        } else if (piece.placeholder != '#') {
            shown.prepend(QLatin1Char(piece.placeholder == '0' ? '0' : ' '));
        }
    }
    return shown;
}

QString plain(double value, const QString& stored)
{
    if (value == 0)
        return QStringLiteral("0");
    // Spreadsheets keep 15 significant digits; below that an integer never needs an exponent.
    if (std::fabs(value) < 1e15) {
        const QString shown = QString::number(value, 'g', 15);
        return shown.contains(QLatin1Char('e')) ? stored : shown;
    }
    if (value == std::floor(value) && std::fabs(value) < 1e21)
        return QString::number(value, 'f', 0);
    return stored;
}

} // namespace

QString Shown(const QString& stored, const QString& code)
{
    bool ok = false;
    const double value = stored.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return stored;
    if (value >= 0 && value < 1e15)
        if (const auto pieces = wholeNumberPieces(code))
            return fill(std::llround(value), *pieces);
    return plain(value, stored);
}

void CellStyles::token(QXmlStreamReader& reader)
{
    if (reader.isEndElement()) {
        if (m_depth == m_cellXfsDepth)
            m_cellXfsDepth = 0;
        --m_depth;
        return;
    }
    if (!reader.isStartElement())
        return;
    ++m_depth;
    const QStringView name = reader.name();
    const QXmlStreamAttributes attributes = reader.attributes();
    const int id = attributes.value(QLatin1String("numFmtId")).toInt();
    if (name == QLatin1String("cellXfs") && m_cellXfsDepth == 0) {
        m_cellXfsDepth = m_depth;
    } else if (name == QLatin1String("xf") && m_cellXfsDepth > 0 && m_depth == m_cellXfsDepth + 1) {
        if (m_styleFormats.size() < MaxStyles)
            m_styleFormats.append(id);
    } else if (name == QLatin1String("numFmt") && m_codes.size() < MaxStyles && !m_codes.contains(id)) {
        // The first is the cell formats' own; differential formats later may repeat an id.
        // Excel keeps a format code to 255 characters.
        m_codes.insert(id, attributes.value(QLatin1String("formatCode")).left(255).toString());
    }
}

QString CellStyles::code(QStringView style) const
{
    bool ok = false;
    const qsizetype index = style.isEmpty() ? 0 : style.toInt(&ok);
    if (!style.isEmpty() && (!ok || index < 0))
        return QString();
    const int id = m_styleFormats.value(index, 0);
    if (m_codes.contains(id))
        return m_codes.value(id);
    // The built-in formats a contact's number may be kept in: whole numbers, and text.
    return id == 1 ? QStringLiteral("0") : id == 49 ? QStringLiteral("@") : QString();
}

} // namespace NumberFormat
