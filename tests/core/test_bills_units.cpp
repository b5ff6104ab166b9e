// Bill lines in a further unit of the goods: stock, cost, counts and reports in base units.
#include "BillTestSupport.h"

#include "bills/BillJournal.h"
#include "bills/BillReversal.h"
#include "bills/StockCount.h"
#include "bills/TransferStore.h"
#include "cost/ProfitReport.h"
#include "query/BillPrint.h"
#include "query/Reports.h"
#include "store/CDataStore.h"

namespace {
using Strings = std::vector<std::string>;

class UnitLinesTest : public BillTest {
protected:
    void SetUp() override {
        BillTest::SetUp();
        // Pen (base unit 个) also comes in boxes of 12.
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.ExecuteSql("insert into GoodsUnit(Product_ID, Unit, Factor, BarCode)"
                                     " values('G1', '箱', '12', 'BOX-G1')"));
    }

    // Posts a bill in `warehouse` with (quantity, unit, price) lines of Pen.
    std::string Post(BillKind kind,
                     const std::vector<std::tuple<std::string, std::string, std::string>>& lines,
                     const std::string& warehouse = "一号仓库") {
        CBill bill = FullBill(kind);
        bill.m_warehouse = warehouse;
        bill.m_toWarehouse = "二号仓库";
        bill.m_paid.clear();
        for (const auto& [quantity, unit, price] : lines) {
            AddLine(bill, m_pen, quantity, price);
            bill.m_lines.back().unit = unit;
        }
        m_port.Clear();
        EXPECT_EQ(bill.Save(), PostOutcome::Posted)
            << (m_port.Texts().empty() ? std::string() : m_port.Texts().back());
        return bill.m_number;
    }

    std::string At(const std::string& warehouse) {
        auto row = Stock(warehouse, "G1");
        return row ? row->Number + "@" + row->CostPrice : "none";
    }

    // "unit quantity base" of every row of a line table.
    Strings Lines(const std::string& table) {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        Strings out;
        EXPECT_TRUE(store.Run("select Product_Unit, Product_Number, Base_Number from " + table +
                                  " order by Id",
                              {}, [&](const CStatement& st) {
                                  out.push_back(st.Text(0) + " " + st.Text(1) + " " + st.Text(2));
                              }));
        return out;
    }
};
} // namespace

TEST_F(UnitLinesTest, BoxesMoveStockCostAndReportsInBaseUnitsOnEveryKindOfLine) {
    // 2 箱 at 120.00 are 24 个 worth 240.00, 10.0000 each; 5 个 at 10.50 bring 52.50 more:
    // 292.50 / 29 = 10.0862.
    Post(BillKind::Purchase, {{"2", "箱", "120.00"}, {"5", "个", "10.50"}});
    EXPECT_EQ(At("一号仓库"), "29@10.0862");

    // 1 箱 sold: 12 个 leave at 10.0862, 121.0344 → 121.03; 150.00 − 121.03 = 28.97.
    const std::string sale = Post(BillKind::Sale, {{"1", "箱", "150.00"}});
    EXPECT_EQ(At("一号仓库"), "17@10.0862");
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        const auto lines = store.ListBillDetails("run_sale", sale);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].Product_Number + " " + lines[0].Product_Unit + " " +
                      lines[0].Base_Number + " " + lines[0].Product_Cost + " " +
                      lines[0].Product_UnitCost,
                  "1 箱 12 121.03 10.0862");
    }
    EXPECT_EQ(
        RunProfitReport(ProfitKey::Goods, "2026-01-01", "2026-12-31").rows,
        (std::vector<Strings>{{"G1", "Pen", "个", "12", "150.00", "121.03", "28.97", "19.31%"},
                              {"统计汇总", "", "", "12", "150.00", "121.03", "28.97", "19.31%"}}));
    // Statistics sum base units, under the base unit and at the price of one, though the first
    // line was in boxes: 120.00 / 12 and 150.00 / 12.
    auto goodsReport = [](const char* name) {
        const ReportKind* kind = FindReportKindByCliName(name);
        EXPECT_NE(kind, nullptr);
        Strings rows;
        for (const auto& r : RunReport(*kind, "2026-01-01", "2026-12-31").rows)
            rows.push_back(r[1] + " " + r[3] + " " + r[6] + " " + r[7]);
        return rows;
    };
    EXPECT_EQ(goodsReport("purchase-goods"), (Strings{"G1 个 29 10.00", "统计汇总  29 "}));
    EXPECT_EQ(goodsReport("sale-goods"), (Strings{"G1 个 12 12.50", "统计汇总  12 "}));

    // The reversal gives the 12 back at the 10.0862 they left at: (17 × 10.0862 + 121.0344) / 29.
    ASSERT_EQ(ReverseBill(BillKind::Sale, sale), sale + "-H");
    EXPECT_EQ(At("一号仓库"), "29@10.0862");
    EXPECT_EQ(Lines("EnterSale_Detail"), (Strings{"箱 1 12", "箱 -1 -12"}));

    // A box moves 12, a box returned takes 12 out, loss and gain count boxes as 12 too.
    Post(BillKind::Transfer, {{"1", "箱", ""}});
    EXPECT_EQ(At("一号仓库"), "17@10.0862");
    EXPECT_EQ(At("二号仓库"), "12@10.0862");
    Post(BillKind::PurchaseReturn, {{"1", "箱", "120.00"}});
    Post(BillKind::SaleReturn, {{"3", "个", "15.00"}});
    Post(BillKind::Loss, {{"1", "箱", ""}}, "二号仓库");
    Post(BillKind::Gain, {{"1", "箱", ""}}, "二号仓库");
    EXPECT_EQ(At("一号仓库"), "8@10.0862"); // 17 − 12 + 3
    EXPECT_EQ(At("二号仓库"), "12@10.0862");
    EXPECT_EQ(Lines("EnterStock_Detail"), (Strings{"箱 2 24", "个 5 5"}));
    EXPECT_EQ(Lines("BackStock_Detail"), (Strings{"箱 1 12"}));
    EXPECT_EQ(Lines("BackSale_Detail"), (Strings{"个 3 3"}));
    EXPECT_EQ(Lines("YiKuDan"), (Strings{"箱 1 12"}));
    EXPECT_EQ(Lines("BaoSunDan"), (Strings{"箱 1 12"}));
    EXPECT_EQ(Lines("BaoYiDan"), (Strings{"箱 1 12"}));

    // The count reads base units; its difference is a loss line of 2 个.
    auto count = LoadStockCount("一号仓库", "");
    ASSERT_TRUE(count);
    ASSERT_EQ(count->lines.size(), 1u);
    EXPECT_EQ(count->lines[0].book, 8);
    count->lines[0].counted = "6";
    CountPosted posted;
    ASSERT_EQ(CountStock(*count, posted), CountOutcome::Posted);
    EXPECT_EQ(At("一号仓库"), "6@10.0862");
    EXPECT_EQ(Lines("BaoSunDan"), (Strings{"箱 1 12", "个 2 2"}));

    // A box sold beyond stock is refused in base units: 6 个 are no box.
    CBill tooMuch = FullBill(BillKind::Sale);
    AddLine(tooMuch, m_pen, "1", "150.00");
    tooMuch.m_lines.back().unit = "箱";
    ExpectRefused(tooMuch, "库存不足！\r\n商品（Pen）在仓库（一号仓库）的库存为：6");

    // A unit Pen does not have: refused by the checks and by the posting, nothing written.
    CBill unknown = FullBill(BillKind::Purchase);
    AddLine(unknown, m_pen, "1", "5.00");
    unknown.m_lines.back().unit = "盒";
    ExpectRefused(unknown, "商品“Pen”没有单位“盒”！");
    const std::string before = Snapshot();
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    m_port.Clear();
    EXPECT_EQ(unknown.SaveOn(store), PostOutcome::Invalid);
    EXPECT_EQ(m_port.Texts(), Strings{"商品“Pen”没有单位“盒”！"});
    EXPECT_EQ(Snapshot(), before);
    // Goods without further units keep any unit text as a name, one base unit each.
    CBill named = FullBill(BillKind::Purchase);
    AddLine(named, m_ink, "4", "3.00");
    named.m_lines.back().unit = "盒";
    ASSERT_EQ(named.Save(), PostOutcome::Posted);
    EXPECT_EQ(Stock("一号仓库", "G2")->Number, "4");
}

TEST_F(UnitLinesTest, APriceLineInBoxesPricesOneBoxAndTheStockRowOneBaseUnit) {
    Post(BillKind::Purchase, {{"2", "箱", "120.00"}, {"5", "个", "10.50"}});
    auto priced = [&] {
        auto row = Stock("一号仓库", "G1");
        return row ? row->Price + "/" + row->CostPrice : "none";
    };
    EXPECT_EQ(priced(), "10.0000/10.0862");
    // 126.00 a box is 10.5000 each; 100.00 a box 8.33333… each, 8.3333; the cost stays.
    Post(BillKind::Price, {{"", "箱", "126.00"}});
    EXPECT_EQ(priced(), "10.5000/10.0862");
    Post(BillKind::Price, {{"", "箱", "100.00"}});
    EXPECT_EQ(priced(), "8.3333/10.0862");
    // A line in the base unit sets its price as typed.
    Post(BillKind::Price, {{"", "个", "9.99"}});
    EXPECT_EQ(priced(), "9.99/10.0862");
    // Each line keeps the unit and price it was entered in.
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    Strings lines;
    ASSERT_TRUE(
        store.Run("select Product_Unit, Product_Price from TiaoJiaDan order by Id", {},
                  [&](const CStatement& st) { lines.push_back(st.Text(0) + " " + st.Text(1)); }));
    EXPECT_EQ(lines, (Strings{"箱 126.00", "箱 100.00", "个 9.99"}));

    // Choosing the box on a price line offers the price of a box: 19.99 × 12; the base unit
    // its own 19.99 again.
    const auto offer = OfferedUnits(store, "G1");
    ASSERT_TRUE(offer);
    CBill adjustment = FullBill(BillKind::Price);
    AddLine(adjustment, m_pen, "", "19.99");
    adjustment.ChooseUnit(0, *offer, "箱");
    EXPECT_EQ(adjustment.m_lines[0].unit + " " + adjustment.m_lines[0].price, "箱 239.88");
    adjustment.ChooseUnit(0, *offer, "个");
    EXPECT_EQ(adjustment.m_lines[0].unit + " " + adjustment.m_lines[0].price, "个 19.99");

    // A unit Pen does not have is refused as on any other bill, nothing written.
    CBill unknown = FullBill(BillKind::Price);
    AddLine(unknown, m_pen, "", "50.00");
    unknown.m_lines.back().unit = "盒";
    const std::string before = Snapshot();
    ExpectRefused(unknown, "商品“Pen”没有单位“盒”！");
    m_port.Clear();
    EXPECT_EQ(unknown.SaveOn(store), PostOutcome::Invalid);
    EXPECT_EQ(m_port.Texts(), Strings{"商品“Pen”没有单位“盒”！"});
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(UnitLinesTest, AnUpgradedFileCountsEveryOlderLineInBaseUnitsAndReadsAsBefore) {
    Post(BillKind::Purchase, {{"10", "个", "10.00"}});
    Post(BillKind::Sale, {{"4", "个", "15.00"}});
    const std::string back = Post(BillKind::SaleReturn, {{"1", "个", "15.00"}});
    Post(BillKind::Loss, {{"1", "个", ""}});
    Post(BillKind::Transfer, {{"2", "个", ""}});
    ASSERT_TRUE(ReverseBill(BillKind::SaleReturn, back));
    auto reports = [] {
        std::vector<std::vector<std::string>> rows;
        for (const char* name : {"purchase-goods", "sale-goods", "sale-employee"}) {
            for (auto& r :
                 RunReport(*FindReportKindByCliName(name), "2026-01-01", "2026-12-31").rows)
                rows.push_back(std::move(r));
        }
        for (auto& r : RunProfitReport(ProfitKey::Goods, "2026-01-01", "2026-12-31").rows)
            rows.push_back(std::move(r));
        return rows;
    };
    const auto before = reports();
    // 10 − 4 + 1 − 1 − 2 − 1 (the return reversed).
    EXPECT_EQ(At("一号仓库") + " " + At("二号仓库"), "3@10.0000 2@10.0000");

    RollBackMainSchemaTo(6);
    EXPECT_EQ(reports(), before); // opened, and upgraded, on the way
    EXPECT_EQ(At("一号仓库") + " " + At("二号仓库"), "3@10.0000 2@10.0000");
    EXPECT_EQ(Lines("EnterStock_Detail"), Strings{"个 10 10"});
    EXPECT_EQ(Lines("EnterSale_Detail"), Strings{"个 4 4"});
    EXPECT_EQ(Lines("BackSale_Detail"), (Strings{"个 1 1", "个 -1 -1"}));
    EXPECT_EQ(Lines("BaoSunDan"), Strings{"个 1 1"});
    EXPECT_EQ(Lines("YiKuDan"), Strings{"个 2 2"});
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    JournalCheck check = CheckJournal(store);
    EXPECT_EQ(check.finding, JournalCheck::Finding::Complete) << JournalCheckText(check);
    EXPECT_EQ(check.documents, 6u);

    // An entry written before lines had base units keeps its layout, without Base_Number.
    std::string prev;
    ASSERT_TRUE(store.Run("select PrevDigest from BillJournal where Seq = 6", {},
                          [&](const CStatement& r) { prev = r.Text(0); }));
    const auto older = CanonicalBillText(store, 1, BillKind::SaleReturn, back + "-H");
    ASSERT_TRUE(older);
    EXPECT_NE(older, CanonicalBillText(store, 2, BillKind::SaleReturn, back + "-H"));
    const std::string digest = JournalDigest(prev, *older);
    ASSERT_TRUE(
        store.ExecuteSql("update BillJournal set Version = 1, Digest = ? where Seq = 6", {digest}));
    ASSERT_TRUE(store.ExecuteSql("update JournalHead set Digest = ?", {digest}));
    check = CheckJournal(store);
    EXPECT_EQ(check.finding, JournalCheck::Finding::Complete) << JournalCheckText(check);
}

TEST_F(UnitLinesTest, ABillsQuantityTotalCountsBaseUnitsInItsHeaderListingPrintAndTotals) {
    // 2 箱 of 12 and 5 个 are 29 个; the amounts stay per line: 240.00 + 52.50.
    const std::string purchase =
        Post(BillKind::Purchase, {{"2", "箱", "120.00"}, {"5", "个", "10.50"}});
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    auto headers = [&](const char* word) {
        Strings out;
        for (const auto& h : store.ListBillsByDate(word, "2026-01-01", "2026-12-31"))
            out.push_back(h.Bill_ID + " " + h.Number + " " + h.Total);
        return out;
    };
    EXPECT_EQ(headers("run_caigou"), Strings{purchase + " 29 292.50"});
    for (const auto& d : store.ListBillDetails("run_caigou", purchase))
        EXPECT_EQ(d.Number, "29"); // each line repeats its header
    // The red bill takes back what moved.
    ASSERT_EQ(ReverseBill(BillKind::Purchase, purchase), purchase + "-H");
    EXPECT_EQ(headers("run_caigou"),
              (Strings{purchase + " 29 292.50", purchase + "-H -29 -292.50"}));

    // The print page's 合计 counts the same, for a trade bill, a transfer and a loss.
    const std::string again =
        Post(BillKind::Purchase, {{"2", "箱", "120.00"}, {"5", "个", "10.50"}});
    const std::string transfer = Post(BillKind::Transfer, {{"1", "箱", ""}, {"3", "个", ""}});
    const std::string loss = Post(BillKind::Loss, {{"1", "箱", ""}, {"2", "个", ""}});
    EXPECT_EQ(ListTransferLines(store, transfer).front().Number, "15");
    auto printedTotal = [&](BillKind kind, const std::string& number) {
        EXPECT_EQ(PrepareBillPrint(kind, number).outcome, BillPrintResult::Outcome::Written);
        const std::string page = ReadFile(BillPrintFile(kind));
        const std::string sum = "合计</td><td class=\"num\">";
        const size_t at = page.find(sum);
        return at == std::string::npos
                   ? std::string("none")
                   : page.substr(at + sum.size(),
                                 page.find('<', at + sum.size()) - at - sum.size());
    };
    EXPECT_EQ(printedTotal(BillKind::Purchase, again), "29");
    EXPECT_EQ(printedTotal(BillKind::Transfer, transfer), "15");
    EXPECT_EQ(printedTotal(BillKind::Loss, loss), "14");

    // The running total of a bill being entered counts each line by its unit's factor, as the
    // unit cell offers them: the base unit first.
    const auto offer = OfferedUnits(store, "G1");
    ASSERT_TRUE(offer);
    Strings offered;
    for (const GoodsUnit& u : offer->units)
        offered.push_back(u.Unit + " " + std::to_string(u.Factor) + " " + u.BarCode);
    EXPECT_EQ(offered, (Strings{"个 1 " + m_pen.BarCode, "箱 12 BOX-G1"}));
    EXPECT_FALSE(OfferedUnits(store, "G2")); // no further units: the configured list
    CBill entered = FullBill(BillKind::Purchase);
    AddLine(entered, m_pen, "2", "120.00");
    AddLine(entered, m_pen, "5", "10.50");
    entered.RecomputeTotals({offer->FactorOf("箱"), offer->FactorOf("个")});
    EXPECT_EQ(entered.m_quantityTotal + " " + entered.m_amountTotal, "29 292.50");

    // Two lines of 7×10¹⁷ boxes fit one by one, not together.
    CBill huge = FullBill(BillKind::Gain);
    for (int i = 0; i < 2; ++i) {
        AddLine(huge, m_pen, "700000000000000000");
        huge.m_lines.back().unit = "箱";
    }
    ExpectRefused(huge, "单据的数量合计超出范围！");
    // A quantity too large for its amount or for base units says so, not that none was typed.
    CBill big = FullBill(BillKind::Purchase);
    AddLine(big, m_pen, "700000000000000000", "120.00");
    big.m_lines.back().unit = "箱";
    EXPECT_EQ(big.m_lines.back().amount, "84000000000000000000.00");
    ExpectRefused(big, "商品“Pen”的金额超出范围！");
    AddLine(big, m_pen, "800000000000000000", "0.0001");
    big.m_lines.back().unit = "箱";
    big.m_lines.erase(big.m_lines.begin());
    ExpectRefused(big, "商品“Pen”的数量超出范围！");
    m_port.Clear();
    EXPECT_EQ(huge.SaveOn(store), PostOutcome::Invalid);
    EXPECT_EQ(m_port.Texts(), Strings{"单据的数量合计超出范围！"});
}
