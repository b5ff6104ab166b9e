// The data store on a PostgreSQL server ($FERIX_BENCH_PG), each figure beside bare libpq work
// of the same run:
// - posting a 1,000-line purchase bill into 100,000 bills, against the same statements
//   prepared once and run in one transaction on one connection;
// - statistics by goods over 1,000,000 purchase lines of one year, against a bare GROUP BY and
//   against only fetching those lines bare;
// - four workstations (processes) posting small sale bills of different goods at once, in bills
//   per second, beside one workstation.
// Without a server the program says so and measures nothing.
#include "BenchData.h"
#include "ServerBenchData.h"

#include "bills/CBill.h"
#include "query/Reports.h"
#include "store/CDataStore.h"
#include "store/CostPrice.h"
#include "text/Clock.h"

#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {
constexpr int kLines = 1000;
constexpr const char* kYearFrom = "2025-12-08";
constexpr const char* kYearTo = "2026-12-07";

// The history set, copied for this run (the benchmarks post into it); its goods, read once.
std::vector<GoodsRecord>& UseHistoryCopy() {
    static std::vector<GoodsRecord> goods;
    UseServerDataSet(ServerHistoryDataSet(), true);
    if (goods.empty()) {
        CDataStore store;
        if (!store.ConnectMain() || !store.ListGoods("所有商品", goods) || goods.size() < 20'000)
            std::abort();
    }
    return goods;
}

// The statements a posting runs, as bare prepared statements on one connection: the number
// check, the header, per line the detail row, the stock row read (locked) and written; one
// transaction, then the log entries in a second one.
class CBarePgPoster {
public:
    explicit CBarePgPoster(const std::string& conninfo) : m_db(conninfo) {
        m_db.Prepare("exists", "select Id from EnterStock where Bill_ID = $1 limit 1");
        m_db.Prepare("header", "insert into EnterStock(Canceled, Bill_ID, Bill_Date, Customer,"
                               " Department, Warehouse, Employee, Introduction, Number, Total,"
                               " Bank, Pay) values('0', $1, $2, $3, $4, $5, $6, $7, $8, $9, $10,"
                               " $11)");
        m_db.Prepare("line", "insert into EnterStock_Detail(Canceled, Bill_ID, Bill_Date,"
                             " Customer, Department, Employee, Warehouse, Introduction, Number,"
                             " Total, Bank, Pay, Product_ID, Product_Name, Product_Number,"
                             " Product_Unit, Product_atch, Product_Date, Product_Price,"
                             " Product_Total, Product_Note, Product_BarCode) values('0', $1, $2,"
                             " $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15, $16, $17,"
                             " $18, $19, $20, $21)");
        m_db.Prepare("look", "select Number, CostPrice from StockPile where StoreHouse = $1 and"
                             " ProductCode = $2 for update");
        m_db.Prepare("update", "update StockPile set Number = $1, CostPrice = $2 where"
                               " StoreHouse = $3 and ProductCode = $4");
        m_db.Prepare("log", "insert into Log(Event, \"User\", Time) values($1, $2, $3)");
    }

    void Post(const std::string& number, const std::vector<GoodsRecord>& goods) {
        m_db.Exec("BEGIN");
        m_db.Run("exists", {number});
        m_db.Run("header", {number, "2026-12-07", "上海华东电子有限公司", "采购部", "二号仓库",
                            "张伟", "", "3000", "59970.00", "中国工商银行", "0.00"});
        for (const GoodsRecord& g : goods) {
            m_db.Run("line", {number,
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
                              g.BarCode});
            auto stock = m_db.Run("look", {"二号仓库", g.Code});
            int64_t current = 0;
            CMoney cost;
            if (PQntuples(stock.get()) > 0) {
                current = std::atoll(PQgetvalue(stock.get(), 0, 0));
                cost = CMoney::ParseOrZero(PQgetvalue(stock.get(), 0, 1));
            }
            const CMoney price = CMoney::ParseOrZero(g.PriceIn);
            m_db.Run("update", {std::to_string(current + 3),
                                AverageCost(current, cost, 3, *price.TimesQuantity(3))->Format4(),
                                "二号仓库", g.Code});
        }
        m_db.Exec("COMMIT");
        m_db.Exec("BEGIN");
        for (size_t i = 0; i < goods.size(); ++i)
            m_db.Run("log", {"进货操作", "admin", FormatNow("%y-%m-%d %H:%M:%S")});
        m_db.Exec("COMMIT");
    }

private:
    CBarePg m_db;
};

void BM_ServerPostPurchaseBill(benchmark::State& state) {
    const std::vector<GoodsRecord>& all = UseHistoryCopy();
    const std::vector<GoodsRecord> goods(all.begin(), all.begin() + kLines);
    static int n = 0; // the benchmark runs several times; numbers must stay unique
    for (auto _ : state) {
        state.PauseTiming();
        CBill bill = BigPurchaseBill("JH-SERVER-" + std::to_string(++n), goods);
        state.ResumeTiming();
        if (bill.Save() != PostOutcome::Posted) {
            state.SkipWithError("posting failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}

void BM_ServerPostPurchaseBill_Baseline(benchmark::State& state) {
    const std::vector<GoodsRecord>& all = UseHistoryCopy();
    const std::vector<GoodsRecord> goods(all.begin(), all.begin() + kLines);
    CBarePgPoster bare(UseServerDataSet(ServerHistoryDataSet(), true));
    static int n = 0;
    for (auto _ : state)
        bare.Post("BARE-SERVER-" + std::to_string(++n), goods);
    state.SetItemsProcessed(state.iterations() * kLines);
}

void BM_ServerStatisticsByGoods1M(benchmark::State& state) {
    UseServerDataSet(ServerStatisticsDataSet(), false);
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

void BM_ServerStatisticsByGoods1M_Baseline(benchmark::State& state) {
    const std::string conninfo = UseServerDataSet(ServerStatisticsDataSet(), false);
    size_t rows = 0;
    for (auto _ : state) {
        // A connection per report, as the program makes one per action.
        CBarePg db(conninfo);
        db.Prepare("sum", "select Product_ID, min(Product_Name), min(Product_Unit),"
                          " min(Product_Price), sum(Product_Number::bigint) from"
                          " EnterStock_Detail where Bill_Date between $1 and $2"
                          " group by Product_ID");
        auto result = db.Run("sum", {kYearFrom, kYearTo});
        std::vector<std::vector<std::string>> groups;
        for (int r = 0; r < PQntuples(result.get()); ++r) {
            std::vector<std::string> row;
            for (int c = 0; c < 5; ++c)
                row.emplace_back(PQgetvalue(result.get(), r, c));
            groups.push_back(std::move(row));
        }
        rows = groups.size();
    }
    state.counters["groups"] = static_cast<double>(rows);
}

// The lines the report groups, in their order, each cell looked at: what grouping them in the
// program would cost before any grouping (the server groups them instead).
void BM_ServerStatisticsByGoods1M_BareScan(benchmark::State& state) {
    const std::string conninfo = UseServerDataSet(ServerStatisticsDataSet(), false);
    size_t rows = 0;
    for (auto _ : state) {
        CBarePg db(conninfo);
        db.Prepare("lines", "select Product_ID, Product_Name, Product_Number, Product_Unit,"
                            " Product_atch, Product_Date, Product_Price, Product_BarCode,"
                            " Product_Note from EnterStock_Detail where Bill_Date between $1 and"
                            " $2 order by Id");
        auto result = db.Run("lines", {kYearFrom, kYearTo});
        // Every cell looked at once, as grouping must, none kept.
        const int n = PQntuples(result.get());
        size_t bytes = 0;
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < 9; ++c)
                bytes += static_cast<size_t>(PQgetlength(result.get(), r, c));
        benchmark::DoNotOptimize(bytes);
        rows = static_cast<size_t>(n);
    }
    state.counters["rows"] = static_cast<double>(rows);
}

constexpr int kBillsEach = 10;    // per workstation and iteration
constexpr int kSaleLines = 5;     // per bill
constexpr int kGoodsEach = 4'000; // each workstation sells its own goods

// One workstation's share: sale bills of its own goods, posted one after another as a counter
// clerk would, each through the program's own checks, posting and log entries.
bool SellAtWorkstation(const std::vector<GoodsRecord>& goods, int station, int batch) {
    for (int i = 0; i < kBillsEach; ++i) {
        CBill bill(BillKind::Sale);
        bill.GiveNumber("XS-SERVER-" + std::to_string(batch) + "-" + std::to_string(station) + "-" +
                        std::to_string(i));
        bill.m_customer = "北京恒通商贸有限公司";
        bill.m_department = "销售部";
        bill.m_warehouse = "一号仓库";
        bill.m_employee = "刘洋";
        bill.m_account = "现金";
        bill.m_paid = "0.00";
        for (int j = 0; j < kSaleLines; ++j) {
            const GoodsRecord& g = goods[static_cast<size_t>(
                station * kGoodsEach +
                (batch * kBillsEach * kSaleLines + i * kSaleLines + j) % kGoodsEach)];
            bill.AppendGoods(g);
            bill.m_lines.back().quantity = "1";
            bill.m_lines.back().unit = g.Unit;
            bill.m_lines.back().price = g.RetailPrice;
        }
        if (bill.Save() != PostOutcome::Posted)
            return false;
    }
    return true;
}

// Each iteration starts `stations` processes, each posting kBillsEach bills, and waits for all.
void PostSalesAtOnce(benchmark::State& state, int stations) {
    const std::vector<GoodsRecord>& goods = UseHistoryCopy();
    static int batch = 0; // bill numbers stay unique over iterations and repetitions
    for (auto _ : state) {
        ++batch;
        std::vector<pid_t> children;
        for (int s = 0; s < stations; ++s) {
            const pid_t pid = fork();
            if (pid == 0)
                _exit(SellAtWorkstation(goods, s, batch) ? 0 : 1); // no exit handlers here
            children.push_back(pid);
        }
        bool ok = true;
        for (pid_t pid : children) {
            int status = 0;
            ok = waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
                 ok;
        }
        if (!ok) {
            state.SkipWithError("a workstation failed to post");
            break;
        }
    }
    state.counters["bills/s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * stations * kBillsEach),
                           benchmark::Counter::kIsRate);
    state.counters["workstations"] = stations;
}

void BM_ServerSalesOneWorkstation(benchmark::State& state) {
    PostSalesAtOnce(state, 1);
}

void BM_ServerSalesFourWorkstations(benchmark::State& state) {
    PostSalesAtOnce(state, 4);
}
} // namespace

BENCHMARK(BM_ServerPostPurchaseBill_Baseline)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ServerPostPurchaseBill)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ServerStatisticsByGoods1M_Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ServerStatisticsByGoods1M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ServerStatisticsByGoods1M_BareScan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ServerSalesOneWorkstation)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ServerSalesFourWorkstations)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

int main(int argc, char** argv) {
    InitializeInterleaved(argc, argv);
    if (BenchServer().empty()) {
        std::cout << "bench_server: skipped, no PostgreSQL server (FERIX_BENCH_PG is not set)\n";
        return 0;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
