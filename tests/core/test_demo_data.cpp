// The sample-data generator: what it writes is what the windows and the posting would write.
#include "StoreTestSupport.h"

#include "app/Cferix_razazApp.h"
#include "app/DemoData.h"
#include "config/ConfigLists.h"
#include "finance/Balances.h"
#include "query/StockWarnings.h"
#include "text/Clock.h"
#include "text/IsoDate.h"
#include "text/Money.h"

#include <algorithm>
#include <map>
#include <set>

namespace {
class DemoDataTest : public StoreTest {
protected:
    std::map<std::string, int64_t> Sums(const std::string& sql) {
        std::map<std::string, int64_t> sums;
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        EXPECT_TRUE(store.Run(sql, {}, [&](const CStatement& st) {
            sums[st.Text(0) + "|" + st.Text(1)] += st.Int(2);
        }));
        return sums;
    }
};

DemoDataOptions Small() {
    DemoDataOptions o;
    o.goods = 40;
    o.customers = 9;
    o.bills = 400;
    o.linesPerBill = 4;
    o.days = 60;
    return o;
}
} // namespace

TEST_F(DemoDataTest, StockEqualsTheSumOfEveryPostedMovementAndNeverGoesBelowZero) {
    DemoDataSummary summary;
    ASSERT_TRUE(FillDemoData(Small(), &summary));
    EXPECT_TRUE(m_port.Texts().empty());
    EXPECT_EQ(summary.goods, 40);
    EXPECT_EQ(summary.customers, 9);
    EXPECT_EQ(summary.bills, 400);
    EXPECT_EQ(summary.lines, 1600);
    EXPECT_EQ(Count("ferix_product"), 40);
    EXPECT_EQ(Count("ferix_customer"), 9);
    int64_t bills =
        Count("EnterStock") + Count("BackStock") + Count("EnterSale") + Count("BackSale");
    // The bills' own lines; red bills and the counts' loss and gain bills come besides them.
    int64_t lines = 0;
    for (const char* table : {"EnterStock_Detail", "BackStock_Detail", "EnterSale_Detail",
                              "BackSale_Detail", "BaoSunDan", "BaoYiDan", "TiaoJiaDan", "YiKuDan"})
        lines +=
            Sums(
                std::string("select 'all', 'lines', count(*) from ") + table +
                " where Bill_ID not like '%-H' and coalesce(Introduction, '') not like '盘点 PD-%'")
                .at("all|lines");
    EXPECT_EQ(lines, 1600);
    EXPECT_GT(bills, 0);
    // Every kind occurs.
    for (const char* table : {"EnterStock", "BackStock", "EnterSale", "BackSale", "BaoSunDan",
                              "BaoYiDan", "TiaoJiaDan", "YiKuDan"})
        EXPECT_GT(Count(table), 0) << table;

    // Stock per warehouse and goods = ins - outs, as the detail rows record them.
    std::map<std::string, int64_t> expected;
    auto add = [&](const char* table, int sign) {
        for (const auto& [key, n] :
             Sums(std::string("select Warehouse, Product_ID, Product_Number from ") + table))
            expected[key] += sign * n;
    };
    add("EnterStock_Detail", 1);
    add("BackSale_Detail", 1);
    add("BaoYiDan", 1);
    add("BackStock_Detail", -1);
    add("EnterSale_Detail", -1);
    add("BaoSunDan", -1);
    add("YiKuDan", -1);
    for (const auto& [key, n] : Sums("select ToWarehouse, Product_ID, Product_Number from YiKuDan"))
        expected[key] += n;
    auto stock = Sums("select StoreHouse, ProductCode, Number from StockPile");
    EXPECT_EQ(stock, expected);
    // The opening purchases put every goods item into each of the three warehouses.
    EXPECT_EQ(stock.size(), 120u);
    for (const auto& [key, n] : stock)
        EXPECT_GE(n, 0) << key;
}

TEST_F(DemoDataTest, BillsAreSpreadOverTheDaysUpToTodayWithUniqueNumbers) {
    ASSERT_TRUE(FillDemoData(Small()));
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    std::set<std::string> numbers, dates;
    size_t rows = 0;
    for (const char* table : {"EnterStock", "BackStock", "EnterSale", "BackSale"}) {
        ASSERT_TRUE(store.Run(std::string("select Bill_ID, Bill_Date from ") + table, {},
                              [&](const CStatement& st) {
                                  ++rows;
                                  numbers.insert(st.Text(0));
                                  dates.insert(st.Text(1));
                              }));
    }
    EXPECT_EQ(numbers.size(), rows);
    ASSERT_FALSE(dates.empty());
    for (const auto& d : dates)
        EXPECT_TRUE(IsIsoDate(d)) << d;
    // The clock of the fixture says 2026-12-07; 60 days end there.
    EXPECT_EQ(*dates.begin(), "2026-10-09");
    EXPECT_EQ(*dates.rbegin(), "2026-12-07");
    EXPECT_GT(dates.size(), 50u);
    // Bill numbers carry their bill's own moment.
    auto first = store.ListBillsByDate("run_caigou", "2026-10-09", "2026-10-09");
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first.front().Bill_ID.substr(0, 10), "JH-261009-");
    EXPECT_TRUE(store.ListBillsByDate("run_caigou", "2026-12-08", "2027-12-31").empty());
    // The clock is the program's own again afterwards.
    EXPECT_EQ(FormatNow("%y-%m-%d %H:%M:%S"), "26-12-07 09:30:15");
}

TEST_F(DemoDataTest, TradeBillsArePaidInFullInPartOrNotAtAllAndTheCompanyIsNamed) {
    ASSERT_TRUE(FillDemoData(Small()));
    int full = 0, part = 0, none = 0;
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    for (const char* table : {"EnterStock", "BackStock", "EnterSale", "BackSale"}) {
        // Red bills carry their bill's figures negated.
        ASSERT_TRUE(store.Run(std::string("select Bill_ID, Total, Pay from ") + table +
                                  " where Canceled <> '2'",
                              {}, [&](const CStatement& st) {
                                  const std::string id = st.Text(0), pay = st.Text(2);
                                  auto total = CMoney::Parse(st.Text(1));
                                  auto paid = CMoney::Parse(pay);
                                  ASSERT_TRUE(total && paid) << id << " " << pay;
                                  EXPECT_EQ(paid->Format2(), pay) << id;
                                  EXPECT_GE(*paid, CMoney()) << id;
                                  EXPECT_LE(*paid, *total) << id;
                                  if (*paid == *total)
                                      ++full;
                                  else if (*paid == CMoney())
                                      ++none;
                                  else
                                      ++part;
                              }));
    }
    EXPECT_GT(full, 0);
    EXPECT_GT(part, 0);
    EXPECT_GT(none, 0);

    CDataStore other;
    ASSERT_TRUE(other.ConnectOther());
    const SettingsRecord s = other.LoadSettings();
    EXPECT_EQ((std::vector<std::string>{s.CompanyName, s.CompanyTel, s.CompanyFax, s.CompanyZip,
                                        s.Chengben, s.CompanyAddr}),
              (std::vector<std::string>{"上海恒通商贸有限公司", "021-58881234", "021-58881235",
                                        "201203", "加权平均法", "上海市浦东新区张江路88号"}));
    EXPECT_EQ(App().m_settings.CompanyName, "上海恒通商贸有限公司");
}

TEST_F(DemoDataTest, ReferenceListsAreFilledOnceAndExistingEntriesKept) {
    ASSERT_TRUE(AddConfigListEntry("warehouse", "一号仓库", "own note"));
    ASSERT_TRUE(AddConfigListEntry("warehouse", "旧仓库", ""));
    {
        CDataStore other;
        ASSERT_TRUE(other.ConnectOther());
        ASSERT_TRUE(other.SaveSettings({"自己的公司", "", "", "", "", ""}));
    }
    ASSERT_TRUE(FillDemoData(Small()));
    {
        CDataStore other;
        ASSERT_TRUE(other.ConnectOther());
        EXPECT_EQ(other.LoadSettings().CompanyName, "自己的公司");
    }
    auto warehouses = ReadConfigList("warehouse");
    std::vector<std::string> names;
    for (const auto& w : warehouses)
        names.push_back(w.name);
    EXPECT_EQ(names, (std::vector<std::string>{"一号仓库", "旧仓库", "二号仓库", "三号仓库"}));
    EXPECT_EQ(warehouses.front().note, "own note");
    EXPECT_FALSE(ReadConfigList("unit").empty());
    EXPECT_FALSE(ReadConfigList("bank").empty());
    EXPECT_FALSE(ReadConfigList("area").empty());
    auto sales = ReadEmployees(std::string("销售部"));
    EXPECT_FALSE(sales.empty());
    // The handlers of the sale bills are employees of the sales department.
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    std::set<std::string> handlers;
    ASSERT_TRUE(
        store.Run("select Employee, Department from EnterSale", {}, [&](const CStatement& st) {
            handlers.insert(st.Text(0));
            EXPECT_EQ(st.Text(1), "销售部");
        }));
    for (const auto& h : handlers) {
        EXPECT_TRUE(std::any_of(sales.begin(), sales.end(), [&](const EmployeeEntry& e) {
            return e.name == h;
        })) << h;
    }
}

TEST_F(DemoDataTest, RefusesAFolderWithGoodsAndImpossibleCounts) {
    AddGoods("MINE", "My own goods");
    const std::string data = Snapshot();
    EXPECT_FALSE(FillDemoData(Small()));
    EXPECT_EQ(m_port.Texts(),
              std::vector<std::string>{
                  "当前程序文件夹中已有商品，演示数据只能填入没有商品的程序文件夹。"});
    EXPECT_EQ(Snapshot(), data);

    DemoDataOptions tooManyLines = Small();
    tooManyLines.linesPerBill = 41;
    EXPECT_FALSE(CheckDemoDataOptions(tooManyLines).empty());
    DemoDataOptions noCustomers = Small();
    noCustomers.customers = 0;
    EXPECT_FALSE(CheckDemoDataOptions(noCustomers).empty());
    noCustomers.bills = 0;
    EXPECT_EQ(CheckDemoDataOptions(noCustomers), "");
    DemoDataOptions negative = Small();
    negative.goods = -1;
    EXPECT_FALSE(CheckDemoDataOptions(negative).empty());
}

TEST_F(DemoDataTest, ReceiptsComeFromCustomersAndPaymentsGoToSuppliers) {
    DemoDataSummary summary;
    ASSERT_TRUE(FillDemoData(Small(), &summary));
    EXPECT_GT(summary.fundBills, 0);
    EXPECT_EQ(Count("FundBill"), summary.fundBills);
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    int64_t receipts = 0, payments = 0, wrongSide = 0;
    ASSERT_TRUE(store.Run("select f.Kind, c.CustomerType from FundBill f join ferix_customer c"
                          " on c.CustomerName = f.Customer",
                          {}, [&](const CStatement& st) {
                              const std::string kind = st.Text(0), type = st.Text(1);
                              (kind == "收款" ? receipts : payments)++;
                              if ((kind == "收款") != (type == "客户"))
                                  ++wrongSide;
                          }));
    EXPECT_GT(receipts, 0);
    EXPECT_GT(payments, 0);
    EXPECT_EQ(receipts + payments, summary.fundBills); // every one names a listed unit
    EXPECT_EQ(wrongSide, 0);
}

// The sample shop looks healthy: it sells about what it buys at a margin, so its accounts are
// not deep in the red; a handful of goods are below their lower stock limit and hardly any
// above the upper one; transfers, counts, receipts, payments and a few reversals are there.
TEST_F(DemoDataTest, TheSampleShopSellsWhatItBuysAndKeepsItsStockWithinItsLimits) {
    DemoDataOptions o = Small();
    o.bills = 1500;
    DemoDataSummary summary;
    ASSERT_TRUE(FillDemoData(o, &summary));
    EXPECT_TRUE(m_port.Texts().empty());
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    auto total = [&](const char* table) {
        CMoney sum;
        EXPECT_TRUE(
            store.Run(std::string("select Total from ") + table, {},
                      [&](const CStatement& st) { sum += CMoney::ParseOrZero(st.Text(0)); }));
        return double(sum.Units()) / CMoney::kScale;
    };
    const double bought = total("EnterStock") - total("BackStock");
    const double sold = total("EnterSale") - total("BackSale");
    EXPECT_GT(bought, 0);
    EXPECT_GT(sold / bought, 0.9) << sold << " / " << bought;
    EXPECT_LT(sold / bought, 1.6) << sold << " / " << bought;

    std::vector<AccountBalanceRecord> accounts;
    std::vector<std::string> notes;
    ASSERT_TRUE(ListAccountBalances(store, {}, accounts, notes));
    EXPECT_TRUE(notes.empty());
    double money = 0;
    for (const auto& a : accounts)
        money += double(CMoney::ParseOrZero(a.Balance).Units()) / CMoney::kScale;
    EXPECT_GT(money, -0.05 * bought) << money << " of " << bought;

    const StockWarnings warnings = LoadStockWarnings("全部");
    ASSERT_TRUE(warnings.ok);
    EXPECT_TRUE(warnings.badLimits.empty());
    const int64_t below = CountBelowLowerLimit(warnings);
    const int64_t above = int64_t(warnings.rows.size()) - below;
    EXPECT_GE(below, 1);
    EXPECT_LE(below, o.goods / 4);
    EXPECT_LE(above, o.goods / 20);

    EXPECT_GT(Count("YiKuDan"), 0);
    EXPECT_GT(summary.counts, 0);
    EXPECT_GT(Sums("select 'all', 'lines', count(*) from BaoSunDan where Introduction like "
                   "'盘点 PD-%'")
                      .at("all|lines") +
                  Sums("select 'all', 'lines', count(*) from BaoYiDan where Introduction like "
                       "'盘点 PD-%'")
                      .at("all|lines"),
              0);
    int64_t red = 0;
    for (const char* table : {"EnterStock", "EnterSale"})
        red += Sums(std::string("select 'all', 'red', count(*) from ") + table +
                    " where Canceled = '2'")
                   .at("all|red");
    EXPECT_GT(summary.reversals, 0);
    EXPECT_EQ(red, summary.reversals);
    EXPECT_GT(Sums("select 'k', Kind, count(*) from FundBill group by Kind").size(),
              1u); // receipts, payments
}
