#include "IMCode.h"
#include "PinyinTables.h"

#include <QtTest>

#include <iconv.h>

#include <climits>
#include <cstring>
#include <random>
#include <string>

namespace {

// Test sources are written in UTF-8 and converted, so that each case reads as the text a user typed.
std::string gbk(const char* utf8)
{
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        qFatal("iconv cannot convert to GBK");
    std::string out(std::strlen(utf8) * 2, '\0');
    char* in = const_cast<char*>(utf8);
    std::size_t inLeft = std::strlen(utf8);
    char* o = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1))
        qFatal("test text is not GBK: %s", utf8);
    out.resize(out.size() - outLeft);
    return out;
}

std::string bytes(std::initializer_list<unsigned char> list) { return std::string(list.begin(), list.end()); }

QByteArray qb(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

unsigned indexEntry(unsigned lead, unsigned trail)
{
    return PinyinIndex[(lead - 0x81) * PinyinIndexColumns + (trail - 0x40)];
}

} // namespace

class TestPinyin : public QObject {
    Q_OBJECT

private slots:
    void edgeCases_data();
    void edgeCases();
    void indexEdges_data();
    void indexEdges();
    void malformed_data();
    void malformed();
    void specialRows_data();
    void specialRows();
    void syllables_data();
    void syllables();
    void flagsAndCut();
    void piecesAreIndependent();
    void tableInvariants();
};

void TestPinyin::edgeCases_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<QByteArray>("expected");

    auto row = [](const char* name, const std::string& source, int flags, int maxLength, const char* expected) {
        QTest::newRow(name) << qb(source) << flags << maxLength << QByteArray(expected);
    };
    row("two names", gbk("张三"), 2, 255, "ZS");
    row("three names", gbk("王小明"), 2, 255, "WXM");
    row("ascii and han", gbk("Li 李"), 2, 255, "LIL");
    row("organisation", gbk("中国邮政 EMS"), 2, 255, "ZGYZEMS");
    row("ideographic comma", gbk("张三、李四"), 2, 255, "ZS?LS");
    row("digit", gbk("3号楼"), 2, 255, "3HL");
    row("circled one", gbk("①号"), 2, 255, "1H");
    row("roman twelve", gbk("Ⅻ号"), 2, 255, "12H");
    row("parenthesised ten", gbk("㈩"), 2, 255, "10");
    row("full-width letters", gbk("ＡＢｃ"), 2, 255, "ABc");
    row("full-width bang", gbk("！"), 2, 255, "");
    row("full-width bang kept", gbk("！"), 6, 255, "!");
    row("ascii punctuation", "a-b_c.d", 2, 255, "ABCD");
    row("ascii punctuation kept", "a-b_c.d", 4, 255, "A-B_C.D");
    row("gei marked", gbk("给你"), 2, 255, "?N");
    row("gei unmarked", gbk("给你"), 0, 255, "N");
    row("fo", gbk("佛山市"), 2, 255, "?SS");
    row("ideographic space marked", gbk("\u3000"), 2, 255, "?");
    row("ideographic space unmarked", gbk("\u3000"), 0, 255, "");
    row("greek", gbk("α射线"), 2, 255, "ASX");
    row("full syllables", gbk("张三"), 1, 255, "ZHANGSAN");
    row("polyphonic chang", gbk("长沙"), 1, 255, "ZHANGSHA");
    row("umlaut", gbk("吕女士"), 1, 255, "LVNVSHI");
    row("full and marked", gbk("北京市朝阳区"), 3, 255, "BEIJINGSHICHAOYANGQU");
    row("cut", gbk("中华人民共和国"), 2, 3, "ZHR");
    row("zero length", gbk("张三"), 2, 0, "");
    row("negative flags", gbk("张三"), -1, 255, "");
    row("empty", "", 2, 255, "");
    row("lone lead", bytes({0xB0}), 2, 255, "");
    row("lone lead kept", bytes({0xB0}), 4, 255, "\xB0");
}

void TestPinyin::edgeCases()
{
    QFETCH(QByteArray, source);
    QFETCH(int, flags);
    QFETCH(int, maxLength);
    QFETCH(QByteArray, expected);
    QCOMPARE(qb(PinyinCode(std::string_view(source.constData(), source.size()), flags, maxLength)), expected);
}

void TestPinyin::indexEdges_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("marked");   // flags 2
    QTest::addColumn<QByteArray>("unmarked"); // flags 0

    // Each pair is followed by "A" to show the scan consumed exactly two bytes.
    auto row = [](const char* name, unsigned char lead, unsigned char trail, const char* marked, const char* unmarked) {
        QTest::newRow(name) << qb(bytes({lead, trail, 'a'})) << QByteArray(marked) << QByteArray(unmarked);
    };
    row("first position 8140", 0x81, 0x40, "YA", "YA");
    row("trail 7E", 0x81, 0x7E, "SA", "SA");
    row("trail 7F never coded", 0xB0, 0x7F, "?A", "A");
    row("trail 80", 0x81, 0x80, "YA", "YA");
    row("trail FE", 0xB0, 0xFE, "BA", "BA");
    row("trail FF outside table", 0xB0, 0xFF, "?A", "A");
    row("last of row A0", 0xA0, 0xFE, "BA", "BA");
    row("symbol row A1", 0xA1, 0xA1, "?A", "A");
    row("row AA last coded", 0xAA, 0xA0, "BA", "BA");
    row("row AA past coded", 0xAA, 0xA1, "?A", "A");
    row("row FD last coded", 0xFD, 0x9B, "YA", "YA");
    row("row FD past coded", 0xFD, 0x9C, "?A", "A");
    row("row FE", 0xFE, 0x50, "?A", "A");
    row("lead FF outside table", 0xFF, 0x41, "?A", "A");
    row("lead FF trail FF", 0xFF, 0xFF, "?A", "A");
}

void TestPinyin::indexEdges()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, marked);
    QFETCH(QByteArray, unmarked);
    const std::string_view view(source.constData(), source.size());
    QCOMPARE(qb(PinyinCode(view, MarkNoCode, 255)), marked);
    QCOMPARE(qb(PinyinCode(view, 0, 255)), unmarked);
}

void TestPinyin::malformed_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("dropped"); // flags 2
    QTest::addColumn<QByteArray>("kept");    // flags 6

    auto row = [](const char* name, const std::string& source, const std::string& dropped, const std::string& kept) {
        QTest::newRow(name) << qb(source) << qb(dropped) << qb(kept);
    };
    row("lone lead at end", "x" + bytes({0xB0}), "X", "X" + bytes({0xB0}));
    row("lead before newline", bytes({0xB0, '\n', 'z'}), "Z", bytes({0xB0, '\n', 'Z'}));
    row("lead before digit", bytes({0xD5, '3'}), "3", bytes({0xD5, '3'}));
    row("two leads pair up", bytes({0xD5, 0xD5, 0xC5}), "Z", "Z" + bytes({0xC5}));
    row("0x80 never leads", bytes({0x80, 0xB0, 0xA1}), "A", bytes({0x80, 'A'}));
    row("0x80 before letter", bytes({0x80, 'q'}), "Q", bytes({0x80, 'Q'}));
    row("0xFF alone", bytes({0xFF}), "", bytes({0xFF}));
    row("0xFF before space", bytes({0xFF, ' ', '1'}), "1", bytes({0xFF, ' ', '1'}));
    row("NUL byte", std::string("a\0b", 3), "AB", std::string("A\0B", 3));
}

void TestPinyin::malformed()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, dropped);
    QFETCH(QByteArray, kept);
    const std::string_view view(source.constData(), source.size());
    QCOMPARE(qb(PinyinCode(view, MarkNoCode, 255)), dropped);
    QCOMPARE(qb(PinyinCode(view, MarkNoCode | KeepSymbols, 255)), kept);
}

void TestPinyin::specialRows_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QByteArray>("expected");

    auto row = [](const char* name, const std::string& source, int flags, const std::string& expected) {
        QTest::newRow(name) << qb(source) << flags << qb(expected);
    };
    row("small roman one", bytes({0xA2, 0xA1}), 0, "1");
    row("circled ten", gbk("⑩"), 0, "10");
    row("parenthesised one ideograph", gbk("㈠"), 0, "1");
    row("unassigned A2AB even marked", bytes({0xA2, 0xAB}), 2, "");
    row("unassigned A2FE", bytes({0xA2, 0xFE}), 2, "");
    row("A2 past the table", bytes({0xA2, 0xFF}), 2, "");
    row("A2 below A1 marked", bytes({0xA2, 0xA0}), 2, "?");
    row("full-width digit", gbk("９"), 0, "9");
    row("full-width small z stays small", gbk("ｚ"), 1, "z");
    row("full-width ignores MarkNoCode", bytes({0xA3, 0xA0}), 2, "");
    row("full-width low trail kept", bytes({0xA3, 0x80}), 4, std::string(1, '\0'));
    row("full-width trail FF kept", bytes({0xA3, 0xFF}), 4, "\x7F");
    row("capital alpha", gbk("Α"), 0, "A");
    row("theta", gbk("θ"), 0, "TH");
    row("small omega", gbk("ω"), 0, "O");
    row("eta", gbk("η"), 0, "E");
    row("psi", gbk("ψ"), 1, "PS");
    row("vertical punctuation marked", gbk("︵"), 2, "?");
    row("vertical punctuation unmarked", gbk("︵"), 0, "");
    row("A6 gap between cases", bytes({0xA6, 0xB9}), 2, "?");
    row("A6 past small omega", bytes({0xA6, 0xD9}), 0, "");
    row("kana", gbk("の"), 2, "?");
    row("box drawing", gbk("┃"), 2, "?");
}

void TestPinyin::specialRows()
{
    QFETCH(QByteArray, source);
    QFETCH(int, flags);
    QFETCH(QByteArray, expected);
    QCOMPARE(qb(PinyinCode(std::string_view(source.constData(), source.size()), flags, 255)), expected);
}

void TestPinyin::syllables_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("syllable");

    auto row = [](const char* text, const char* syllable) {
        QTest::newRow(text) << qb(gbk(text)) << QByteArray(syllable);
    };
    // Where the list breaks alphabetical order, the neighbours an off-by-one would hit, the tail of the
    // list, and readings where the sources disagree.
    row("个", "GE");
    row("机", "JI");
    row("根", "GEN");
    row("江", "JIANG");
    row("桥", "QIAO");
    row("教", "JIAO");
    row("虐", "NUE");
    row("要", "YAO");
    row("诺", "NUO");
    row("女", "NV");
    row("吕", "LV");
    row("略", "LUE");
    row("俩", "LIANG");
    row("嗲", "DIA");
    row("岑", "CEN");
    row("耨", "NOU");
    row("诶", "EI");
    row("哟", "YO");
    row("哦", "O");
    row("长", "ZHANG");
    row("行", "HANG");
    row("窗", "CHUANG");
}

void TestPinyin::syllables()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, syllable);
    const std::string_view view(source.constData(), source.size());
    QCOMPARE(qb(PinyinCode(view, FullSyllable, 255)), syllable);
    QCOMPARE(qb(PinyinCode(view, 0, 255)), syllable.left(1));
}

void TestPinyin::flagsAndCut()
{
    const std::string name = gbk("张三, 窗①θ");
    const std::string all = PinyinCode(name, FullSyllable | MarkNoCode | KeepSymbols, 255);
    QCOMPARE(qb(all), QByteArray("ZHANGSAN, CHUANG1TH"));

    // Only the three low bits count; the sign bit wins over them.
    QCOMPARE(PinyinCode(name, 7 | 0x7FFFFFF8, 255), all);
    QCOMPARE(PinyinCode(name, 2 | (1 << 30), 255), PinyinCode(name, 2, 255));
    QCOMPARE(PinyinCode(name, INT32_MIN | 7, 255), std::string());
    QCOMPARE(PinyinCode(name, 7, -5), std::string());

    // The cut counts bytes and may split a syllable, "10" or "TH".
    for (int length = 0; length <= static_cast<int>(all.size()) + 2; ++length)
        QCOMPARE(PinyinCode(name, 7, length), all.substr(0, length));
    QCOMPARE(PinyinCode(gbk("⑩"), 0, 1), std::string("1"));
    QCOMPARE(PinyinCode(gbk("θ"), 0, 1), std::string("T"));
}

// A character's piece depends only on that character and the flags, so coding a long random text must
// equal joining the codes of its characters; this exercises the output sizing on long inputs.
void TestPinyin::piecesAreIndependent()
{
    std::mt19937 random(20240611);
    std::vector<std::string> characters;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
        for (unsigned trail = 0x40; trail <= 0xFE; trail += 7)
            characters.push_back(bytes({static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)}));
    for (unsigned c = 1; c < 0x80; c += 3)
        characters.push_back(std::string(1, static_cast<char>(c)));

    std::string text;
    std::vector<std::size_t> picks;
    for (int i = 0; i < 50000; ++i) {
        picks.push_back(random() % characters.size());
        text += characters[picks.back()];
    }
    for (int flags = 0; flags < 8; ++flags) {
        std::string joined;
        for (std::size_t pick : picks)
            joined += PinyinCode(characters[pick], flags, 255);
        QCOMPARE(PinyinCode(text, flags, INT32_MAX), joined);
    }
}

void TestPinyin::tableInvariants()
{
    // Syllable list: 405 distinct lower-case entries, 394 the only empty one.
    QSet<QByteArray> seen;
    for (int s = 1; s <= PinyinSyllableCount; ++s) {
        const PinyinSyllable& syllable = PinyinSyllables[s - 1];
        const QByteArray letters(syllable.letters);
        QCOMPARE(int(syllable.length), int(letters.size()));
        QVERIFY(syllable.length <= 6);
        QCOMPARE(letters, letters.toLower());
        QVERIFY2(!seen.contains(letters), letters.constData());
        seen.insert(letters);
        QCOMPARE(letters.isEmpty(), s == 394);
    }

    const QSet<QByteArray> neverStored{"", "lia", "jv", "qv", "xv"};
    int coded = 0;
    quint32 checksum = 2166136261u; // FNV-1a over the entries, low byte first
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const unsigned entry = indexEntry(lead, trail);
            for (unsigned byte : {entry & 0xFF, entry >> 8})
                checksum = (checksum ^ byte) * 16777619u;
            if (entry == 0)
                continue;
            ++coded;
            const QByteArray where = QByteArray::number(lead * 256 + trail, 16);
            QVERIFY2(entry <= PinyinSyllableCount, where.constData());
            QVERIFY2(!neverStored.contains(PinyinSyllables[entry - 1].letters), where.constData());

            const bool symbolRow = (lead >= 0xA1 && lead <= 0xA9) || lead == 0xFE;
            const bool narrowRow = (lead >= 0xAA && lead <= 0xAF) || (lead >= 0xF8 && lead <= 0xFD);
            QVERIFY2(!symbolRow && trail != 0x7F && !(narrowRow && trail > 0xA0), where.constData());
        }
    }
    QCOMPARE(coded, 20880);
    // Changes whenever an entry of the committed table changes; regenerate, review, then update.
    QCOMPARE(checksum, 2920718792u);

    // Every GB 2312 character has a code, except the three whose syllables the list lacks.
    for (int lead = 0xB0; lead <= 0xF7; ++lead) {
        for (int trail = 0xA1; trail <= 0xFE; ++trail) {
            const int code = lead * 256 + trail;
            if (code >= 0xD7FA && code <= 0xD7FE)
                continue;
            const bool uncoded = code == 0xB7F0 || code == 0xB8F8 || code == 0xF7D4;
            QVERIFY2((indexEntry(lead, trail) == 0) == uncoded, QByteArray::number(code, 16).constData());
        }
    }
}

QTEST_APPLESS_MAIN(TestPinyin)
#include "tst_pinyin.moc"
