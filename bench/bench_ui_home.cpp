// The home page (首页) on ten years of a busy shop: from login to the painted page, charts
// included (the main window shown offscreen, then painted whole), with the peak resident size of
// the desktop program. Baseline of the same run: the same main window for a role that sees none
// of the page's figures (stock view only), so it shows its first module and reads nothing for
// the page. Each window runs in a fresh child process, so one cannot warm the next. The page
// draws its charts first and its warnings and receivables when they are in (read on a thread of
// their own): `all_figures_ms` is the time until those are drawn too.
// Then each reader the page asks, alone, to tell which one its time goes to. With
// $FERIX_BENCH_PG, the page and its baseline on the server too.
#include "BenchData.h"
#include "DecadeData.h"
#include "RatioReporter.h"
#include "ServerBenchData.h"

#include "app/Cferix_razazApp.h"
#include "app/Cferix_razazDlg.h"
#include "app/UiSetup.h"
#include "cost/ProfitStore.h"
#include "finance/Balances.h"
#include "home/CHomePage.h"
#include "home/HomeFigures.h"
#include "query/StockWarnings.h"
#include "store/AllEntries.h"
#include "store/CDataStore.h"
#include "store/Session.h"
#include "text/Clock.h"

#include <QApplication>
#include <QPixmap>
#include <QTableWidget>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>
#include <utility>

namespace {
using Clock = std::chrono::steady_clock;

struct ChildResult {
    double ms = 0;
    double rssMb = 0;
    double allMs = 0; // every figure in and drawn
};

// In a child: login done, the main window built, shown and painted; "<ms> <peak RSS kB> <ms
// until the lists read beside were drawn too>".
[[noreturn]] void PaintMainWindow(bool homePage, int out) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "bench_ui_home";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    SetupApplicationLook(app);
    App().LoadApplicationSettings();
    if (!homePage)
        Session().rights = CRoleRights("库存查看", {{"stock_view", Bit(Action::View)}}, {}, {});
    const Clock::time_point start = Clock::now();
    {
        Cferix_razazDlg w;
        w.BuildAfterLogin();
        w.resize(1280, 800);
        w.show();
        QApplication::processEvents();
        const QPixmap painted = w.grab(); // every child painted, the charts' scenes included
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        // Then the warnings and the receivables, read on a thread of their own, drawn too (what
        // they change, as a repaint draws it).
        CHomePage* home = w.HomePage();
        while (!home->Figures().listsRead)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        bool drawn = true;
        for (QWidget* changed :
             {static_cast<QWidget*>(home->m_warnings), static_cast<QWidget*>(home->m_receivables),
              home->m_debtors->parentWidget()})
            drawn = !changed->grab().isNull() && drawn;
        const double allMs =
            std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        char line[96];
        const int n = std::snprintf(line, sizeof line, "%.3f %ld %.3f\n",
                                    painted.isNull() || !drawn ? -1.0 : ms, usage.ru_maxrss, allMs);
        if (write(out, line, static_cast<size_t>(n)) != n)
            std::_Exit(3);
    }
    std::_Exit(0);
}

ChildResult RunChild(bool homePage) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        std::abort();
    const pid_t pid = fork();
    if (pid < 0)
        std::abort();
    if (pid == 0) {
        close(pipeEnds[0]);
        PaintMainWindow(homePage, pipeEnds[1]);
    }
    close(pipeEnds[1]);
    std::string text;
    char c;
    while (read(pipeEnds[0], &c, 1) == 1 && c != '\n')
        text += c;
    close(pipeEnds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    ChildResult r;
    long rssKb = 0;
    if (std::sscanf(text.c_str(), "%lf %ld %lf", &r.ms, &rssKb, &r.allMs) != 3 || r.ms < 0 ||
        !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::abort();
    r.rssMb = static_cast<double>(rssKb) / 1024.0;
    return r;
}

void Measure(benchmark::State& state, bool homePage, bool server = false) {
    if (server)
        UseServerDataSet(ServerDecadeDataSet(), false);
    else
        UseDecadeDataSet(false);
    double peak = 0, allMs = 0;
    for (auto _ : state) {
        const ChildResult r = RunChild(homePage);
        state.SetIterationTime(r.ms / 1000.0);
        peak = std::max(peak, r.rssMb);
        allMs += r.allMs;
    }
    state.counters["peak_rss_mb"] = peak;
    state.counters["all_figures_ms"] = allMs / static_cast<double>(state.iterations());
}

void BM_LoginToPaintedHomePage(benchmark::State& state) {
    Measure(state, true);
}
void BM_LoginToPaintedHomePage_Baseline(benchmark::State& state) {
    Measure(state, false);
}
void BM_LoginToPaintedHomePage_Server(benchmark::State& state) {
    Measure(state, true, true);
}
void BM_LoginToPaintedHomePage_Server_Baseline(benchmark::State& state) {
    Measure(state, false, true);
}

// The readers alone, in this process, as the page asks them (as of BenchNow()'s day).
std::string Today() {
    return FormatLocalTime("%Y-%m-%d", BenchNow());
}

// The set the readers run on: the file's, or the server's for the rows ending in _Server.
bool g_readersOnServer = false;
void UseReadersSet() {
    if (g_readersOnServer)
        UseServerDataSet(ServerDecadeDataSet(), false);
    else
        UseDecadeDataSet(false);
}

void Profit(benchmark::State& state, ProfitKey key, const std::string& from,
            const ProfitGroupsNamed& named = {}) {
    UseReadersSet();
    CDataStore store;
    if (!store.ConnectMain())
        std::abort();
    for (auto _ : state) {
        std::vector<ProfitGroupRecord> groups;
        if (!SumProfit(store, key, from, Today(), groups, named))
            std::abort();
        benchmark::DoNotOptimize(groups);
    }
}

void BM_HomeReader_ProfitTwelveMonths(benchmark::State& state) {
    // The first of the month eleven months back.
    std::string from = Today().substr(0, 8) + "01";
    int year = std::stoi(from.substr(0, 4)), month = std::stoi(from.substr(5, 2)) - 11;
    if (month < 1) {
        month += 12;
        --year;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-01", year, month);
    Profit(state, ProfitKey::Month, text);
}
void BM_HomeReader_ProfitToday(benchmark::State& state) {
    Profit(state, ProfitKey::Month, Today());
}
void BM_HomeReader_BestSellersThisMonth(benchmark::State& state) {
    Profit(state, ProfitKey::Goods, Today().substr(0, 8) + "01", HomeBestSellers); // as the page
}
void BM_HomeReader_DailySales(benchmark::State& state) {
    UseReadersSet();
    CDataStore store;
    if (!store.ConnectMain())
        std::abort();
    const std::time_t first = BenchNow() - 29 * 24 * 3600;
    for (auto _ : state) {
        std::map<std::string, CMoneySum> byDay;
        if (!SumDailySales(store, FormatLocalTime("%Y-%m-%d", first), Today(), byDay))
            std::abort();
        benchmark::DoNotOptimize(byDay);
    }
}
void BM_HomeReader_Balances(benchmark::State& state) {
    UseReadersSet();
    CDataStore store;
    if (!store.ConnectMain())
        std::abort();
    for (auto _ : state) {
        std::vector<UnitBalanceRecord> list;
        if (!ListUnitBalances(store, "", list))
            std::abort();
        benchmark::DoNotOptimize(list);
    }
}
void BM_HomeReader_StockWarnings(benchmark::State& state) {
    UseReadersSet();
    for (auto _ : state)
        benchmark::DoNotOptimize(CountBelowLowerLimit(LoadStockWarnings(kAllWarehouses, false)));
}
// Every reader together, as the page reads them.
void BM_HomeReader_All(benchmark::State& state) {
    UseReadersSet();
    for (auto _ : state) {
        const HomeFigures f = LoadHomeFigures();
        if (!f.ok)
            std::abort();
        benchmark::DoNotOptimize(f.todaySales);
    }
}
} // namespace

BENCHMARK(BM_LoginToPaintedHomePage_Baseline)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_LoginToPaintedHomePage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

namespace {
// The readers, each with its iterations, registered for the file and again for a server.
void RegisterReaders(bool server) {
    for (auto [name, fn, iterations] :
         {std::tuple{"BM_HomeReader_ProfitTwelveMonths", &BM_HomeReader_ProfitTwelveMonths, 2},
          std::tuple{"BM_HomeReader_ProfitToday", &BM_HomeReader_ProfitToday, 3},
          std::tuple{"BM_HomeReader_BestSellersThisMonth", &BM_HomeReader_BestSellersThisMonth, 2},
          std::tuple{"BM_HomeReader_DailySales", &BM_HomeReader_DailySales, 3},
          std::tuple{"BM_HomeReader_Balances", &BM_HomeReader_Balances, 2},
          std::tuple{"BM_HomeReader_StockWarnings", &BM_HomeReader_StockWarnings, 2},
          std::tuple{"BM_HomeReader_All", &BM_HomeReader_All, 2}})
        benchmark::RegisterBenchmark((std::string(name) + (server ? "_Server" : "")).c_str(),
                                     [fn, server](benchmark::State& state) {
                                         g_readersOnServer = server;
                                         fn(state);
                                     })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(iterations);
}
} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RegisterReaders(false);
    if (!BenchServer().empty()) {
        for (auto [name, fn] :
             {std::pair{"BM_LoginToPaintedHomePage_Server_Baseline",
                        &BM_LoginToPaintedHomePage_Server_Baseline},
              std::pair{"BM_LoginToPaintedHomePage_Server", &BM_LoginToPaintedHomePage_Server}})
            benchmark::RegisterBenchmark(name, fn)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(3);
        RegisterReaders(true);
    }
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
