// The sales profit report by goods over 1,000,000 sale lines of one year (and 50,000 sale-return
// lines), against a bare GROUP BY over the same rows measured in the same run.
#include "BenchData.h"

#include "app/ProgramFolderSetup.h"
#include "cost/ProfitReport.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
constexpr int kGoods = 20'000;
constexpr int kSaleLines = 1'000'000;
constexpr int kReturnLines = 50'000;
constexpr const char* kFrom = "2026-01-01";
constexpr const char* kTo = "2026-12-31";

std::string Money2(int64_t cents) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld.%02lld", static_cast<long long>(cents / 100),
                  static_cast<long long>(cents % 100));
    return buf;
}

// The lines are written straight into a fresh program folder (a report reads rows, however they
// were posted), once, and kept beside the other data sets.
void UseProfitDataSet() {
    static bool ready = false;
    if (ready)
        return;
    ready = true;
    const char* env = std::getenv("FERIX_BENCH_CACHE");
    const fs::path root = env && *env
                              ? fs::path(env)
                              : fs::read_symlink("/proc/self/exe").parent_path() / "bench-data";
    const fs::path dir = root / "profit-v3";
    if (!fs::exists(dir / "complete")) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        std::string error;
        if (!CreateProgramFolder(dir, &error)) {
            std::fprintf(stderr, "cannot make the profit data set: %s\n", error.c_str());
            std::abort();
        }
        fs::current_path(dir);
        CBareDb db("Data/main_data.tdb");
        sqlite3_exec(db.Get(), "BEGIN", nullptr, nullptr, nullptr);
        std::mt19937 rng(20261208);
        for (const char* table : {"EnterSale_Detail", "BackSale_Detail"}) {
            const std::string sql =
                std::string("insert into ") + table +
                "(Canceled, Bill_ID, Bill_Date, Customer, Department, Employee, Warehouse,"
                " Product_ID, Product_Name, Product_Unit, Product_Number, Product_Price,"
                " Product_Total, Product_Cost, Base_Number) values('0', ?, ?, ?, '销售部', ?,"
                " '一号仓库', ?, ?, '个', ?7, ?, ?, ?, ?7)";
            sqlite3_stmt* st = bare::Prepare(db, sql.c_str());
            const int lines = table[0] == 'E' ? kSaleLines : kReturnLines;
            for (int i = 0; i < lines; ++i) {
                const int goods = static_cast<int>(rng() % kGoods);
                const int64_t quantity = 1 + rng() % 20;
                const int64_t price = 100 + goods % 5000; // cents
                const int64_t cost = price * (60 + goods % 30) / 100;
                // Posted day by day, as a shop's lines are: 12 months of 28 days.
                const int day = static_cast<int>(static_cast<int64_t>(i) * 336 / lines);
                char date[16];
                std::snprintf(date, sizeof date, "2026-%02d-%02d", 1 + day / 28, 1 + day % 28);
                bare::Bind(st, 1, "XS-" + std::to_string(i / 20));
                bare::Bind(st, 2, date);
                bare::Bind(st, 3, "客户" + std::to_string(i % 200));
                bare::Bind(st, 4, "员工" + std::to_string(i % 12));
                bare::Bind(st, 5, "G" + std::to_string(goods));
                bare::Bind(st, 6, "商品 " + std::to_string(goods));
                bare::Bind(st, 7, std::to_string(quantity));
                bare::Bind(st, 8, Money2(price));
                bare::Bind(st, 9, Money2(price * quantity));
                bare::Bind(st, 10, Money2(cost * quantity));
                bare::Run(st);
            }
            sqlite3_finalize(st);
        }
        sqlite3_exec(db.Get(), "COMMIT", nullptr, nullptr, nullptr);
        std::FILE* mark = std::fopen("complete", "w");
        if (mark)
            std::fclose(mark);
    }
    fs::current_path(dir);
}

void BM_ProfitByGoods1M(benchmark::State& state) {
    UseProfitDataSet();
    size_t groups = 0;
    for (auto _ : state) {
        ProfitReportResult result = RunProfitReport(ProfitKey::Goods, kFrom, kTo);
        if (!result.ok) {
            state.SkipWithError("the report failed");
            break;
        }
        groups = result.rows.size();
    }
    state.counters["groups"] = static_cast<double>(groups);
}

// The same sums by SQL alone (floating-point, which is why the report does not use it).
void BM_ProfitByGoods1M_Baseline(benchmark::State& state) {
    UseProfitDataSet();
    size_t groups = 0;
    for (auto _ : state) {
        CBareDb db("Data/main_data.tdb");
        std::vector<std::vector<std::string>> rows;
        for (const char* table : {"EnterSale_Detail", "BackSale_Detail"}) {
            const std::string sql =
                std::string("select Product_ID, Product_Name, Product_Unit, sum(Product_Number),"
                            " sum(Product_Total), sum(Product_Cost) from ") +
                table + " where Bill_Date between ? and ? group by Product_ID";
            sqlite3_stmt* st = bare::Prepare(db, sql.c_str());
            bare::Bind(st, 1, kFrom);
            bare::Bind(st, 2, kTo);
            while (sqlite3_step(st) == SQLITE_ROW) {
                std::vector<std::string> row;
                for (int c = 0; c < 6; ++c) {
                    auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
                    row.emplace_back(p ? p : "");
                }
                rows.push_back(std::move(row));
            }
            sqlite3_finalize(st);
        }
        groups = rows.size();
    }
    state.counters["groups"] = static_cast<double>(groups);
}
} // namespace

BENCHMARK(BM_ProfitByGoods1M_Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProfitByGoods1M)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
