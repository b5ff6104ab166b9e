// What a role's rights cost, each figure beside its baseline of the same run:
// - posting a 1,000-line purchase bill into 100,000 bills as a role limited to the set's
//   warehouses (the rights asked, the bill's warehouse checked against the scope), against the
//   same posting as 管理员, who holds every right and sees every warehouse;
// - the stock view of 60,000 rows with its cells and 合计 as a role limited to the three
//   warehouses and hiding 成本 (the scope's condition in the query, every cost cell masked),
//   against the same view as 管理员.
// The two roles see the same rows, so each ratio is the price of the checks alone.
#include "BenchData.h"

#include "RatioReporter.h"
#include "bills/CBill.h"
#include "query/StockView.h"
#include "rights/RoleRights.h"
#include "store/CDataStore.h"
#include "store/Session.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {
constexpr int kLines = 1000;

std::vector<std::string> Warehouses() {
    CDataStore store;
    std::vector<std::string> names;
    if (!store.ConnectMain() ||
        !store.Run("select distinct StoreHouse from StockPile order by StoreHouse", {},
                   [&](const CStatement& row) { names.push_back(row.Text(0)); }) ||
        names.size() != 3)
        std::abort();
    return names;
}

// Everything a 店长 may do with stock and purchases, limited to the set's warehouses by name,
// hiding 成本 when asked.
CRoleRights LimitedRole(const std::vector<std::string>& warehouses, bool hideCost) {
    const ActionSet all = Bit(Action::View) | Bit(Action::Enter) | Bit(Action::Delete) |
                          Bit(Action::Reverse) | Bit(Action::Print) | Bit(Action::Export);
    return CRoleRights("仓库主管", {{"purchase", all}, {"stock_view", all}}, warehouses,
                       hideCost ? std::vector<std::string>{"成本"} : std::vector<std::string>{});
}

CRoleRights Administrator() {
    return CRoleRights(kAdminRole, {}, {}, {});
}

// The history set, copied for this run (the posting benchmarks write into it).
struct Shop {
    std::filesystem::path folder;
    std::vector<GoodsRecord> goods;
    std::vector<std::string> warehouses;
};
const Shop& TheShop() {
    static Shop shop;
    if (shop.folder.empty()) {
        shop.folder = UseDataSet("history", HistoryDataSet(), true);
        CDataStore store;
        std::vector<GoodsRecord> all;
        if (!store.ConnectMain() || !store.ListGoods("所有商品", all) || all.size() < kLines)
            std::abort();
        shop.goods.assign(all.begin(), all.begin() + kLines);
        shop.warehouses = Warehouses();
    }
    std::filesystem::current_path(shop.folder);
    return shop;
}

void Post(benchmark::State& state, const CRoleRights& rights, const char* prefix) {
    static int n = 0; // the benchmarks run several times; numbers must stay unique
    const Shop& shop = TheShop();
    Session().rights = rights;
    for (auto _ : state) {
        state.PauseTiming();
        CBill bill = BigPurchaseBill(prefix + std::to_string(++n), shop.goods);
        state.ResumeTiming();
        if (bill.Save() != PostOutcome::Posted) {
            state.SkipWithError("posting failed");
            break;
        }
    }
    Session().rights = Administrator();
    state.SetItemsProcessed(state.iterations() * kLines);
}

void View(benchmark::State& state, const CRoleRights& rights) {
    TheShop();
    Session().rights = rights;
    size_t rows = 0;
    for (auto _ : state) {
        auto list = LoadStockView(kAllWarehouses, "所有商品");
        if (!list) {
            state.SkipWithError("the stock view could not be read");
            break;
        }
        std::vector<std::vector<std::string>> cells;
        cells.reserve(list->size() + 1);
        for (const StockRecord& r : *list)
            cells.push_back(StockViewCells(r));
        cells.push_back(StockViewTotalCells(*list));
        benchmark::DoNotOptimize(cells.data());
        rows = list->size();
    }
    Session().rights = Administrator();
    if (rows < 60'000)
        state.SkipWithError("fewer than 60,000 stock rows");
    state.counters["rows"] = static_cast<double>(rows);
}

void BM_RightsPostPurchaseBill(benchmark::State& state) {
    Post(state, LimitedRole(TheShop().warehouses, false), "JH-ROLE-");
}
void BM_RightsPostPurchaseBill_Baseline(benchmark::State& state) {
    Post(state, Administrator(), "JH-ADMIN-");
}
void BM_RightsStockView20kx3(benchmark::State& state) {
    View(state, LimitedRole(TheShop().warehouses, true));
}
void BM_RightsStockView20kx3_Baseline(benchmark::State& state) {
    View(state, Administrator());
}
} // namespace

BENCHMARK(BM_RightsPostPurchaseBill_Baseline)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_RightsPostPurchaseBill)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_RightsStockView20kx3_Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RightsStockView20kx3)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    InitializeInterleaved(argc, argv);
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
