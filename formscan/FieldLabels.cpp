#include "FieldLabels.h"

#include <QVector>
#include <array>

namespace FieldLabels {
namespace {

struct Word {
    QString text;
    Part part;
    Role role;
    bool nameCapable = false;
};

const QList<Word>& Words()
{
    using P = Part;
    using R = Role;
    static const QList<Word> words = {
        {"寄件人", P::Sender, R::None, true},
        {"寄方", P::Sender, R::None, true},
        {"寄件方", P::Sender, R::None, true},
        {"发件人", P::Sender, R::None, true},
        {"发货人", P::Sender, R::None, true},
        {"寄件", P::Sender, R::None},
        {"寄件人信息", P::Sender, R::None},
        {"寄件信息", P::Sender, R::None},
        {"FROM", P::Sender, R::None},
        {"收件人", P::Recipient, R::None, true},
        {"收方", P::Recipient, R::None, true},
        {"收件方", P::Recipient, R::None, true},
        {"收货人", P::Recipient, R::None, true},
        {"收件", P::Recipient, R::None},
        {"收件人信息", P::Recipient, R::None},
        {"收件信息", P::Recipient, R::None},
        {"TO", P::Recipient, R::None},
        {"姓名", P::None, R::Name},
        {"名字", P::None, R::Name},
        {"联系人", P::None, R::Name},
        {"电话", P::None, R::Phone},
        {"联系电话", P::None, R::Phone},
        {"电话号码", P::None, R::Phone},
        {"固定电话", P::None, R::Phone},
        {"固话", P::None, R::Phone},
        {"座机", P::None, R::Phone},
        {"手机", P::None, R::Mobile},
        {"手机号", P::None, R::Mobile},
        {"手机号码", P::None, R::Mobile},
        {"移动电话", P::None, R::Mobile},
        {"单位名称", P::None, R::Company},
        {"单位", P::None, R::Company},
        {"公司名称", P::None, R::Company},
        {"公司", P::None, R::Company},
        {"区号", P::None, R::AreaCode},
        {"省市区", P::None, R::Province},
        {"省份", P::None, R::Province},
        {"地州市", P::None, R::City},
        {"城市", P::None, R::City},
        {"区县", P::None, R::District},
        {"地址", P::None, R::Address},
        {"详细地址", P::None, R::Address},
        {"联系地址", P::None, R::Address},
        {"邮编", P::None, R::Postcode},
        {"邮政编码", P::None, R::Postcode},
        {"托寄物内容", P::None, R::Goods},
        {"托寄物", P::None, R::Goods},
        {"内件品名", P::None, R::Goods},
        {"内容品名", P::None, R::Goods},
        {"物品名称", P::None, R::Goods},
        {"货物名称", P::None, R::Goods},
        {"物品", P::None, R::Goods},
        {"品名", P::None, R::Goods},
        {"备注", P::None, R::Custom},
        {"寄件日期", P::None, R::Date},
        {"收寄日期", P::None, R::Date},
        {"寄件时间", P::None, R::Date},
        {"日期", P::None, R::Date},
    };
    return words;
}

// Marks that stand around labels ("姓名：", "*电话", "区/县") and are no part of them.
bool IsMark(QChar c)
{
    static const QString marks = QStringLiteral(":：;；*＊()（）[]【】_-—/|\\.·,，、'\"“”");
    return c.isSpace() || marks.contains(c);
}

int Distance(const QString& a, const QString& b)
{
    QVector<int> row(b.size() + 1);
    for (int j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (int i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = i;
        for (int j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// One word of the vocabulary over the characters [from, to) of the run.
struct Piece {
    int word;
    int from;
    int to;
    bool exact;
};

// The fewest vocabulary words that spell the whole run, a misread character allowed in
// words of three characters or more; empty when none do.
QList<Piece> Spell(const QString& text)
{
    const int n = int(text.size());
    constexpr int Unreached = 1 << 20;
    // cost[i]: the best spelling of the first i characters; a misread costs more than a word.
    QVector<int> cost(n + 1, Unreached);
    QVector<Piece> last(n + 1);
    cost[0] = 0;
    const QList<Word>& words = Words();
    for (int from = 0; from < n; ++from) {
        if (cost[from] == Unreached)
            continue;
        for (int w = 0; w < words.size(); ++w) {
            const QString& word = words[w].text;
            const int length = int(word.size());
            for (int to = from + std::max(1, length - 1); to <= std::min(n, from + length + 1); ++to) {
                const QString piece = text.mid(from, to - from);
                const bool exact = piece == word;
                if (!exact && (length < 3 || Distance(piece, word) > 1))
                    continue;
                const int total = cost[from] + 1 + (exact ? 0 : 10);
                if (total < cost[to]) {
                    cost[to] = total;
                    last[to] = {w, from, to, exact};
                }
            }
        }
    }
    QList<Piece> pieces;
    if (cost[n] == Unreached)
        return pieces;
    for (int at = n; at > 0; at = last[at].from)
        pieces.prepend(last[at]);
    return pieces;
}

} // namespace

QList<Hit> Read(const QList<Glyph>& word)
{
    QString text;
    QList<QRect> boxes; // per character of `text`
    for (const Glyph& glyph : word)
        for (QChar c : glyph.text)
            if (!IsMark(c)) {
                text += c.toUpper();
                boxes << glyph.box;
            }
    QList<Hit> hits;
    for (const Piece& piece : Spell(text)) {
        const Word& w = Words()[piece.word];
        QRect box;
        for (int i = piece.from; i < piece.to; ++i)
            box |= boxes[i];
        Hit* previous = hits.isEmpty() ? nullptr : &hits.last();
        // A part's word before a label makes the label the part's ("寄件人" "电话"), and
        // two words of the same part make one heading ("FROM" "寄件人").
        const bool joins = previous && previous->role == Role::None &&
                           (w.part == Part::None || (w.part == previous->part && w.role == Role::None));
        if (joins) {
            previous->role = w.role;
            previous->box |= box;
            previous->exact = previous->exact && piece.exact;
            previous->nameCapable = false;
        } else {
            hits.append({w.part, w.role, box, piece.exact, w.nameCapable});
        }
    }
    return hits;
}

QString ItemCode(Part part, Role role)
{
    struct Codes {
        Role role;
        const char* sender;
        const char* recipient;
    };
    static const std::array<Codes, 13> codes = {{
        {Role::Name, "JP01", "SP01"},
        {Role::Phone, "JP02", "SP02"},
        {Role::Mobile, "JP03", "SP03"},
        {Role::Company, "JP04", "SP04"},
        {Role::AreaCode, "JP05", "SP05"},
        {Role::Province, "JP06", "SP06"},
        {Role::City, "JP07", "SP07"},
        {Role::District, "JP08", "SP08"},
        {Role::Address, "JP09", "SP09"},
        {Role::Postcode, "JP10", "SP10"},
        {Role::Goods, "KP01", "KP01"},
        {Role::Custom, "KP02", "KP02"},
        {Role::Date, "KP05", "KP05"},
    }};
    for (const Codes& c : codes)
        if (c.role == role) {
            if (Shared(role))
                return c.sender;
            if (part == Part::None)
                return {};
            return part == Part::Sender ? c.sender : c.recipient;
        }
    return {};
}

bool Shared(Role role) { return role == Role::Goods || role == Role::Custom || role == Role::Date; }

} // namespace FieldLabels
