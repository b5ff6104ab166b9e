// Reports over one year of a shop ten years in (10,000,000 sale lines, 100,000 goods): sales
// statistics and profit by goods as the program reads them (whole months from the monthly
// summaries), beside the same readers over the lines alone and a bare GROUP BY over the same
// year's lines measured in the same run; and a 1,000-line sale posted with the summaries' upkeep
// beside the same posting without it. With $FERIX_BENCH_PG, the same on the server.
#include "BenchData.h"
#include "DecadeData.h"
#include "ServerBenchData.h"

#include "bills/CBill.h"
#include "cost/ProfitReport.h"
#include "query/Reports.h"
#include "store/CDataStore.h"
#include "store/LineSummary.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
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

void BM_DecadeSaleStatisticsByGoods(benchmark::State& state, bool server, bool summaries) {
    UseSet(server);
    UseLineSummaries(summaries);
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

void BM_DecadeProfitByGoods(benchmark::State& state, bool server, bool summaries) {
    UseSet(server);
    UseLineSummaries(summaries);
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

// A sale of 1,000 lines (the first thousand goods, two of each) posted on a copy of the set,
// with the summaries kept or not.
void BM_DecadePostSale(benchmark::State& state, bool server, bool summaries) {
    if (server) {
        UseServerDataSet(ServerDecadeDataSet(), true); // the run's copy, never the set
    } else {
        static const std::filesystem::path copy = UseDecadeDataSet(true);
        std::filesystem::current_path(copy); // never the cached set itself
    }
    UseLineSummaries(summaries);
    std::vector<GoodsRecord> goods;
    CBill bill(BillKind::Sale);
    CDataStore store;
    if (!store.ConnectMain() ||
        !store.Run("select Customer, Department, Employee, Warehouse, Bank from EnterSale order by"
                   " Id limit 1",
                   {},
                   [&](const CStatement& st) {
                       bill.m_customer = st.Text(0);
                       bill.m_department = st.Text(1);
                       bill.m_employee = st.Text(2);
                       bill.m_warehouse = st.Text(3);
                       bill.m_account = st.Text(4);
                   }) ||
        !store.Run("select Code, ProductName, Unit from ferix_product order by Id limit 1000", {},
                   [&](const CStatement& st) {
                       GoodsRecord g;
                       g.Code = st.Text(0);
                       g.ProductName = st.Text(1);
                       g.Unit = st.Text(2);
                       goods.push_back(g);
                   })) {
        state.SkipWithError("no goods");
        return;
    }
    for (const GoodsRecord& g : goods) {
        bill.AppendGoods(g);
        bill.m_lines.back().quantity = "2";
        bill.m_lines.back().price = "9.90";
    }
    for (auto _ : state) {
        CBill posted = bill;
        posted.m_number = NewBillNumber(BillKind::Sale);
        if (posted.Save() != PostOutcome::Posted) {
            state.SkipWithError("posting failed");
            break;
        }
    }
    UseLineSummaries(true);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(goods.size()));
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
        [](benchmark::State& s) { BM_DecadeSaleStatisticsByGoods(s, false, true); });
    add("BM_DecadeSaleStatisticsByGoods_Lines",
        [](benchmark::State& s) { BM_DecadeSaleStatisticsByGoods(s, false, false); });
    add("BM_DecadeProfitByGoods",
        [](benchmark::State& s) { BM_DecadeProfitByGoods(s, false, true); });
    add("BM_DecadeProfitByGoods_Lines",
        [](benchmark::State& s) { BM_DecadeProfitByGoods(s, false, false); });
    add("BM_DecadePostSale", [](benchmark::State& s) { BM_DecadePostSale(s, false, true); });
    add("BM_DecadePostSale_NoSummaries",
        [](benchmark::State& s) { BM_DecadePostSale(s, false, false); });
    if (!BenchServer().empty()) {
        add("BM_DecadeByGoods_ServerBaseline", BM_DecadeByGoods_ServerBaseline);
        add("BM_DecadeSaleStatisticsByGoods_Server",
            [](benchmark::State& s) { BM_DecadeSaleStatisticsByGoods(s, true, true); });
        add("BM_DecadeSaleStatisticsByGoods_ServerLines",
            [](benchmark::State& s) { BM_DecadeSaleStatisticsByGoods(s, true, false); });
        add("BM_DecadeProfitByGoods_Server",
            [](benchmark::State& s) { BM_DecadeProfitByGoods(s, true, true); });
        add("BM_DecadeProfitByGoods_ServerLines",
            [](benchmark::State& s) { BM_DecadeProfitByGoods(s, true, false); });
        add("BM_DecadePostSale_Server",
            [](benchmark::State& s) { BM_DecadePostSale(s, true, true); });
        add("BM_DecadePostSale_ServerNoSummaries",
            [](benchmark::State& s) { BM_DecadePostSale(s, true, false); });
    } else {
        std::cout << "bench_decade: the server rows skipped (FERIX_BENCH_PG is not set)\n";
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
