// What the bill journal costs on the server of $FERIX_BENCH_PG: posting a 1,000-line purchase
// bill into 100,000 bills with its journal entry (the chain head row locked, the bill read back
// and digested, the entry written) and its write token, against the same posting without either,
// in one run.
// Posting is measured with what keeps a bill trustworthy, its journal entry and its write token
// (looked up, then written), against the same posting with neither (the token's seam needs a
// build with FERIX_TEST_SEAMS); the ratio of the two is printed after the run.
// Without a server the program says so and measures nothing.
#include "BenchData.h"
#include "ServerBenchData.h"

#include "RatioReporter.h"
#include "bills/BillJournal.h"
#include "bills/CBill.h"
#include "store/CDataStore.h"
#include "store/WriteToken.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {
constexpr int kLines = 1000;

// The history set, copied for this run (the benchmarks post into it); its first goods.
const std::vector<GoodsRecord>& Goods() {
    static std::vector<GoodsRecord> goods;
    if (goods.empty()) {
        UseServerDataSet(ServerHistoryDataSet(), true);
        CDataStore store;
        std::vector<GoodsRecord> all;
        if (!store.ConnectMain() || !store.ListGoods("所有商品", all) || all.size() < kLines)
            std::abort();
        goods.assign(all.begin(), all.begin() + kLines);
    }
    return goods;
}

void Post(benchmark::State& state, const char* prefix, bool trust) {
    static int n = 0; // the benchmarks run several times; numbers must stay unique
    const std::vector<GoodsRecord>& goods = Goods();
    SkipJournalForBench(!trust);
    if (!SkipWriteTokenForBench(!trust)) {
        state.SkipWithError("the write token's seam is built only with FERIX_TEST_SEAMS=ON");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        CBill bill = BigPurchaseBill(prefix + std::to_string(++n), goods);
        state.ResumeTiming();
        if (bill.Save() != PostOutcome::Posted) {
            state.SkipWithError("posting failed");
            break;
        }
    }
    SkipJournalForBench(false);
    SkipWriteTokenForBench(false);
    state.SetItemsProcessed(state.iterations() * kLines);
}

void BM_ServerJournalTokenPostPurchaseBill(benchmark::State& state) {
    Post(state, "JH-SJOURNAL-", true);
}

void BM_ServerJournalTokenPostPurchaseBill_Baseline(benchmark::State& state) {
    Post(state, "JH-SPLAIN-", false);
}
} // namespace

BENCHMARK(BM_ServerJournalTokenPostPurchaseBill_Baseline)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);
BENCHMARK(BM_ServerJournalTokenPostPurchaseBill)->Unit(benchmark::kMillisecond)->MinTime(1.0);

int main(int argc, char** argv) {
    InitializeInterleaved(argc, argv);
    if (BenchServer().empty()) {
        std::cout << "bench_server_journal: skipped, no PostgreSQL server (FERIX_BENCH_PG is not"
                     " set)\n";
        return 0;
    }
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
