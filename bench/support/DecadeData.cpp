#include "DecadeData.h"

#include "BenchData.h"
#include "store/CDataStore.h"
#include "store/LineSummary.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>

namespace fs = std::filesystem;

namespace {
// Raise when the statements below or the schema they fill change.
constexpr int kDecadeVersion = 3;

void Exec(sqlite3* db, const std::string& sql) {
    char* msg = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
        std::cerr << "\ndecade data: " << (msg ? msg : "?") << "\nin: " << sql.substr(0, 200)
                  << "\n";
        std::abort();
    }
}

// Cents as the program's money text.
std::string Money(const std::string& cents) {
    return "printf('%d.%02d', (" + cents + ") / 100, (" + cents + ") % 100)";
}

// The bills, their lines and the stock rows. A goods item's price is its retail price (else its
// purchase price and 30 % more), its cost its purchase price; amounts are whole cents, so the
// sums are exact. Bill numbers look like the program's own; a bill's lines repeat its header as
// the program writes them.
void FillBills(sqlite3* db) {
    const std::string bills = std::to_string(kDecadeBills);
    const std::string perBill = std::to_string(kDecadeLinesPerBill);
    Exec(db, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA cache_size = -400000;"
             " PRAGMA temp_store = FILE; BEGIN");
    Exec(db, "CREATE TEMP TABLE dg (n INTEGER PRIMARY KEY, Code, ProductName, Unit, BarCode,"
             " cin INTEGER, cout INTEGER)");
    Exec(db, "INSERT INTO dg SELECT row_number() OVER (ORDER BY Id) - 1, Code, ProductName, Unit,"
             " BarCode, CAST(round(PriceIn * 100) AS INTEGER), CAST(round(coalesce(nullif("
             "RetailPrice, ''), PriceIn * 1.3) * 100) AS INTEGER) FROM ferix_product");
    Exec(db, "CREATE TEMP TABLE du (n INTEGER PRIMARY KEY, name)");
    Exec(db, "INSERT INTO du SELECT row_number() OVER (ORDER BY Id) - 1, CustomerName FROM"
             " ferix_customer WHERE CustomerType = '客户'");
    // k = bill × 10 + line. h: a spread of the bill and line; four in five lines take one of
    // every fifth goods item.
    Exec(db, "CREATE TEMP TABLE dl (k INTEGER PRIMARY KEY, n INTEGER, q INTEGER)");
    Exec(db, "WITH RECURSIVE b(b) AS (SELECT 1 UNION ALL SELECT b + 1 FROM b WHERE b < " + bills +
                 "), j(j) AS (SELECT 0 UNION ALL SELECT j + 1 FROM j WHERE j < " + perBill +
                 " - 1) INSERT INTO dl SELECT b * 10 + j, CASE WHEN h % 5 <> 0 THEN ((h / 5) %"
                 " 20000) * 5 ELSE (h / 5) % " +
                 std::to_string(kDecadeGoods) +
                 " END, 1 + (b * 31 + j * 17) % 5 FROM (SELECT b, j, (b * 2654435761 + j *"
                 " 40503) % 4294967291 AS h FROM b, j) ORDER BY b, j");
    Exec(db, "CREATE TEMP TABLE dh (b INTEGER PRIMARY KEY, id, d, customer, employee, warehouse,"
             " bank, quantity INTEGER, total INTEGER)");
    // The last bill is on BenchNow()'s day (2026-12-07), the first ten years before.
    Exec(db, "INSERT INTO dh SELECT s.b, 'XS-' || substr(s.d, 3, 2) || substr(s.d, 6, 2) ||"
             " substr(s.d, 9, 2) || '-' || printf('%07d', s.b), s.d, u.name, (CASE s.b % 5 WHEN 0 "
             "THEN '刘洋' WHEN 1 THEN '陈静' WHEN 2 THEN"
             " '杨磊' WHEN 3 THEN '黄丽' ELSE '周杰' END), (CASE s.b % 3 WHEN 0 THEN '一号仓库'"
             " WHEN 1 THEN '二号仓库' ELSE '三号仓库' END), (CASE s.b % 3 WHEN 0 THEN '现金' WHEN"
             " 1 THEN '中国工商银行' ELSE '招商银行' END), s.quantity, s.total FROM (SELECT a.b,"
             " date('2026-12-07', '-' || ((" +
                 bills + " - a.b) * 3652 / " + bills +
                 ") || ' days') AS d, a.quantity, a.total FROM (SELECT k / 10 AS b, sum(q) AS"
                 " quantity, sum(q * g.cout) AS total FROM dl JOIN dg g USING (n) GROUP BY k /"
                 " 10) a) s JOIN du u ON u.n = s.b % (SELECT count(*) FROM du) ORDER BY s.b");
    Exec(db, "INSERT INTO EnterSale (Canceled, Bill_ID, Bill_Date, Customer, Department,"
             " Warehouse, Employee, Introduction, Number, Total, Bank, Pay) SELECT '0', id, d,"
             " customer, '销售部', warehouse, employee, '', quantity, " +
                 Money("total") + ", bank, " + Money("total") + " FROM dh ORDER BY b");
    Exec(db, "INSERT INTO EnterSale_Detail (Canceled, Bill_ID, Bill_Date, Customer, Department,"
             " Employee, Warehouse, Introduction, Number, Total, Bank, Pay, Product_ID,"
             " Product_Name, Product_Number, Product_Unit, Product_atch, Product_Date,"
             " Product_Price, Product_Total, Product_Note, Product_BarCode, Base_Number,"
             " Product_Cost, Product_UnitCost) SELECT '0', h.id, h.d, h.customer, '销售部',"
             " h.employee, h.warehouse, '', h.quantity, " +
                 Money("h.total") + ", h.bank, " + Money("h.total") +
                 ", g.Code, g.ProductName, l.q, g.Unit, '', '', " + Money("g.cout") + ", " +
                 Money("l.q * g.cout") + ", '', g.BarCode, l.q, " + Money("l.q * g.cin") + ", " +
                 Money("g.cin") +
                 " || '00' FROM dl l JOIN dg g USING (n) JOIN dh h ON h.b = l.k / 10 ORDER BY"
                 " l.k");
    Exec(db, "INSERT OR IGNORE INTO StockPile (StoreHouse, ProductCode, ProductName,"
             " FirstEnterTime, LastLeaveTime, Number, Price, CostPrice) SELECT w.w, g.Code,"
             " g.ProductName, '16-12-08', '', '1000000', " +
                 Money("g.cin") + ", " + Money("g.cin") +
                 " || '00' FROM (SELECT '一号仓库' AS w UNION ALL SELECT '二号仓库' UNION ALL"
                 " SELECT '三号仓库') w, dg g");
    Exec(db, "COMMIT");
}

// The summaries over the bulk lines, built as the upgrade builds them.
void BuildSummaries() {
    CDataStore store;
    if (!store.ConnectMain() || !store.Begin() || !RebuildLineSummaries(store) || !store.Commit()) {
        std::cerr << "decade data: the summaries failed: " << store.LastError() << "\n";
        std::abort();
    }
}

// The cached set of the highest lower version number, when there is one: its files upgraded,
// which builds the summaries by the upgrade's own step. True when it was there.
bool UpgradeCachedSet() {
    for (int version = kDecadeVersion - 1; version >= 1; --version) {
        const fs::path older =
            fs::current_path().parent_path() / ("decade-v" + std::to_string(version));
        if (!fs::exists(older / "complete"))
            continue;
        for (const char* file : {"main_data.tdb", "other_data.tdb", "ferix_config.data"})
            fs::copy_file(older / "Data" / file, fs::path("Data") / file,
                          fs::copy_options::overwrite_existing);
        CDataStore store;
        if (!store.ConnectMain()) {
            std::cerr << "decade data: the upgrade failed: " << store.LastError() << "\n";
            std::abort();
        }
        std::cerr << " (upgraded from decade-v" << version << ")";
        return true;
    }
    return false;
}

void MakeDecade() {
    if (UpgradeCachedSet())
        return;
    DemoDataOptions reference;
    reference.goods = kDecadeGoods;
    reference.customers = 2'000;
    reference.bills = 0;
    if (!FillDemoData(reference)) {
        std::cerr << "decade data: the generator failed\n";
        std::abort();
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2("Data/main_data.tdb", &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::cerr << "decade data: cannot open the data file\n";
        std::abort();
    }
    const auto start = std::chrono::steady_clock::now();
    FillBills(db);
    sqlite3_close_v2(db);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::cerr << " (the bills and lines in bulk: " << static_cast<int>(took.count()) << " s)";
    BuildSummaries();
}
} // namespace

fs::path UseDecadeDataSet(bool writable) {
    return UseMadeDataSet("decade-v" + std::to_string(kDecadeVersion), MakeDecade, writable);
}
