#include "BillTestSupport.h"

namespace {
const BillKind kTradeKinds[] = {BillKind::Purchase, BillKind::PurchaseReturn, BillKind::Sale,
                                BillKind::SaleReturn};
bool ChecksStock(BillKind k) {
    return k == BillKind::PurchaseReturn || k == BillKind::Sale || k == BillKind::Loss;
}
} // namespace

using BillValidationTest = BillTest;

TEST_F(BillValidationTest, TradeBillsAreCheckedInTheWindowsOrder) {
    for (BillKind kind : kTradeKinds) {
        SCOPED_TRACE(KindInfo(kind).cliName);
        CBill bill(kind);
        AddLine(bill, m_pen, "0");
        ExpectRefused(bill, "请输入 往来单位 ！");
        bill.m_customer = "华东'电子";
        ExpectRefused(bill, "请输入 部门 ！");
        bill.m_department = "采购部";
        ExpectRefused(bill, "请输入 员工名称！");
        bill.m_employee = "张三";
        ExpectRefused(bill, "请输入仓库！");
        bill.m_warehouse = "一号仓库";
        ExpectRefused(bill, kind == BillKind::Purchase || kind == BillKind::PurchaseReturn
                                ? "请输入 付款（收款）账户 信息！"
                                : "请输入 收款（付款）账户 信息！");
        bill.m_account = "工商银行";
        // The warehouse and the unit must be in their lists, whole names, spaces and all.
        bill.m_warehouse = "一号仓库 ";
        ExpectRefused(bill, "仓库“一号仓库 ”不在仓库列表中！");
        bill.m_warehouse = "一号仓库";
        ExpectRefused(bill, "往来单位“华东'电子”不在往来单位列表中！");
        bill.m_customer = "华东电子 ";
        ExpectRefused(bill, "往来单位“华东电子 ”不在往来单位列表中！");
        bill.m_customer = "华东电子";
        ExpectRefused(bill, "请录入商品“Pen”的价格和数量！");
        bill.EditCell(0, 3, "3");
        if (ChecksStock(kind)) {
            // No stock row is no stock: 0.
            ExpectRefused(bill, "库存不足！\r\n商品（Pen）在仓库（一号仓库）的库存为：0");
            PutStock("一号仓库", "G1", "Pen", 3);
        }
        m_port.Clear();
        EXPECT_TRUE(bill.Validate());
        EXPECT_TRUE(m_port.Texts().empty());
        bill.m_lines.clear();
        ExpectRefused(bill, "请录入所要进货的货物！");
        // Validation writes nothing.
        EXPECT_EQ(Count("StockPile"), ChecksStock(kind) ? 1 : 0);
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.Run("delete from StockPile", {}));
    }
}

TEST_F(BillValidationTest, TradeLinesNeedWholeQuantitiesAndValidPrices) {
    for (BillKind kind : {BillKind::Purchase, BillKind::SaleReturn}) {
        CBill bill = FullBill(kind);
        AddLine(bill, m_pen, "abc");
        ExpectRefused(bill, "请录入商品“Pen”的价格和数量！");
        bill.m_lines.back().price = "0.00";
        bill.m_lines.back().quantity = "3";
        ExpectRefused(bill, "请录入商品“Pen”的价格和数量！");
        bill.m_lines.back().price = "abc";
        ExpectRefused(bill, "请录入商品“Pen”的价格和数量！");
        bill.m_lines.back().price = "19.99";
        for (const char* q : {"2.5", "-3", "+2.0"}) {
            bill.m_lines.back().quantity = q;
            ExpectRefused(bill, "商品“Pen”的数量必须是不小于零的整数！");
        }
        // What the amount rule cannot read counts as 0, so the window's own message comes.
        for (const char* q : {"3x", "99999999999999999999999"}) {
            bill.m_lines.back().quantity = q;
            ExpectRefused(bill, "请录入商品“Pen”的价格和数量！");
        }
        bill.m_lines.back().quantity = "3";
        bill.m_lines.back().price = "-19.99";
        ExpectRefused(bill, "商品“Pen”的单价必须是不小于零的数字！");
        bill.m_lines.back().price = "19.99";
        bill.m_lines.back().quantity = "922337203685477";
        ExpectRefused(bill, "商品“Pen”的金额超出范围！");
        bill.m_lines.back().quantity = "40000000000000";
        AddLine(bill, m_pen, "40000000000000", "19.99");
        ExpectRefused(bill, "单据的金额合计超出范围！");
    }
}

TEST_F(BillValidationTest, LinesOfTheSameGoodsCountTogetherAgainstTheStock) {
    PutStock("一号仓库", "G1", "Pen", 5);
    PutStock("二号仓库", "G2", "Ink", 100);
    for (BillKind kind : {BillKind::Sale, BillKind::PurchaseReturn, BillKind::Loss}) {
        SCOPED_TRACE(KindInfo(kind).cliName);
        CBill bill = FullBill(kind);
        AddLine(bill, m_pen, "5", "19.99");
        m_port.Clear();
        EXPECT_TRUE(bill.Validate()) << "exactly the stock on hand passes";
        AddLine(bill, m_ink, "1", "3");
        ExpectRefused(bill, "库存不足！\r\n商品（Ink）在仓库（一号仓库）的库存为：0");
        bill.m_lines.pop_back();
        AddLine(bill, m_pen, "1", "19.99");
        ExpectRefused(bill, "库存不足！\r\n商品（Pen）在仓库（一号仓库）的库存为：5");
    }
    // Goods coming in are never checked against the stock.
    for (BillKind kind : {BillKind::Purchase, BillKind::SaleReturn, BillKind::Gain}) {
        CBill bill = FullBill(kind);
        AddLine(bill, m_pen, "1000", "1");
        AddLine(bill, m_ink, "1000", "1");
        m_port.Clear();
        EXPECT_TRUE(bill.Validate());
    }
}

TEST_F(BillValidationTest, LossAndGainBillsAreCheckedInTheWindowsOrder) {
    for (BillKind kind : {BillKind::Loss, BillKind::Gain}) {
        SCOPED_TRACE(KindInfo(kind).cliName);
        CBill bill(kind);
        bill.m_customer = bill.m_account = ""; // these windows have neither
        AddLine(bill, m_pen, "0");
        ExpectRefused(bill, "请输入 部门 ！");
        bill.m_department = "仓储部";
        ExpectRefused(bill, "请输入 经手人名称！");
        bill.m_employee = "李四";
        ExpectRefused(bill, "请输入仓库！");
        bill.m_warehouse = "不存在";
        ExpectRefused(bill, "仓库“不存在”不在仓库列表中！");
        bill.m_warehouse = "一号仓库";
        for (const char* q : {"0", "", "00"}) {
            bill.m_lines[0].quantity = q;
            ExpectRefused(bill, "请录入商品“Pen”数量！");
        }
        for (const char* q : {"-1", "1.5", "x"}) {
            bill.m_lines[0].quantity = q;
            ExpectRefused(bill, "商品“Pen”的数量必须是不小于零的整数！");
        }
        bill.m_lines[0].quantity = "2";
        if (kind == BillKind::Loss)
            ExpectRefused(bill, "库存不足！\r\n商品（Pen）在仓库（一号仓库）的库存为：0");
        else
            EXPECT_TRUE(bill.Validate());
        // A bill without lines passes.
        bill.m_lines.clear();
        m_port.Clear();
        EXPECT_TRUE(bill.Validate());
        EXPECT_TRUE(m_port.Texts().empty());
    }
}

TEST_F(BillValidationTest, PriceAdjustmentIsCheckedInTheWindowsOrder) {
    CBill bill(BillKind::Price);
    ExpectRefused(bill, "请输入仓库！");
    bill.m_warehouse = "一号仓库";
    ExpectRefused(bill, "请输入 部门 ！");
    bill.m_department = "仓储部";
    ExpectRefused(bill, "请输入 经手人名称！");
    bill.m_employee = "李四";
    ExpectRefused(bill, "请选择要调价的商品！");
    AddLine(bill, m_pen, "", "0.00");
    ExpectRefused(bill, "请录入商品“Pen”价格！");
    bill.EditCell(0, 4, "");
    ExpectRefused(bill, "请录入商品“Pen”价格！");
    bill.EditCell(0, 4, "cheap");
    ExpectRefused(bill, "商品“Pen”的单价必须是不小于零的数字！");
    bill.EditCell(0, 4, "-1");
    ExpectRefused(bill, "商品“Pen”的单价必须是不小于零的数字！");
    // "0" is not "0.00": the window lets it through.
    bill.EditCell(0, 4, "0");
    m_port.Clear();
    EXPECT_TRUE(bill.Validate());
    EXPECT_TRUE(m_port.Texts().empty());
}

TEST_F(BillValidationTest, AMissingDataFileStopsTheStockCheckWithItsMessage) {
    CBill bill = FullBill(BillKind::Sale);
    AddLine(bill, m_pen, "1", "19.99");
    std::filesystem::remove(Dir() / "Data" / "main_data.tdb");
    m_port.Clear();
    EXPECT_FALSE(bill.Validate());
    ASSERT_EQ(m_port.Texts().size(), 1u);
    EXPECT_EQ(m_port.Texts()[0].rfind("连接数据库失败！\r\n错误信息：", 0), 0u);
}
