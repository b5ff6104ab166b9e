// Reports over one year of a shop ten years in (10,000,000 sale lines, 100,000 goods): sales
// statistics and profit by goods as the program reads them, beside a bare GROUP BY over the
// same year's lines measured in the same run.
#include "BenchData.h"
#include "DecadeData.h"
#include "ServerBenchData.h"

#include "cost/ProfitReport.h"
#include "query/Reports.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <iostream>
#include <string>
#include <vector>

namespace {
constexpr const char* kFrom = "2025-12-08";
constexpr const char* kTo = "2026-12-07";

// The set on a file, or on the server $FERIX_BENCH_PG names.
void UseSet(bool server) {
    if (server)
        UseServerDataSet(ServerDecadeDataSet(), false);
    else
        UseDecadeDataSet(false);
}

void BM_DecadeSaleStatisticsByGoods(benchmark::State& state, bool server) {
    UseSet(server);
    const ReportKind* kind = FindReportKindByCliName("sale-goods");
    size_t rows = 0;
    for (auto _ : state) {
        ReportResult result = RunReport(*kind, kFrom, kTo);
        if (!result.ok) {
            state.SkipWithError("the report failed");
            break;
        }
        rows = result.rows.size();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void BM_DecadeProfitByGoods(benchmark::State& state, bool server) {
    UseSet(server);
    size_t rows = 0;
    for (auto _ : state) {
        ProfitReportResult result = RunProfitReport(ProfitKey::Goods, kFrom, kTo);
        if (!result.ok) {
            state.SkipWithError("the report failed");
            break;
        }
        rows = result.rows.size();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

// The year's lines summed by SQL alone (floating-point sums, which the reports do not use).
void BM_DecadeByGoods_Baseline(benchmark::State& state) {
    UseDecadeDataSet(false);
    size_t rows = 0;
    for (auto _ : state) {
        CBareDb db("Data/main_data.tdb");
        sqlite3_stmt* st = bare::Prepare(
            db, "select Product_ID, min(Product_Name), sum(Base_Number), sum(Product_Total),"
                " sum(Product_Cost) from EnterSale_Detail where Bill_Date between ? and ? group"
                " by Product_ID");
        bare::Bind(st, 1, kFrom);
        bare::Bind(st, 2, kTo);
        std::vector<std::string> keys;
        while (sqlite3_step(st) == SQLITE_ROW)
            keys.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        rows = keys.size();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

// The same on the server, by the server alone.
void BM_DecadeByGoods_ServerBaseline(benchmark::State& state) {
    const std::string conninfo = UseServerDataSet(ServerDecadeDataSet(), false);
    size_t rows = 0;
    for (auto _ : state) {
        CBarePg db(conninfo);
        db.Prepare("sum", "select Product_ID, min(Product_Name), sum(Base_Number::bigint),"
                          " sum(Product_Total::numeric), sum(Product_Cost::numeric) from"
                          " EnterSale_Detail where Bill_Date between $1 and $2 group by"
                          " Product_ID");
        auto result = db.Run("sum", {kFrom, kTo});
        rows = static_cast<size_t>(PQntuples(result.get()));
    }
    state.counters["rows"] = static_cast<double>(rows);
}
} // namespace

int main(int argc, char** argv) {
    InitializeInterleaved(argc, argv);
    auto add = [](const char* name, auto fn) {
        benchmark::RegisterBenchmark(name, fn)->Unit(benchmark::kMillisecond);
    };
    add("BM_DecadeByGoods_Baseline", BM_DecadeByGoods_Baseline);
    add("BM_DecadeSaleStatisticsByGoods",
        [](benchmark::State& s) { BM_DecadeSaleStatisticsByGoods(s, false); });
    add("BM_DecadeProfitByGoods", [](benchmark::State& s) { BM_DecadeProfitByGoods(s, false); });
    if (!BenchServer().empty()) {
        add("BM_DecadeByGoods_ServerBaseline", BM_DecadeByGoods_ServerBaseline);
        add("BM_DecadeSaleStatisticsByGoods_Server",
            [](benchmark::State& s) { BM_DecadeSaleStatisticsByGoods(s, true); });
        add("BM_DecadeProfitByGoods_Server",
            [](benchmark::State& s) { BM_DecadeProfitByGoods(s, true); });
    } else {
        std::cout << "bench_decade: the server rows skipped (FERIX_BENCH_PG is not set)\n";
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
