// Time to read a blank 230 x 127 mm form and propose its boxes, scanned at 150, 200 and
// 300 dpi (forms drawn by the tests' corpus), and the share of its fields found.
#include "FormCorpus.h"
#include "FormScan.h"
#include "ScanModule.h"

#include <benchmark/benchmark.h>

namespace {

void BM_ScanForm(benchmark::State& state)
{
    if (!ScanModule::MissingPackages().isEmpty()) {
        state.SkipWithError("no Tesseract language data");
        return;
    }
    const FormCorpus::Plan& plan = FormCorpus::Plans().at(state.range(0));
    const FormCorpus::Form form = FormCorpus::Draw(plan);
    state.SetLabel(plan.name);
    int found = 0;
    for (auto _ : state)
        found = int(FormScan::Scan(form.picture, form.pxPerMm, 6.6).found.size());
    state.counters["fields"] = double(form.fields.size());
    state.counters["found"] = found;
}

} // namespace

// The corpus's first three forms: 200, 150 and 300 dpi.
BENCHMARK(BM_ScanForm)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);
