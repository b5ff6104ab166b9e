// What each business unit owes and is owed, over 2,000 units and 100,000 bills, and one unit's
// statement over three years, each beside bare aggregate statements over the same rows (the
// baselines, measured in the same run).
#include "BenchData.h"
#include "finance/Balances.h"
#include "store/CDataStore.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
constexpr int kUnits = 2000;
constexpr int kBills = 100000;
const char* kStatementUnit = "单位00042";

std::string UnitName(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "单位%05d", i);
    return name;
}

std::string Money(int cents) {
    char text[32];
    std::snprintf(text, sizeof text, "%d.%02d", cents / 100, cents % 100);
    return text;
}

// A program folder with kUnits units (one in three a supplier) and kBills bill headers over three
// years: sales, sale returns, purchases, purchase returns, receipts and payments, made once.
void PrepareFolder() {
    static bool done = false;
    if (done)
        return;
    done = true;
    EnterNewProgramFolder();
    CBareDb db("Data/main_data.tdb");
    sqlite3_exec(db.Get(), "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* unit = bare::Prepare(
        db, "insert into ferix_customer(CustomerCode, CustomerName, CustomerType) values(?,?,?)");
    for (int i = 0; i < kUnits; ++i) {
        bare::Bind(unit, 1, "U" + std::to_string(i));
        bare::Bind(unit, 2, UnitName(i));
        bare::Bind(unit, 3, i % 3 == 0 ? "供应商" : "客户");
        bare::Run(unit);
    }
    const char* tables[] = {"EnterSale", "BackSale", "EnterStock", "BackStock"};
    sqlite3_stmt* trade[4];
    for (int t = 0; t < 4; ++t) {
        std::string sql = std::string("insert into ") + tables[t] +
                          "(Canceled, Bill_ID, Bill_Date, Customer, Department, Warehouse,"
                          " Employee, Number, Total, Bank, Pay) values('0',?,?,?,'部','一号仓库',"
                          "'张三','3',?,?,?)";
        trade[t] = bare::Prepare(db, sql.c_str());
    }
    sqlite3_stmt* fund = bare::Prepare(
        db, "insert into FundBill(Canceled, Bill_ID, Bill_Date, Kind, Customer, Employee, Bank,"
            " Amount) values('0',?,?,?,?,'马丽',?,?)");
    const char* banks[] = {"工商银行", "建设银行", "现金"};
    for (int i = 0; i < kBills; ++i) {
        char date[16];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", 2024 + i * 3 / kBills, i % 12 + 1,
                      i % 28 + 1);
        const int u = (i * 7919) % kUnits;
        const bool supplier = u % 3 == 0;
        const int roll = i % 10;
        const std::string number = std::to_string(i);
        const std::string bank = banks[i % 3];
        if (roll >= 8) { // two in ten: money after the bill
            bare::Bind(fund, 1, (supplier ? "FK-" : "SK-") + number);
            bare::Bind(fund, 2, date);
            bare::Bind(fund, 3, supplier ? "付款" : "收款");
            bare::Bind(fund, 4, UnitName(u));
            bare::Bind(fund, 5, bank);
            bare::Bind(fund, 6, Money(1000 + i % 5000));
            bare::Run(fund);
            continue;
        }
        const int t = (supplier ? 2 : 0) + (roll == 7 ? 1 : 0); // one in ten a return
        bare::Bind(trade[t], 1, "B-" + number);
        bare::Bind(trade[t], 2, date);
        bare::Bind(trade[t], 3, UnitName(u));
        const int total = 2000 + (i % 997) * 37;
        bare::Bind(trade[t], 4, Money(total));
        bare::Bind(trade[t], 5, bank);
        bare::Bind(trade[t], 6, Money(total * (i % 4) / 4));
        bare::Run(trade[t]);
    }
    for (sqlite3_stmt* st : trade)
        sqlite3_finalize(st);
    sqlite3_finalize(fund);
    sqlite3_finalize(unit);
    sqlite3_exec(db.Get(), "COMMIT", nullptr, nullptr, nullptr);
}

void BM_BalancesOfAllUnits(benchmark::State& state) {
    PrepareFolder();
    size_t units = 0;
    for (auto _ : state) {
        CDataStore store;
        std::vector<UnitBalanceRecord> list;
        if (!store.ConnectMain() || !ListUnitBalances(store, "", list))
            state.SkipWithError("balances failed");
        units = list.size();
        benchmark::DoNotOptimize(list);
    }
    if (units != kUnits)
        state.SkipWithError("wrong unit count");
    state.SetItemsProcessed(state.iterations() * kBills);
}

// Baseline: the engine's own sums per unit and table, five bare aggregate statements, read into
// texts (no exact money, no merging of the five results).
void BM_BalancesBareAggregates(benchmark::State& state) {
    PrepareFolder();
    for (auto _ : state) {
        CBareDb db("Data/main_data.tdb");
        size_t rows = 0;
        for (const char* sql :
             {"select Customer, sum(Total), sum(Pay) from EnterSale group by Customer",
              "select Customer, sum(Total), sum(Pay) from BackSale group by Customer",
              "select Customer, sum(Total), sum(Pay) from EnterStock group by Customer",
              "select Customer, sum(Total), sum(Pay) from BackStock group by Customer",
              "select Customer, Kind, sum(Amount) from FundBill group by Customer, Kind"}) {
            sqlite3_stmt* st = bare::Prepare(db, sql);
            while (sqlite3_step(st) == SQLITE_ROW) {
                std::string a(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
                std::string b(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
                std::string c(reinterpret_cast<const char*>(sqlite3_column_text(st, 2)));
                benchmark::DoNotOptimize(a);
                ++rows;
            }
            sqlite3_finalize(st);
        }
        benchmark::DoNotOptimize(rows);
    }
    state.SetItemsProcessed(state.iterations() * kBills);
}

// A second, stricter baseline: the same money rows read bare, one scan per table, into texts
// (the engine's GROUP BY above walks the unit index and is slower than a scan).
void BM_BalancesBareScan(benchmark::State& state) {
    PrepareFolder();
    for (auto _ : state) {
        CBareDb db("Data/main_data.tdb");
        size_t rows = 0;
        for (const char* sql : {"select Customer, Total, Pay from EnterSale",
                                "select Customer, Total, Pay from BackSale",
                                "select Customer, Total, Pay from EnterStock",
                                "select Customer, Total, Pay from BackStock",
                                "select Customer, Kind, Amount from FundBill"}) {
            sqlite3_stmt* st = bare::Prepare(db, sql);
            while (sqlite3_step(st) == SQLITE_ROW) {
                std::string a(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
                std::string b(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
                std::string c(reinterpret_cast<const char*>(sqlite3_column_text(st, 2)));
                benchmark::DoNotOptimize(a);
                ++rows;
            }
            sqlite3_finalize(st);
        }
        benchmark::DoNotOptimize(rows);
    }
    state.SetItemsProcessed(state.iterations() * kBills);
}

void BM_StatementOfOneUnitOverThreeYears(benchmark::State& state) {
    PrepareFolder();
    size_t lines = 0;
    for (auto _ : state) {
        CDataStore store;
        if (!store.ConnectMain())
            state.SkipWithError("no data file");
        auto s = StatementOf(store, kStatementUnit, "2024-01-01", "2026-12-31");
        lines = s ? s->Lines.size() : 0;
        benchmark::DoNotOptimize(s);
    }
    if (lines == 0)
        state.SkipWithError("empty statement");
    state.counters["documents"] = static_cast<double>(lines);
}

// Baseline: the same unit's rows of the five tables read bare by the unit's index.
void BM_StatementBareRead(benchmark::State& state) {
    PrepareFolder();
    for (auto _ : state) {
        CBareDb db("Data/main_data.tdb");
        size_t rows = 0;
        for (const char* table : {"EnterSale", "BackSale", "EnterStock", "BackStock"}) {
            std::string sql = std::string("select Bill_Date, Bill_ID, Total, Pay from ") + table +
                              " where Customer = ? and Bill_Date <= '2026-12-31'";
            sqlite3_stmt* st = bare::Prepare(db, sql.c_str());
            bare::Bind(st, 1, kStatementUnit);
            while (sqlite3_step(st) == SQLITE_ROW)
                ++rows;
            sqlite3_finalize(st);
        }
        sqlite3_stmt* st =
            bare::Prepare(db, "select Bill_Date, Bill_ID, Amount from FundBill where Customer = ?"
                              " and Bill_Date <= '2026-12-31'");
        bare::Bind(st, 1, kStatementUnit);
        while (sqlite3_step(st) == SQLITE_ROW)
            ++rows;
        sqlite3_finalize(st);
        benchmark::DoNotOptimize(rows);
    }
}
} // namespace

BENCHMARK(BM_BalancesOfAllUnits)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BalancesBareAggregates)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BalancesBareScan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StatementOfOneUnitOverThreeYears)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StatementBareRead)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
