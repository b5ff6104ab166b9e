// The query windows on large data sets, each beside a bare statement of the same run:
// - stock view contents with their value columns and total row, 20,000 goods in 3 warehouses,
//   against one bare SELECT of every StockPile row into the same records;
// - bill history of one month out of 100,000 bills over three years, against a bare SELECT of
//   that month's headers;
// - statistics by goods over 1,000,000 purchase detail rows of one year, against a bare
//   GROUP BY over the same rows.
#include "BenchData.h"

#include "query/History.h"
#include "query/Reports.h"
#include "query/StockView.h"
#include "store/CDataStore.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {
// One year up to the day the data sets end (2026-12-07).
constexpr const char* kYearFrom = "2025-12-08";
constexpr const char* kYearTo = "2026-12-07";
// A month in the middle of the three years of bills.
constexpr const char* kMonthFrom = "2025-06-01";
constexpr const char* kMonthTo = "2025-06-30";

std::string Text(sqlite3_stmt* st, int column) {
    auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
    return p ? std::string(p) : std::string();
}

void BindText(sqlite3_stmt* st, int index, const char* value) {
    sqlite3_bind_text(st, index, value, -1, SQLITE_STATIC);
}

void UseHistory() {
    UseDataSet("history", HistoryDataSet(), false);
}

void UseStatistics() {
    static bool checked = false;
    UseDataSet("statistics", StatisticsDataSet(), false);
    if (checked)
        return;
    checked = true;
    CBareDb db("Data/main_data.tdb");
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db.Get(),
                       "select count(*) from EnterStock_Detail where Bill_Date between ? and ?", -1,
                       &st, nullptr);
    BindText(st, 1, kYearFrom);
    BindText(st, 2, kYearTo);
    if (sqlite3_step(st) != SQLITE_ROW || sqlite3_column_int64(st, 0) != 1'000'000)
        std::abort();
    sqlite3_finalize(st);
}

void BM_StockView20kx3(benchmark::State& state) {
    UseHistory();
    size_t rows = 0;
    for (auto _ : state) {
        auto list = LoadStockView(kAllWarehouses, "所有商品");
        if (!list) {
            state.SkipWithError("the stock view could not be read");
            break;
        }
        // The cells the window shows, value columns and 合计 row included.
        std::vector<std::vector<std::string>> cells;
        cells.reserve(list->size() + 1);
        for (const StockRecord& r : *list)
            cells.push_back(StockViewCells(r));
        cells.push_back(StockViewTotalCells(*list));
        benchmark::DoNotOptimize(cells.data());
        rows = list->size();
    }
    if (rows != 60'000)
        state.SkipWithError("not 60,000 stock rows");
    state.counters["rows"] = static_cast<double>(rows);
}

void BM_StockView20kx3_Baseline(benchmark::State& state) {
    UseHistory();
    size_t rows = 0;
    for (auto _ : state) {
        CBareDb db("Data/main_data.tdb");
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db.Get(),
                           "select Id, StoreHouse, ProductCode, ProductName, FirstEnterTime,"
                           " LastLeaveTime, Number, Price, CostPrice from StockPile",
                           -1, &st, nullptr);
        std::vector<StockRecord> list;
        while (sqlite3_step(st) == SQLITE_ROW)
            list.push_back({Text(st, 0), Text(st, 1), Text(st, 2), Text(st, 3), Text(st, 4),
                            Text(st, 5), Text(st, 6), Text(st, 7), Text(st, 8)});
        sqlite3_finalize(st);
        rows = list.size();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void BM_HistoryOneMonth(benchmark::State& state) {
    UseHistory();
    size_t rows = 0;
    for (auto _ : state) {
        auto bills = QueryHistory("run_caigou", kMonthFrom, kMonthTo);
        auto total = HistoryTotalRow(bills);
        benchmark::DoNotOptimize(total);
        rows = bills.size();
    }
    if (rows == 0)
        state.SkipWithError("no bills in the month");
    state.counters["bills"] = static_cast<double>(rows);
}

void BM_HistoryOneMonth_Baseline(benchmark::State& state) {
    UseHistory();
    size_t rows = 0;
    for (auto _ : state) {
        CBareDb db("Data/main_data.tdb");
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db.Get(),
                           "select Canceled, Bill_ID, Bill_Date, Customer, Department, Warehouse,"
                           " Employee, Introduction, Number, Total, Bank, Pay from EnterStock"
                           " where Bill_Date between ? and ?",
                           -1, &st, nullptr);
        BindText(st, 1, kMonthFrom);
        BindText(st, 2, kMonthTo);
        std::vector<BillHeaderRecord> bills;
        while (sqlite3_step(st) == SQLITE_ROW)
            bills.push_back({Text(st, 0), Text(st, 1), Text(st, 2), Text(st, 3), Text(st, 4),
                             Text(st, 5), Text(st, 6), Text(st, 7), Text(st, 8), Text(st, 9),
                             Text(st, 10), Text(st, 11)});
        sqlite3_finalize(st);
        rows = bills.size();
    }
    state.counters["bills"] = static_cast<double>(rows);
}

void BM_StatisticsByGoods1M(benchmark::State& state) {
    UseStatistics();
    const ReportKind* kind = FindReportKindByCliName("purchase-goods");
    size_t rows = 0;
    for (auto _ : state) {
        ReportResult result = RunReport(*kind, kYearFrom, kYearTo);
        if (!result.ok) {
            state.SkipWithError("the report failed");
            break;
        }
        rows = result.rows.size();
    }
    state.counters["groups"] = static_cast<double>(rows);
}

void BM_StatisticsByGoods1M_Baseline(benchmark::State& state) {
    UseStatistics();
    size_t rows = 0;
    for (auto _ : state) {
        CBareDb db("Data/main_data.tdb");
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db.Get(),
                           "select Product_ID, Product_Name, Product_Unit, Product_Price,"
                           " sum(Product_Number) from EnterStock_Detail"
                           " where Bill_Date between ? and ? group by Product_ID",
                           -1, &st, nullptr);
        BindText(st, 1, kYearFrom);
        BindText(st, 2, kYearTo);
        std::vector<std::vector<std::string>> groups;
        while (sqlite3_step(st) == SQLITE_ROW)
            groups.push_back({Text(st, 0), Text(st, 1), Text(st, 2), Text(st, 3), Text(st, 4)});
        sqlite3_finalize(st);
        rows = groups.size();
    }
    state.counters["groups"] = static_cast<double>(rows);
}
} // namespace

BENCHMARK(BM_StockView20kx3_Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StockView20kx3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoryOneMonth_Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoryOneMonth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StatisticsByGoods1M_Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StatisticsByGoods1M)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
