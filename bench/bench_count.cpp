// A stock count of 20,000 goods in one warehouse (load, then post a third counted above book and
// a third below), against bare prepared statements doing the same reads and writes.
#include "BenchData.h"
#include "app/Cferix_razazApp.h"
#include "app/ProgramFolderSetup.h"
#include "bills/StockCount.h"
#include "store/CDataStore.h"
#include "text/Clock.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {
constexpr int kGoods = 20000;
const char* kWarehouse = "一号仓库";

std::string Code(int i) {
    return "G" + std::to_string(i);
}

// What the count finds for goods i: 3 more, 2 fewer or the book quantity of 100.
int Counted(int i) {
    return i % 3 == 0 ? 103 : i % 3 == 1 ? 98 : 100;
}

// A program folder with kGoods goods, each with 100 in stock, made once.
void PrepareFolder() {
    static bool done = false;
    if (done)
        return;
    done = true;
    EnterNewProgramFolder();
    App().m_currentUser.UserName = "admin";
    SetClockForTest([] { return std::time_t{1'800'000'000}; });
    CDataStore store;
    store.ConnectMain();
    store.Begin();
    store.AddGoodsClass("电子", "");
    for (int i = 0; i < kGoods; ++i) {
        GoodsRecord g;
        g.Code = Code(i);
        g.ProductName = "Goods " + std::to_string(i);
        g.ClassName = "电子";
        g.Unit = "个";
        g.PriceIn = "19.99";
        store.AddGoods(g);
        store.IncreaseStock(kWarehouse, g.Code, g.ProductName, 100, "19.99");
    }
    store.Commit();
}

// Every book quantity back to 100 and no loss or gain rows, outside the measured time.
void Reset() {
    sqlite3* db = nullptr;
    sqlite3_open_v2("Data/main_data.tdb", &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db,
                 "BEGIN; update StockPile set Number = '100'; delete from BaoYiDan;"
                 " delete from BaoSunDan; COMMIT",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void BM_Count20k(benchmark::State& state) {
    PrepareFolder();
    for (auto _ : state) {
        state.PauseTiming();
        Reset();
        state.ResumeTiming();
        auto count = LoadStockCount(kWarehouse, "");
        if (!count || count->lines.size() != kGoods) {
            state.SkipWithError("loading failed");
            break;
        }
        for (auto& l : count->lines)
            l.counted = std::to_string(Counted(std::stoi(l.code.substr(1))));
        CountPosted posted;
        if (CountStock(*count, posted) != CountOutcome::Posted) {
            state.SkipWithError("posting failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kGoods);
}

// The same work without the count: the stock rows and the goods read, then in one transaction
// the stock rows read again and per differing line the row insert and the stock update; then
// the log entries.
void BM_Count20k_Baseline(benchmark::State& state) {
    PrepareFolder();
    sqlite3* db = nullptr;
    sqlite3_open_v2("Data/main_data.tdb", &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3* other = nullptr;
    sqlite3_open_v2("Data/other_data.tdb", &other, SQLITE_OPEN_READWRITE, nullptr);
    auto prepare = [](sqlite3* d, const char* sql) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(d, sql, -1, &st, nullptr) != SQLITE_OK)
            std::abort();
        return st;
    };
    auto text = [](sqlite3_stmt* st, int i, const std::string& v) {
        sqlite3_bind_text(st, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    };
    auto column = [](sqlite3_stmt* st, int i) {
        const unsigned char* t = sqlite3_column_text(st, i);
        return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
    };
    sqlite3_stmt* stock =
        prepare(db, "select ProductCode, Number from StockPile where StoreHouse = ? order by Id");
    sqlite3_stmt* goods =
        prepare(db, "select Code, ProductName, Unit from ferix_product order by Id");
    const char* columns = "(Bill_ID, Bill_Date, Department, Employee, Warehouse, Introduction,"
                          " Number, Total, Product_ID, Product_Name, Product_Number, Product_Unit,"
                          " Product_atch, Product_Date, Product_Price, Product_Total, Product_Note,"
                          " Product_BarCode) values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
                          " ?, ?, ?)";
    sqlite3_stmt* gain = prepare(db, (std::string("insert into BaoYiDan") + columns).c_str());
    sqlite3_stmt* loss = prepare(db, (std::string("insert into BaoSunDan") + columns).c_str());
    sqlite3_stmt* update =
        prepare(db, "update StockPile set Number = ? where StoreHouse = ? and ProductCode = ?");
    sqlite3_stmt* log = prepare(other, "insert into Log(Event, User, Time) values(?, ?, ?)");
    for (auto _ : state) {
        state.PauseTiming();
        Reset();
        state.ResumeTiming();
        std::unordered_map<std::string, int64_t> book;
        text(stock, 1, kWarehouse);
        while (sqlite3_step(stock) == SQLITE_ROW)
            book.emplace(column(stock, 0), std::stoll(column(stock, 1)));
        sqlite3_reset(stock);
        std::vector<std::array<std::string, 3>> lines;
        while (sqlite3_step(goods) == SQLITE_ROW)
            lines.push_back({column(goods, 0), column(goods, 1), column(goods, 2)});
        sqlite3_reset(goods);

        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        text(stock, 1, kWarehouse);
        while (sqlite3_step(stock) == SQLITE_ROW)
            book[column(stock, 0)] = std::stoll(column(stock, 1));
        sqlite3_reset(stock);
        int changes = 0;
        for (size_t i = 0; i < lines.size(); ++i) {
            const int64_t counted = Counted(static_cast<int>(i));
            const int64_t before = book[lines[i][0]];
            if (counted == before)
                continue;
            sqlite3_stmt* row = counted > before ? gain : loss;
            for (int c = 1; c <= 18; ++c)
                text(row, c, "x");
            text(row, 9, lines[i][0]);
            text(row, 10, lines[i][1]);
            text(row, 11, std::to_string(counted > before ? counted - before : before - counted));
            text(row, 12, lines[i][2]);
            sqlite3_step(row);
            sqlite3_reset(row);
            text(update, 1, std::to_string(counted));
            text(update, 2, kWarehouse);
            text(update, 3, lines[i][0]);
            sqlite3_step(update);
            sqlite3_reset(update);
            ++changes;
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        for (int i = 0; i < changes; ++i) {
            text(log, 1, "报溢操作");
            text(log, 2, "admin");
            text(log, 3, "26-12-07 09:30:15");
            sqlite3_step(log);
            sqlite3_reset(log);
        }
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    }
    for (sqlite3_stmt* st : {stock, goods, gain, loss, update, log})
        sqlite3_finalize(st);
    sqlite3_close(db);
    sqlite3_close(other);
    state.SetItemsProcessed(state.iterations() * kGoods);
}
} // namespace

BENCHMARK(BM_Count20k_Baseline)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Count20k)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_MAIN();
