// What the bill journal costs, each figure beside its baseline of the same run:
// - posting a 1,000-line purchase bill into 100,000 bills with its journal entry (the chain head
//   locked, the bill read back and digested, the entry written) and its write token, against the
//   same posting without either (bench_server_journal measures the same on a server; bench_verify
//   measures the check of the chain).
// Posting is measured with what keeps a bill trustworthy, its journal entry and its write token
// (looked up, then written), against the same posting with neither (the token's seam needs a
// build with FERIX_TEST_SEAMS); the ratio of the two is printed after the run.
#include "BenchData.h"

#include "RatioReporter.h"
#include "bills/BillJournal.h"
#include "bills/CBill.h"
#include "store/CDataStore.h"
#include "store/WriteToken.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {
constexpr int kLines = 1000;

std::vector<GoodsRecord> FirstGoods() {
    CDataStore store;
    std::vector<GoodsRecord> all;
    if (!store.ConnectMain() || !store.ListGoods("所有商品", all) || all.size() < kLines)
        std::abort();
    return {all.begin(), all.begin() + kLines};
}

// The history set, copied for this run (the benchmarks post into it); made current by each
// benchmark, as the check works on the set itself.
const std::vector<GoodsRecord>& FileGoods() {
    static std::vector<GoodsRecord> goods;
    static std::filesystem::path copy;
    if (copy.empty()) {
        copy = UseDataSet("history", HistoryDataSet(), true);
        goods = FirstGoods();
    }
    std::filesystem::current_path(copy);
    return goods;
}

void Post(benchmark::State& state, const std::vector<GoodsRecord>& goods, const char* prefix,
          bool trust) {
    static int n = 0; // the benchmarks run several times; numbers must stay unique
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

void BM_JournalTokenPostPurchaseBill(benchmark::State& state) {
    Post(state, FileGoods(), "JH-JOURNAL-", true);
}

void BM_JournalTokenPostPurchaseBill_Baseline(benchmark::State& state) {
    Post(state, FileGoods(), "JH-PLAIN-", false);
}

} // namespace

BENCHMARK(BM_JournalTokenPostPurchaseBill_Baseline)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_JournalTokenPostPurchaseBill)->Unit(benchmark::kMillisecond)->MinTime(1.0);

int main(int argc, char** argv) {
    InitializeInterleaved(argc, argv);
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
