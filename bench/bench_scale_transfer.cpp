// Posting a 1,000-line transfer into a data file that already holds 100,000 bills, against the
// same number check, line inserts and stock statements (and the log entries) run as bare
// prepared statements in one transaction, measured in the same run on the same file.
#include "BenchData.h"

#include "bills/CBill.h"
#include "store/CDataStore.h"
#include "text/Clock.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {
using bare::Bind;
using bare::Prepare;
using bare::Run;
constexpr int kLines = 1000;
constexpr const char* kFrom = "一号仓库";
constexpr const char* kTo = "二号仓库";

std::vector<GoodsRecord>& Goods() {
    static std::vector<GoodsRecord> goods;
    return goods;
}

void Prepare() {
    static bool done = false;
    if (done)
        return;
    done = true;
    UseDataSet("history", HistoryDataSet(), true);
    CDataStore store;
    std::vector<GoodsRecord> all;
    if (!store.ConnectMain() || !store.ListGoods("所有商品", all) || all.size() < kLines)
        std::abort();
    Goods().assign(all.begin(), all.begin() + kLines);
    // Enough stock in the source for every transfer of the run (not timed).
    CBill purchase(BillKind::Purchase);
    purchase.m_number = "JH-TRANSFER-STOCK";
    purchase.m_customer = "上海华东电子有限公司";
    purchase.m_department = "采购部";
    purchase.m_warehouse = kFrom;
    purchase.m_employee = "张伟";
    purchase.m_account = "中国工商银行";
    purchase.m_paid = "0.00";
    for (const GoodsRecord& g : Goods()) {
        purchase.AppendGoods(g);
        purchase.m_lines.back().quantity = "100000";
        purchase.m_lines.back().unit = g.Unit;
    }
    if (purchase.Save() != PostOutcome::Posted)
        std::abort();
}

CBill BigTransfer(const std::string& number) {
    CBill bill(BillKind::Transfer);
    bill.m_number = number;
    bill.m_warehouse = kFrom;
    bill.m_toWarehouse = kTo;
    bill.m_department = "仓储部";
    bill.m_employee = "张伟";
    bill.m_introduction = "补货";
    for (const GoodsRecord& g : Goods()) {
        bill.AppendGoods(g);
        bill.m_lines.back().quantity = "3";
        bill.m_lines.back().unit = g.Unit;
    }
    return bill;
}

// The statements the posting runs, as bare prepared statements: the number check, per line
// the row insert, the source's price and quantity, its update, the target's quantity and its
// update; one transaction, then the log entries in one transaction on the other file.
class CBareTransfer {
public:
    CBareTransfer() : m_main("Data/main_data.tdb"), m_other("Data/other_data.tdb") {
        m_exists = Prepare(m_main, "select Id from YiKuDan where Bill_ID = ? limit 1");
        m_line = Prepare(m_main,
                         "insert into YiKuDan(Canceled, Bill_ID, Bill_Date, Department, Employee,"
                         " Warehouse, ToWarehouse, Introduction, Number, Product_ID, Product_Name,"
                         " Product_Number, Product_Unit, Product_Note, Product_BarCode)"
                         " values('0', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        m_price =
            Prepare(m_main, "select Price from StockPile where StoreHouse = ? and ProductCode = ?");
        m_look = Prepare(m_main,
                         "select Number from StockPile where StoreHouse = ? and ProductCode = ?");
        m_leave = Prepare(m_main, "update StockPile set Number = ?, LastLeaveTime = ?"
                                  " where StoreHouse = ? and ProductCode = ?");
        m_update = Prepare(
            m_main, "update StockPile set Number = ? where StoreHouse = ? and ProductCode = ?");
        m_log = Prepare(m_other, "insert into Log(Event, User, Time) values(?, ?, ?)");
    }
    ~CBareTransfer() {
        for (sqlite3_stmt* st : {m_exists, m_line, m_price, m_look, m_leave, m_update, m_log})
            sqlite3_finalize(st);
    }

    void Post(const std::string& number) {
        sqlite3_exec(m_main.Get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        Bind(m_exists, 1, number);
        Run(m_exists);
        for (const GoodsRecord& g : Goods()) {
            const std::vector<std::string> d = {
                number, "2026-12-07", "仓储部",      "张伟", kFrom,  kTo,    "补货",
                "3000", g.Code,       g.ProductName, "3",    g.Unit, g.Note, g.BarCode};
            for (size_t i = 0; i < d.size(); ++i)
                Bind(m_line, static_cast<int>(i + 1), d[i]);
            Run(m_line);
            Bind(m_price, 1, kFrom);
            Bind(m_price, 2, g.Code);
            Run(m_price);
            const int64_t from = Quantity(kFrom, g.Code);
            Bind(m_leave, 1, std::to_string(from - 3));
            Bind(m_leave, 2, FormatNow("%y-%m-%d"));
            Bind(m_leave, 3, kFrom);
            Bind(m_leave, 4, g.Code);
            Run(m_leave);
            const int64_t to = Quantity(kTo, g.Code);
            Bind(m_update, 1, std::to_string(to + 3));
            Bind(m_update, 2, kTo);
            Bind(m_update, 3, g.Code);
            Run(m_update);
        }
        sqlite3_exec(m_main.Get(), "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_exec(m_other.Get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        for (int i = 0; i < kLines; ++i) {
            Bind(m_log, 1, "移库操作");
            Bind(m_log, 2, "admin");
            Bind(m_log, 3, FormatNow("%y-%m-%d %H:%M:%S"));
            Run(m_log);
        }
        sqlite3_exec(m_other.Get(), "COMMIT", nullptr, nullptr, nullptr);
    }

private:
    int64_t Quantity(const char* warehouse, const std::string& code) {
        Bind(m_look, 1, warehouse);
        Bind(m_look, 2, code);
        int64_t n = 0;
        if (sqlite3_step(m_look) == SQLITE_ROW)
            n = sqlite3_column_int64(m_look, 0);
        sqlite3_reset(m_look);
        return n;
    }

    CBareDb m_main, m_other;
    sqlite3_stmt *m_exists, *m_line, *m_price, *m_look, *m_leave, *m_update, *m_log;
};

void BM_PostTransfer(benchmark::State& state) {
    Prepare();
    static int n = 0; // the benchmark runs several times; numbers must stay unique
    for (auto _ : state) {
        state.PauseTiming();
        CBill bill = BigTransfer("YK-BENCH-" + std::to_string(++n));
        state.ResumeTiming();
        if (bill.Save() != PostOutcome::Posted) {
            state.SkipWithError("posting failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}

void BM_PostTransfer_Baseline(benchmark::State& state) {
    Prepare();
    CBareTransfer bare;
    static int n = 0;
    for (auto _ : state)
        bare.Post("YK-BARE-" + std::to_string(++n));
    state.SetItemsProcessed(state.iterations() * kLines);
}

} // namespace

BENCHMARK(BM_PostTransfer_Baseline)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_PostTransfer)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_MAIN();
