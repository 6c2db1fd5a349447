// Throughput of PinyinCode over a few MB of generated GBK names, addresses and organisations, the
// kind of text contact and waybill entry code.
#include "IMCode.h"

#include <benchmark/benchmark.h>
#include <iconv.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

const char* const Surnames[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐", "孙",   "马",
                                "朱", "胡", "郭", "何", "高", "林", "罗", "郑", "梁", "谢", "宋", "唐",   "许",
                                "韩", "冯", "邓", "曹", "彭", "曾", "肖", "田", "董", "袁", "潘", "于",   "蒋",
                                "蔡", "余", "杜", "叶", "程", "苏", "魏", "吕", "丁", "任", "沈", "欧阳", "司马"};
const char* const GivenCharacters[] = {"伟", "芳", "娜", "秀", "英", "敏", "静", "丽", "强", "磊", "军", "洋",
                                       "勇", "艳", "杰", "娟", "涛", "明", "超", "霞", "平", "刚", "桂", "兰",
                                       "文", "华", "建", "国", "志", "红", "玉", "梅", "晓", "辉", "鹏", "婷",
                                       "宇", "浩", "欣", "怡", "佳", "琪", "嘉", "子", "轩", "睿", "彧", "喆"};
const char* const Provinces[] = {"北京市", "上海市", "广东省", "浙江省", "江苏省", "四川省", "湖北省", "山东省",
                                 "河南省", "福建省", "湖南省", "安徽省", "陕西省", "重庆市", "天津市"};
const char* const Cities[] = {"广州市", "深圳市", "杭州市", "宁波市", "南京市", "苏州市", "成都市", "武汉市",
                              "济南市", "青岛市", "郑州市", "厦门市", "长沙市", "合肥市", "西安市", "佛山市"};
const char* const Districts[] = {"朝阳区", "海淀区", "浦东新区", "天河区", "南山区", "西湖区", "鼓楼区",
                                 "武侯区", "江汉区", "历下区",   "金水区", "思明区", "岳麓区", "雁塔区"};
const char* const Roads[] = {"人民路", "解放路", "中山路",   "建设路",   "和平路",   "新华路", "长江路",
                             "黄河路", "文化路", "科技园路", "工业大道", "滨江大道", "学院路", "幸福街"};
const char* const Buildings[] = {"号", "号院", "号楼", "弄", "号大厦", "栋"};
const char* const Trades[] = {"科技", "贸易", "电子", "服装", "食品", "物流", "建材", "文化传媒", "医药", "印刷"};
const char* const Forms[] = {"有限公司", "有限责任公司", "股份有限公司", "商行", "经营部", "工作室"};

std::string toGbk(const std::string& utf8)
{
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::perror("iconv_open");
        std::exit(1);
    }
    std::string out(utf8.size() * 2, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    if (iconv(cd, &in, &inLeft, &o, &outLeft) == static_cast<std::size_t>(-1)) {
        std::perror("iconv");
        std::exit(1);
    }
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

template <typename T, std::size_t N> const char* pick(std::mt19937& random, T (&list)[N]) { return list[random() % N]; }

std::string name(std::mt19937& random)
{
    std::string s = pick(random, Surnames);
    for (unsigned i = 0, n = 1 + random() % 2; i < n; ++i)
        s += pick(random, GivenCharacters);
    return s;
}

std::string address(std::mt19937& random)
{
    std::string s = pick(random, Provinces);
    s += pick(random, Cities);
    s += pick(random, Districts);
    s += pick(random, Roads);
    s += std::to_string(1 + random() % 999);
    s += pick(random, Buildings);
    if (random() % 2)
        s += std::to_string(1 + random() % 30) + "-" + std::to_string(100 + random() % 2000) + "室";
    return s;
}

std::string organisation(std::mt19937& random)
{
    std::string s = pick(random, Cities);
    s += pick(random, GivenCharacters);
    s += pick(random, GivenCharacters);
    s += pick(random, Trades);
    s += pick(random, Forms);
    if (random() % 5 == 0)
        s += " (EMS)";
    return s;
}

struct Corpus {
    std::vector<std::string> records;
    std::string whole;
    std::size_t bytes = 0;
};

const Corpus& corpus()
{
    static const Corpus c = [] {
        Corpus c;
        std::mt19937 random(7);
        while (c.bytes < 4 * 1024 * 1024) {
            const unsigned kind = random() % 3;
            c.records.push_back(toGbk(kind == 0 ? name(random) : kind == 1 ? address(random) : organisation(random)));
            c.bytes += c.records.back().size();
            c.whole += c.records.back();
        }
        return c;
    }();
    return c;
}

// As the program calls it: one record at a time, cut at 255 bytes.
void perRecord(benchmark::State& state)
{
    const Corpus& c = corpus();
    const auto flags = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        for (const std::string& record : c.records) {
            std::string code = PinyinCode(record, flags, 255);
            benchmark::DoNotOptimize(code);
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c.bytes));
}

// The scan itself, without per-call overhead.
void wholeText(benchmark::State& state)
{
    const Corpus& c = corpus();
    const auto flags = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        std::string code = PinyinCode(c.whole, flags, INT32_MAX);
        benchmark::DoNotOptimize(code);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c.whole.size()));
}

} // namespace

BENCHMARK(perRecord)->Arg(MarkNoCode)->Arg(FullSyllable | MarkNoCode)->Unit(benchmark::kMillisecond);
BENCHMARK(wholeText)->Arg(MarkNoCode)->Arg(FullSyllable | MarkNoCode)->Arg(KeepSymbols)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
