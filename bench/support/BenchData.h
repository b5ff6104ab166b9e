#pragma once
#include "app/DemoData.h"
#include "bills/CBill.h"

#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// The data sets of the benchmarks: program folders filled by the sample-data generator, made
// once and kept in a cache folder ($FERIX_BENCH_CACHE, by default bench-data/ beside the
// benchmark programs), so that a second run starts at once.

// The moment every data set is made at and every benchmark runs at: bills end on this day.
std::time_t BenchNow();

// benchmark::Initialize with repetitions of the figures and their baselines run in a shuffled
// order, so that the load of a shared machine (and of a server on it) falls on both alike.
void InitializeInterleaved(int argc, char** argv);

// The clock fixed at BenchNow(), the operator "admin" logged in, messages printed on stderr.
void EnterBenchSession();

// Makes the current directory a program folder holding the data set, with the clock fixed at
// BenchNow(), the operator "admin" logged in and messages printed on stderr. `writable`: a
// fresh copy in a temporary folder (removed at exit), for benchmarks that write; otherwise the
// cached folder itself. Aborts when the data set cannot be made.
std::filesystem::path UseDataSet(const std::string& name, const DemoDataOptions& options,
                                 bool writable);

// The same for a data set made by `fill` (called in the new program folder, made current, with
// that session) and cached under `key`, which names its make-up and version.
std::filesystem::path UseMadeDataSet(const std::string& key, const std::function<void()>& fill,
                                     bool writable);

// The data sets shared by several benchmarks.
// 20,000 goods, 200 business units, 100,000 bills of 10 lines over three years (every goods
// item in stock in each of the three warehouses).
DemoDataOptions HistoryDataSet();
// 20,000 goods and 50,000 purchase bills of 20 lines within one year: 1,000,000 detail rows.
DemoDataOptions StatisticsDataSet();
// 100,000 goods, no bills.
DemoDataOptions GoodsDataSet();

// A purchase bill into 二号仓库 of one line per goods item, 3 of each, as an operator would
// enter it, numbered `number`.
CBill BigPurchaseBill(const std::string& number, const std::vector<GoodsRecord>& goods);

// A new program folder in a temporary directory, made current; a failure ends the run.
void EnterNewProgramFolder();

// A bare connection for the baselines, closed on destruction.
struct sqlite3;
class CBareDb {
public:
    explicit CBareDb(const char* relativePath);
    ~CBareDb();
    CBareDb(const CBareDb&) = delete;
    CBareDb& operator=(const CBareDb&) = delete;
    sqlite3* Get() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

// Statement helpers of the bare baselines: a statement that does not prepare ends the run.
struct sqlite3_stmt;
namespace bare {
sqlite3_stmt* Prepare(const CBareDb& db, const char* sql);
void Bind(sqlite3_stmt* st, int i, const std::string& v);
// Steps to the end, then resets for the next use.
void Run(sqlite3_stmt* st);
} // namespace bare
