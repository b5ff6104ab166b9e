#include "BillTestSupport.h"

#include "bills/BillFile.h"
#include "query/BillHistory.h"

#include <map>

namespace {
using Strings = std::vector<std::string>;
} // namespace

using BillModelTest = BillTest;

TEST_F(BillModelTest, AmountRuleIsExactWithTwoDecimals) {
    EXPECT_EQ(LineAmount("3", "19.99"), "59.97");
    EXPECT_EQ(LineAmount("1000000", "123456.78"), "123456780000.00");
    EXPECT_EQ(LineAmount("abc", "19.99"), "0.00");
    EXPECT_EQ(LineAmount("", ""), "0.00");
    EXPECT_EQ(LineAmount("2.5", "19.99"), "49.98"); // 49.975, half away from zero
    EXPECT_EQ(LineAmount("-3", "19.99"), "-59.97");
    EXPECT_EQ(LineAmount("1", "0.005"), "0.01");
    EXPECT_EQ(LineAmount("1", "0.0049"), "0.00");
    EXPECT_EQ(LineAmount("3", "0.3333"), "1.00");
    // Far beyond what a bill may hold, still computed without wrapping.
    EXPECT_EQ(LineAmount("900000000000000", "900000000000000"),
              "810000000000000000000000000000.00");
    // A line being checked or posted: the exact value behind the same texts, and nothing where
    // money cannot hold it.
    EXPECT_EQ(LineAmountOf(3, "19.99")->Format2(), "59.97");
    EXPECT_EQ(LineAmountOf(-3, "19.99")->Format2(), "-59.97");
    EXPECT_EQ(LineAmountOf(1, "0.005")->Format2(), "0.01");
    EXPECT_EQ(LineAmountOf(3, "0.3333"), CMoney::FromUnits(9999));
    EXPECT_EQ(LineAmountOf(7, "abc"), CMoney());
    EXPECT_EQ(LineAmountOf(1000000000000000, "10"), std::nullopt);
}

TEST_F(BillModelTest, GridCellsFollowEachWindowsColumns) {
    auto headers = [](BillKind kind) {
        Strings out;
        for (const auto& c : GridColumns(kind))
            out.push_back(c.header);
        return out;
    };
    EXPECT_EQ(headers(BillKind::Sale),
              (Strings{"是否有记录", "商品编码", "商品名称", "数量", "单位", "批号", "生产日期",
                       "单价", "金额", "库位", "商品条码", "备注"}));
    EXPECT_EQ(headers(BillKind::Gain),
              (Strings{"是否有记录", "商品编码", "商品名称", "数量", "单位", "批号", "生产日期",
                       "库位", "商品条码", "备注"}));
    EXPECT_EQ(headers(BillKind::Price),
              (Strings{"是否有记录", "商品编码", "商品名称", "单位", "单价", "商品条码", "备注"}));

    CBill trade(BillKind::Purchase);
    trade.AppendGoods(m_pen);
    EXPECT_EQ(trade.Cell(0, 0), "true");
    EXPECT_EQ(trade.Cell(0, 3), "0");
    EXPECT_EQ(trade.Cell(0, 4), ""); // the unit is chosen from the unit list
    EXPECT_EQ(trade.Cell(0, 7), "19.99");
    EXPECT_EQ(trade.Cell(0, 8), "0");
    EXPECT_EQ(trade.Cell(0, 10), "BC-G1");
    EXPECT_EQ(trade.Cell(0, 11), "note of G1");
    // An edit box recomputes the amount whichever cell it edited; a drop-down does not.
    trade.m_lines[0].quantity = "3";
    trade.ChooseCell(0, 4, "盒");
    EXPECT_EQ(trade.Cell(0, 8), "0");
    trade.EditCell(0, 11, "remark");
    EXPECT_EQ(trade.Cell(0, 8), "59.97");
    trade.EditCell(0, 7, "1.5");
    EXPECT_EQ(trade.Cell(0, 8), "4.50");
    trade.AppendGoods(m_ink);
    trade.EditCell(1, 3, "2.5");
    trade.RecomputeTotals();
    EXPECT_EQ(trade.m_quantityTotal, "5"); // whole numbers only: 2.5 counts as 2
    EXPECT_EQ(trade.m_amountTotal, "12.00");
    // Refilling a line with other goods keeps its unit and resets the rest.
    trade.FillLine(0, m_ink);
    EXPECT_EQ(trade.Cell(0, 1), "G2");
    EXPECT_EQ(trade.Cell(0, 3), "0");
    EXPECT_EQ(trade.Cell(0, 4), "盒");
    EXPECT_EQ(trade.Cell(0, 7), "3");

    CBill gain(BillKind::Gain);
    gain.AppendGoods(m_pen);
    gain.EditCell(0, 3, "4");
    EXPECT_EQ(gain.m_lines[0].amount, "");
    EXPECT_EQ(gain.Cell(0, 8), "BC-G1");
    CBill price(BillKind::Price);
    price.AppendGoods(m_pen);
    EXPECT_EQ(price.Cell(0, 4), "19.99");
    EXPECT_EQ(price.Cell(0, 99), "");
}

TEST_F(BillModelTest, LineButtonsAskAndTellAsTheWindowsDo) {
    CBill bill(BillKind::Sale);
    bill.AppendGoods(m_pen);
    bill.AppendGoods(m_ink);
    m_port.QueueAnswer(false);
    EXPECT_FALSE(bill.RemoveSelectedLine(1));
    m_port.QueueAnswer(true);
    EXPECT_TRUE(bill.RemoveSelectedLine(0));
    EXPECT_FALSE(bill.RemoveSelectedLine(std::nullopt));
    EXPECT_FALSE(bill.ChangeSelectedLine(5, m_pen));
    EXPECT_TRUE(bill.ChangeSelectedLine(0, m_pen));
    EXPECT_EQ(m_port.Texts(),
              (Strings{"确定要移除商品：“Ink”吗？", "确定要移除商品：“Pen”吗？",
                       "请在列表中点击选中要删除的商品！", "请在列表中点击选中要修改的商品！"}));
    ASSERT_EQ(bill.m_lines.size(), 1u);
    EXPECT_EQ(bill.m_lines[0].code, "G1");

    bill.m_customer = "kept";
    bill.m_quantityTotal = "7";
    bill.StartNextBill();
    EXPECT_TRUE(bill.m_lines.empty());
    EXPECT_EQ(bill.m_customer, "kept");
    EXPECT_EQ(bill.m_quantityTotal, "0");
    EXPECT_EQ(bill.m_amountTotal, "0.00");
    EXPECT_EQ(bill.m_number, "XS-261207-093015");
}

TEST_F(BillModelTest, BillNumbersCarryTheKindsPrefixAndTheLocalTime) {
    std::map<BillKind, std::string> expected = {
        {BillKind::Purchase, "JH-261207-093015"}, {BillKind::PurchaseReturn, "JHTH-261207-093015"},
        {BillKind::Sale, "XS-261207-093015"},     {BillKind::SaleReturn, "XSTH-261207-093015"},
        {BillKind::Loss, "BS-261207-093015"},     {BillKind::Gain, "BY-261207-093015"},
        {BillKind::Price, "TJ-261207-093015"}};
    for (const auto& [kind, number] : expected) {
        EXPECT_EQ(NewBillNumber(kind), number);
        EXPECT_EQ(BillKindFromCliName(KindInfo(kind).cliName), kind);
    }
    EXPECT_EQ(BillKindFromHistoryWord("run_sale_tuihuo"), BillKind::SaleReturn);
    EXPECT_FALSE(BillKindFromHistoryWord(""));
    EXPECT_FALSE(BillKindFromCliName("Purchase"));
    // The store's table names and the tables of the history words come from the same kinds.
    EXPECT_STREQ(BillTableName(BillTable::EnterSale), "EnterSale");
    EXPECT_STREQ(BillTableName(BillTable::FundBill), "FundBill");
    EXPECT_EQ(TradeTableOfHistoryWord("run_caigou_tuihuo"), BillTable::BackStock);
    EXPECT_EQ(TradeTableOfHistoryWord("run_yiku"), std::nullopt); // a transfer is no trade bill
    EXPECT_EQ(TradeTableOfHistoryWord(""), std::nullopt);
}

TEST_F(BillModelTest, BillFileFillsLinesAsThePickerDoes) {
    auto find = [&](const std::string& code) -> std::optional<GoodsRecord> {
        if (code == "G1")
            return m_pen;
        if (code == "G2")
            return m_ink;
        return std::nullopt;
    };
    std::string error;
    auto bill = ReadBillFile(BillKind::Purchase, R"({
        "customer": "华东电子", "department": "采购部", "warehouse": "一号仓库",
        "employee": "张三", "introduction": "It's \"new\"", "account": "工商银行", "paid": "",
        "lines": [
          {"code": "G1", "quantity": "3"},
          {"code": "G2", "quantity": "2", "price": "2.5", "unit": "盒", "batch": "B1",
           "production_date": "26-01-01", "barcode": "X", "note": "\u5907\u6ce8"}
        ]})",
                             find, &error);
    ASSERT_TRUE(bill) << error;
    EXPECT_EQ(bill->m_number, "JH-261207-093015");
    EXPECT_EQ(bill->m_date, "2026-12-07");
    EXPECT_EQ(bill->m_introduction, "It's \"new\"");
    ASSERT_EQ(bill->m_lines.size(), 2u);
    const BillLine& a = bill->m_lines[0];
    EXPECT_EQ(a.name, "Pen");
    EXPECT_EQ(a.price, "19.99");
    EXPECT_EQ(a.unit, "个");
    EXPECT_EQ(a.barcode, "BC-G1");
    EXPECT_EQ(a.amount, "59.97");
    const BillLine& b = bill->m_lines[1];
    EXPECT_EQ(b.unit, "盒");
    EXPECT_EQ(b.batch, "B1");
    EXPECT_EQ(b.productionDate, "26-01-01");
    EXPECT_EQ(b.barcode, "X");
    EXPECT_EQ(b.note, "备注");
    EXPECT_EQ(b.amount, "5.00");

    // Members a kind does not have are ignored; price bills take no quantity.
    auto loss = ReadBillFile(BillKind::Loss,
                             R"({"number": "BS-1", "date": "2026-02-28", "customer": "x",
                                 "account": "y", "paid": "1", "introduction": "z",
                                 "lines": [{"code": "G1", "quantity": "2", "price": "9"}]})",
                             find, &error);
    ASSERT_TRUE(loss) << error;
    EXPECT_EQ(loss->m_number, "BS-1");
    EXPECT_EQ(loss->m_date, "2026-02-28");
    EXPECT_EQ(loss->m_customer + loss->m_account + loss->m_paid + loss->m_introduction, "");
    EXPECT_EQ(loss->m_lines[0].price, "");
    auto price =
        ReadBillFile(BillKind::Price,
                     R"({"lines": [{"code": "G1", "quantity": "2", "price": "9"}]})", find, &error);
    ASSERT_TRUE(price) << error;
    EXPECT_EQ(price->m_lines[0].quantity, "");
    EXPECT_EQ(price->m_lines[0].price, "9");

    const std::vector<std::pair<std::string, std::string>> bad = {
        {R"({"lines": [{"code": "G9", "quantity": "1"}]})", "商品编码“G9”不在商品列表中！"},
        {R"({"lines": [{"quantity": "1"}]})", "第 1 条商品行缺少商品编码（code）"},
        {R"({"lines": [{"code": "G1", "qty": "1"}]})", "第 1 条商品行有未知的字段“qty”"},
        {R"({"lines": [{"code": "G1", "quantity": 1}]})",
         "第 1 条商品行的字段“quantity”必须是字符串"},
        {R"({"lines": ["G1"]})", "第 1 条商品行必须是一个 JSON 对象"},
        {R"({"lines": {}})", "单据文件的字段“lines”必须是数组"},
        {R"({"customer": null})", "单据文件中的字段“customer”必须是字符串"},
        {R"({"custmer": "x"})", "单据文件中有未知的字段“custmer”"},
        {R"({"date": "2026-02-29"})", "日期“2026-02-29”不是有效的日期（yyyy-MM-dd）"},
        {R"({"date": "07.12.2026"})", "日期“07.12.2026”不是有效的日期（yyyy-MM-dd）"},
        {R"([])", "单据文件的内容必须是一个 JSON 对象"},
        {"{\"lines\": [\n{\"code\": \"G1\",}]}",
         "JSON 格式错误（第 2 行第 15 列）：需要用引号括起的成员名"},
    };
    for (const auto& [text, message] : bad) {
        error.clear();
        EXPECT_FALSE(ReadBillFile(BillKind::Sale, text, find, &error)) << text;
        EXPECT_EQ(error, message) << text;
    }
}

// A sale line starts at the retail price, wherever its goods come from: the picker, a scan,
// a bill file without a price. Without a retail price (empty, zero, unreadable) it starts at
// the purchase price, as every line of the other kinds does.
TEST_F(BillModelTest, ASaleLineStartsAtTheRetailPrice) {
    GoodsRecord cup = m_pen;
    cup.Code = "G3";
    cup.RetailPrice = "25.80";
    auto starting = [&](BillKind kind, const std::string& retail) {
        GoodsRecord g = m_pen;
        g.RetailPrice = retail;
        return StartingPrice(kind, g);
    };
    EXPECT_EQ(starting(BillKind::Sale, "25.80"), "25.80");
    EXPECT_EQ(starting(BillKind::SaleReturn, "25.80"), "25.80");
    for (const char* none : {"", "0", "0.00", "abc"})
        EXPECT_EQ(starting(BillKind::Sale, none), "19.99") << none;
    for (BillKind kind : {BillKind::Purchase, BillKind::PurchaseReturn, BillKind::Price})
        EXPECT_EQ(starting(kind, "25.80"), "19.99");

    CBill sale(BillKind::Sale);
    sale.AppendGoods(cup); // the picker
    EXPECT_EQ(sale.Cell(0, 7), "25.80");
    sale.FillLine(0, m_ink); // picked again: Ink has no retail price
    EXPECT_EQ(sale.Cell(0, 7), "3");
    sale.ScanGoods(cup);
    sale.ScanGoods(cup);
    EXPECT_EQ(sale.Cell(1, 3) + " " + sale.Cell(1, 7) + " " + sale.Cell(1, 8), "2 25.80 51.60");
    CBill purchase(BillKind::Purchase);
    purchase.ScanGoods(cup);
    EXPECT_EQ(purchase.Cell(0, 7) + " " + purchase.Cell(0, 8), "19.99 19.99");
    CBill price(BillKind::Price);
    price.AppendGoods(cup);
    EXPECT_EQ(price.Cell(0, 4), "19.99");

    std::string error;
    auto find = [&](const std::string&) -> std::optional<GoodsRecord> { return cup; };
    const char* file = R"({"lines": [{"code": "G3", "quantity": "3"},
                                      {"code": "G3", "quantity": "1", "price": "20"}]})";
    auto fromFile = ReadBillFile(BillKind::SaleReturn, file, find, &error);
    ASSERT_TRUE(fromFile) << error;
    EXPECT_EQ(fromFile->m_lines[0].price + " " + fromFile->m_lines[0].amount, "25.80 77.40");
    EXPECT_EQ(fromFile->m_lines[1].price + " " + fromFile->m_lines[1].amount, "20 20.00");
}

TEST_F(BillModelTest, HistoryTotalRowSumsExactly) {
    std::vector<BillHeaderRecord> bills(3);
    bills[0].Number = "3";
    bills[0].Total = "0.10";
    bills[1].Number = "12abc";
    bills[1].Total = "0.20";
    bills[2].Number = "";
    bills[2].Total = "123456780000.00";
    BillHeaderRecord total = HistoryTotalRow(bills);
    EXPECT_EQ(total.Bill_ID, "统计汇总");
    EXPECT_EQ(total.Number, "15");
    EXPECT_EQ(total.Total, "123456780000.30");
    EXPECT_EQ(total.Customer + total.Bill_Date + total.Bank, "");
    BillHeaderRecord empty = HistoryTotalRow({});
    EXPECT_EQ(empty.Number, "0");
    EXPECT_EQ(empty.Total, "0.00");
}
