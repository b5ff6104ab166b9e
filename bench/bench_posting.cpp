// Posting a 1,000-line purchase bill through the bill model, against the same statements run
// as a bare prepared-statement loop on the same data (the baseline measured in the same run).
#include "BenchData.h"
#include "app/Cferix_razazApp.h"
#include "app/ProgramFolderSetup.h"
#include "bills/CBill.h"
#include "store/CDataStore.h"
#include "text/Clock.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {
constexpr int kLines = 1000;
constexpr int kExistingBills = 2000;

std::string Code(int i) {
    return "G" + std::to_string(i);
}

// A program folder with kLines goods and kExistingBills posted bills, made once.
void PrepareFolder() {
    static bool done = false;
    if (done)
        return;
    done = true;
    EnterNewProgramFolder();
    App().m_currentUser.UserName = "admin";
    CDataStore store;
    store.ConnectMain();
    store.Begin();
    store.AddGoodsClass("电子", "");
    for (int i = 0; i < kLines; ++i) {
        GoodsRecord g;
        g.Code = Code(i);
        g.ProductName = "Goods " + std::to_string(i);
        g.ClassName = "电子";
        g.PriceIn = "19.99";
        store.AddGoods(g);
    }
    store.Commit();
    // Existing history: many small bills, posted the normal way.
    static std::time_t now = 1'800'000'000;
    SetClockForTest([] { return now; });
    for (int b = 0; b < kExistingBills; ++b) {
        ++now;
        CBill bill(BillKind::Purchase);
        bill.m_customer = bill.m_department = bill.m_warehouse = bill.m_employee = bill.m_account =
            "x";
        for (int i = 0; i < 5; ++i) {
            GoodsRecord g;
            g.Code = Code((b * 5 + i) % kLines);
            g.ProductName = "Goods";
            g.PriceIn = "19.99";
            bill.AppendGoods(g);
            bill.m_lines.back().quantity = "1";
        }
        if (bill.Save() != PostOutcome::Posted)
            std::abort();
    }
}

CBill BigBill() {
    CBill bill(BillKind::Purchase);
    bill.m_customer = "华东电子";
    bill.m_department = "采购部";
    bill.m_warehouse = "x";
    bill.m_employee = "张三";
    bill.m_account = "工商银行";
    for (int i = 0; i < kLines; ++i) {
        GoodsRecord g;
        g.Code = Code(i);
        g.ProductName = "Goods " + std::to_string(i);
        g.PriceIn = "19.99";
        bill.AppendGoods(g);
        bill.m_lines.back().quantity = "3";
    }
    return bill;
}

void BM_PostThroughBillModel(benchmark::State& state) {
    PrepareFolder();
    static std::time_t t = 1'900'000'000;
    SetClockForTest([] { return t; });
    CBill bill = BigBill();
    for (auto _ : state) {
        ++t;
        bill.m_number = NewBillNumber(BillKind::Purchase);
        if (bill.Save() != PostOutcome::Posted)
            state.SkipWithError("posting failed");
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}

// The same work without the model: one transaction, the bill-number check, the header, and
// per line the detail insert, the stock look-up and the stock update; then the log entries.
void BM_BarePreparedStatements(benchmark::State& state) {
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
    auto done = [](sqlite3_stmt* st) {
        while (sqlite3_step(st) == SQLITE_ROW) {
        }
        sqlite3_reset(st);
    };
    sqlite3_stmt* exists = prepare(db, "select Bill_ID from EnterStock where Bill_ID = ? limit 1");
    sqlite3_stmt* header =
        prepare(db, "insert into EnterStock(Canceled, Bill_ID, Bill_Date, Customer, Department,"
                    " Warehouse, Employee, Introduction, Number, Total, Bank, Pay)"
                    " values('0', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    sqlite3_stmt* line = prepare(
        db, "insert into EnterStock_Detail(Bill_ID, Bill_Date, Customer, Department, Employee,"
            " Warehouse, Introduction, Number, Total, Bank, Pay, Product_ID, Product_Name,"
            " Product_Number, Product_Unit, Product_atch, Product_Date, Product_Price,"
            " Product_Total, Product_Note, Product_BarCode)"
            " values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    sqlite3_stmt* look =
        prepare(db, "select Number from StockPile where StoreHouse = ? and ProductCode = ?");
    sqlite3_stmt* update =
        prepare(db, "update StockPile set Number = ? where StoreHouse = ? and ProductCode = ?");
    sqlite3_stmt* log = prepare(other, "insert into Log(Event, User, Time) values(?, ?, ?)");
    int bill = 0;
    for (auto _ : state) {
        std::string number = "BARE-" + std::to_string(++bill);
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        text(exists, 1, number);
        done(exists);
        for (int i = 1; i <= 11; ++i)
            text(header, i, i == 1 ? number : std::string("x"));
        done(header);
        for (int i = 0; i < kLines; ++i) {
            for (int c = 1; c <= 21; ++c)
                text(line, c, c == 1 ? number : c == 12 ? Code(i) : std::string("3"));
            done(line);
            text(look, 1, "x");
            text(look, 2, Code(i));
            done(look);
            text(update, 1, "3");
            text(update, 2, "x");
            text(update, 3, Code(i));
            done(update);
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        for (int i = 0; i < kLines; ++i) {
            text(log, 1, "进货操作");
            text(log, 2, "admin");
            text(log, 3, "26-12-07 09:30:15");
            done(log);
        }
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    }
    for (sqlite3_stmt* st : {exists, header, line, look, update, log})
        sqlite3_finalize(st);
    sqlite3_close(db);
    sqlite3_close(other);
    state.SetItemsProcessed(state.iterations() * kLines);
}
} // namespace

BENCHMARK(BM_BarePreparedStatements)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PostThroughBillModel)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_MAIN();
