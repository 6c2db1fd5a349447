#include "FormScan.h"

#include "PageImage.h"
#include "PrintItems.h"

#include <QLineF>
#include <algorithm>

namespace FormScan {
namespace {

using FieldLabels::Glyph;
using FieldLabels::Hit;
using FieldLabels::Part;
using FieldLabels::Role;

struct Label {
    Hit hit;
    QRect cell;
    Part part = Part::None; // its own, or that of the place it stands in
};

// The runs of characters of each text line that stand together: a gap of most of a
// character's height, or a ruled line between two characters, ends a run.
QList<QList<Glyph>> Words(const QList<QList<Glyph>>& lines, const PageImage& page)
{
    QList<QList<Glyph>> words;
    for (const QList<Glyph>& line : lines) {
        int height = 0;
        for (const Glyph& glyph : line)
            height = std::max(height, glyph.box.height());
        words.append(QList<Glyph>());
        for (const Glyph& glyph : line) {
            if (!words.last().isEmpty()) {
                const QRect previous = words.last().last().box;
                if (glyph.box.left() - previous.right() > height * 4 / 5 ||
                    page.ruledBetween(previous.right(), glyph.box.left(), previous.center().y()))
                    words.append(QList<Glyph>());
            }
            words.last().append(glyph);
        }
    }
    return words;
}

// Where the sender's part ends and the recipient's begins.
struct Split {
    enum Kind { Unknown, OnePart, Across, Down } kind = Unknown;
    Part first = Part::Sender; // left or above; the only one for OnePart
    int at = 0;
};

QPoint Centre(const QList<const Label*>& labels)
{
    QPoint sum;
    for (const Label* label : labels)
        sum += label->hit.box.center();
    return sum / std::max<qsizetype>(1, labels.size());
}

// The boundary between the two parts, from the labels that name their part (headings,
// "寄件人电话"). Where one part names none, labels that come in twice (two 姓名) say it:
// the sender's left of or above the recipient's, as forms have it.
Split FindSplit(const QList<Label>& labels, int gap)
{
    QList<const Label*> sender, recipient;
    for (const Label& label : labels) {
        if (label.hit.part == Part::Sender)
            sender << &label;
        else if (label.hit.part == Part::Recipient)
            recipient << &label;
    }
    if (sender.isEmpty() || recipient.isEmpty()) {
        QList<const Label*> first, second;
        for (int i = 0; i < labels.size(); ++i) {
            const Label& a = labels[i];
            if (a.hit.part != Part::None || a.hit.role == Role::None || FieldLabels::Shared(a.hit.role))
                continue;
            QList<const Label*> same;
            for (const Label& b : labels)
                if (b.hit.part == Part::None && b.hit.role == a.hit.role)
                    same << &b;
            if (same.size() != 2 || same[0] != &a)
                continue;
            const QPoint d = same[1]->hit.box.center() - same[0]->hit.box.center();
            const bool secondIsLater = std::abs(d.x()) > std::abs(d.y()) ? d.x() > 0 : d.y() > 0;
            first << same[secondIsLater ? 0 : 1];
            second << same[secondIsLater ? 1 : 0];
        }
        if (!first.isEmpty()) {
            sender += first;
            recipient += second;
        }
    }
    Split split;
    if (sender.isEmpty() != recipient.isEmpty()) {
        split.kind = Split::OnePart;
        split.first = sender.isEmpty() ? Part::Recipient : Part::Sender;
    }
    if (sender.isEmpty() || recipient.isEmpty())
        return split;

    const QPoint d = Centre(recipient) - Centre(sender);
    split.kind = std::abs(d.x()) > std::abs(d.y()) ? Split::Across : Split::Down;
    const bool across = split.kind == Split::Across;
    const bool senderFirst = across ? d.x() > 0 : d.y() > 0;
    split.first = senderFirst ? Part::Sender : Part::Recipient;
    const QList<const Label*>& before = senderFirst ? sender : recipient;
    const QList<const Label*>& after = senderFirst ? recipient : sender;
    // The boundary is a ruled line: the far edge of the first part's cells and the near
    // edge of the second's meet there. Without such lines, halfway between the labels.
    auto edge = [&](const QList<const Label*>& of, bool far, bool cells) {
        int value = far ? INT_MIN : INT_MAX;
        for (const Label* label : of) {
            const QRect r = cells ? label->cell : label->hit.box;
            const int e = across ? (far ? r.right() : r.left()) : (far ? r.bottom() : r.top());
            value = far ? std::max(value, e) : std::min(value, e);
        }
        return value;
    };
    for (bool cells : {true, false}) {
        const int end = edge(before, true, cells);
        const int start = edge(after, false, cells);
        if (end <= start + gap) {
            split.at = (end + start) / 2;
            return split;
        }
    }
    const QPoint middle = (Centre(sender) + Centre(recipient)) / 2;
    split.at = across ? middle.x() : middle.y();
    return split;
}

Part PartOf(const Label& label, const Split& split)
{
    if (label.hit.part != Part::None || FieldLabels::Shared(label.hit.role))
        return label.hit.part;
    const Part second = split.first == Part::Sender ? Part::Recipient : Part::Sender;
    switch (split.kind) {
    case Split::Unknown:
        return Part::None;
    case Split::OnePart:
        return split.first;
    case Split::Across:
        return label.hit.box.center().x() < split.at ? split.first : second;
    case Split::Down:
        return label.hit.box.center().y() < split.at ? split.first : second;
    }
    return Part::None;
}

struct Placement {
    QPoint topLeft;
    int width = 0;
};

// Where a label's value is written: under the label when it sits in the top-left corner
// of a cell with a line's room beneath it, else right of it, up to the cell's right line
// or the next printed word on the label's line.
Placement Place(const Label& label, const QList<QRect>& words, double pxPerMm, int boxHeight)
{
    const QRect& cell = label.cell;
    const QRect& box = label.hit.box;
    const int margin = qRound(0.8 * pxPerMm);
    int right = cell.right() - margin;
    for (const QRect& word : words)
        if (word.left() > box.right() && word.left() < right && word.top() < box.bottom() &&
            word.bottom() > box.top() && cell.contains(word.center()))
            right = word.left() - margin;
    const int above = box.top() - cell.top();
    const int beneath = cell.bottom() - box.bottom();
    const bool roomBeneath = beneath >= boxHeight * 4 / 5;
    const bool inCorner = box.left() - cell.left() < cell.width() / 4 && beneath >= 2 * above;
    const int besideLeft = box.right() + margin;
    if (roomBeneath && (inCorner || right - besideLeft < 12 * pxPerMm)) {
        const int top = std::max(box.bottom() + margin / 2, std::min(box.bottom() + margin, cell.bottom() - boxHeight));
        return {{box.left(), top}, cell.right() - margin - box.left()};
    }
    const int top =
        std::max(cell.top() + margin / 2, std::min(box.center().y() - boxHeight / 2, cell.bottom() - boxHeight));
    return {{besideLeft, top}, std::max(margin, right - besideLeft)};
}

} // namespace

Proposal Scan(const QImage& picture, double pxPerMm, double boxHeightMm, const TextReader::Control& control)
{
    auto report = [&](int percent) {
        if (control.progress)
            control.progress(percent);
    };
    report(0);
    const PageImage page(picture, pxPerMm);
    report(10);
    TextReader::Control reading = control;
    reading.progress = [&](int percent) { report(10 + percent * 85 / 100); };
    const QList<QList<Glyph>> words = Words(TextReader::ReadLines(page.text(), page.dpi(), reading), page);

    QList<Label> labels;
    QList<QRect> wordBoxes;
    for (const QList<Glyph>& word : words) {
        QRect box;
        for (const Glyph& glyph : word)
            box |= glyph.box;
        wordBoxes << box;
        for (const Hit& hit : FieldLabels::Read(word))
            labels.append({hit, page.cellAt(hit.box.center())});
    }
    const Split split = FindSplit(labels, qRound(2 * page.pxPerMm()));
    for (Label& label : labels)
        label.part = PartOf(label, split);
    const int boxHeight = qRound(boxHeightMm * page.pxPerMm());
    // "寄方 ____": a part's own word is its name label where the part has no other and
    // the word has room for a name beside or under it.
    for (Label& label : labels)
        if (label.hit.nameCapable && label.hit.role == Role::None &&
            Place(label, wordBoxes, page.pxPerMm(), boxHeight).width >= 15 * page.pxPerMm() &&
            std::none_of(labels.begin(), labels.end(),
                         [&](const Label& other) { return other.part == label.part && other.hit.role == Role::Name; }))
            label.hit.role = Role::Name;

    Proposal proposal;
    for (const PrintItem& item : PrintItems()) {
        if (item.fullAddress)
            continue;
        const Label* best = nullptr;
        for (const Label& label : labels)
            if (FieldLabels::ItemCode(label.part, label.hit.role) == item.code &&
                (!best || std::make_tuple(!label.hit.exact, label.hit.box.top(), label.hit.box.left()) <
                              std::make_tuple(!best->hit.exact, best->hit.box.top(), best->hit.box.left())))
                best = &label;
        if (!best) {
            proposal.missing << item.code;
            continue;
        }
        const Placement place = Place(*best, wordBoxes, page.pxPerMm(), boxHeight);
        const QPoint topLeft = page.toPicture().map(place.topLeft);
        const int width =
            qRound(QLineF(topLeft, page.toPicture().map(place.topLeft + QPoint(place.width, 0))).length());
        proposal.found.append({item.code, topLeft, width});
    }
    report(100);
    return proposal;
}

} // namespace FormScan
