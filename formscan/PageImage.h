#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QTransform>
#include <memory>

struct Pix;

// A scanned form made ready for reading: grey, set straight, at a resolution that reads
// well and fast; its ruled lines found, and taken out of the picture the text is read from.
class PageImage {
public:
    PageImage(const QImage& picture, double pxPerMm);
    ~PageImage();

    double pxPerMm() const { return m_pxPerMm; }
    int dpi() const { return qRound(m_pxPerMm * 25.4); }
    QSize size() const { return m_size; }
    // From this page's pixels to the picture's.
    const QTransform& toPicture() const { return m_toPicture; }
    // Black on white, one bit a pixel, without the ruled lines.
    Pix* text() const { return m_text.get(); }

    // The ruled cell around a point: the nearest line on each side that passes it; the
    // page's edge where there is none.
    QRect cellAt(QPoint point) const;
    // Whether a ruled line runs between two points on one text line.
    bool ruledBetween(int left, int right, int y) const;

    struct Line {
        int at;       // y of a horizontal line, x of a vertical one
        int from, to; // its extent along its length
    };

private:
    struct PixFree {
        void operator()(Pix* pix) const;
    };
    std::unique_ptr<Pix, PixFree> m_text;
    QList<Line> m_horizontal;
    QList<Line> m_vertical;
    double m_pxPerMm;
    QSize m_size;
    QTransform m_toPicture;
};
