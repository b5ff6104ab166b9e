// Finding goods as the user types and scans, over the 100,000 goods of the goods data set:
// the goods window's list narrowed by one more typed character, against a bare scan of the same
// texts (each lower-cased text searched, row after row); a barcode scanned into a purchase bill
// of 200 lines, against the bare statement that reads that goods item by its code.
#include "BenchData.h"
#include "basic/GoodsList.h"
#include "basic/GoodsSearch.h"
#include "basic/GoodsStore.h"
#include "bills/CBill.h"
#include "store/CDataStore.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
void UseGoods() {
    static bool done = false;
    if (!done)
        UseDataSet("goods", GoodsDataSet(), false);
    done = true;
}

// The goods window over all goods, read once.
CGoodsListState& GoodsWindow() {
    static CGoodsListState* list = [] {
        UseGoods();
        auto* l = new CGoodsListState;
        if (!l->ShowAll() || l->RowCount() != 100'000)
            std::abort();
        return l;
    }();
    return *list;
}

// "sp00" typed, then one more character: the codes SP000001 … SP100000 hold it, so the list
// narrows from about 10,000 rows of the 100,000 to about 1,000.
void BM_SearchNarrow100k(benchmark::State& state) {
    CGoodsListState& list = GoodsWindow();
    size_t shown = 0;
    for (auto _ : state) {
        state.PauseTiming();
        list.Search("sp00");
        state.ResumeTiming();
        list.Search("sp001");
        shown = list.RowCount();
    }
    state.counters["rows"] = double(shown);
}
BENCHMARK(BM_SearchNarrow100k)->Unit(benchmark::kMillisecond);

// Baseline: the same four texts of every goods item, lower-cased beforehand, each searched for
// the typed text, all 100,000 rows.
void BM_SearchNarrow100k_Baseline(benchmark::State& state) {
    UseGoods();
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
    size_t shown = 0;
    for (auto _ : state) {
        std::vector<size_t> found;
        for (size_t i = 0; i < texts.size(); i += 4)
            for (size_t j = i; j < i + 4; ++j)
                if (texts[j].find("sp001") != std::string::npos) {
                    found.push_back(i / 4);
                    break;
                }
        shown = found.size();
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["rows"] = double(shown);
}
BENCHMARK(BM_SearchNarrow100k_Baseline)->Unit(benchmark::kMillisecond);

std::string Barcode(int index) {
    std::string digits = "690" + std::to_string(1'000'000'000 + index + 1).substr(1);
    int sum = 0;
    for (size_t i = 0; i < digits.size(); ++i)
        sum += (digits[i] - '0') * (i % 2 ? 3 : 1);
    return digits + std::to_string((10 - sum % 10) % 10);
}

// A barcode scanned into a purchase bill that holds 200 lines: the goods looked up (the finder
// read before, as after the first scan), one more on its line, the totals.
void BM_ScanInto200Lines(benchmark::State& state) {
    UseGoods();
    CGoodsFinder finder;
    CBill bill(BillKind::Purchase);
    for (int i = 0; i < 200; ++i) {
        QuickEntryResult r = finder.Find(Barcode(i * 400));
        if (r.kind != QuickEntryResult::Kind::One)
            std::abort();
        bill.ScanGoods(r.goods);
    }
    int next = 0;
    for (auto _ : state) {
        QuickEntryResult r = finder.Find(Barcode((next++ % 200) * 400));
        bill.ScanGoods(r.goods);
        bill.RecomputeTotals();
        benchmark::DoNotOptimize(bill.m_amountTotal.data());
    }
    if (bill.m_lines.size() != 200)
        std::abort();
}
BENCHMARK(BM_ScanInto200Lines)->Unit(benchmark::kMillisecond);

// Baseline: the goods row read by a bare prepared statement by its code, on a new connection
// as every scan opens one.
void BM_ScanInto200Lines_Baseline(benchmark::State& state) {
    UseGoods();
    int next = 0;
    for (auto _ : state) {
        CBareDb db("Data/main_data.tdb");
        sqlite3_stmt* st = bare::Prepare(db, "select * from ferix_product where Code = ?");
        char code[16];
        std::snprintf(code, sizeof code, "SP%06d", (next++ % 200) * 400 + 1);
        bare::Bind(st, 1, code);
        int columns = 0;
        while (sqlite3_step(st) == SQLITE_ROW)
            for (int c = 0; c < sqlite3_column_count(st); ++c, ++columns)
                benchmark::DoNotOptimize(sqlite3_column_text(st, c));
        sqlite3_finalize(st);
        if (columns == 0)
            std::abort();
    }
}
BENCHMARK(BM_ScanInto200Lines_Baseline)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
