#include "PageImage.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <cmath>

namespace {

using PixPtr = std::unique_ptr<Pix, void (*)(Pix*)>;

PixPtr Own(Pix* pix)
{
    return PixPtr(pix, [](Pix* p) { pixDestroy(&p); });
}

// Labels some 3 mm high are then over 20 pixels high, which reads well; finer scans only
// cost time, and coarser ones read better made finer.
constexpr double ReadingPxPerMm = 8;
constexpr double DegreesPerRadian = 180.0 / M_PI;

PixPtr GreyPix(const QImage& image)
{
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    PixPtr pix = Own(pixCreate(grey.width(), grey.height(), 8));
    l_uint32* data = pixGetData(pix.get());
    const int wordsPerLine = pixGetWpl(pix.get());
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* from = grey.constScanLine(y);
        l_uint32* to = data + y * wordsPerLine;
        for (int x = 0; x < grey.width(); ++x)
            SET_DATA_BYTE(to, x, from[x]);
    }
    return pix;
}

// Black where darker than halfway between Otsu's threshold and the paper: the thin
// strokes of a light typeface in a coarse scan are grey, not black.
PixPtr Binary(Pix* grey)
{
    Numa* histogram = pixGetGrayHistogram(grey, 2);
    l_int32 split = 128;
    numaSplitDistribution(histogram, 0, &split, nullptr, nullptr, nullptr, nullptr, nullptr);
    int paper = split;
    l_float32 most = -1;
    for (int level = split; level < 256; ++level) {
        l_float32 count = 0;
        numaGetFValue(histogram, level, &count);
        if (count > most) {
            most = count;
            paper = level;
        }
    }
    numaDestroy(&histogram);
    return Own(pixThresholdToBinary(grey, (split + paper) / 2));
}

// The long straight runs of black in one direction, as lines; pieces of one line broken
// by a gap in the print are joined.
QList<PageImage::Line> Lines(Pix* lines, bool horizontal, int joinGap)
{
    QList<PageImage::Line> found;
    Boxa* boxes = pixConnCompBB(lines, 8);
    for (int i = 0; i < boxaGetCount(boxes); ++i) {
        l_int32 x, y, w, h;
        boxaGetBoxGeometry(boxes, i, &x, &y, &w, &h);
        found.append(horizontal ? PageImage::Line{y + h / 2, x, x + w - 1} : PageImage::Line{x + w / 2, y, y + h - 1});
    }
    boxaDestroy(&boxes);
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.at != b.at ? a.at < b.at : a.from < b.from; });
    QList<PageImage::Line> joined;
    for (const PageImage::Line& line : found) {
        auto same = std::find_if(joined.begin(), joined.end(), [&](const PageImage::Line& j) {
            return std::abs(j.at - line.at) <= 2 && line.from <= j.to + joinGap && j.from <= line.to + joinGap;
        });
        if (same == joined.end()) {
            joined.append(line);
        } else {
            same->from = std::min(same->from, line.from);
            same->to = std::max(same->to, line.to);
        }
    }
    return joined;
}

} // namespace

void PageImage::PixFree::operator()(Pix* pix) const { pixDestroy(&pix); }

PageImage::PageImage(const QImage& picture, double pxPerMm)
{
    double scale = std::clamp(ReadingPxPerMm / pxPerMm, 0.1, 2.0);
    if (std::abs(scale - 1) < 0.05)
        scale = 1;
    m_pxPerMm = pxPerMm * scale;
    PixPtr grey = GreyPix(scale != 1 ? picture.scaledToWidth(qRound(picture.width() * scale), Qt::SmoothTransformation)
                                     : picture);
    m_size = QSize(pixGetWidth(grey.get()), pixGetHeight(grey.get()));
    PixPtr binary = Binary(grey.get());

    // A form laid a little askew on the scanner is turned straight, so its ruled lines
    // run along the pixel rows and columns.
    l_float32 skew = 0, confidence = 0;
    double turn = 0;
    if (pixFindSkew(binary.get(), &skew, &confidence) == 0 && confidence > 2 && std::abs(skew) > 0.04) {
        turn = skew / DegreesPerRadian;
        grey = Own(pixRotate(grey.get(), float(turn), L_ROTATE_AREA_MAP, L_BRING_IN_WHITE, 0, 0));
        binary = Binary(grey.get());
    }
    const QPointF centre(m_size.width() / 2.0, m_size.height() / 2.0);
    const QTransform straighten =
        QTransform().translate(centre.x(), centre.y()).rotateRadians(turn).translate(-centre.x(), -centre.y());
    m_toPicture = (QTransform::fromScale(scale, scale) * straighten).inverted();

    // No stroke of a character runs 10 mm across or 5 mm down; a ruled line does.
    const int across = qRound(10 * m_pxPerMm);
    const int down = qRound(5 * m_pxPerMm);
    PixPtr horizontal = Own(pixOpenBrick(nullptr, binary.get(), across, 1));
    PixPtr vertical = Own(pixOpenBrick(nullptr, binary.get(), 1, down));
    m_horizontal = Lines(horizontal.get(), true, qRound(3 * m_pxPerMm));
    m_vertical = Lines(vertical.get(), false, qRound(3 * m_pxPerMm));

    // The lines and their grey fringe go, so no character is read as touching a line.
    PixPtr lines = Own(pixOr(nullptr, horizontal.get(), vertical.get()));
    PixPtr wider = Own(pixDilateBrick(nullptr, lines.get(), 3, 3));
    PixPtr text = Own(pixSubtract(nullptr, binary.get(), wider.get()));
    // Dust: specks smaller than a quarter millimetre each way, which no stroke is.
    const int speck = qRound(0.25 * m_pxPerMm);
    m_text.reset(pixSelectBySize(text.get(), speck, speck, 8, L_SELECT_IF_EITHER, L_SELECT_IF_GT, nullptr));
}

PageImage::~PageImage() = default;

QRect PageImage::cellAt(QPoint point) const
{
    const int reach = qRound(m_pxPerMm); // a line stopping a millimetre short still bounds the cell
    // The nearest lines either side of `at` among those passing `along`.
    auto nearest = [reach](const QList<Line>& lines, int at, int along, int& before, int& after) {
        for (const Line& line : lines)
            if (line.from - reach <= along && along <= line.to + reach) {
                if (line.at <= at)
                    before = std::max(before, line.at);
                else
                    after = std::min(after, line.at);
            }
    };
    int left = 0, top = 0, right = m_size.width() - 1, bottom = m_size.height() - 1;
    nearest(m_vertical, point.x(), point.y(), left, right);
    nearest(m_horizontal, point.y(), point.x(), top, bottom);
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

bool PageImage::ruledBetween(int left, int right, int y) const
{
    return std::any_of(m_vertical.begin(), m_vertical.end(), [&](const Line& line) {
        return left < line.at && line.at < right && line.from <= y && y <= line.to;
    });
}
