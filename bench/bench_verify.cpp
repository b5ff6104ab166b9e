// What `ferix-cli verify` costs: checking the whole bill journal of 100,000 bills (a million
// lines, 121,000 documents), each figure beside its baseline of the same run, reading the same
// rows bare (every column of every bill, line, fund and journal row, with no check):
// - on files, the history set;
// - on the server of $FERIX_BENCH_PG, its history set (without a server the program says so and
//   measures the files only).
// And what the upgrade's building of the chain over the same bills costs (on a copy of each set,
// its journal emptied before each run), against the same bare reading.
#include "BenchData.h"
#include "ServerBenchData.h"

#include "bills/BillJournal.h"
#include "store/CDataStore.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace {
// The tables the check reads.
constexpr const char* kTables[] = {
    "BillJournal",      "JournalHead", "EnterStock",       "EnterStock_Detail", "BackStock",
    "BackStock_Detail", "EnterSale",   "EnterSale_Detail", "BackSale",          "BackSale_Detail",
    "BaoSunDan",        "BaoYiDan",    "TiaoJiaDan",       "YiKuDan",           "FundBill"};

void Check(benchmark::State& state) {
    size_t documents = 0;
    for (auto _ : state) {
        CDataStore store;
        if (!store.ConnectMain()) {
            state.SkipWithError("connect failed");
            break;
        }
        const JournalCheck check = CheckJournal(store);
        if (check.finding != JournalCheck::Finding::Complete) {
            state.SkipWithError(JournalCheckText(check).c_str());
            break;
        }
        documents = check.documents;
    }
    state.counters["documents"] = static_cast<double>(documents);
}

// The history set itself, never written to.
void UseFileSet() {
    static std::filesystem::path set;
    if (set.empty())
        set = UseDataSet("history", HistoryDataSet(), false);
    std::filesystem::current_path(set);
}

void BM_Verify100k(benchmark::State& state) {
    UseFileSet();
    Check(state);
}

void BM_Verify100k_Baseline(benchmark::State& state) {
    UseFileSet();
    for (auto _ : state) {
        CBareDb db("Data/main_data.tdb");
        size_t bytes = 0;
        for (const char* table : kTables) {
            sqlite3_stmt* st = bare::Prepare(db, (std::string("select * from ") + table).c_str());
            while (sqlite3_step(st) == SQLITE_ROW) {
                for (int i = 0; i < sqlite3_column_count(st); ++i) {
                    sqlite3_column_text(st, i);
                    bytes += static_cast<size_t>(sqlite3_column_bytes(st, i));
                }
            }
            sqlite3_finalize(st);
        }
        benchmark::DoNotOptimize(bytes);
    }
}

// The server's history set, kept as made; the program folder naming it is made the current one
// on every call, since the file figures, interleaved, move to their own folder.
const std::string& ServerSet() {
    static std::string conninfo = UseServerDataSet(ServerHistoryDataSet(), false);
    static const std::filesystem::path folder = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    return conninfo;
}

void BM_ServerVerify100k(benchmark::State& state) {
    ServerSet();
    Check(state);
}

void BM_ServerVerify100k_Baseline(benchmark::State& state) {
    const std::string& conninfo = ServerSet();
    for (auto _ : state) {
        CBarePg db(conninfo);
        size_t bytes = 0;
        for (const char* table : kTables) {
            const CBarePg::Result rows = db.Exec(std::string("select * from ") + table);
            const int count = PQntuples(rows.get()), columns = PQnfields(rows.get());
            for (int r = 0; r < count; ++r) {
                for (int c = 0; c < columns; ++c)
                    bytes += static_cast<size_t>(PQgetlength(rows.get(), r, c));
            }
        }
        benchmark::DoNotOptimize(bytes);
    }
}
// The chain built again over the stored bills, as the first opening after the upgrade builds it:
// the journal emptied and its head set to the upgrade's mark before each run, untimed.
void BuildChain(benchmark::State& state, const std::function<void()>& useCopy) {
    size_t documents = 0;
    for (auto _ : state) {
        state.PauseTiming();
        useCopy();
        {
            CDataStore store;
            if (!store.ConnectMain() || !store.Begin() ||
                !store.Run("delete from BillJournal", {}) ||
                !store.Run("update JournalHead set Seq = -1, Digest = '' where Id = 1", {}) ||
                !store.Commit()) {
                state.SkipWithError("emptying the journal failed");
                break;
            }
        }
        state.ResumeTiming();
        CDataStore store;
        if (!store.ConnectMain()) {
            state.SkipWithError("building the chain failed");
            break;
        }
        state.PauseTiming();
        const JournalCheck check = CheckJournal(store);
        if (check.finding != JournalCheck::Finding::Complete) {
            state.SkipWithError(JournalCheckText(check).c_str());
            break;
        }
        documents = check.documents;
        state.ResumeTiming();
    }
    state.counters["documents"] = static_cast<double>(documents);
}

void BM_BuildJournal100k(benchmark::State& state) {
    BuildChain(state, [] {
        static const std::filesystem::path copy = UseDataSet("history", HistoryDataSet(), true);
        std::filesystem::current_path(copy);
    });
}

void BM_ServerBuildJournal100k(benchmark::State& state) {
    BuildChain(state, [] {
        static std::filesystem::path folder;
        if (folder.empty()) {
            UseServerDataSet(ServerHistoryDataSet(), true);
            folder = std::filesystem::current_path();
        }
        std::filesystem::current_path(folder);
    });
}
} // namespace

int main(int argc, char** argv) {
    InitializeInterleaved(argc, argv);
    benchmark::RegisterBenchmark("BM_Verify100k_Baseline", BM_Verify100k_Baseline)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_Verify100k", BM_Verify100k)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_BuildJournal100k", BM_BuildJournal100k)
        ->Unit(benchmark::kMillisecond);
    if (BenchServer().empty()) {
        std::cout << "bench_verify: the server figures skipped, no PostgreSQL server"
                     " (FERIX_BENCH_PG is not set)\n";
    } else {
        benchmark::RegisterBenchmark("BM_ServerVerify100k_Baseline", BM_ServerVerify100k_Baseline)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BM_ServerVerify100k", BM_ServerVerify100k)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BM_ServerBuildJournal100k", BM_ServerBuildJournal100k)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
