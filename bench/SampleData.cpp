#include "SampleData.h"

#include "GbkText.h"

#include <QVector>
#include <algorithm>

std::uint64_t SampleRng::next()
{
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

int SampleRng::below(int n)
{
    // Multiply-shift instead of modulo: no bias worth speaking of for n far below 2^32.
    return static_cast<int>(((next() >> 32) * static_cast<std::uint64_t>(n)) >> 32);
}

namespace {

QStringList Words(const char* text) { return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts); }

QString PickOf(SampleRng& rng, const QStringList& list) { return list.at(rng.below(static_cast<int>(list.size()))); }

// "王:72 李:72 …": items with their relative frequency.
class Weighted {
public:
    explicit Weighted(const char* text)
    {
        int total = 0;
        for (const QString& entry : Words(text)) {
            const qsizetype colon = entry.lastIndexOf(QLatin1Char(':'));
            m_items << entry.left(colon);
            total += entry.mid(colon + 1).toInt();
            m_upTo << total;
        }
    }
    int pickIndex(SampleRng& rng) const
    {
        const int at = rng.below(m_upTo.last());
        return static_cast<int>(std::upper_bound(m_upTo.begin(), m_upTo.end(), at) - m_upTo.begin());
    }
    QString pick(SampleRng& rng) const { return m_items.at(pickIndex(rng)); }
    const QStringList& items() const { return m_items; }

private:
    QStringList m_items;
    QVector<int> m_upTo;
};

// Rough share per thousand people.
const Weighted
    Surnames("王:72 李:72 张:68 刘:54 陈:45 杨:31 黄:22 赵:21 吴:20 周:19 徐:14 孙:13 马:12 朱:12 胡:11 郭:11 何:10 "
             "高:10 林:10 罗:9 郑:9 梁:8 谢:7 宋:6 唐:6 许:6 韩:5 冯:5 邓:5 曹:5 彭:5 曾:4 肖:4 田:4 董:4 袁:4 潘:4 "
             "于:4 蒋:4 蔡:4 余:4 杜:3 叶:3 程:3 苏:3 魏:3 吕:3 丁:3 任:3 沈:3 姚:3 卢:3 姜:3 崔:3 钟:2 谭:2 陆:2 "
             "汪:2 范:2 金:2 石:2 廖:2 贾:2 夏:2 韦:2 付:2 方:2 白:2 邹:2 孟:2 熊:2 秦:2 邱:2 江:2 尹:2 薛:2 闫:2 "
             "段:2 雷:2 侯:2 龙:2 史:2 陶:2 黎:2 贺:2 顾:1 毛:1 郝:1 龚:1 邵:1 万:1 钱:1 严:1 覃:1 武:1 戴:1 莫:1 "
             "孔:1 向:1 汤:1 欧阳:1 司马:1");

const QString GivenChars = QString::fromUtf8(
    "伟芳娜敏静丽强磊军洋勇艳杰娟涛明超霞平刚桂英华建国文辉鑫宇浩然子涵欣怡梓萱诺轩俊思雨志海燕红梅东小龙"
    "春生玉兰丹萍凤雪斌波宁林峰婷玲琳颖晨阳帆晶慧佳琪雅倩瑶瑞博凯鹏飞亮成德福荣新光淑胜松帅顺书爽硕三山珊"
    "诗世秀霖嘉欢琦璐萌蕾莉鸿健翔泽铭睿豪辰逸安永长金云秋月美立振家晓庆兵力益宏民学义维婉清艺紫若梦璇馨语彤");

// Province (or municipality), city, area code, weight, districts with their postcodes.
struct RegionRow {
    const char* province;
    const char* city;
    const char* areaCode;
    int weight;
    const char* districts;
};

const RegionRow RegionRows[] = {
    {"北京市", "北京市", "010", 60,
     "东城区:100010 西城区:100032 朝阳区:100020 海淀区:100080 丰台区:100071 通州区:101100 昌平区:102200"},
    {"上海市", "上海市", "021", 60,
     "黄浦区:200001 徐汇区:200030 长宁区:200050 静安区:200040 浦东新区:200120 闵行区:201100 宝山区:201900"},
    {"天津市", "天津市", "022", 20, "和平区:300041 河西区:300202 南开区:300100 滨海新区:300450"},
    {"重庆市", "重庆市", "023", 25, "渝中区:400010 江北区:400020 沙坪坝区:400030 九龙坡区:400050 渝北区:401120"},
    {"广东省", "广州市", "020", 50, "越秀区:510030 天河区:510630 海珠区:510220 白云区:510405 番禺区:511400"},
    {"广东省", "深圳市", "0755", 55, "福田区:518000 罗湖区:518001 南山区:518052 宝安区:518101 龙岗区:518116"},
    {"广东省", "东莞市", "0769", 25, "南城街道:523070 东城街道:523000 长安镇:523850 虎门镇:523900"},
    {"广东省", "佛山市", "0757", 20, "禅城区:528000 南海区:528200 顺德区:528300"},
    {"浙江省", "杭州市", "0571", 40,
     "上城区:310002 拱墅区:310011 西湖区:310013 滨江区:310051 萧山区:311200 余杭区:311100"},
    {"浙江省", "宁波市", "0574", 18, "海曙区:315000 江北区:315020 鄞州区:315100"},
    {"浙江省", "温州市", "0577", 15, "鹿城区:325000 龙湾区:325000 瓯海区:325005"},
    {"浙江省", "金华市", "0579", 20, "婺城区:321000 义乌市:322000 东阳市:322100"},
    {"江苏省", "南京市", "025", 30, "玄武区:210018 秦淮区:210001 鼓楼区:210009 建邺区:210019 江宁区:211100"},
    {"江苏省", "苏州市", "0512", 30, "姑苏区:215000 吴中区:215128 相城区:215131 昆山市:215300"},
    {"江苏省", "无锡市", "0510", 15, "梁溪区:214000 滨湖区:214071 新吴区:214028"},
    {"山东省", "济南市", "0531", 18, "历下区:250014 市中区:250001 槐荫区:250022 历城区:250100"},
    {"山东省", "青岛市", "0532", 20, "市南区:266001 市北区:266011 黄岛区:266500 崂山区:266100"},
    {"河南省", "郑州市", "0371", 25, "中原区:450007 二七区:450052 金水区:450003 管城回族区:450000"},
    {"湖北省", "武汉市", "027", 30, "江岸区:430010 江汉区:430021 武昌区:430061 洪山区:430070 汉阳区:430050"},
    {"湖南省", "长沙市", "0731", 22, "芙蓉区:410011 天心区:410004 岳麓区:410006 开福区:410008 雨花区:410007"},
    {"四川省", "成都市", "028", 35, "锦江区:610021 青羊区:610031 金牛区:610036 武侯区:610041 成华区:610051"},
    {"陕西省", "西安市", "029", 22, "新城区:710004 碑林区:710001 莲湖区:710003 雁塔区:710061 未央区:710014"},
    {"福建省", "福州市", "0591", 15, "鼓楼区:350001 台江区:350004 仓山区:350007"},
    {"福建省", "厦门市", "0592", 15, "思明区:361001 湖里区:361006 集美区:361021"},
    {"安徽省", "合肥市", "0551", 18, "瑶海区:230011 庐阳区:230001 蜀山区:230031 包河区:230041"},
    {"河北省", "石家庄市", "0311", 15, "长安区:050011 桥西区:050051 新华区:050051 裕华区:050031"},
    {"辽宁省", "沈阳市", "024", 15, "和平区:110001 沈河区:110011 皇姑区:110031 铁西区:110021"},
    {"辽宁省", "大连市", "0411", 12, "中山区:116001 西岗区:116011 沙河口区:116021 甘井子区:116033"},
    {"吉林省", "长春市", "0431", 10, "南关区:130022 朝阳区:130012 绿园区:130062"},
    {"黑龙江省", "哈尔滨市", "0451", 12, "道里区:150010 南岗区:150001 香坊区:150036"},
    {"江西省", "南昌市", "0791", 12, "东湖区:330006 西湖区:330009 青山湖区:330029"},
    {"广西壮族自治区", "南宁市", "0771", 12, "青秀区:530022 兴宁区:530023 西乡塘区:530001"},
    {"云南省", "昆明市", "0871", 12, "五华区:650021 盘龙区:650051 官渡区:650200"},
    {"贵州省", "贵阳市", "0851", 10, "南明区:550001 云岩区:550001 观山湖区:550081"},
    {"山西省", "太原市", "0351", 10, "小店区:030032 迎泽区:030001 杏花岭区:030009"},
    {"内蒙古自治区", "呼和浩特市", "0471", 6, "新城区:010050 回民区:010030 赛罕区:010020"},
    {"新疆维吾尔自治区", "乌鲁木齐市", "0991", 6, "天山区:830002 沙依巴克区:830000 新市区:830011"},
    {"甘肃省", "兰州市", "0931", 6, "城关区:730030 七里河区:730050 安宁区:730070"},
    {"海南省", "海口市", "0898", 6, "龙华区:570105 美兰区:570203 秀英区:570311"},
    {"宁夏回族自治区", "银川市", "0951", 4, "兴庆区:750001 金凤区:750002"},
    {"青海省", "西宁市", "0971", 3, "城东区:810007 城西区:810001"},
    {"西藏自治区", "拉萨市", "0891", 2, "城关区:850000"},
};

struct Region {
    QString province, city, cityShort, areaCode;
    QStringList districts, postcodes;
};

struct Regions {
    QList<Region> list;
    QVector<int> upTo;

    Regions()
    {
        int total = 0;
        for (const RegionRow& row : RegionRows) {
            Region region{QString::fromUtf8(row.province),
                          QString::fromUtf8(row.city),
                          {},
                          QString::fromUtf8(row.areaCode),
                          {},
                          {}};
            region.cityShort = region.city.endsWith(QStringLiteral("市")) ? region.city.chopped(1) : region.city;
            for (const QString& entry : Words(row.districts)) {
                region.districts << entry.section(QLatin1Char(':'), 0, 0);
                region.postcodes << entry.section(QLatin1Char(':'), 1, 1);
            }
            list << region;
            total += row.weight;
            upTo << total;
        }
    }
    const Region& pick(SampleRng& rng) const
    {
        const int at = rng.below(upTo.last());
        return list.at(static_cast<int>(std::upper_bound(upTo.begin(), upTo.end(), at) - upTo.begin()));
    }
};

const Regions& AllRegions()
{
    static const Regions regions;
    return regions;
}

const QStringList Streets = Words("人民路 解放路 中山路 建设路 和平路 新华路 胜利路 长江路 黄河路 文化路 光明路 朝阳路 "
                                  "青年路 东风路 红旗路 学府路 科技路 工业大道 滨河路 环城路 南京路 北京路 延安路 "
                                  "幸福路 迎宾大道 金融街 商业街 花园路 振兴路 民主路 湖滨路 体育路 府前街 解放大道");
const QStringList BuildingWords = Words("金融 国贸 世纪 阳光 华府 明珠 时代 天安 绿地 万象 新城 盛世 锦绣 翠苑 金色 "
                                        "海景 君悦 东方 星河 御景");
const QStringList TradeNames = Words("华强 鑫源 宏达 恒通 金盛 永信 天成 博远 嘉禾 瑞丰 新锐 东方 长城 环球 汇通 "
                                     "联创 诚信 百盛 佳和 兴业 安泰 富康 明德 正泰 顺达 鼎盛 合力 创新 海纳 万家");
const QStringList Industries = Words("电子科技 贸易 服饰 食品 物流 建材 机械设备 网络科技 文化传媒 医疗器械 家具 化工 "
                                     "印刷 电器 五金 包装 汽车配件 农业科技 信息技术 餐饮管理");
const QStringList ShopKinds = Words("小吃店 烟酒店 五金店 服装店 便利店 水果店 茶行 花店");
const QStringList Numerals = Words("一 二 三 四 五 六 七 八 九 十 十一 十二 十三 十四 十五 十六 十七 十八 十九 二十");
const QStringList Offices = Words("税务局 市场监督管理局 街道办事处 人民法院");
const QStringList ContactRemarks = Words("老客户 月结客户 工作日送货 周末不在家 请提前电话联系 放前台");
const QStringList MobilePrefixes = Words("130 131 132 133 134 135 136 137 138 139 150 151 152 153 155 156 157 158 "
                                         "159 180 181 182 183 184 185 186 187 188 189");

const Weighted Couriers("顺丰速运:20 圆通速递:14 中通快递:16 申通快递:9 韵达快递:12 百世快递:4 京东物流:7 "
                        "邮政EMS:5 德邦快递:3 极兔速递:7 天天快递:2 宅急送:1");
const Weighted Goods("文件:25 衣服:15 鞋子:6 书籍:6 电子产品:6 食品:8 化妆品:5 日用品:6 样品:5 配件:5 合同:3 茶叶:2 "
                     "药品:2 玩具:2 手机:2 数码配件:2");
const Weighted Payments("寄付:60 到付:25 月结:15");
const Weighted Users("admin:50 王芳:25 李强:25");
const QStringList WaybillRemarks = Words("易碎品 加急 请勿倒置 送货上门 放门卫 工作日派送");

QString Digits(SampleRng& rng, int count)
{
    QString text;
    text.reserve(count);
    for (int i = 0; i < count; ++i)
        text += QChar(u'0' + rng.below(10));
    return text;
}

QString Landline(SampleRng& rng, const QString& areaCode)
{
    // Three-digit area codes belong to the big cities, whose numbers have eight digits.
    const int length = areaCode.size() == 3 || rng.percent(50) ? 8 : 7;
    return areaCode + QLatin1Char('-') + QChar(u'2' + rng.below(7)) + Digits(rng, length - 1);
}

QString Organisation(SampleRng& rng, const Region& region, const QString& district)
{
    const QString& city = region.cityShort;
    const int kind = rng.below(100);
    if (kind < 50)
        return city + PickOf(rng, TradeNames) + PickOf(rng, Industries) +
               (rng.percent(90) ? QStringLiteral("有限公司") : QStringLiteral("股份有限公司"));
    if (kind < 65)
        return PickOf(rng, TradeNames) + QStringLiteral("商贸") +
               (rng.percent(50) ? QStringLiteral("有限公司") : QString());
    if (kind < 72)
        return Surnames.pick(rng) + QStringLiteral("记") + PickOf(rng, ShopKinds);
    if (kind < 82) {
        switch (rng.below(4)) {
        case 0:
            return city + QStringLiteral("市第") + PickOf(rng, Numerals) + QStringLiteral("中学");
        case 1:
            return city + QStringLiteral("实验小学");
        case 2:
            return city + QStringLiteral("职业技术学院");
        default:
            return city + QStringLiteral("外国语学校");
        }
    }
    if (kind < 92) {
        switch (rng.below(4)) {
        case 0:
            return city + QStringLiteral("市人民医院");
        case 1:
            return city + QStringLiteral("市第") + Numerals.at(rng.below(8)) + QStringLiteral("人民医院");
        case 2:
            return city + QStringLiteral("市中医院");
        default:
            return city + QStringLiteral("市妇幼保健院");
        }
    }
    return district + PickOf(rng, Offices);
}

QString StreetAddress(SampleRng& rng)
{
    QString text = PickOf(rng, Streets) + QString::number(1 + rng.below(400)) + QStringLiteral("号");
    const int detail = rng.below(100);
    if (detail < 30)
        return text;
    if (detail < 55)
        return text + QStringLiteral("%1栋%2单元%3室")
                          .arg(1 + rng.below(30))
                          .arg(1 + rng.below(6))
                          .arg((1 + rng.below(30)) * 100 + 1 + rng.below(4));
    if (detail < 75) {
        const int floor = 1 + rng.below(40);
        return text + PickOf(rng, BuildingWords) +
               QStringLiteral("大厦%1层%2室").arg(floor).arg(floor * 100 + 1 + rng.below(20));
    }
    if (detail < 90)
        return text + PickOf(rng, BuildingWords) +
               QStringLiteral("小区%1栋%2号").arg(1 + rng.below(20)).arg(1 + rng.below(60));
    return text + PickOf(rng, BuildingWords) + QStringLiteral("工业园%1号楼").arg(1 + rng.below(12));
}

// Senders repeat: a few regular customers send much of the post.
int Regular(SampleRng& rng, int count)
{
    const qint64 a = rng.below(count);
    const qint64 b = rng.below(count);
    return static_cast<int>(a * b / count);
}

} // namespace

namespace SampleData {

const QStringList& CourierNames() { return Couriers.items(); }
const QStringList& UserNames() { return Users.items(); }

QDate LastDay() { return QDate(2026, 12, 1); }
QDate FirstDay() { return LastDay().addYears(-5).addDays(1); }

QString PersonName(SampleRng& rng)
{
    QString name = Surnames.pick(rng) + GivenChars.at(rng.below(static_cast<int>(GivenChars.size())));
    if (rng.percent(65))
        name += GivenChars.at(rng.below(static_cast<int>(GivenChars.size())));
    return name;
}

QString MobileNumber(SampleRng& rng) { return PickOf(rng, MobilePrefixes) + Digits(rng, 8); }

SampleContact Contact(SampleRng& rng)
{
    const Region& region = AllRegions().pick(rng);
    const int district = rng.below(static_cast<int>(region.districts.size()));
    SampleContact c;
    c.name = PersonName(rng);
    c.province = region.province;
    c.city = region.city;
    c.district = region.districts.at(district);
    c.postcode = region.postcodes.at(district);
    c.areaCode = region.areaCode;
    c.address = StreetAddress(rng);
    if (rng.percent(92))
        c.mobile = MobileNumber(rng);
    if (c.mobile.isEmpty() || rng.percent(35))
        c.phone = Landline(rng, region.areaCode);
    if (rng.percent(55))
        c.dept = Organisation(rng, region, c.district);
    if (rng.percent(4))
        c.remark = PickOf(rng, ContactRemarks);
    c.deleted = rng.percent(2) ? QStringLiteral("是") : QStringLiteral("否");
    c.namePinyin = pinyinCodeOf(c.name);
    c.deptPinyin = pinyinCodeOf(c.dept);
    return c;
}

QStringList CompanyDetails(SampleRng& rng)
{
    const Region& region = AllRegions().pick(rng);
    return {PersonName(rng), Landline(rng, region.areaCode), MobileNumber(rng),
            // The company's local branch; kept short, the box takes 50 bytes.
            region.city + region.districts.at(rng.below(static_cast<int>(region.districts.size()))) +
                PickOf(rng, Streets) + QString::number(1 + rng.below(400)) + QStringLiteral("号")};
}

SampleWaybill Waybill(SampleRng& rng, const QList<SampleContact>& senders, const QList<SampleContact>& recipients,
                      const QDate& date)
{
    SampleWaybill w;
    w.sender = !senders.isEmpty() && rng.percent(92) ? senders.at(Regular(rng, static_cast<int>(senders.size())))
                                                     : Contact(rng);
    w.recipient = !recipients.isEmpty() && rng.percent(88)
                      ? recipients.at(rng.below(static_cast<int>(recipients.size())))
                      : Contact(rng);
    const int company = Couriers.pickIndex(rng);
    w.company = Couriers.items().at(company);
    // Each company has its own number length and leading digit.
    w.number = QChar(u'1' + company % 9) + Digits(rng, 11 + company % 2);
    w.goods = Goods.pick(rng);
    w.custom1 = Payments.pick(rng);
    if (rng.percent(10))
        w.custom2 = QStringLiteral("保价%1元").arg((1 + rng.below(50)) * 100);
    if (rng.percent(6))
        w.custom3 = QStringLiteral("%1件").arg(2 + rng.below(4));
    if (rng.percent(8))
        w.remark = PickOf(rng, WaybillRemarks);
    w.deleted = rng.percent(2) ? QStringLiteral("是") : QStringLiteral("否");
    w.date = date.toString(QStringLiteral("yyyy-MM-dd"));
    w.user = Users.pick(rng);
    return w;
}

} // namespace SampleData
