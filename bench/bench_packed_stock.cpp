// The stock view with 折合 (each row's quantity told in its goods' units), 20,000 goods in 3
// warehouses with units for a share of the goods, beside the same view without 折合 in the same
// run. The data set is the history one; the units are added to it once (a third of the goods
// come in 箱 of 12, a tenth in 包 of 6 too).
#include "BenchData.h"

#include "query/StockView.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {
void UseHistoryWithUnits() {
    UseDataSet("history", HistoryDataSet(), false);
    static bool added = false;
    if (added)
        return;
    added = true;
    // Opened once through the program, so the folder is on the schema with the units table.
    if (!LoadGoodsPacking())
        std::abort();
    CBareDb db("Data/main_data.tdb");
    const char* sql = "BEGIN;"
                      "insert or ignore into GoodsUnit(Product_ID, Unit, Factor)"
                      " select Code, '箱', '12' from ferix_product where Id % 3 = 0;"
                      "insert or ignore into GoodsUnit(Product_ID, Unit, Factor)"
                      " select Code, '包', '6' from ferix_product where Id % 10 = 0;"
                      "COMMIT;";
    if (sqlite3_exec(db.Get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        std::abort();
}

// The rows the window tells 折合 for: the list tells it only for rows drawn or measured, and its
// column fitter measures the first 100 and the last 3 (the 60 from the first row shown are
// among them when the list opens).
constexpr size_t kTopRows = 100, kBottomRows = 3;

// The cells the window shows: value columns, 合计 row and, with `packed`, the units read with
// the rows and 折合 of the rows the window asks for.
void StockView(benchmark::State& state, bool packed) {
    UseHistoryWithUnits();
    size_t rows = 0;
    for (auto _ : state) {
        std::optional<CGoodsPacking> packing;
        auto list = LoadStockViewCells(kAllWarehouses, "所有商品", packed ? &packing : nullptr);
        if (!list || (packed && !packing)) {
            state.SkipWithError("the stock view could not be read");
            break;
        }
        std::vector<std::vector<std::string>>& cells = *list;
        std::vector<std::string> packedTexts;
        if (packed) {
            for (size_t i = 0; i < cells.size(); ++i) {
                if (i < kTopRows || i + kBottomRows >= cells.size())
                    packedTexts.push_back(StockPackedText(cells[i], *packing));
            }
        }
        rows = cells.size();
        cells.push_back(StockViewTotalCells(cells));
        benchmark::DoNotOptimize(cells.data());
        benchmark::DoNotOptimize(packedTexts.data());
    }
    if (rows != 60'000)
        state.SkipWithError("not 60,000 stock rows");
    state.counters["rows"] = static_cast<double>(rows);
}

void BM_StockViewPacked20kx3(benchmark::State& state) {
    StockView(state, true);
}

void BM_StockViewPacked20kx3_Baseline(benchmark::State& state) {
    StockView(state, false);
}
} // namespace

BENCHMARK(BM_StockViewPacked20kx3_Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StockViewPacked20kx3)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
