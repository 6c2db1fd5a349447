#include "FormCorpus.h"

#include <QBuffer>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QRandomGenerator>

namespace FormCorpus {
namespace {

// A row of cells: its height in millimetres and each cell's share of the width with what
// it holds (a role letter, or ' ' for an empty cell).
struct Row {
    double height;
    QList<QPair<double, char>> cells;
};

struct Layout {
    bool stacked;      // the recipient part below the sender part, else beside it
    bool cornerLabels; // labels in the cells' top-left corners, else left of the value
    QList<Row> partRows;
    Row sharedRow; // below both parts, across the form
};

const Layout Layouts[] = {
    {false,
     false,
     {{10, {{.5, 'N'}, {.5, 'P'}}}, {10, {{1, 'C'}}}, {18, {{1, 'A'}}}, {10, {{.5, 'Z'}, {.5, 'M'}}}},
     {12, {{.4, 'G'}, {.3, 'D'}, {.3, 'R'}}}},
    {true,
     true,
     {{13, {{.34, 'N'}, {.33, 'P'}, {.33, 'M'}}}, {13, {{.6, 'C'}, {.4, 'Z'}}}, {14, {{1, 'A'}}}},
     {13, {{.4, 'G'}, {.3, 'D'}, {.3, 'R'}}}},
    {true,
     false,
     {{9, {{.5, 'N'}, {.5, 'M'}}}, {9, {{.6, 'C'}, {.4, 'P'}}}, {12, {{1, 'A'}}}, {9, {{.4, 'Z'}, {.6, ' '}}}},
     {11, {{.4, 'G'}, {.3, 'D'}, {.3, 'R'}}}},
};

// Each role's label in the three wordings; "sender|recipient" where the parts differ.
const QHash<char, QStringList> Words = {
    {'H', {"寄件人信息|收件人信息", "FROM|TO", ""}},
    {'N', {"姓名", "寄方|收方", "寄件人姓名|收件人姓名"}},
    {'P', {"电话", "联系电话", "寄件人电话|收件人电话"}},
    {'M', {"手机", "手机号码", "寄件人手机|收件人手机"}},
    {'C', {"单位名称", "公司名称", "寄件人单位|收件人单位"}},
    {'A', {"地址", "详细地址", "寄件人地址|收件人地址"}},
    {'Z', {"邮编", "邮政编码", "寄件人邮编|收件人邮编"}},
    {'G', {"托寄物内容", "物品名称", "托寄物内容"}},
    {'D', {"寄件日期", "日期", "寄件日期"}},
    {'R', {"备注", "备注", "备注"}},
};

// The print item each role's value belongs to, for the sender and the recipient.
const QHash<char, QStringList> Codes = {
    {'N', {"JP01", "SP01"}}, {'P', {"JP02", "SP02"}}, {'M', {"JP03", "SP03"}},
    {'C', {"JP04", "SP04"}}, {'A', {"JP09", "SP09"}}, {'Z', {"JP10", "SP10"}},
    {'G', {"KP01"}},         {'D', {"KP05"}},         {'R', {"KP02"}},
};

// Draws in millimetres on the form, turned by the plan's tilt about the picture's centre.
struct Painter {
    Painter(Form& form, const Plan& plan) : form(form), plan(plan), ppm(form.pxPerMm), painter(&form.picture)
    {
        const QPointF centre(form.picture.width() / 2.0, form.picture.height() / 2.0);
        painter.translate(centre);
        painter.rotate(plan.degrees);
        painter.translate(-centre);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::black, 0.25 * ppm));
        QFont font(plan.font == 0 ? "WenQuanYi Micro Hei" : "Noto Sans CJK SC");
        font.setPixelSize(qRound(3.5 * ppm));
        if (QFontInfo(font).family() != font.family())
            qWarning("font %s is not installed", qPrintable(font.family()));
        painter.setFont(font);
        form.toMm = (QTransform::fromScale(ppm, ppm) * painter.transform()).inverted();
    }

    // Rows of cells from (x, y) across `width`; returns the bottom.
    double rows(const QList<Row>& rows, double x, double y, double width, int part, bool corner)
    {
        for (const Row& row : rows) {
            for (const auto& [share, role] : row.cells) {
                const QRectF cell(x, y, share * width, row.height);
                const QRectF label = text(cell, word(role, part), corner ? 'c' : 'l');
                if (role != ' ')
                    form.fields.append({Codes[role].value(part, Codes[role].first()), cell, label});
                x += cell.width();
            }
            x -= width;
            y += row.height;
        }
        return y;
    }

    QString word(char role, int part) const
    {
        const QStringList both = Words.value(role).value(plan.wording).split('|');
        return both.value(part, both[0]);
    }

    // Draws the cell and its text: at the l(eft), in the top-left c(orner), in the m(iddle).
    // Returns where the ink of the text lies.
    QRectF text(const QRectF& cell, const QString& text, char where)
    {
        painter.drawRect(QRectF(cell.topLeft() * ppm, cell.size() * ppm));
        const QRectF ink = QFontMetricsF(painter.font()).tightBoundingRect(text);
        const QRectF inkMm(ink.topLeft() / ppm, ink.size() / ppm); // from the text's start on its baseline
        QPointF at(cell.left() + 1.5, cell.center().y() - inkMm.center().y());
        if (where == 'c')
            at = cell.topLeft() + QPointF(1.2, 0.8) - inkMm.topLeft();
        else if (where == 'm')
            at = cell.center() - inkMm.center();
        painter.drawText(at * ppm, text);
        return inkMm.translated(at);
    }

    Form& form;
    const Plan& plan;
    double ppm;
    QPainter painter;
};

void addNoise(QImage& image, quint32 seed)
{
    QRandomGenerator random(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = qBound(0, qGray(line[x]) + int(random.bounded(25)) - 12, 255);
            line[x] = qRgb(grey, grey, grey);
        }
    }
    for (int speck = image.width() * image.height() / 5000; speck > 0; --speck)
        image.setPixel(random.bounded(image.width()), random.bounded(image.height()), qRgb(40, 40, 40));
}

} // namespace

const QList<Plan>& Plans()
{
    static const QList<Plan> plans = {
        {"beside plain microhei 200", 0, 0, 0, 200, 0.0},
        {"beside from/to noto 150", 0, 1, 1, 150, 0.3},
        {"beside prefixed microhei 300", 0, 2, 0, 300, -0.4},
        {"stacked corner plain noto 200", 1, 0, 1, 200, 0.5},
        {"stacked corner from/to microhei 300", 1, 1, 0, 300, -0.2},
        {"stacked corner prefixed noto 150", 1, 2, 1, 150, 0.0},
        {"stacked left plain microhei 150", 2, 0, 0, 150, -0.5},
        {"stacked left from/to noto 200", 2, 1, 1, 200, 0.4},
        {"stacked left prefixed microhei 200", 2, 2, 0, 200, 0.1},
        {"beside plain noto 300", 0, 0, 1, 300, -0.3},
        {"stacked corner plain microhei 150", 1, 0, 0, 150, 0.2},
        {"stacked left from/to microhei 300", 2, 1, 0, 300, 0.0},
        {"beside from/to microhei 200", 0, 1, 0, 200, -0.5},
    };
    return plans;
}

Form Draw(const Plan& plan)
{
    Form form;
    form.name = plan.name;
    form.pxPerMm = plan.dpi / 25.4;
    form.picture = QImage(qRound(WidthMm * form.pxPerMm), qRound(HeightMm * form.pxPerMm), QImage::Format_RGB32);
    form.picture.fill(Qt::white);
    {
        Painter painter(form, plan);
        const Layout& layout = Layouts[plan.layout];
        const bool headings = !Words['H'].at(plan.wording).isEmpty();
        double bottom = 5;
        for (int part = 0; part < 2; ++part) {
            // Side by side, each part is half the form with its heading above; stacked,
            // each is a band across it with its heading in a column on the left.
            QRectF block = layout.stacked ? QRectF(5, bottom, 220, 0) : QRectF(5 + part * 110, 5, 110, 0);
            if (headings && layout.stacked) {
                double height = 0;
                for (const Row& row : layout.partRows)
                    height += row.height;
                painter.text(QRectF(block.left(), block.top(), 22, height), painter.word('H', part), 'm');
                block.adjust(22, 0, 0, 0);
            } else if (headings) {
                painter.text(QRectF(block.left(), block.top(), block.width(), 8), painter.word('H', part), 'm');
                block.adjust(0, 8, 0, 0);
            }
            bottom = qMax(layout.stacked ? 0.0 : bottom, painter.rows(layout.partRows, block.left(), block.top(),
                                                                      block.width(), part, layout.cornerLabels));
        }
        bottom = painter.rows({layout.sharedRow}, 5, bottom, 220, 0, layout.cornerLabels);
        // Printed words that are no label: 客服电话 is not the sender's phone.
        painter.painter.drawText(QPointF(140, bottom + 12) * painter.ppm, QStringLiteral("宏达速运   客服电话 95338"));
    }
    addNoise(form.picture, qHash(QByteArray(plan.name)));
    QBuffer jpeg;
    jpeg.open(QIODevice::WriteOnly);
    form.picture.save(&jpeg, "JPG", 85);
    form.picture = QImage::fromData(jpeg.data(), "JPG");
    return form;
}

} // namespace FormCorpus
