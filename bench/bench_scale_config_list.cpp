// A configuration list of 5,000 entries: one entry added and removed again, each a whole
// load-change-save of the file, against reading and writing the file's bytes in the same run:
// durably (temporary file, flushed, renamed: what the program's save does), and plainly.
#include "BenchData.h"

#include "config/ConfigLists.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {
constexpr int kEntries = 5000;

void Prepare() {
    static bool done = false;
    if (done)
        return;
    done = true;
    DemoDataOptions none;
    none.goods = none.customers = none.bills = 0;
    UseDataSet("config", none, true);
    // The list as the program writes it, built directly: adding 5,000 entries one by one
    // would only measure the same save 5,000 times.
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config>\n<item key=\"area\"/>\n"
        "<item key=\"bank\"/>\n<item key=\"unit\">\n";
    for (int i = 0; i < kEntries; ++i)
        text += "<unit name=\"计量单位" + std::to_string(i) + "\" note=\"备注" + std::to_string(i) +
                "\"/>\n";
    text += "</item>\n<item key=\"warehouse\"/>\n<item key=\"income\"/>\n<item "
            "key=\"spending\"/>\n<item key=\"employees\"/>\n</config>\n";
    std::ofstream(ConfigFilePath(), std::ios::binary | std::ios::trunc) << text;
    if (ReadConfigList("unit").size() != kEntries)
        std::abort();
}

std::string ReadBytes() {
    std::ifstream f(ConfigFilePath(), std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void WriteDurably(const std::string& bytes) {
    const std::string target = ConfigFilePath().string();
    const std::string temp = target + ".bench-tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
        ::fsync(fd) != 0 || ::close(fd) != 0 || ::rename(temp.c_str(), target.c_str()) != 0)
        std::abort();
    int dir = ::open(ConfigFilePath().parent_path().c_str(), O_RDONLY | O_DIRECTORY);
    ::fsync(dir);
    ::close(dir);
}

void BM_ConfigAddRemove(benchmark::State& state) {
    Prepare();
    for (auto _ : state) {
        if (!AddConfigListEntry("unit", "新计量单位", "bench") ||
            !RemoveConfigListEntries("unit", "新计量单位"))
            state.SkipWithError("the configuration file could not be changed");
    }
}

void BM_ConfigAddRemove_Baseline(benchmark::State& state) {
    Prepare();
    for (auto _ : state) {
        for (int cycle = 0; cycle < 2; ++cycle)
            WriteDurably(ReadBytes());
    }
}

void BM_ConfigAddRemove_BaselinePlain(benchmark::State& state) {
    Prepare();
    for (auto _ : state) {
        for (int cycle = 0; cycle < 2; ++cycle) {
            std::string bytes = ReadBytes();
            std::ofstream(ConfigFilePath(), std::ios::binary | std::ios::trunc) << bytes;
        }
    }
}
} // namespace

BENCHMARK(BM_ConfigAddRemove_BaselinePlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConfigAddRemove_Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConfigAddRemove)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
