#include "BenchData.h"

#include "app/Cferix_razazApp.h"
#include "app/ProgramFolderSetup.h"
#include "port/MessagePort.h"
#include "rights/RoleRights.h"
#include "store/Session.h"
#include "text/Clock.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// Raise when the generator or the schema changes, so old cached data sets are not used.
// 2: stock rows and sale lines carry their cost; 3: the generator makes transfers, counts and
// reversals and sets stock limits from each goods item's level.
constexpr int kDataSetVersion = 3;

class CStderrPort : public IMessagePort {
public:
    void Inform(const std::string& text) override { std::cerr << "message: " << text << "\n"; }
    bool AskYesNo(const std::string&) override { return true; }
    bool AskOkCancel(const std::string&) override { return true; }
};

[[noreturn]] void Die(const std::string& why) {
    std::cerr << "bench data: " << why << "\n";
    std::abort();
}

fs::path CacheRoot() {
    if (const char* c = std::getenv("FERIX_BENCH_CACHE"); c && *c)
        return c;
    return fs::read_symlink("/proc/self/exe").parent_path() / "bench-data";
}

std::string Key(const std::string& name, const DemoDataOptions& o) {
    return name + "-v" + std::to_string(kDataSetVersion) + "-g" + std::to_string(o.goods) + "-c" +
           std::to_string(o.customers) + "-b" + std::to_string(o.bills) + "-l" +
           std::to_string(o.linesPerBill) + "-d" + std::to_string(o.days) +
           (o.purchasesOnly ? "-p" : "-m") + "-s" + std::to_string(o.seed);
}

// Makes `dir` a program folder, current, and fills it with `fill`; marks it complete.
void Build(const fs::path& dir, const std::function<void()>& fill) {
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir);
    std::string error;
    if (!CreateProgramFolder(dir, &error))
        Die("cannot make " + dir.string() + ": " + error);
    fs::current_path(dir);
    std::cerr << "bench data: making " << dir.filename().string() << " ..." << std::flush;
    auto start = std::chrono::steady_clock::now();
    fill();
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::cerr << " done in " << static_cast<int>(took.count()) << " s\n";
    std::ofstream(dir / "complete") << "made\n";
}

void FillFromOptions(const DemoDataOptions& options) {
    DemoDataOptions o = options;
    if (o.bills >= 10'000)
        o.progress = [total = o.bills](int posted) {
            if (posted % 10'000 == 0)
                std::cerr << " " << posted * 100 / total << "%" << std::flush;
        };
    if (!FillDemoData(o))
        Die("the generator failed in " + fs::current_path().string());
}

// The benchmarks measure the work, not the rights: they act as the folder's first operator,
// 管理员, as a login would make them.
void ActAsAdministrator() {
    Session().rights = CRoleRights(kAdminRole, {}, {}, {});
}

fs::path g_scratch;
void RemoveScratch() {
    if (!g_scratch.empty()) {
        std::error_code ec;
        fs::current_path("/", ec);
        fs::remove_all(g_scratch, ec);
    }
}
} // namespace

std::time_t BenchNow() {
    std::tm tm{};
    tm.tm_year = 2026 - 1900;
    tm.tm_mon = 11;
    tm.tm_mday = 7;
    tm.tm_hour = 12;
    tm.tm_isdst = -1;
    static const std::time_t now = std::mktime(&tm);
    return now;
}

void EnterBenchSession() {
    static CStderrPort port;
    SetMessagePort(&port);
    SetClockForTest([] { return BenchNow(); });
    App().ResetForTest();
    App().m_currentUser.UserName = "admin";
    ActAsAdministrator();
}

fs::path UseDataSet(const std::string& name, const DemoDataOptions& options, bool writable) {
    return UseMadeDataSet(
        Key(name, options), [&] { FillFromOptions(options); }, writable);
}

fs::path UseMadeDataSet(const std::string& key, const std::function<void()>& fill, bool writable) {
    EnterBenchSession();
    const fs::path cached = CacheRoot() / key;
    if (!fs::exists(cached / "complete"))
        Build(cached, fill);
    if (!writable) {
        fs::current_path(cached);
        return cached;
    }
    std::string tmpl = (fs::temp_directory_path() / "ferix-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        Die("no temporary folder");
    if (g_scratch.empty())
        std::atexit(RemoveScratch);
    else
        RemoveScratch();
    g_scratch = tmpl;
    fs::copy(cached, g_scratch, fs::copy_options::recursive);
    fs::current_path(g_scratch);
    return g_scratch;
}

DemoDataOptions HistoryDataSet() {
    DemoDataOptions o;
    o.goods = 20'000;
    o.customers = 200;
    o.bills = 100'000;
    o.linesPerBill = 10;
    o.days = 3 * 365;
    return o;
}

DemoDataOptions StatisticsDataSet() {
    DemoDataOptions o;
    o.goods = 20'000;
    o.customers = 200;
    o.bills = 50'000;
    o.linesPerBill = 20;
    o.days = 365;
    o.purchasesOnly = true;
    return o;
}

DemoDataOptions GoodsDataSet() {
    DemoDataOptions o;
    o.goods = 100'000;
    o.customers = 10;
    o.bills = 0;
    return o;
}

CBill BigPurchaseBill(const std::string& number, const std::vector<GoodsRecord>& goods) {
    CBill bill(BillKind::Purchase);
    bill.m_number = number;
    bill.m_customer = "上海华东电子有限公司";
    bill.m_department = "采购部";
    bill.m_warehouse = "二号仓库";
    bill.m_employee = "张伟";
    bill.m_account = "中国工商银行";
    bill.m_paid = "0.00";
    for (const GoodsRecord& g : goods) {
        bill.AppendGoods(g);
        bill.m_lines.back().quantity = "3";
        bill.m_lines.back().unit = g.Unit;
    }
    return bill;
}

void EnterNewProgramFolder() {
    std::string tmpl = (fs::temp_directory_path() / "ferix-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        Die("no temporary folder");
    fs::current_path(tmpl);
    std::string error;
    if (!CreateProgramFolder(tmpl, &error))
        Die("cannot make a program folder: " + error);
    ActAsAdministrator();
}

CBareDb::CBareDb(const char* relativePath) {
    if (sqlite3_open_v2(relativePath, &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        Die(std::string("cannot open ") + relativePath);
}

CBareDb::~CBareDb() {
    sqlite3_close_v2(m_db);
}

namespace bare {
sqlite3_stmt* Prepare(const CBareDb& db, const char* sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db.Get(), sql, -1, &st, nullptr) != SQLITE_OK)
        std::abort();
    return st;
}

void Bind(sqlite3_stmt* st, int i, const std::string& v) {
    sqlite3_bind_text(st, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
}

void Run(sqlite3_stmt* st) {
    while (sqlite3_step(st) == SQLITE_ROW) {
    }
    sqlite3_reset(st);
}
} // namespace bare

void InitializeInterleaved(int argc, char** argv) {
    // Kept for the run: the library may hold on to what it was given.
    static std::string interleave = "--benchmark_enable_random_interleaving=true";
    static std::vector<char*> args;
    args.assign(argv, argv + argc);
    args.insert(args.begin() + 1, interleave.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
}
