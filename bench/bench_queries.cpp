// The stock view's list and a statistics report on a large data set, each against a bare
// prepared-statement loop that reads the same rows (the baseline measured in the same run).
#include "BenchData.h"
#include "app/Cferix_razazApp.h"
#include "app/ProgramFolderSetup.h"
#include "query/Reports.h"
#include "query/StockView.h"
#include "store/CDataStore.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {
constexpr int kGoods = 20000;
constexpr int kWarehouses = 2;
constexpr int kLines = 100000;

void Exec(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        std::abort();
}

// A program folder with kGoods goods in 20 classes, a stock row per goods item and warehouse,
// and kLines purchase lines over a year, made once.
void PrepareFolder() {
    static bool done = false;
    if (done)
        return;
    done = true;
    EnterNewProgramFolder();
    sqlite3* db = nullptr;
    sqlite3_open_v2("Data/main_data.tdb", &db, SQLITE_OPEN_READWRITE, nullptr);
    Exec(db, "BEGIN");
    sqlite3_stmt* goods = nullptr;
    sqlite3_prepare_v2(db, "insert into ferix_product(Code, ProductName, ClassName) values(?,?,?)",
                       -1, &goods, nullptr);
    sqlite3_stmt* stock = nullptr;
    sqlite3_prepare_v2(db,
                       "insert into StockPile(StoreHouse, ProductCode, ProductName,"
                       " FirstEnterTime, Number, Price) values(?,?,?,'26-01-05',?,'19.99')",
                       -1, &stock, nullptr);
    auto bind = [](sqlite3_stmt* st, int i, const std::string& v) {
        sqlite3_bind_text(st, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    };
    for (int i = 0; i < kGoods; ++i) {
        std::string code = "G" + std::to_string(i), name = "商品" + std::to_string(i);
        bind(goods, 1, code);
        bind(goods, 2, name);
        bind(goods, 3, "类" + std::to_string(i % 20));
        sqlite3_step(goods);
        sqlite3_reset(goods);
        for (int w = 0; w < kWarehouses; ++w) {
            bind(stock, 1, "仓库" + std::to_string(w));
            bind(stock, 2, code);
            bind(stock, 3, name);
            bind(stock, 4, std::to_string(i % 97));
            sqlite3_step(stock);
            sqlite3_reset(stock);
        }
    }
    sqlite3_stmt* line = nullptr;
    sqlite3_prepare_v2(db,
                       "insert into EnterStock_Detail(Bill_ID, Bill_Date, Employee, Department,"
                       " Product_ID, Product_Name, Product_Number, Product_Unit, Product_Price,"
                       " Base_Number) values(?,?,?,'采购部',?,?,?,'个','19.99',?6)",
                       -1, &line, nullptr);
    for (int i = 0; i < kLines; ++i) {
        char date[16];
        std::snprintf(date, sizeof date, "2026-%02d-%02d", i % 12 + 1, i % 28 + 1);
        bind(line, 1, "JH-" + std::to_string(i / 5));
        bind(line, 2, date);
        bind(line, 3, "员工" + std::to_string(i % 50));
        bind(line, 4, "G" + std::to_string(i % kGoods));
        bind(line, 5, "商品");
        bind(line, 6, std::to_string(i % 9 + 1));
        sqlite3_step(line);
        sqlite3_reset(line);
    }
    sqlite3_finalize(goods);
    sqlite3_finalize(stock);
    sqlite3_finalize(line);
    Exec(db, "COMMIT");
    sqlite3_close_v2(db);
}

// Reads every row of a statement into texts, as a list would need them.
size_t BareRead(const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2("Data/main_data.tdb", &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    std::vector<std::vector<std::string>> rows;
    while (sqlite3_step(st) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            const unsigned char* t = sqlite3_column_text(st, c);
            row.emplace_back(t ? reinterpret_cast<const char*>(t) : "");
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    sqlite3_close_v2(db);
    return rows.size();
}

void BM_StockViewAllGoods(benchmark::State& state) {
    PrepareFolder();
    size_t rows = 0;
    for (auto _ : state) {
        auto list = LoadStockView("全部", "所有商品");
        rows = list ? list->size() : 0;
        benchmark::DoNotOptimize(list);
    }
    if (rows != static_cast<size_t>(kGoods * kWarehouses))
        state.SkipWithError("wrong row count");
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(rows));
}

// Baseline: the stock pile read whole, without the join on the goods list.
void BM_StockPileBareRead(benchmark::State& state) {
    PrepareFolder();
    size_t rows = 0;
    for (auto _ : state)
        rows = BareRead("select Id, StoreHouse, ProductCode, ProductName, FirstEnterTime,"
                        " LastLeaveTime, Number, Price from StockPile");
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(rows));
}

void BM_PurchaseReportByGoods(benchmark::State& state) {
    PrepareFolder();
    const ReportKind* kind = FindReportKind("run_caigou_product");
    for (auto _ : state) {
        auto result = RunReport(*kind, "2026-01-01", "2026-12-31");
        if (result.rows.size() != static_cast<size_t>(kGoods) + 1)
            state.SkipWithError("wrong group count");
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}

// Baseline: the same lines read into texts, without grouping or ordering.
void BM_PurchaseLinesBareRead(benchmark::State& state) {
    PrepareFolder();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            BareRead("select Product_ID, Product_Name, Product_Number, Product_Unit,"
                     " Product_atch, Product_Date, Product_Price, Product_BarCode, Product_Note"
                     " from EnterStock_Detail where Bill_Date between '2026-01-01' and"
                     " '2026-12-31' order by Id"));
    state.SetItemsProcessed(state.iterations() * kLines);
}
} // namespace

BENCHMARK(BM_StockViewAllGoods)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StockPileBareRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PurchaseReportByGoods)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PurchaseLinesBareRead)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
