#include "StoreTestSupport.h"

#include "text/Clock.h"

namespace {
using Strings = std::vector<std::string>;
constexpr std::time_t kDay = 24 * 60 * 60;
} // namespace

using StockStoreTest = StoreTest;

TEST_F(StockStoreTest, IncreaseCreatesTheRowThenAddsAndKeepsTheFirstPrice) {
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    EXPECT_EQ(store.GetStockNumber("一号仓库", "G1"), -1);
    ASSERT_TRUE(store.IncreaseStock("一号仓库", "G1", "Pen", 5, "1.50"));
    auto row = Stock("一号仓库", "G1");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->Number, "5");
    EXPECT_EQ(row->Price, "1.50");
    EXPECT_EQ(row->ProductName, "Pen");
    EXPECT_EQ(row->FirstEnterTime, "26-12-07");
    EXPECT_EQ(row->LastLeaveTime, "");

    SetClockForTest([t = ClockNow()] { return t + kDay; });
    ASSERT_TRUE(store.IncreaseStock("一号仓库", "G1", "Renamed pen", 3, "9.99"));
    row = Stock("一号仓库", "G1");
    EXPECT_EQ(row->Number, "8");
    EXPECT_EQ(row->Price, "1.50");
    EXPECT_EQ(row->ProductName, "Pen");
    EXPECT_EQ(row->FirstEnterTime, "26-12-07");
    EXPECT_EQ(store.GetStockNumber("一号仓库", "G1"), 8);
    EXPECT_TRUE(m_port.Texts().empty());
}

TEST_F(StockStoreTest, DecreaseStopsAtZeroAndRecordsTheLastStockOut) {
    PutStock("一号仓库", "G1", "Pen", 5);
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    SetClockForTest([t = ClockNow()] { return t + 3 * kDay; });
    // The goods name takes no part in finding the row.
    ASSERT_TRUE(store.DecreaseStock("一号仓库", "G1", "another name", 5));
    auto row = Stock("一号仓库", "G1");
    EXPECT_EQ(row->Number, "0");
    EXPECT_EQ(row->LastLeaveTime, "26-12-10");

    std::string before = Snapshot();
    EXPECT_FALSE(store.DecreaseStock("一号仓库", "G1", "Pen", 1));
    EXPECT_FALSE(store.DecreaseStock("二号仓库", "G1", "Pen", 0));
    EXPECT_FALSE(store.DecreaseStock("一号仓库", "G1", "Pen", -3));
    EXPECT_EQ(m_port.Texts(), (Strings{"商品（Pen）当前库存不足。不能完成当前操作！",
                                       "商品（Pen）当前库存不足。不能完成当前操作！",
                                       "商品（Pen）的数量不能为负数。不能完成当前操作！"}));
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(StockStoreTest, RowsAreFoundByWholeWarehouseAndCode) {
    PutStock("仓库", "G1", "Pen", 10);
    PutStock("一号仓库", "G1", "Pen", 20);
    PutStock("仓库", "G10", "Pen deluxe", 30);
    PutStock("仓库", "G%", "Percent", 40);
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    ASSERT_TRUE(store.IncreaseStock("仓库", "G1", "Pen", 1, "0"));
    ASSERT_TRUE(store.DecreaseStock("仓库", "G%", "Percent", 4));
    ASSERT_TRUE(store.SetStockPrice("仓库", "G1", "Pen", "12.5"));
    EXPECT_EQ(Stock("仓库", "G1")->Number, "11");
    EXPECT_EQ(Stock("仓库", "G1")->Price, "12.5");
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "20");
    EXPECT_EQ(Stock("一号仓库", "G1")->Price, "10");
    EXPECT_EQ(Stock("仓库", "G10")->Number, "30");
    EXPECT_EQ(Stock("仓库", "G%")->Number, "36");
    EXPECT_EQ(store.GetStockNumber("仓", "G1"), -1);
    EXPECT_EQ(store.GetStockNumber("仓库", "G"), -1);
    EXPECT_EQ(store.GetStockNumber("仓库", "G_"), -1);
}

TEST_F(StockStoreTest, ListingTreatsEmptyAndAllAsNoFilter) {
    PutStock("一号仓库", "G1", "Pen", 1);
    PutStock("二号仓库", "G1", "Pen", 2);
    PutStock("二号仓库", "G2", "Ink", 3);
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    auto list = [&](const std::string& w, const std::string& c, const std::string& n) {
        std::vector<StockRecord> rows;
        EXPECT_TRUE(store.ListStock(w, c, n, rows));
        Strings out;
        for (const auto& r : rows)
            out.push_back(r.StoreHouse + "/" + r.ProductCode + "/" + r.Number);
        return out;
    };
    const Strings all = {"一号仓库/G1/1", "二号仓库/G1/2", "二号仓库/G2/3"};
    EXPECT_EQ(list("", "", ""), all);
    EXPECT_EQ(list("全部", "", ""), all);
    EXPECT_EQ(list("二号仓库", "", ""), (Strings{"二号仓库/G1/2", "二号仓库/G2/3"}));
    EXPECT_EQ(list("", "G1", ""), (Strings{"一号仓库/G1/1", "二号仓库/G1/2"}));
    EXPECT_EQ(list("", "", "Ink"), (Strings{"二号仓库/G2/3"}));
    EXPECT_EQ(list("%", "", ""), Strings{});
    EXPECT_EQ(list("", "G_", ""), Strings{});
    EXPECT_EQ(list("二号", "", ""), Strings{});
}

TEST_F(StockStoreTest, GainCreatesAMissingRowAtThePresetPurchasePrice) {
    AddGoods("G1", "Pen", "3.25");
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    ASSERT_TRUE(store.IncreaseStockForGain("一号仓库", "G1", "Pen", 4));
    auto row = Stock("一号仓库", "G1");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->Number, "4");
    EXPECT_EQ(row->Price, "3.25");
    EXPECT_EQ(row->FirstEnterTime, "26-12-07");
    ASSERT_TRUE(store.IncreaseStockForGain("一号仓库", "G1", "Pen", 6));
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "10");
}

TEST_F(StockStoreTest, PriceAdjustmentWithoutAStockRowIsRefused) {
    PutStock("一号仓库", "G1", "Pen", 1, "5");
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    std::string before = Snapshot();
    EXPECT_FALSE(store.SetStockPrice("二号仓库", "G1", "Pen", "7"));
    EXPECT_EQ(m_port.Texts(),
              Strings{"商品（Pen）在仓库（二号仓库）中没有库存，不能调价。不能完成当前操作！"});
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(StockStoreTest, QuantitiesBeyondTheRangeAreRefusedNotWrapped) {
    PutStock("一号仓库", "G1", "Pen", INT64_MAX - 1, "0"); // worth nothing: within money
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    EXPECT_FALSE(store.IncreaseStock("一号仓库", "G1", "Pen", 2, "1"));
    EXPECT_EQ(m_port.Texts(), Strings{"商品（Pen）的库存数量超出范围。不能完成当前操作！"});
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, std::to_string(INT64_MAX - 1));
}

TEST_F(StockStoreTest, AFailedStockStatementIsReportedWithItsStatement) {
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    CDataStore::FailStatementForTest(2); // the insert after the look-up
    EXPECT_FALSE(store.IncreaseStock("一号仓库", "G'1", "Pen", 5, "1"));
    ASSERT_EQ(m_port.Texts().size(), 1u);
    EXPECT_EQ(
        m_port.Texts()[0].rfind("向库存数据表中插入数据库失败。\r\n数据库失败！错误信息：", 0), 0u);
    EXPECT_NE(ReadFile("sql.txt").find("'G''1'"), std::string::npos) << ReadFile("sql.txt");
    EXPECT_EQ(Count("StockPile"), 0);
}

TEST_F(StockStoreTest, AFailedStockChangeSaysWhichChangeFailed) {
    PutStock("一号仓库", "G1", "Pen", 5);
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    const std::string failure =
        "\r\n数据库失败！\r\n错误信息：disk I/O error+injected fault at statement 1";
    // A stock-out (a sale, a purchase return, a loss, a transfer) and a gain change the stock
    // row; a price adjustment changes its price.
    CDataStore::FailStatementForTest(1);
    EXPECT_FALSE(store.DecreaseStock("一号仓库", "G1", "Pen", 2));
    CDataStore::FailStatementForTest(1);
    EXPECT_FALSE(store.IncreaseStockForGain("一号仓库", "G1", "Pen", 2));
    CDataStore::FailStatementForTest(1);
    EXPECT_FALSE(store.SetStockPrice("一号仓库", "G1", "Pen", "7"));
    CDataStore::FailStatementForTest(0);
    EXPECT_EQ(m_port.Texts(),
              (Strings{"修改库存信息失败。" + failure, "修改库存信息失败。" + failure,
                       "修改价格信息失败。" + failure}));
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "5");
}
