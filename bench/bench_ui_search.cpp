// The goods picker over 100,000 goods: one more character typed into its search box and the
// list shown narrowed (model refilled), and the box cleared (every row shown again), against a
// bare scan of the same texts (the baseline of the same run).
#include "BenchData.h"
#include "basic/GoodsSearch.h"
#include "basic/GoodsStore.h"
#include "bills/CPaletteListDlg.h"
#include "store/CDataStore.h"
#include "widgets/CListCtrlEx.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>

#include <cstdlib>

namespace {
CPaletteListDlg& Picker() {
    static CPaletteListDlg* picker = [] {
        UseDataSet("goods", GoodsDataSet(), false);
        auto* p = new CPaletteListDlg;
        p->SetKind(QStringLiteral("palette_product"));
        // Filled as on opening, without waiting for the user.
        CPaletteListDlg::SetScriptForTest([](CPaletteListDlg&) {});
        p->exec();
        CPaletteListDlg::SetScriptForTest(nullptr);
        p->resize(820, 480);
        if (p->List()->GetItemCount() != 100'000)
            std::abort();
        return p;
    }();
    return *picker;
}

void BM_PickerNarrow100k(benchmark::State& state) {
    CPaletteListDlg& p = Picker();
    for (auto _ : state) {
        state.PauseTiming();
        p.SearchBox()->setText("sp00");
        state.ResumeTiming();
        p.SearchBox()->setText("sp001");
    }
    state.counters["rows"] = p.List()->GetItemCount();
}
BENCHMARK(BM_PickerNarrow100k)->Unit(benchmark::kMillisecond);

void BM_PickerCleared100k(benchmark::State& state) {
    CPaletteListDlg& p = Picker();
    for (auto _ : state) {
        state.PauseTiming();
        p.SearchBox()->setText("sp001");
        state.ResumeTiming();
        p.SearchBox()->clear();
    }
    state.counters["rows"] = p.List()->GetItemCount();
}
BENCHMARK(BM_PickerCleared100k)->Unit(benchmark::kMillisecond);

// Baseline: the four lower-cased search texts of every goods item scanned for "sp001".
void BM_PickerNarrow100k_Baseline(benchmark::State& state) {
    Picker();
    static std::vector<std::string> texts = [] {
        std::vector<std::string> out;
        CDataStore store;
        if (!store.ConnectMain() || !ForEachGoods(store, "所有商品", [&](const GoodsRecord& g) {
                for (std::string_view t : GoodsSearchTexts(g))
                    out.push_back(FoldSearchText(t));
            }))
            std::abort();
        return out;
    }();
    for (auto _ : state) {
        std::vector<size_t> found;
        for (size_t i = 0; i < texts.size(); i += 4)
            for (size_t j = i; j < i + 4; ++j)
                if (texts[j].find("sp001") != std::string::npos) {
                    found.push_back(i / 4);
                    break;
                }
        benchmark::DoNotOptimize(found.data());
    }
}
BENCHMARK(BM_PickerNarrow100k_Baseline)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
