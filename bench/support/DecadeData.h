#pragma once
#include <filesystem>

// Ten years of a busy shop, for the benchmarks of reports over long histories: 100,000 goods,
// 2,000 business units, 1,000,000 sale bills of 10 lines (10,000,000 sale lines) spread evenly
// over the ten years that end on BenchNow()'s day. Sales are skewed as a real shop's are: four
// lines in five sell one of a fifth of the goods (every fifth goods item), the rest any goods
// item. Every goods item is in stock in the three warehouses.
//
// Goods, units and reference lists are made by the sample-data generator through the program;
// the bills and stock rows are written in bulk by INSERT ... SELECT (posting ten million lines
// one by one would take hours). The bulk bills are not in the bill journal: the set is for
// reading, and for posting beside it. Their monthly summaries are built by the schema step's own
// INSERT ... SELECT: a cached set of the version before them is copied and upgraded when the
// cache holds one, otherwise they are built after the bulk lines.
inline constexpr int kDecadeGoods = 100'000;
inline constexpr int kDecadeBills = 1'000'000;
inline constexpr int kDecadeLinesPerBill = 10;

// Makes the current directory a program folder holding the set, made once and kept in the
// benchmarks' cache folder, with the session of EnterBenchSession(). `writable`: a fresh copy
// in a temporary folder, removed at exit. Aborts when the set cannot be made.
std::filesystem::path UseDecadeDataSet(bool writable);
