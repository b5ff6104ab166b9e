// Posting a 1,000-line purchase bill into a data file that already holds 100,000 bills,
// against the same header, line and stock statements (and the log entries) run as bare
// prepared statements in one transaction, measured in the same run on the same file; and
// reversing such a bill, against posting it. The bare statements also run without the cost
// read and write, to show what the moving-average cost adds.
#include "BenchData.h"

#include "bills/BillReversal.h"
#include "bills/CBill.h"
#include "store/CDataStore.h"
#include "store/CostPrice.h"
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
}

CBill BigBill(const std::string& number) {
    return BigPurchaseBill(number, Goods());
}

// The statements the posting runs, as bare prepared statements: the number check, the header,
// per line the detail row, the stock look-up and the stock update; one transaction, then the
// log entries in one transaction on the other file.
class CBarePoster {
public:
    // `withCost`: the stock look-up and update also read and write the moving-average cost.
    explicit CBarePoster(bool withCost)
        : m_withCost(withCost), m_main("Data/main_data.tdb"), m_other("Data/other_data.tdb") {
        m_exists = Prepare(m_main, "select Id from EnterStock where Bill_ID = ? limit 1");
        m_header =
            Prepare(m_main, "insert into EnterStock(Canceled, Bill_ID, Bill_Date, Customer,"
                            " Department, Warehouse, Employee, Introduction, Number, Total, Bank,"
                            " Pay) values('0', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        m_line = Prepare(
            m_main,
            "insert into EnterStock_Detail(Canceled, Bill_ID, Bill_Date, Customer, Department,"
            " Employee, Warehouse, Introduction, Number, Total, Bank, Pay, Product_ID,"
            " Product_Name, Product_Number, Product_Unit, Product_atch, Product_Date,"
            " Product_Price, Product_Total, Product_Note, Product_BarCode)"
            " values('0', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        m_look = Prepare(m_main, withCost ? "select Number, CostPrice from StockPile"
                                            " where StoreHouse = ? and ProductCode = ?"
                                          : "select Number from StockPile"
                                            " where StoreHouse = ? and ProductCode = ?");
        m_update = Prepare(m_main, withCost ? "update StockPile set Number = ?, CostPrice = ?"
                                              " where StoreHouse = ? and ProductCode = ?"
                                            : "update StockPile set Number = ?"
                                              " where StoreHouse = ? and ProductCode = ?");
        m_log = Prepare(m_other, "insert into Log(Event, User, Time) values(?, ?, ?)");
    }
    ~CBarePoster() {
        for (sqlite3_stmt* st : {m_exists, m_header, m_line, m_look, m_update, m_log})
            sqlite3_finalize(st);
    }

    void Post(const std::string& number) {
        sqlite3_exec(m_main.Get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        Bind(m_exists, 1, number);
        Run(m_exists);
        const std::vector<std::string> h = {
            number, "2026-12-07", "上海华东电子有限公司", "采购部", "二号仓库", "张伟", "",
            "3000", "59970.00",   "中国工商银行",         "0.00"};
        for (size_t i = 0; i < h.size(); ++i)
            Bind(m_header, static_cast<int>(i + 1), h[i]);
        Run(m_header);
        for (const GoodsRecord& g : Goods()) {
            const std::vector<std::string> d = {number,
                                                "2026-12-07",
                                                "上海华东电子有限公司",
                                                "采购部",
                                                "张伟",
                                                "二号仓库",
                                                g.Note,
                                                "3000",
                                                "59970.00",
                                                "中国工商银行",
                                                "0.00",
                                                g.Code,
                                                g.ProductName,
                                                "3",
                                                g.Unit,
                                                "",
                                                "",
                                                g.PriceIn,
                                                "59.97",
                                                g.Note,
                                                g.BarCode};
            for (size_t i = 0; i < d.size(); ++i)
                Bind(m_line, static_cast<int>(i + 1), d[i]);
            Run(m_line);
            Bind(m_look, 1, "二号仓库");
            Bind(m_look, 2, g.Code);
            int64_t current = 0;
            CMoney cost;
            if (sqlite3_step(m_look) == SQLITE_ROW) {
                current = sqlite3_column_int64(m_look, 0);
                if (m_withCost)
                    cost = CMoney::ParseOrZero(
                        reinterpret_cast<const char*>(sqlite3_column_text(m_look, 1)));
            }
            sqlite3_reset(m_look);
            int column = 0;
            Bind(m_update, ++column, std::to_string(current + 3));
            if (m_withCost) {
                const CMoney price = CMoney::ParseOrZero(g.PriceIn);
                Bind(m_update, ++column,
                     AverageCost(current, cost, 3, *price.TimesQuantity(3))->Format4());
            }
            Bind(m_update, ++column, "二号仓库");
            Bind(m_update, ++column, g.Code);
            Run(m_update);
        }
        sqlite3_exec(m_main.Get(), "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_exec(m_other.Get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        for (int i = 0; i < kLines; ++i) {
            Bind(m_log, 1, "进货操作");
            Bind(m_log, 2, "admin");
            Bind(m_log, 3, FormatNow("%y-%m-%d %H:%M:%S"));
            Run(m_log);
        }
        sqlite3_exec(m_other.Get(), "COMMIT", nullptr, nullptr, nullptr);
    }

private:
    bool m_withCost;
    CBareDb m_main, m_other;
    sqlite3_stmt *m_exists, *m_header, *m_line, *m_look, *m_update, *m_log;
};

void BM_PostPurchaseBill(benchmark::State& state) {
    Prepare();
    static int n = 0; // the benchmark runs several times; numbers must stay unique
    for (auto _ : state) {
        state.PauseTiming();
        CBill bill = BigBill("JH-BENCH-" + std::to_string(++n));
        state.ResumeTiming();
        if (bill.Save() != PostOutcome::Posted) {
            state.SkipWithError("posting failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}

void BM_PostPurchaseBill_Baseline(benchmark::State& state) {
    Prepare();
    CBarePoster bare(true);
    static int n = 0;
    for (auto _ : state)
        bare.Post("BARE-" + std::to_string(++n));
    state.SetItemsProcessed(state.iterations() * kLines);
}

// The same statements without the cost: what the cost update adds to a posting.
void BM_PostPurchaseBill_BaselineNoCost(benchmark::State& state) {
    Prepare();
    CBarePoster bare(false);
    static int n = 0;
    for (auto _ : state)
        bare.Post("BARE-NOCOST-" + std::to_string(++n));
    state.SetItemsProcessed(state.iterations() * kLines);
}

// Each reversal undoes a bill posted just before it (not timed): its red bill, the marks and
// the stock taken out again, line by line, then the log entry.
void BM_ReversePurchaseBill(benchmark::State& state) {
    Prepare();
    static int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        CBill bill = BigBill("JH-REVERSE-" + std::to_string(++n));
        if (bill.Save() != PostOutcome::Posted) {
            state.SkipWithError("posting failed");
            break;
        }
        state.ResumeTiming();
        if (!ReverseBill(BillKind::Purchase, bill.m_number)) {
            state.SkipWithError("reversal failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}

} // namespace

BENCHMARK(BM_PostPurchaseBill_BaselineNoCost)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_PostPurchaseBill_Baseline)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_PostPurchaseBill)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ReversePurchaseBill)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_MAIN();
