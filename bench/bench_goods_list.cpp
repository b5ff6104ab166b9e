// Filling the goods window's list with 100,000 goods (all of them, and one class of them),
// against a bare prepared-statement loop reading the same rows (the baseline of the same run).
#include "BenchData.h"
#include "app/Cferix_razazApp.h"
#include "app/ProgramFolderSetup.h"
#include "basic/GoodsList.h"
#include "store/CDataStore.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {
constexpr int kGoods = 100'000;
constexpr int kClasses = 50;

void PrepareFolder() {
    static bool done = false;
    if (done)
        return;
    done = true;
    EnterNewProgramFolder();
    CDataStore store;
    if (!store.ConnectMain() || !store.Begin())
        std::abort();
    for (int i = 0; i < kGoods; ++i) {
        GoodsRecord g;
        g.Code = "G" + std::to_string(i);
        g.ProductName = "Goods " + std::to_string(i);
        g.ClassName = "class " + std::to_string(i % kClasses);
        g.Unit = "个";
        g.RetailPrice = "19.99";
        g.PriceIn = "12.5";
        g.Available = "是";
        if (!store.AddGoods(g))
            std::abort();
    }
    if (!store.Commit())
        std::abort();
}

void BM_GoodsWindowAll(benchmark::State& state) {
    PrepareFolder();
    for (auto _ : state) {
        CGoodsListState list;
        list.ShowAll();
        benchmark::DoNotOptimize(list.Cell(0, 0));
    }
}
BENCHMARK(BM_GoodsWindowAll)->Unit(benchmark::kMillisecond);

void BM_GoodsWindowOneClass(benchmark::State& state) {
    PrepareFolder();
    for (auto _ : state) {
        CGoodsListState list;
        list.ShowClass("class 7");
        benchmark::DoNotOptimize(list.RowCount());
    }
}
BENCHMARK(BM_GoodsWindowOneClass)->Unit(benchmark::kMillisecond);

// Baseline: the same rows read with one prepared statement into the same records.
void BM_BareSelectLoop(benchmark::State& state) {
    PrepareFolder();
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2("Data/main_data.tdb", &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "select * from ferix_product order by Id", -1, &st, nullptr);
        std::vector<GoodsRecord> rows;
        while (sqlite3_step(st) == SQLITE_ROW) {
            GoodsRecord g;
            auto text = [&](int c) {
                auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
                return p ? std::string(p) : std::string();
            };
            g.Id = text(0);
            g.Code = text(1);
            g.ProductName = text(2);
            g.ClassName = text(4);
            for (int c = 5; c < 27; ++c)
                benchmark::DoNotOptimize(text(c));
            rows.push_back(std::move(g));
        }
        sqlite3_finalize(st);
        sqlite3_close(db);
        benchmark::DoNotOptimize(rows.size());
    }
}
BENCHMARK(BM_BareSelectLoop)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
