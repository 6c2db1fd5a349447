#pragma once

#include <QHash>
#include <QList>
#include <QString>

class QXmlStreamReader;

// How a workbook shows the numbers in its cells: a postcode typed as 010050 is stored as
// the number 10050 under the format "000000", and only the format keeps its zero.
namespace NumberFormat {

// A stored number ("1.3612345678E10", "471") as the sheet shows it under `code`. Whole
// numbers come out as digits, never in exponent form or with ".0"; digit placeholders and
// literal text are honoured ("0000" → 0471, "000-0000"); a format that shows fractions,
// dates, percentages or exponents, General and text ("@") give the plain number.
QString Shown(const QString& stored, const QString& code);

// The cell styles of a workbook's styles part, read token by token: the number format
// code of each style a cell's `s` attribute names.
class CellStyles {
public:
    void token(QXmlStreamReader& reader);
    // "" for General, a style the part does not have, or an index that is not a number.
    QString code(QStringView style) const;

private:
    // Excel has at most 64,000 styles; a part claiming more is not trusted with memory.
    static constexpr qsizetype MaxStyles = 1 << 16;
    QHash<int, QString> m_codes; // custom formats by their id
    QList<int> m_styleFormats;   // each cell style's format id, in cellXfs order
    int m_cellXfsDepth = 0;      // inside <cellXfs>, and how deep
    int m_depth = 0;
};

} // namespace NumberFormat
