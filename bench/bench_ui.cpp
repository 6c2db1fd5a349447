// Time of a paste into a limited edit box: the limit must cut a long paste at once,
// whatever its length, so a paste never freezes the window.
#include "Controls.h"

#include <QApplication>
#include <QClipboard>
#include <benchmark/benchmark.h>

namespace {

// Clipboard text of the given length in UTF-16 units: Chinese, letters, digits and an
// emoji now and then, as text copied from a web page or a spreadsheet might be.
QString pastedText(int length)
{
    const QString pattern = QStringLiteral("广东省深圳市南山区科技园 Road 12号😀");
    QString text;
    while (text.size() < length)
        text += pattern;
    text.truncate(length);
    if (text.back().isHighSurrogate())
        text.back() = QLatin1Char('x');
    return text;
}

enum Limit { GbkBytes60, GbkBytesRoomy, Characters60, NoLimit };

// One paste into an empty box; range(0) is the pasted length, range(1) the kind of limit.
void BM_PasteIntoLimitedBox(benchmark::State& state)
{
    LimitedEdit edit;
    switch (static_cast<Limit>(state.range(1))) {
    case GbkBytes60:
        edit.setGbkByteLimit(60);
        break;
    case GbkBytesRoomy: // everything fits: the whole text is counted
        edit.setGbkByteLimit(2 * 32767);
        break;
    case Characters60:
        edit.setCharLimit(60);
        break;
    case NoLimit: // Qt's own work: the long text laid out in the box
        break;
    }
    edit.show();
    QGuiApplication::clipboard()->setText(pastedText(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        edit.clear();
        edit.paste();
        benchmark::DoNotOptimize(edit.text().size());
    }
}
BENCHMARK(BM_PasteIntoLimitedBox)
    ->ArgsProduct({{1000, 10000, 32767}, {GbkBytes60, GbkBytesRoomy, Characters60, NoLimit}})
    ->ArgNames({"length", "limit"})
    ->Unit(benchmark::kMillisecond);

} // namespace
