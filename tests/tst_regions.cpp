// The division table, region completion and the pasted-address parser, and both through the
// entry windows: a waybill's blocks and a contact's boxes.
#include "TestSupport.h"

#include "AddressParser.h"
#include "Addressee.h"
#include "Controls.h"
#include "DM.h"
#include "DivisionTable.h"
#include "E_In.h"
#include "Regions.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QCompleter>
#include <QPlainTextEdit>
#include <random>

class TestRegions : public QObject {
    Q_OBJECT
private slots:
    void completion_data();
    void completion();
    void placesOfTheTable();
    void parsesTheFormsPeopleSend_data();
    void parsesTheFormsPeopleSend();
    void generatedCorpus_data();
    void generatedCorpus();
    void pasteFillsTheBoxesAndSavesNothing();
    void pickedDistrictFillsCityAndProvince();
};

namespace {

using Regions::Level;

const QStringList FieldNames = {"name",     "mobile", "phone",    "areaCode", "dept",
                                "province", "city",   "district", "street",   "postcode"};

QStringList fieldsOf(const ParsedAddress& p)
{
    return {p.name, p.mobile, p.phone, p.areaCode, p.dept, p.province, p.city, p.district, p.street, p.postcode};
}

int rowNamed(const QString& name, Level level, int within = -1)
{
    const QList<int> rows = Regions::Named(name, level, within);
    return rows.size() == 1 ? rows.first() : -1;
}

QString pathOf(int row)
{
    const Regions::Place place = Regions::PlaceOf(row);
    return place.province + "/" + place.city + "/" + place.district;
}

// Addresses in the forms people send, made from the raw division table so that what each
// part should be is known without the parser: names, mobiles, landlines, streets, orders,
// separators and labels picked at random (with a fixed seed, so a miss can be looked at again).
// The held-out half has its own seed and the other half of each word list.
class Corpus {
public:
    struct Sample {
        QString text;
        QStringList expected; // in FieldNames order
    };

    explicit Corpus(bool heldOut) : m_heldOut(heldOut), m_rng(heldOut ? 77031 : 20260519)
    {
        for (int row = 0; row < DivisionCount; ++row) {
            const int depth = depthOf(row);
            const bool hasChildren = row + 1 < DivisionCount && Divisions[row + 1].parent == row;
            if (depth == 2 || (depth == 1 && !hasChildren))
                m_places << row;
        }
    }

    Sample make()
    {
        Sample s;
        // The name as written, and as it should come out: 收 goes, 先生 or 女士 stays.
        const QString surname = any(Surnames), full = surname + any(GivenNames), polite = any(Honorifics);
        const int form = std::max(0, pick(10) - 5);
        const QString written = QStringList{full, full + "收", full + " 收", surname + polite, full + polite}[form];
        const QString name = form == 1 || form == 2 ? full : written;
        QString mobile, phone, areaCode, landline;
        QStringList parts; // name, phones and address, shuffled below
        const int phones = pick(10);
        if (phones < 8)
            mobile = QStringLiteral("1%1").arg(3 + pick(7)) + digits(9);
        if (phones >= 6) {
            areaCode = pick(4) ? any(AreaCodes) : QString();
            const QString local = QString::number(2 + pick(8)) + digits(areaCode.size() == 4 && pick(3) == 0 ? 6 : 7);
            phone = local;
            const QString forms[] = {areaCode + "-" + local, "(" + areaCode + ")" + local, areaCode + " " + local,
                                     areaCode + local};
            landline = areaCode.isEmpty() ? local : forms[pick(4)];
        }
        const auto [region, province, city, district] = regionText();
        const QString road = any(Roads) + QString::number(1 + pick(999)) + "号";
        const QString building = pick(2) ? any(Buildings) + any(Rooms) : QString();
        const QString street = road + building;
        const QString address = region + (pick(4) == 0 ? " " : "") + road + (pick(4) == 0 ? " " : "") + building;

        // No labels, labels with a colon or in brackets; a labelled paste may still leave one
        // out, but not an organisation's, which nothing else tells apart.
        const int style = pick(10);
        const auto label = [&](const QStringList& words, bool needed = false) {
            if (!needed && (style < 6 || pick(5) == 0))
                return QString();
            return style < 8 ? any(words) + any(Colons) : "【" + any(words) + "】";
        };
        parts << label(NameLabels) + written;
        if (!mobile.isEmpty())
            parts << label(PhoneLabels) + mobileText(mobile);
        if (!phone.isEmpty())
            parts << label(PhoneLabels) + landline;
        parts << label(AddressLabels) + address;
        std::shuffle(parts.begin(), parts.end(), m_rng);

        QString dept, postcode;
        if (pick(5) == 0) {
            dept = (city.endsWith("市") && city.size() > 2 ? city.chopped(1) : QString("华夏")) + any(Companies);
            parts.insert(pick(int(parts.size()) + 1), label(DeptLabels, true) + dept);
        }
        if (pick(6) == 0) { // at the end or straight after the street; "000000" stands for none
            const QString code = pick(5) == 0 ? "000000" : QString::number(100000 + pick(800000));
            postcode = code == "000000" ? "" : code;
            const auto street = std::find_if(parts.begin(), parts.end(), [&](auto& p) { return p.endsWith(address); });
            parts.insert(pick(2) ? parts.end() : street + 1, label(PostcodeLabels) + code);
        }
        if (pick(10) == 0)
            parts.insert(1 + pick(int(parts.size()) - 1), any(ChatAfter));

        for (int i = 0; i < parts.size(); ++i) {
            if (i > 0) {
                const QString& before = parts[i - 1];
                // Glued only where a reader could still tell the parts apart.
                const bool glue = pick(style < 8 ? 6 : 2) == 0 &&
                                  !(before.back().isDigit() && parts[i].front().isDigit()) &&
                                  !(before.endsWith(address) && parts[i].endsWith(written));
                s.text += glue ? QString() : any(style >= 6 ? LabelledSeparators : Separators);
            }
            s.text += parts[i];
        }
        if (pick(4) == 0) // chat before and after
            s.text = any(ChatBefore) + any(Separators) + s.text;
        if (pick(4) == 0)
            s.text += (pick(3) ? any(Separators) : QString()) + any(ChatAfter);
        s.expected = {name, mobile, phone, areaCode, dept, province, city, district, street, postcode};
        return s;
    }

private:
    struct Region {
        QString text, province, city, district;
    };

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    template <class T> const T& any(const QList<T>& list) { return list[pick(int(list.size()))]; }

    static int depthOf(int row)
    {
        int depth = 0;
        for (int up = Divisions[row].parent; up >= 0; up = Divisions[up].parent)
            ++depth;
        return depth;
    }
    static QString nameOf(int row) { return QString::fromUtf8(Divisions[row].name); }

    QString digits(int n)
    {
        QString text;
        while (n-- > 0)
            text += QString::number(pick(10));
        return text;
    }
    QString mobileText(const QString& m)
    {
        const QString forms[] = {m.left(3) + " " + m.mid(3, 4) + " " + m.mid(7),
                                 m.left(3) + "-" + m.mid(3, 4) + "-" + m.mid(7), "+86 " + m, m};
        return forms[std::min(pick(6), 3)];
    }

    // A place and the way its region is written: in full, without the province, spaced, with the
    // province's short name, or without the city where the district names one place in the province.
    Region regionText()
    {
        const int place = any(m_places);
        const bool isDistrict = depthOf(place) == 2;
        const int cityRow = isDistrict ? Divisions[place].parent : place;
        const int provinceRow = Divisions[cityRow].parent;
        const QString p = nameOf(provinceRow), c = nameOf(cityRow), d = isDistrict ? nameOf(place) : QString();
        const bool municipality = p == c;
        QString text;
        switch (pick(5)) {
        case 0:
            text = (municipality ? p : c) + d;
            break;
        case 1:
            text = municipality ? p + " " + d : p + " " + c + " " + d;
            break;
        case 2:
            text = (p.endsWith("省") ? p.chopped(1) : p) + (municipality ? "" : c) + d;
            break;
        case 3:
            if (isDistrict && !municipality && uniqueInProvince(place, provinceRow)) {
                text = p + d;
                break;
            }
            [[fallthrough]];
        default:
            text = p + (municipality ? "" : c) + d;
        }
        return {text.trimmed(), p, c, d};
    }

    static bool uniqueInProvince(int district, int province)
    {
        int same = 0;
        for (int row = 0; row < DivisionCount; ++row)
            if (Divisions[row].parent >= 0 && Divisions[Divisions[row].parent].parent == province &&
                nameOf(row) == nameOf(district))
                ++same;
        return same == 1;
    }

    const bool m_heldOut;
    std::mt19937 m_rng;
    QList<int> m_places;

    // Every other word: one half of each list for tuning, the other held out.
    QStringList words(const char* list) const
    {
        QStringList all = QString::fromUtf8(list).split(' '), half;
        for (qsizetype i = m_heldOut; i < all.size(); i += 2)
            half << all[i];
        return half;
    }
    const QStringList Surnames =
        words("王 李 张 刘 陈 杨 黄 赵 吴 周 徐 孙 马 朱 胡 郭 何 高 林 罗 郑 梁 谢 宋 唐 许 韩 "
              "冯 邓 曹 彭 曾 肖 田 董 袁 潘 蒋 蔡 余 杜 叶 程 苏 魏 吕 丁 任 沈 姚 卢 姜 崔 钟 "
              "谭 陆 汪 范 金 石 廖 贾 夏 韦 欧阳 上官 司马 诸葛 薄 植 位");
    const QStringList GivenNames =
        words("伟 芳 娜 敏 静 丽 强 磊 军 洋 勇 艳 杰 娟 涛 明 超 秀英 霞 平 刚 桂英 建华 建国 "
              "志强 晓东 小明 子涵 浩然 欣怡 梓轩 雨涵 宇航 思远 佳怡 俊杰 一鸣 文博 海燕 丽华");
    const QStringList Honorifics = words("先生 女士 小姐 先生");
    const QStringList AreaCodes = words("010 020 021 022 023 024 025 027 028 029 0571 0574 0755 0769 0512 0531 0591 "
                                        "0371 0731 0871 0991 0898 0431 0451");
    const QStringList Roads =
        words("人民路 解放路 中山路 建设路 文三路 和平路 新华路 长江路 黄河路 青年路 学院路 胜利街 "
              "光明街 友谊大道 滨江大道 东风路 迎宾大道 幸福路 工业大道 南京西路 北京东路 朝阳路 "
              "西湖大道 解放北路 科技二路 花园街");
    const QStringList Buildings = words("华星大厦 阳光花园 金地小区 万科城 时代广场 国贸中心 银泰公寓 天一大楼 幸福里");
    const QStringList Rooms = words("5楼 3栋2单元1201室 A座1203 1201室 12号楼302 8楼801室") << "";
    const QStringList Companies =
        words("星辰科技有限公司 华宇贸易有限公司 恒通物流有限公司 远大电子厂 天成服装有限公司");
    const QStringList Separators = {" ", " ", "，", ",", "\n", "  ", "；", "\n\n", "、", " / "};
    const QStringList LabelledSeparators = {"\n", "\n", "，", " ", "；"};
    const QStringList Colons = {"：", ":", ": "};
    const QStringList NameLabels = words("收件人 姓名 Name Recipient 收货人 联系人 Receiver Contact 收件人姓名 收货人");
    const QStringList PhoneLabels = words("电话 手机 Tel Phone 电话/手机 联系电话 Mobile TEL 手机号 手机号码 联系方式");
    const QStringList AddressLabels = words("地址 收货地址 Address Addr 详细地址 收件地址 ADDRESS Add 所在地区 地址");
    const QStringList DeptLabels = words("公司 单位 Company Company 单位名称 公司名称");
    const QStringList PostcodeLabels = words("邮编 邮政编码 Zip Postcode");
    const QStringList ChatBefore = words("亲， 您好， 老板你好！ 你好 在吗？ 亲，帮我发一下： 麻烦帮忙寄到： 老板，");
    const QStringList ChatAfter = words("麻烦尽快发货，谢谢！ 谢谢 急 辛苦了 尽快发哈 谢谢老板 多谢! 急件，今天发");
};

} // namespace

void TestRegions::completion_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("within");
    QTest::addColumn<QString>("first");
    QTest::newRow("province by initials") << "zj" << 1 << ""
                                          << "浙江省/浙江省//";
    QTest::newRow("city by initials") << "hz" << 2 << ""
                                      << "浙江省/杭州市/";
    QTest::newRow("upper-case initials") << "HZ" << 2 << ""
                                         << "浙江省/杭州市/";
    QTest::newRow("重庆 read chong") << "cq" << 1 << ""
                                     << "重庆市/重庆市//";
    QTest::newRow("长沙 read chang") << "cs" << 2 << "湖南省"
                                     << "湖南省/长沙市/";
    QTest::newRow("西藏 read zang") << "xz" << 1 << ""
                                    << "西藏自治区/西藏自治区//";
    QTest::newRow("佛山 without a code in the pinyin table") << "fs" << 2 << "广东省"
                                                             << "广东省/佛山市/";
    QTest::newRow("district by characters") << "西湖" << 3 << ""
                                            << "浙江省/杭州市/西湖区";
    QTest::newRow("district within its city") << "xhq" << 3 << "南昌市"
                                              << "江西省/南昌市/西湖区";
    QTest::newRow("municipality district") << "cy" << 3 << "北京市"
                                           << "北京市/北京市/朝阳区";
    QTest::newRow("characters inside a name") << "湖区" << 3 << "杭州市"
                                              << "浙江省/杭州市/西湖区";
}

void TestRegions::completion()
{
    QFETCH(QString, typed);
    QFETCH(int, level);
    QFETCH(QString, within);
    QFETCH(QString, first);
    int scope = within.isEmpty() ? -1 : rowNamed(within, Level::Province);
    if (!within.isEmpty() && scope < 0)
        scope = rowNamed(within, Level::City);
    const QList<int> rows = Regions::Complete(typed, Level(level), scope);
    QVERIFY(!rows.isEmpty());
    QString path = pathOf(rows.first());
    if (level == 1) // a province shows as its own path
        path = Regions::NameOf(rows.first()) + "/" + path;
    QCOMPARE(path, first);
    for (int row : rows)
        QCOMPARE(int(Regions::LevelOf(row)), level);
}

void TestRegions::placesOfTheTable()
{
    int provinces = 0;
    for (int row = 0; row < Regions::Count(); ++row)
        provinces += Regions::LevelOf(row) == Level::Province;
    QCOMPARE(provinces, 34); // 31 on the mainland, 台湾省, 香港 and 澳门

    const int beijing = rowNamed("北京市", Level::Province);
    QCOMPARE(pathOf(rowNamed("朝阳区", Level::District, beijing)), QString("北京市/北京市/朝阳区"));
    QCOMPARE(pathOf(rowNamed("城口县", Level::District)), QString("重庆市/重庆市/城口县"));
    QCOMPARE(pathOf(rowNamed("仙桃市", Level::City)), QString("湖北省/仙桃市/"));
    const int dongguan = rowNamed("东莞市", Level::City);
    QVERIFY(Regions::Complete("东莞", Level::District, dongguan).isEmpty());
    QCOMPARE(Regions::Named("西湖区", Level::District).size(), 2);
    QCOMPARE(rowNamed("内蒙古", Level::Province), rowNamed("内蒙古自治区", Level::Province));
    QCOMPARE(rowNamed("恩施州", Level::City), rowNamed("恩施土家族苗族自治州", Level::City));
    QVERIFY(Regions::Named("苏州工业园区", Level::District).isEmpty()); // a development zone, not a division
}

void TestRegions::parsesTheFormsPeopleSend_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("chat message") << "张三 13812345678 浙江省杭州市西湖区文三路100号"
                                  << QStringList{"张三",   "13812345678", "", "", "", "浙江省", "杭州市",
                                                 "西湖区", "文三路100号", ""};
    QTest::newRow("labels, landline, province left out")
        << "收件人：李四\n电话/手机：0571-88886666\n地址：杭州市西湖区文三路100号华星大厦5楼"
        << QStringList{"李四", "", "88886666", "0571", "", "浙江省", "杭州市", "西湖区", "文三路100号华星大厦5楼", ""};
    QTest::newRow("phone first, municipality, glued")
        << "13912345678王五北京市朝阳区建国路88号"
        << QStringList{"王五", "13912345678", "", "", "", "北京市", "北京市", "朝阳区", "建国路88号", ""};
    QTest::newRow("organisation and postcode marked, full-width marks")
        << "姓名：赵六，手机：138 1234 "
           "5678，公司：南昌星辰科技有限公司，地址：江西省南昌市西湖区中山路1号，邮编：330000"
        << QStringList{"赵六",   "13812345678", "",       "",          "南昌星辰科技有限公司",
                       "江西省", "南昌市",      "西湖区", "中山路1号", "330000"};
    QTest::newRow("address first, name after the house number")
        << "上海市浦东新区张江路123号张小明，(021)58886666"
        << QStringList{"张小明", "", "58886666", "021", "", "上海市", "上海市", "浦东新区", "张江路123号", ""};
    QTest::newRow("streets named after places")
        << "孙七 13700001111 北京市北京路5号"
        << QStringList{"孙七", "13700001111", "", "", "", "北京市", "北京市", "", "北京路5号", ""};
    QTest::newRow("street named after a city, no place")
        << "孙七 13700001111 中山路5号" << QStringList{"孙七", "13700001111", "", "", "", "", "", "", "中山路5号", ""};
    QTest::newRow("a place not in the table stays in the street")
        << "周八,13700002222,火星省奥林匹斯市1号"
        << QStringList{"周八", "13700002222", "", "", "", "", "", "", "火星省奥林匹斯市1号", ""};
    QTest::newRow("district name alone that two cities share")
        << "吴九 13700003333 西湖区文三路1号"
        << QStringList{"吴九", "13700003333", "", "", "", "", "", "西湖区", "文三路1号", ""};
    QTest::newRow("postcode after the street, chat around")
        << "亲，苏大强收 13912345678 广东省深圳市南山区科技园1号 518000，麻烦尽快发货，谢谢！急"
        << QStringList{"苏大强", "13912345678", "", "", "", "广东省", "深圳市", "南山区", "科技园1号", "518000"};
    QTest::newRow("no-postcode zeros glued on, landline split")
        << "王先生,020-87654321转808,广州市天河区天河路1号,000000 谢谢"
        << QStringList{"王先生", "", "87654321-808", "020", "", "广东省", "广州市", "天河区", "天河路1号", ""};
    QTest::newRow("labels in brackets, English, area code apart")
        << "【收件人】丁一【区号】020【Tel】87654321【Address】广东省广州市天河区天河路1号【邮编】510000"
        << QStringList{"丁一", "", "87654321", "020", "", "广东省", "广州市", "天河区", "天河路1号", "510000"};
    QTest::newRow("landline without area code glued between name and place")
        << "收件人：周八87654321浙江省杭州市西湖区文三路100号310000\n周九"
        << QStringList{"周八", "", "87654321", "", "", "浙江省", "杭州市", "西湖区", "文三路100号", "310000"};
    QTest::newRow("huge paste: nothing past 2,000 characters read")
        << "张三 13812345678 浙江省杭州市西湖区文三路100号" + QString(" ").repeated(1 << 20) + "李四 13912345678"
        << QStringList{"张三", "13812345678", "", "", "", "浙江省", "杭州市", "西湖区", "文三路100号", ""};
}

void TestRegions::parsesTheFormsPeopleSend()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QCOMPARE(fieldsOf(ParseAddress(text)), expected);
}

void TestRegions::generatedCorpus_data()
{
    QTest::addColumn<bool>("heldOut");
    QTest::newRow("tuning") << false;
    QTest::newRow("held-out") << true;
}

void TestRegions::generatedCorpus()
{
    QFETCH(bool, heldOut);
    Corpus corpus(heldOut);
    constexpr int Samples = 1000;
    int right = 0, total = 0;
    for (int i = 0; i < Samples; ++i) {
        const Corpus::Sample sample = corpus.make();
        const QStringList found = fieldsOf(ParseAddress(sample.text));
        for (int f = 0; f < FieldNames.size(); ++f, ++total) {
            if (found[f] == sample.expected[f]) {
                ++right;
                continue;
            }
            if (heldOut) // its misses stay unseen, so that no rule is fitted to them
                continue;
            qInfo().noquote() << QStringLiteral("miss %1: %2 expected \"%3\", got \"%4\" in:\n  %5")
                                     .arg(i)
                                     .arg(FieldNames[f], sample.expected[f], found[f],
                                          QString(sample.text).replace("\n", "\\n"));
        }
    }
    const double accuracy = 100.0 * right / total;
    qInfo().noquote() << QStringLiteral("%1 addresses, %2 of %3 fields right: %4%")
                             .arg(Samples)
                             .arg(right)
                             .arg(total)
                             .arg(accuracy, 0, 'f', 2);
    QVERIFY2(accuracy >= 99.0, qPrintable(QString::number(accuracy)));
}

void TestRegions::pasteFillsTheBoxesAndSavesNothing()
{
    ProgramFolder folder;
    MessageRecorder messages;
    ModalRecorder modals;
    const auto boxes = [](QWidget* w, const QString& prefix, int from, int to) {
        QStringList texts;
        for (int i = from; i <= to; ++i)
            texts << child<LimitedEdit>(w, (prefix + QString::number(i)).toLatin1())->text();
        return texts;
    };

    TfrmE_In entry(nullptr);
    entry.show();
    entry.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&entry));
    QApplication::clipboard()->setText("收件人：李四\n电话/手机：13812345678\n地址：北京市朝阳区建国路88号\n"
                                       "公司：北京星辰科技有限公司");
    QTest::mouseClick(child(&entry, "SPaste"), Qt::LeftButton);
    QCOMPARE(boxes(&entry, "SEd", 1, 9), QStringList({"李四", "", "13812345678", "北京星辰科技有限公司", "", "北京市",
                                                      "北京市", "朝阳区", "建国路88号"}));

    // The shortcut reads into the block being typed in.
    child<LimitedEdit>(&entry, "JEd1")->setFocus();
    QApplication::clipboard()->setText("张三 0571-88886666 杭州市西湖区文三路100号");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(boxes(&entry, "JEd", 1, 9),
             QStringList({"张三", "88886666", "", "", "0571", "浙江省", "杭州市", "西湖区", "文三路100号"}));
    QCOMPARE(boxes(&entry, "SEd", 1, 1), QStringList{"李四"});

    // A contact entry window; with nothing on the clipboard, a box takes the pasted text.
    TfrmAddressee contact(nullptr);
    contact.show();
    contact.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&contact));
    QApplication::clipboard()->clear();
    modals.onOpen = [](QDialog* box) {
        child<QPlainTextEdit>(box, "PasteText")->setPlainText("王五，13912345678，广东省深圳市南山区科技园1号");
        QTest::mouseClick(child(box, "PasteRead"), Qt::LeftButton);
        return box->result();
    };
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(modals.opened.size(), 1);
    QCOMPARE(boxes(&contact, "Edit", 1, 9),
             QStringList({"王五", "", "13912345678", "", "", "广东省", "深圳市", "南山区", "科技园1号"}));

    QVERIFY(messages.shown().isEmpty());
    for (const char* table : {"UE", "USender", "UAddressee"})
        QCOMPARE(DM().QueryCount(SqlText(QStringLiteral("SELECT ID FROM %1").arg(table))), 0);
}

void TestRegions::pickedDistrictFillsCityAndProvince()
{
    ProgramFolder folder;
    TfrmE_In entry(nullptr);
    entry.show();
    entry.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&entry));
    auto* province = child<LimitedEdit>(&entry, "SEd6");
    auto* city = child<LimitedEdit>(&entry, "SEd7");
    auto* district = child<LimitedEdit>(&entry, "SEd8");
    QStringList listed;
    const auto pick = [&](LimitedEdit* box, const char* typed, const QString& shown) {
        box->setFocus();
        QTest::keyClicks(box, typed);
        QAbstractItemView* popup = box->completer()->popup();
        QVERIFY(popup->isVisible());
        listed.clear();
        for (int row = 0; row < popup->model()->rowCount(); ++row)
            listed << popup->model()->index(row, 0).data().toString();
        const int row = int(listed.indexOf(shown));
        QVERIFY2(row >= 0, qPrintable(listed.join(", ")));
        for (int i = 0; i <= row; ++i)
            QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Return);
    };

    pick(district, "xhq", "西湖区　浙江省 杭州市");
    QVERIFY(listed.size() > 5);
    QCOMPARE(QStringList({province->text(), city->text(), district->text()}),
             QStringList({"浙江省", "杭州市", "西湖区"}));

    // A province typed first narrows the districts offered to its own; a filled box stays.
    district->clear();
    city->clear();
    province->setText("江西省");
    pick(district, "xhq", "西湖区　江西省 南昌市");
    QCOMPARE(listed.filter("江西省").size(), listed.size());
    QCOMPARE(QStringList({province->text(), city->text(), district->text()}),
             QStringList({"江西省", "南昌市", "西湖区"}));
    province->clear(); // a typed city stays
    district->clear();
    city->setText("杭州");
    pick(district, "xhq", "西湖区　浙江省 杭州市");
    QCOMPARE(province->text() + city->text(), QString("浙江省杭州"));

    // Typed text that is not picked is kept as typed.
    city->clear();
    city->setFocus();
    QTest::keyClicks(city, "hz");
    QVERIFY(city->completer()->popup()->isVisible());
    QTest::keyClick(city->completer()->popup(), Qt::Key_Tab);
    QCOMPARE(city->text(), QString("hz"));
}

ORVANE_TEST_MAIN(TestRegions)
#include "tst_regions.moc"
