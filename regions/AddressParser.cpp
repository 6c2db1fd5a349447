#include "AddressParser.h"

#include "Regions.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

using Regions::Level;

enum class Tag { None, Name, Phone, AreaCode, Address, Dept, Postcode };

struct Label {
    const char* text;
    Tag tag;
    bool bare; // also taken without a colon at the start of a part ("收件人张三")
};

const Label Labels[] = {
    {"收件人姓名", Tag::Name, true},
    {"收货人姓名", Tag::Name, true},
    {"寄件人姓名", Tag::Name, true},
    {"电话/手机", Tag::Phone, true},
    {"手机/电话", Tag::Phone, true},
    {"收件人", Tag::Name, true},
    {"收货人", Tag::Name, true},
    {"寄件人", Tag::Name, true},
    {"发件人", Tag::Name, true},
    {"联系人", Tag::Name, true},
    {"联系电话", Tag::Phone, true},
    {"电话号码", Tag::Phone, true},
    {"手机号码", Tag::Phone, true},
    {"联系方式", Tag::Phone, true},
    {"收货地址", Tag::Address, true},
    {"收件地址", Tag::Address, true},
    {"寄件地址", Tag::Address, true},
    {"详细地址", Tag::Address, true},
    {"所在地区", Tag::Address, true},
    {"公司名称", Tag::Dept, false},
    {"单位名称", Tag::Dept, false},
    {"工作单位", Tag::Dept, false},
    {"邮政编码", Tag::Postcode, true},
    {"手机号", Tag::Phone, true},
    {"姓名", Tag::Name, true},
    {"名字", Tag::Name, false},
    {"电话", Tag::Phone, true},
    {"手机", Tag::Phone, true},
    {"固话", Tag::Phone, false},
    {"座机", Tag::Phone, false},
    {"地址", Tag::Address, true},
    {"地区", Tag::Address, false},
    {"公司", Tag::Dept, false},
    {"单位", Tag::Dept, false},
    {"邮编", Tag::Postcode, true},
    {"区号", Tag::AreaCode, true},
    // English labels count only with a colon or in brackets: the words also occur in addresses.
    {"name", Tag::Name, false},
    {"recipient", Tag::Name, false},
    {"receiver", Tag::Name, false},
    {"consignee", Tag::Name, false},
    {"contact", Tag::Name, false},
    {"tel", Tag::Phone, false},
    {"phone", Tag::Phone, false},
    {"mobile", Tag::Phone, false},
    {"mob", Tag::Phone, false},
    {"cell", Tag::Phone, false},
    {"area code", Tag::AreaCode, false},
    {"address", Tag::Address, false},
    {"addr", Tag::Address, false},
    {"add", Tag::Address, false},
    {"company", Tag::Dept, false},
    {"zip code", Tag::Postcode, false},
    {"zip", Tag::Postcode, false},
    {"postcode", Tag::Postcode, false},
    {"postal code", Tag::Postcode, false},
};

// What comes with an address in a chat: greetings, thanks, requests and their particles
// ("亲，", "麻烦尽快发货，谢谢！"). A part of nothing else is dropped; a run of them glued onto
// the end of a part goes when it begins with a word no address or name ends in, and one glued
// onto the start when it is made of whole words (a lone particle could begin a place: 哈尔滨).
const QString ChatWords = QStringLiteral(
    "您好|你好|在吗|在不在|老板|掌柜|客服|亲爱的|亲亲|亲|谢谢|多谢|谢啦|谢了|感谢|辛苦了|辛苦|麻烦了|麻烦|拜托|劳驾|请|"
    "帮我|帮忙|帮|尽快|尽早|早点|快点|赶紧|马上|今天|明天|发货|发出|寄出|寄到|发到|发给|寄给|快递|发|寄|急件|加急|着急|"
    "很急|急|一下|下|哈哈|哈|呀|啊|哦|噢|嗯|呢|吧|啦|了|的|哟|呗|吗|好的|好|收|哦哦|嘛");
const QString ChatEnds =
    QStringLiteral("谢谢|多谢|谢啦|谢了|感谢|辛苦|麻烦|拜托|劳驾|尽快|尽早|赶紧|发货|急件|加急|着急|很急|急");
const QString ChatStarts =
    QStringLiteral("您好|你好|在吗|在不在|亲爱的|亲亲|麻烦|拜托|劳驾|帮我|帮忙|请|寄到|发到|寄给|发给");

// The most common surnames: a short part of Han characters that begins with one reads as a name.
const QString Surnames = QStringLiteral(
    "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程苏魏吕丁任沈姚卢姜崔"
    "钟谭陆汪范金石廖贾夏韦付方白邹孟熊秦邱江尹薛闫段雷侯龙史陶黎贺顾毛郝龚邵万钱严覃武戴莫孔向汤常温康施文牛樊葛"
    "邢安齐易乔伍庞颜倪庄聂章鲁岳翟殷詹申欧耿关兰焦俞左柳甘祝包宁尚符舒阮柯纪梅童凌毕单季裴霍涂成苗谷盛曲翁冉骆"
    "蓝路游辛靳管柴蒙鲍华喻祁蒲房滕屈饶解牟艾尤阳时穆农司卓古吉缪简车项连芦麦褚娄窦戚岑景党宫费卜冷晏席卫米柏宗"
    "瞿桂全佟应臧闵苟邬边卞姬师和仇栾隋商刁沙荣巫寇桑郎甄丛仲虞敖巩明佘池查麻苑迟邝");
const QStringList CompoundSurnames = {
    QStringLiteral("欧阳"), QStringLiteral("司马"), QStringLiteral("上官"), QStringLiteral("诸葛"),
    QStringLiteral("东方"), QStringLiteral("皇甫"), QStringLiteral("尉迟"), QStringLiteral("公孙"),
    QStringLiteral("慕容"), QStringLiteral("令狐"), QStringLiteral("夏侯"), QStringLiteral("司徒"),
    QStringLiteral("长孙"), QStringLiteral("宇文"), QStringLiteral("轩辕"), QStringLiteral("端木"),
};

// Words that make a part an address wherever they stand in it.
const QStringList AddressWords = {
    QStringLiteral("大厦"),   QStringLiteral("小区"), QStringLiteral("花园"), QStringLiteral("公寓"),
    QStringLiteral("广场"),   QStringLiteral("中心"), QStringLiteral("大道"), QStringLiteral("大街"),
    QStringLiteral("胡同"),   QStringLiteral("单元"), QStringLiteral("号楼"), QStringLiteral("新村"),
    QStringLiteral("社区"),   QStringLiteral("园区"), QStringLiteral("街道"), QStringLiteral("大楼"),
    QStringLiteral("写字楼"), QStringLiteral("宿舍"), QStringLiteral("工业"), QStringLiteral("科技园"),
    QStringLiteral("市场"),   QStringLiteral("学校"), QStringLiteral("大学"), QStringLiteral("医院"),
};
// Characters that end a street, a building or a village.
const QString AddressEnds = QStringLiteral("路街道巷弄号楼栋幢室层村镇乡园苑院里座组区县市城厦场寓户");

bool isHan(QChar c) { return c.script() == QChar::Script_Han; }

bool hasDigit(const QString& text)
{
    for (QChar c : text)
        if (c.isDigit())
            return true;
    return false;
}

bool hasAddressWord(const QString& part)
{
    for (const QString& word : AddressWords)
        if (part.contains(word))
            return true;
    return false;
}

// "苏大强收" is 苏大强, who receives the parcel; 先生, 女士 and 小姐 stay, as the parcel is
// addressed to "王先生".
QString withoutReceive(const QString& name)
{
    return name.size() > 1 && name.back() == QChar(u'收') ? name.chopped(1) : name;
}

// Two to four Han characters beginning with a surname, or a surname (or a full name) and
// 先生, 女士 or 小姐; with 收 or without.
bool isNameLike(const QString& part)
{
    static const QRegularExpression polite(QStringLiteral("(?:先生|女士|小姐)$"));
    QString core = withoutReceive(part);
    const bool honorific = polite.match(core).hasMatch();
    if (honorific)
        core.chop(2);
    if (core.size() < (honorific ? 1 : 2) || core.size() > 4)
        return false;
    for (QChar c : core)
        if (!isHan(c))
            return false;
    if (hasAddressWord(core))
        return false;
    for (const QString& compound : CompoundSurnames)
        if (core.startsWith(compound))
            return true;
    return Surnames.contains(core[0]);
}

bool isStreetLike(const QString& part)
{
    return hasDigit(part) || AddressEnds.contains(part.back()) || hasAddressWord(part);
}

// Full-width forms as their ASCII twins, every kind of space as one space, dashes as '-'.
QString normalised(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E)
            out += QChar(char16_t(u - 0xFEE0));
        else if (u == 0x3000 || u == 0x00A0 || u == '\t')
            out += QLatin1Char(' ');
        else if (u == '\r')
            out += QLatin1Char('\n');
        else if ((u >= 0x2010 && u <= 0x2015) || u == 0x2212)
            out += QLatin1Char('-');
        else if (u == 0x200B || u == 0xFEFF)
            continue;
        else if (u == 0x3010 || u == 0x3016) // 【 〖
            out += QLatin1Char('[');
        else if (u == 0x3011 || u == 0x3017)
            out += QLatin1Char(']');
        else if (u == 0x301C) // 〜
            out += QLatin1Char('~');
        else
            out += c;
    }
    return out;
}

QString digitsOf(const QString& text)
{
    QString digits;
    for (QChar c : text)
        if (c.isDigit())
            digits += c;
    return digits;
}

// The text with every match of `pattern` replaced by a line break, each match handed to `take`
// first; one pass, as a paste may hold thousands of numbers.
template <class Take> QString takeAll(const QString& text, const QRegularExpression& pattern, Take take)
{
    QString rest;
    qsizetype from = 0;
    for (auto it = pattern.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        take(match);
        rest += QStringView(text).mid(from, match.capturedStart() - from);
        rest += QLatin1Char('\n');
        from = match.capturedEnd();
    }
    rest += QStringView(text).mid(from);
    return rest;
}

// Takes the mobiles and then the landlines out of the text, leaving a line break in their place.
// A landline's area code goes to its own box and the rest to the phone, so the two print once.
void takePhones(QString& text, ParsedAddress& out)
{
    // A "+86" or a bracketed area code starts a number even right after other digits:
    // "A座1203(0571)88886666".
    static const QRegularExpression mobile(
        QStringLiteral("(?:\\+86[ -]?|(?<![0-9])(?:86[ -]?)?)(1[3-9][0-9][ -]?[0-9]{4}[ -]?[0-9]{4})(?![0-9])"));
    static const QString area = QStringLiteral("0(?:1[0-9]|2[0-9]|[3-9][0-9]{2})"); // 010, 021, 0571
    static const QRegularExpression landline(
        QStringLiteral("(?:\\((%1)\\)|(?<![0-9])(%1))[ -]?([2-9][0-9]{6,7})(?:(?:-|转|分机)([0-9]{1,6}))?(?![0-9])")
            .arg(area));
    text = takeAll(text, mobile, [&](const QRegularExpressionMatch& match) {
        const QString number = digitsOf(match.captured(1));
        if (out.mobile.isEmpty())
            out.mobile = number;
        else if (out.phone.isEmpty() && number != out.mobile)
            out.phone = number;
    });
    text = takeAll(text, landline, [&](const QRegularExpressionMatch& match) {
        if (out.areaCode.isEmpty() || out.phone.isEmpty()) {
            out.areaCode = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
            out.phone = match.captured(3);
            if (!match.captured(4).isEmpty())
                out.phone += QLatin1Char('-') + match.captured(4);
        }
    });
}

const QRegularExpression& labelPattern()
{
    static const QRegularExpression pattern = [] {
        // Longer labels first, so that "收件人姓名" wins over "收件人" and "详细地址" over "地址".
        QList<Label> labels(std::begin(Labels), std::end(Labels));
        std::stable_sort(labels.begin(), labels.end(), [](const Label& a, const Label& b) {
            return QString::fromUtf8(a.text).size() > QString::fromUtf8(b.text).size();
        });
        QStringList any, bare;
        for (const Label& label : labels) {
            any << QRegularExpression::escape(QString::fromUtf8(label.text));
            if (label.bare)
                bare << QRegularExpression::escape(QString::fromUtf8(label.text));
        }
        // In brackets ("【电话】"), before a colon, or bare at the start of a part.
        return QRegularExpression(
            QStringLiteral("\\[ *(%1) *\\] *:?|(?<![a-z])(%1) *:|(?:^|(?<=[\\s,;|。!?~\\]]))(%2) *:?")
                .arg(any.join(QLatin1Char('|')), bare.join(QLatin1Char('|'))),
            QRegularExpression::CaseInsensitiveOption);
    }();
    return pattern;
}

Tag tagOf(const QString& label)
{
    for (const Label& l : Labels)
        if (label.compare(QString::fromUtf8(l.text), Qt::CaseInsensitive) == 0)
            return l.tag;
    return Tag::None;
}

// The part without the chat around it; empty when it is nothing but chat. The repeats are
// possessive: a part of many particles must not send the match into endless retries.
QString withoutChat(const QString& part)
{
    static const QRegularExpression whole(QStringLiteral("^(?:%1|[-:.~'\"])++$").arg(ChatWords));
    static const QRegularExpression end(QStringLiteral("(?:%1)(?:%2|[-:.~'\"])*+$").arg(ChatEnds, ChatWords));
    static const QRegularExpression start(QStringLiteral("^(?:%1)++:?").arg(ChatStarts));
    if (whole.match(part).hasMatch())
        return {};
    QString rest = part;
    if (const auto match = end.match(rest); match.hasMatch() && match.capturedStart() > 0)
        rest.truncate(match.capturedStart());
    if (const auto match = start.match(rest); match.hasMatch() && match.capturedEnd() < rest.size())
        rest.remove(0, match.capturedEnd());
    return rest;
}

struct Chunk {
    Tag tag;
    QStringList parts;
};

QList<Chunk> chunksOf(const QString& text)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,;|。、!?~\\[\\]]+"));
    QList<Chunk> chunks;
    Tag tag = Tag::None;
    qsizetype from = 0;
    const auto add = [&](qsizetype to) {
        QStringList parts;
        for (QString part : text.mid(from, to - from).split(separators, Qt::SkipEmptyParts)) {
            while (!part.isEmpty() && (part.front() == QLatin1Char(':') || part.front() == QLatin1Char('-')))
                part.remove(0, 1);
            part = withoutChat(part);
            if (std::any_of(part.begin(), part.end(), [](QChar c) { return c.isLetterOrNumber(); }))
                parts << part;
        }
        chunks.append({tag, parts});
    };
    for (auto it = labelPattern().globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        add(match.capturedStart());
        tag = tagOf(match.captured(1) + match.captured(2) + match.captured(3)); // only one is set
        from = match.capturedEnd();
    }
    add(text.size());
    return chunks;
}

// A province's or city's short form followed by these is a street named after it: 中山路, 江西南路.
bool streetNamedAfter(const QString& text, qsizetype at)
{
    static const QRegularExpression street(QStringLiteral("^(?:[东西南北中]?[路街道巷弄桥]|大道|大街)"));
    return street.match(QStringView(text).mid(at)).hasMatch();
}

qsizetype longestName()
{
    static const qsizetype longest = [] {
        qsizetype n = 0;
        for (int row = 0; row < Regions::Count(); ++row)
            n = std::max(n, Regions::NameOf(row).size());
        return n;
    }();
    return longest;
}

// The rows at `level` under `within` whose written form the text holds at `at`, longest form
// first; `length` gets the form's length.
QList<int> regionAt(const QString& text, qsizetype at, Level level, int within, qsizetype* length)
{
    for (qsizetype n = std::min(longestName(), text.size() - at); n >= 2; --n) {
        const QString form = text.mid(at, n);
        QList<int> rows = Regions::Named(form, level, within);
        if (rows.isEmpty())
            continue;
        if (level != Level::District && form != Regions::NameOf(rows.first()) && streetNamedAfter(text, at + n))
            continue;
        *length = n;
        return rows;
    }
    *length = 0;
    return {};
}

// The places a text begins with, each level read at most once.
struct RegionPrefix {
    int province = -1, city = -1, district = -1;
    QString sharedDistrict; // a district name several cities have, the text naming none of them
    qsizetype length = 0;
    bool fullName = false; // the first place is written with its full name
};

RegionPrefix regionPrefix(const QString& text)
{
    RegionPrefix r;
    for (;;) {
        // At each step the longest place that may come next wins (吉林市 over 吉林, 和田县 over
        // 和田), the higher level on a tie (北京市 the municipality over 北京市 its city).
        struct Candidate {
            Level level;
            int within;
        };
        QList<Candidate> next;
        const bool open = r.district < 0 && r.sharedDistrict.isEmpty();
        if (r.province < 0 && r.city < 0 && open)
            next.append({Level::Province, -1});
        if (r.city < 0 && open)
            next.append({Level::City, r.province});
        if (open)
            next.append({Level::District, r.city >= 0 ? r.city : r.province});
        QList<int> best;
        Level level = Level::Province;
        qsizetype bestLength = 0;
        for (const Candidate& c : next) {
            qsizetype n = 0;
            const QList<int> rows = regionAt(text, r.length, c.level, c.within, &n);
            if (n > bestLength) {
                best = rows;
                level = c.level;
                bestLength = n;
            }
        }
        if (best.isEmpty())
            break;
        if (r.length == 0)
            r.fullName = text.mid(0, bestLength) == Regions::NameOf(best.first());
        if (best.size() > 1) {
            if (level == Level::District) {
                r.sharedDistrict = Regions::NameOf(best.first());
                r.length += bestLength;
            }
            break;
        }
        r.length += bestLength;
        for (int row = best.first(); row >= 0; row = Regions::ParentOf(row)) {
            int& slot = Regions::LevelOf(row) == Level::Province ? r.province
                        : Regions::LevelOf(row) == Level::City   ? r.city
                                                                 : r.district;
            slot = row;
        }
        if (level == Level::Province) {
            // A municipality is its own only city; some write it twice, or its "市辖区".
            const QList<int> own = Regions::Named(Regions::NameOf(r.province), Level::City, r.province);
            if (own.size() == 1) {
                r.city = own.first();
                const QStringList forms = Regions::WrittenForms(r.city) << QStringLiteral("市辖区");
                for (const QString& form : forms)
                    if (QStringView(text).mid(r.length).startsWith(form) &&
                        !streetNamedAfter(text, r.length + form.size())) {
                        r.length += form.size();
                        break;
                    }
            }
        }
    }
    return r;
}

bool startsWithRegion(const QString& part) { return regionPrefix(part).length > 0; }

// Where a place begins after a name or an organisation written straight before it ("张三浙江省…",
// "…有限公司广东省…"), or 0. A name is two to four Han characters that begin with a surname,
// or any two to four before a place written in full.
qsizetype placeAfter(const QString& part, Tag tag)
{
    static const QRegularExpression company(QStringLiteral("(?:公司|厂|店|集团|中心|工作室|商行)$"));
    if (tag != Tag::Dept && startsWithRegion(part))
        return 0;
    const qsizetype last = tag == Tag::Dept ? part.size() - 2 : std::min<qsizetype>(7, part.size() - 2);
    qsizetype first = 0, firstEnd = 0; // the first place found, even after no name
    for (qsizetype at = 2; at <= last; ++at) {
        const QString before = part.left(at);
        if (tag == Tag::Dept ? !company.match(before).hasMatch() : !isHan(before.back()))
            continue;
        const RegionPrefix r = regionPrefix(part.mid(at));
        if (r.length > 0 && first == 0)
            first = at, firstEnd = at + r.length;
        // "薄涛安徽合肥市…": 合肥市 is written in full, but the place began at 安徽.
        if (r.length > 0 && (tag == Tag::Dept || isNameLike(before) || r.fullName))
            return firstEnd >= at + r.length ? first : at;
    }
    return 0;
}

// Joins the parts of an address; a space stays only between two Latin letters or digits.
QString joined(const QStringList& parts)
{
    QString text;
    for (const QString& part : parts) {
        const auto isAlnum = [](QChar c) { return c.unicode() < 0x80 && c.isLetterOrNumber(); };
        if (!text.isEmpty() && isAlnum(text.back()) && isAlnum(part.front()))
            text += QLatin1Char(' ');
        text += part;
    }
    return text;
}

// The province, city and district at the start of the address, the rest as the street.
void resolveRegions(const QString& address, ParsedAddress& out)
{
    const RegionPrefix r = regionPrefix(address);
    const int row = r.district >= 0 ? r.district : r.city >= 0 ? r.city : r.province;
    if (row >= 0) {
        const Regions::Place place = Regions::PlaceOf(row);
        out.province = place.province;
        out.city = place.city;
        out.district = place.district;
    }
    if (!r.sharedDistrict.isEmpty())
        out.district = r.sharedDistrict;
    qsizetype at = r.length;
    while (at < address.size() && (address[at] == QLatin1Char(':') || address[at] == QLatin1Char('-')))
        ++at;
    out.street = address.mid(at);
}

// The address's parts from `start` on, while the parts read as one; taken out of `loose`.
QStringList takeAddressFrom(QStringList& loose, qsizetype start)
{
    QStringList address;
    bool street = false; // the address has gone past its places
    const auto take = [&] {
        const QString part = loose.takeAt(start);
        street = street || regionPrefix(part).length < part.size();
        address << part;
    };
    take();
    qsizetype names = std::count_if(loose.begin(), loose.end(), isNameLike);
    while (start < loose.size()) {
        const QString& part = loose[start];
        // A part that reads as a name joins only when another part can be the name.
        const bool nameLike = isNameLike(part);
        const bool joins = startsWithRegion(part) || hasDigit(part) || hasAddressWord(part) ||
                           ((!nameLike || names > 1) && (!street || isStreetLike(part)));
        if (!joins)
            break;
        names -= nameLike;
        take();
    }
    return address;
}

// The address among the parts no label claimed: from the first that begins with a place (or
// else the first that reads as a street and not as a name) on.
QStringList takeAddress(QStringList& loose)
{
    qsizetype start = -1;
    for (qsizetype i = 0; i < loose.size() && start < 0; ++i)
        if (startsWithRegion(loose[i]))
            start = i;
    for (qsizetype i = 0; i < loose.size() && start < 0; ++i)
        if (isStreetLike(loose[i]) && !isNameLike(loose[i]))
            start = i;
    return start < 0 ? QStringList() : takeAddressFrom(loose, start);
}

// Runs of six to eight digits that stand alone, or between Han characters ("…100号310000",
// "张三87654321浙江省…"): no house or room number is that long. Six digits are a postcode;
// "000000" fills a form's box where there is none, so it goes. Seven or eight (with an extension
// or without) are a landline without its area code. After an area-code label, the code.
void takeNumbers(QStringList& parts, Tag tag, ParsedAddress& out)
{
    static const QRegularExpression number(QStringLiteral(
        "(?:^|(?<=\\p{Han}))(?:([0-9]{6})|([2-9][0-9]{6,7})(?:(?:-|转|分机)([0-9]{1,6}))?)(?=\\p{Han}|$)"));
    static const QRegularExpression area(QStringLiteral("^0[1-9][0-9]{1,2}(?![0-9])"));
    for (qsizetype i = 0; i < parts.size();) {
        QString& part = parts[i];
        if (const auto match = number.match(part); match.hasMatch()) {
            if (!match.captured(1).isEmpty() && out.postcode.isEmpty() && match.captured(1) != QLatin1String("000000"))
                out.postcode = match.captured(1);
            if (!match.captured(2).isEmpty() && out.phone.isEmpty())
                out.phone = match.captured(3).isEmpty() ? match.captured(2)
                                                        : match.captured(2) + QLatin1Char('-') + match.captured(3);
            const QString after = part.mid(match.capturedEnd());
            part.truncate(match.capturedStart());
            if (!after.isEmpty())
                parts.insert(i + 1, after);
        } else if (const auto code = area.match(part);
                   tag == Tag::AreaCode && out.areaCode.isEmpty() && code.hasMatch()) {
            out.areaCode = code.captured();
            part.remove(0, code.capturedLength());
        }
        if (parts[i].isEmpty())
            parts.removeAt(i);
        else
            ++i;
    }
}

} // namespace

bool ParsedAddress::isEmpty() const
{
    return name.isEmpty() && mobile.isEmpty() && phone.isEmpty() && dept.isEmpty() && province.isEmpty() &&
           city.isEmpty() && district.isEmpty() && street.isEmpty() && postcode.isEmpty();
}

ParsedAddress ParseAddress(const QString& text)
{
    // Nothing longer is an address, and the parse must stay quick whatever lands on the clipboard.
    constexpr qsizetype Longest = 2000;
    ParsedAddress out;
    QString rest = normalised(text.left(Longest));
    takePhones(rest, out);

    QStringList address, loose;
    for (Chunk& chunk : chunksOf(rest)) {
        takeNumbers(chunk.parts, chunk.tag, out);
        // A name or an organisation glued to the place that follows it comes apart first.
        for (qsizetype i = 0; i < chunk.parts.size(); ++i)
            if (const qsizetype at = placeAfter(chunk.parts[i], i == 0 ? chunk.tag : Tag::None))
                chunk.parts.insert(i + 1, chunk.parts[i].mid(at)), chunk.parts[i].truncate(at);
        QStringList& parts = chunk.parts;
        const auto takeFirst = [&](QString& field) {
            if (field.isEmpty() && !parts.isEmpty())
                field = parts.takeFirst();
        };
        switch (chunk.tag) {
        case Tag::Name:
            takeFirst(out.name);
            break;
        case Tag::Dept:
            takeFirst(out.dept);
            break;
        case Tag::Address:
            // Past the street, a part joins only as it reads as address: a name after it does not.
            if (!parts.isEmpty())
                address += takeAddressFrom(parts, 0);
            break;
        default:
            break;
        }
        loose += parts;
    }
    if (address.isEmpty())
        address = takeAddress(loose);

    if (out.name.isEmpty()) {
        for (const QString& part : loose)
            if (isNameLike(part)) {
                out.name = part;
                break;
            }
    }
    if (out.name.isEmpty()) {
        for (const QString& part : loose)
            if (!hasDigit(part) && part.size() <= 10 && !isStreetLike(part)) {
                out.name = part;
                break;
            }
    }

    if (!address.isEmpty())
        resolveRegions(joined(address), out);
    // Last, a name written straight after the house number ("…100号张三") or the organisation
    // ("…有限公司张三").
    static const QRegularExpression afterDept(QStringLiteral("(?:公司|厂|店|集团|中心|工作室|商行)$"));
    for (QString* field : {&out.street, &out.dept}) {
        for (qsizetype n = 7; n >= 2 && out.name.isEmpty(); --n) {
            const qsizetype at = field->size() - n;
            if (at < 1 || !isNameLike(field->mid(at)))
                continue;
            const bool boundary = field == &out.dept
                                      ? afterDept.match(field->left(at)).hasMatch()
                                      : field->at(at - 1).isDigit() || AddressEnds.contains(field->at(at - 1));
            if (boundary) {
                out.name = field->mid(at);
                field->truncate(at);
            }
        }
    }
    out.name = withoutReceive(out.name);
    return out;
}
