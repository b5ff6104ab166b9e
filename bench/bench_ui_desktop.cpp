// The desktop program, offscreen: start-up of a new process to the painted login window, and
// the goods window with 100,000 goods from construction to its first paint, each with its peak
// resident size. Every figure runs in a fresh child process (this program started again with
// --child=...), so one measurement cannot warm the next.
// Baselines of the same run: a bare Qt program painting an empty dialog; the same 100,000 goods
// rows read with one bare prepared statement into a plain table view.
#include "BenchData.h"

#include "app/Cferix_razazApp.h"
#include "app/DesktopProgram.h"
#include "app/QtMessagePort.h"
#include "app/UiSetup.h"
#include "basic/CChild_Jichu_ProductDlg.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDialog>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;

// ---- in the child

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Reports the first paint of a top-level window whose class is `className`: one line
// "<ms since `start`> <peak RSS in kB>" on stdout, then `done` (which ends the child).
class CFirstPaint : public QObject {
public:
    CFirstPaint(const char* className, Clock::time_point start, std::function<void(QWidget*)> done)
        : m_className(className), m_start(start), m_done(std::move(done)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_reported && event->type() == QEvent::Paint && watched->isWidgetType() &&
            std::strcmp(watched->metaObject()->className(), m_className) == 0) {
            m_reported = true;
            auto* widget = static_cast<QWidget*>(watched);
            // After the paint event is handled: the window is drawn.
            QTimer::singleShot(0, this, [this, widget] {
                const double ms =
                    std::chrono::duration<double, std::milli>(Clock::now() - m_start).count();
                std::printf("%.3f %ld\n", ms, PeakRssKb());
                std::fflush(stdout);
                m_done(widget);
            });
        }
        return false;
    }

private:
    const char* m_className;
    Clock::time_point m_start;
    std::function<void(QWidget*)> m_done;
    bool m_reported = false;
};

// Start-up: the desktop program's own code from the first line of main(); the probe goes in as
// the application object is made, and cancels the login window once it is painted.
void InstallLoginProbe() {
    static const Clock::time_point start = Clock::now();
    qApp->installEventFilter(new CFirstPaint(
        "CLoginDlg", start, [](QWidget* login) { static_cast<QDialog*>(login)->reject(); }));
}

int ChildStartup(int argc, char** argv) {
    qAddPreRoutine(InstallLoginProbe);
    return RunDesktopProgram(argc, argv);
}

// Baseline: a bare Qt program that paints an empty dialog.
int ChildBareStartup(int argc, char** argv) {
    const Clock::time_point start = Clock::now();
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.resize(420, 240);
    app.installEventFilter(new CFirstPaint("QDialog", start, [](QWidget*) { qApp->quit(); }));
    dialog.show();
    return app.exec();
}

// The goods window as the main window opens it, after the program's own start-up.
int ChildGoodsWindow(int argc, char** argv) {
    QApplication app(argc, argv);
    SetupApplicationLook(app);
    CQtMessagePort port;
    SetMessagePort(&port);
    App().LoadApplicationSettings();
    App().m_currentUser.UserName = "admin";
    const Clock::time_point start = Clock::now();
    app.installEventFilter(
        new CFirstPaint("CChild_Jichu_ProductDlg", start, [](QWidget*) { qApp->quit(); }));
    CChild_Jichu_ProductDlg goods;
    goods.show();
    int rc = app.exec();
    SetMessagePort(nullptr);
    return rc;
}

// Baseline: every goods row read by one bare prepared statement into a plain table model.
class CPlainModel : public QAbstractTableModel {
public:
    std::vector<std::vector<std::string>> m_rows;
    int m_columns = 0;
    int rowCount(const QModelIndex& = {}) const override { return static_cast<int>(m_rows.size()); }
    int columnCount(const QModelIndex& = {}) const override { return m_columns; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole)
            return {};
        return QString::fromStdString(
            m_rows[static_cast<size_t>(index.row())][static_cast<size_t>(index.column())]);
    }
};

int ChildGoodsBare(int argc, char** argv) {
    QApplication app(argc, argv);
    const Clock::time_point start = Clock::now();
    app.installEventFilter(new CFirstPaint("QDialog", start, [](QWidget*) { qApp->quit(); }));
    CPlainModel model;
    {
        CBareDb db("Data/main_data.tdb");
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db.Get(), "select * from ferix_product order by Id", -1, &st, nullptr);
        model.m_columns = sqlite3_column_count(st);
        while (sqlite3_step(st) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int c = 0; c < model.m_columns; ++c) {
                auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
                row.emplace_back(text ? text : "");
            }
            model.m_rows.push_back(std::move(row));
        }
        sqlite3_finalize(st);
    }
    QDialog dialog;
    auto* view = new QTableView(&dialog);
    view->setModel(&model);
    (new QVBoxLayout(&dialog))->addWidget(view);
    dialog.resize(1100, 600);
    dialog.show();
    return app.exec();
}

// ---- in the benchmark

struct ChildResult {
    double wallMs = 0;  // from the start of the process to the reported paint
    double innerMs = 0; // as the child measured it
    double rssMb = 0;
};

// Starts this program again with `mode` in `folder`; waits for its report and its end.
ChildResult RunChild(const std::string& mode, const std::string& folder) {
    int out[2];
    if (pipe(out) != 0)
        std::abort();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    // Qt's notes about the offscreen platform would drown the table; FERIX_BENCH_VERBOSE keeps
    // them.
    if (!std::getenv("FERIX_BENCH_VERBOSE"))
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string self = "/proc/self/exe", arg = "--child=" + mode;
    char* args[] = {self.data(), arg.data(), nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, self.c_str(), &actions, nullptr, args, environ) != 0)
        std::abort();
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string line;
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    ChildResult r;
    r.wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    long rssKb = 0;
    if (std::sscanf(line.c_str(), "%lf %ld", &r.innerMs, &rssKb) != 2 || !WIFEXITED(status))
        std::abort();
    r.rssMb = static_cast<double>(rssKb) / 1024.0;
    return r;
}

std::string GoodsFolder() {
    static const std::string folder = UseDataSet("goods", GoodsDataSet(), false).string();
    return folder;
}

// `inner`: time the child measured (a window inside a running program); else the whole
// process start.
void Measure(benchmark::State& state, const std::string& mode, bool inner) {
    const std::string folder = GoodsFolder();
    double peak = 0;
    for (auto _ : state) {
        ChildResult r = RunChild(mode, folder);
        state.SetIterationTime((inner ? r.innerMs : r.wallMs) / 1000.0);
        peak = std::max(peak, r.rssMb);
    }
    state.counters["peak_rss_mb"] = peak;
}

void BM_StartToLoginWindow(benchmark::State& state) {
    Measure(state, "startup", false);
}
void BM_StartToLoginWindow_Baseline(benchmark::State& state) {
    Measure(state, "bare", false);
}
void BM_GoodsWindow100k(benchmark::State& state) {
    Measure(state, "goods", true);
}
void BM_GoodsWindow100k_Baseline(benchmark::State& state) {
    Measure(state, "goods-bare", true);
}
} // namespace

BENCHMARK(BM_StartToLoginWindow_Baseline)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK(BM_StartToLoginWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_GoodsWindow100k_Baseline)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_GoodsWindow100k)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
    if (argc >= 2 && std::strncmp(argv[1], "--child=", 8) == 0) {
        const std::string mode = argv[1] + 8;
        int childArgc = 1;
        if (mode == "startup")
            return ChildStartup(childArgc, argv);
        if (mode == "bare")
            return ChildBareStartup(childArgc, argv);
        if (mode == "goods")
            return ChildGoodsWindow(childArgc, argv);
        if (mode == "goods-bare")
            return ChildGoodsBare(childArgc, argv);
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
