// Region completion as a box offers it on every key, and the parse of a pasted address.
#include "AddressParser.h"
#include "Regions.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

using Regions::Level;

// Every district of the country for one typed letter or a few initials: the widest searches.
void BM_CompleteDistricts(benchmark::State& state, const char* typed)
{
    const QString text = QString::fromUtf8(typed);
    Regions::Complete(text, Level::District); // the index is built on first use
    for (auto _ : state)
        benchmark::DoNotOptimize(Regions::Complete(text, Level::District));
}
BENCHMARK_CAPTURE(BM_CompleteDistricts, one_letter, "x");
BENCHMARK_CAPTURE(BM_CompleteDistricts, initials, "xhq");
BENCHMARK_CAPTURE(BM_CompleteDistricts, characters, "西湖");

void BM_Parse(benchmark::State& state, const char* text)
{
    const QString pasted = QString::fromUtf8(text);
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseAddress(pasted));
}
BENCHMARK_CAPTURE(BM_Parse, one_line, "张三 13812345678 浙江省杭州市西湖区文三路100号");
BENCHMARK_CAPTURE(BM_Parse, labelled,
                  "收件人：李四\n电话/手机：0571-88886666\n公司：杭州星辰科技有限公司\n"
                  "地址：杭州市西湖区文三路100号华星大厦5楼");

// A paste far larger than any address, as when a whole file or chat log lands on the
// clipboard: a megabyte of random digits, of mobile numbers, or of an address repeated.
void BM_ParseHuge(benchmark::State& state, const char* unit)
{
    QString pasted;
    if (unit) {
        const QString piece = QString::fromUtf8(unit);
        pasted = piece.repeated(1024 * 1024 / piece.toUtf8().size());
    } else {
        std::mt19937 rng(1);
        for (int i = 0; i < 1024 * 1024; ++i)
            pasted += QChar(char16_t(u'0' + rng() % 10));
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseAddress(pasted));
}
BENCHMARK_CAPTURE(BM_ParseHuge, random_digits_1MB, nullptr)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ParseHuge, mobiles_1MB, "13812345678 ")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ParseHuge, addresses_1MB, "张三 13812345678 浙江省杭州市西湖区文三路100号，")
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
