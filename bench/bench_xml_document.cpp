// Parsing the configuration document and ordering texts, each next to a bare baseline measured
// in the same run: a single pass over the same bytes, and a plain byte-order sort.
#include "config/CXmlDocument.h"
#include "text/TextOrder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {
std::string ConfigText(int entries) {
    std::string t =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<config>\r\n<item key=\"area\">\r\n";
    for (int i = 0; i < entries; ++i)
        t += "<area name=\"地区" + std::to_string(i) + "\" note=\"备注 &amp; 说明\"/>\r\n";
    return t + "</item>\r\n</config>\r\n";
}

std::vector<std::string> Names(size_t n) {
    static const char* const syllables[] = {"张", "王",   "李",   "赵", "陈", "刘", "杨",
                                            "黄", "仓库", "部门", "A",  "b",  "1"};
    std::mt19937 rng(7);
    std::vector<std::string> names;
    for (size_t i = 0; i < n; ++i) {
        std::string s;
        for (int k = 0; k < 3; ++k)
            s += syllables[rng() % (sizeof syllables / sizeof *syllables)];
        names.push_back(s);
    }
    return names;
}

void BM_ParseAndReadConfig(benchmark::State& state) {
    const std::string text = ConfigText(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CXmlDocument doc;
        doc.SetDocumentText(text);
        doc.FindElement("config");
        doc.EnterElement();
        doc.FindElement("item");
        doc.EnterElement();
        size_t total = 0;
        while (doc.FindElement("area"))
            total += doc.GetAttribute("name").size() + doc.GetAttribute("note").size();
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// Baseline: one pass that only counts the tags of the same text.
void BM_BaselineScanTags(benchmark::State& state) {
    const std::string text = ConfigText(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        size_t tags = 0;
        for (const char* p = text.data();
             (p = static_cast<const char*>(std::memchr(p, '<', text.data() + text.size() - p)));
             ++p)
            ++tags;
        benchmark::DoNotOptimize(tags);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_SortByTextOrder(benchmark::State& state) {
    const auto names = Names(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        auto copy = names;
        std::sort(copy.begin(), copy.end(), TextOrderLess);
        benchmark::DoNotOptimize(copy.data());
    }
}

void BM_SortByTextOrderKeys(benchmark::State& state) {
    const auto names = Names(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        auto copy = names;
        SortByTextOrder(copy);
        benchmark::DoNotOptimize(copy.data());
    }
}

// Baseline: the same sort by plain bytes.
void BM_BaselineSortBytes(benchmark::State& state) {
    const auto names = Names(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        auto copy = names;
        std::sort(copy.begin(), copy.end());
        benchmark::DoNotOptimize(copy.data());
    }
}
} // namespace

BENCHMARK(BM_ParseAndReadConfig)->Arg(20000);
BENCHMARK(BM_BaselineScanTags)->Arg(20000);
BENCHMARK(BM_SortByTextOrder)->Arg(10000);
BENCHMARK(BM_SortByTextOrderKeys)->Arg(10000);
BENCHMARK(BM_BaselineSortBytes)->Arg(10000);
BENCHMARK_MAIN();
