// Red-letter reversal: the red bill, the marks, the stock, the refusals and the statistics.
#include "BillTestSupport.h"

#include "bills/BillReversal.h"
#include "bills/BillStore.h"
#include "query/BillHistory.h"
#include "query/Reports.h"

namespace {
using Strings = std::vector<std::string>;

const BillKind kTradeKinds[] = {BillKind::Purchase, BillKind::PurchaseReturn, BillKind::Sale,
                                BillKind::SaleReturn};

class ReversalTest : public BillTest {
protected:
    // Posts a bill of the kind under the given number, dated 2026-12-01, with (goods, quantity,
    // price) lines.
    void Post(BillKind kind, const std::string& number,
              const std::vector<std::tuple<GoodsRecord, std::string, std::string>>& lines) {
        CBill bill = FullBill(kind);
        bill.GiveNumber(number);
        bill.m_date = "2026-12-01";
        for (const auto& [goods, quantity, price] : lines)
            AddLine(bill, goods, quantity, price);
        m_port.Clear();
        ASSERT_EQ(bill.Save(), PostOutcome::Posted)
            << (m_port.Texts().empty() ? std::string() : m_port.Texts().back());
    }

    // The reversal is refused with exactly this message and writes nothing anywhere.
    void ExpectRefused(BillKind kind, const std::string& number, const std::string& message) {
        const std::string data = Snapshot();
        const size_t log = Log().size();
        m_port.Clear();
        ReverseOutcome outcome = ReverseOutcome::Reversed;
        EXPECT_EQ(ReverseBill(kind, number, &outcome), std::nullopt) << number;
        EXPECT_EQ(outcome, ReverseOutcome::Refused) << number;
        EXPECT_EQ(m_port.Texts(), Strings{message});
        EXPECT_EQ(Snapshot(), data) << number;
        EXPECT_EQ(Log().size(), log) << number;
    }

    std::string Quantity(const std::string& code) {
        auto row = Stock("一号仓库", code);
        return row ? row->Number : "none";
    }

    static std::vector<BillDetailRecord> Lines(BillKind kind, const std::string& number) {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        return store.ListBillDetails(KindInfo(kind).historyWord, number);
    }
};
} // namespace

TEST_F(ReversalTest, EveryKindIsUndoneByANegatedRedBillAndItsStockComesBack) {
    GoodsRecord paper = AddGoods("G3", "Paper", "5");
    PutStock("一号仓库", "G1", "Pen", 40, "19.99");
    PutStock("一号仓库", "G2", "Ink", 40, "3");
    // Stock after posting: pen, ink, paper (purchases and sale returns bring paper in).
    const std::map<BillKind, Strings> posted = {{BillKind::Purchase, {"43", "43", "4"}},
                                                {BillKind::PurchaseReturn, {"37", "37", "0"}},
                                                {BillKind::Sale, {"37", "37", "0"}},
                                                {BillKind::SaleReturn, {"43", "43", "4"}}};
    for (BillKind kind : kTradeKinds) {
        const BillKindInfo& info = KindInfo(kind);
        SCOPED_TRACE(info.cliName);
        const bool bringsIn = kind == BillKind::Purchase || kind == BillKind::SaleReturn;
        const std::string number = std::string(info.prefix) + "R";
        const Strings before = {Quantity("G1"), Quantity("G2"), Quantity("G3")};
        std::vector<std::tuple<GoodsRecord, std::string, std::string>> lines = {
            {m_pen, "2", "19.99"}, {m_ink, "3", "3.5"}, {m_pen, "1", "20.01"}};
        if (bringsIn)
            lines.emplace_back(paper, "4", "5");
        Post(kind, number, lines);
        EXPECT_EQ((Strings{Quantity("G1"), Quantity("G2"), Quantity("G3")}), posted.at(kind));
        const size_t log = Log().size();

        m_port.Clear();
        ReverseOutcome outcome = ReverseOutcome::Failed;
        EXPECT_EQ(ReverseBill(kind, number, &outcome), number + "-H");
        EXPECT_EQ(outcome, ReverseOutcome::Reversed);
        EXPECT_TRUE(m_port.Texts().empty());
        // A goods row the bill made stays, emptied.
        const std::string paperAfter = before[2] == "none" && bringsIn ? "0" : before[2];
        EXPECT_EQ((Strings{Quantity("G1"), Quantity("G2"), Quantity("G3")}),
                  (Strings{before[0], before[1], paperAfter}));

        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        auto red = FindBillHeader(store, info.historyWord, number + "-H");
        ASSERT_TRUE(red.has_value());
        const std::string total = bringsIn ? "-90.49" : "-70.49";
        EXPECT_EQ(
            (Strings{red->Canceled, red->Bill_ID, red->Bill_Date, red->Customer, red->Department,
                     red->Warehouse, red->Employee, red->Introduction, red->Number, red->Total,
                     red->Bank, red->Pay}),
            (Strings{"2", number + "-H", "2026-12-07", "华东电子", "采购部", "一号仓库", "张三",
                     "红冲单据 " + number, bringsIn ? "-10" : "-6", total, "工商银行", "-100.00"}));
        Strings redLines;
        for (const auto& l : Lines(kind, number + "-H"))
            redLines.push_back(l.Canceled + " " + l.Bill_ID + " " + l.Bill_Date + " " +
                               l.Product_ID + " " + l.Product_Number + " " + l.Product_Price + " " +
                               l.Product_Total + " " + l.Number + " " + l.Total + " " + l.Pay +
                               " " + l.Introduction);
        Strings expected = {"2 " + number + "-H 2026-12-07 G1 -2 19.99 -39.98",
                            "2 " + number + "-H 2026-12-07 G2 -3 3.5 -10.50",
                            "2 " + number + "-H 2026-12-07 G1 -1 20.01 -20.01"};
        if (bringsIn)
            expected.push_back("2 " + number + "-H 2026-12-07 G3 -4 5 -20.00");
        for (auto& e : expected)
            e += std::string(" ") + (bringsIn ? "-10" : "-6") + " " + total + " -100.00 note of " +
                 e.substr(e.find(" G") + 1, 2);
        EXPECT_EQ(redLines, expected);

        auto reversed = FindBillHeader(store, info.historyWord, number);
        ASSERT_TRUE(reversed.has_value());
        EXPECT_EQ(reversed->Canceled, "1");
        EXPECT_EQ(reversed->Number, bringsIn ? "10" : "6");
        Strings marks;
        for (const auto& l : Lines(kind, number))
            marks.push_back(l.Canceled + " " + l.Product_Number);
        Strings expectedMarks = {"1 2", "1 3", "1 1"};
        if (bringsIn)
            expectedMarks.push_back("1 4");
        EXPECT_EQ(marks, expectedMarks);
        EXPECT_EQ(BillCanceledState(kind, number), "1");
        EXPECT_EQ(BillCanceledState(kind, number + "-H"), "2");
        ASSERT_EQ(Log().size(), log + 1);
        EXPECT_EQ(Log().back().Event, "红冲单据 " + number);
    }

    // A sale stored before anything wrote the line mark (left to the column's default) and
    // with an empty amount paid reverses like any other.
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.Run(
            "insert into EnterSale(Canceled, Bill_ID, Bill_Date, Customer, Warehouse, Number, "
            "Total, Pay) values('0', 'XS-OLD', '2026-11-30', '华东电子', '一号仓库', '5', "
            "'12.50', '')",
            {}));
        ASSERT_TRUE(store.Run("insert into EnterSale_Detail(Bill_ID, Bill_Date, Warehouse, "
                              "Product_ID, Product_Name, Product_Number, Product_Price, "
                              "Product_Total) values('XS-OLD', '2026-11-30', '一号仓库', 'G2', "
                              "'Ink', '5', '2.50', '12.50')",
                              {}));
    }
    EXPECT_EQ(BillCanceledState(BillKind::Sale, "XS-OLD"), "0");
    const std::string ink = Quantity("G2");
    EXPECT_EQ(ReverseBill(BillKind::Sale, "XS-OLD"), "XS-OLD-H");
    EXPECT_EQ(std::stoll(Quantity("G2")), std::stoll(ink) + 5);
    auto red = Lines(BillKind::Sale, "XS-OLD-H");
    ASSERT_EQ(red.size(), 1u);
    EXPECT_EQ(red[0].Product_Number + " " + red[0].Product_Total + " " + red[0].Number + " " +
                  red[0].Total + " [" + red[0].Pay + "]",
              "-5 -12.50 -5 -12.50 []");
    EXPECT_EQ(Lines(BillKind::Sale, "XS-OLD")[0].Canceled, "1");
}

TEST_F(ReversalTest, RefusalsNameTheBillOrTheGoodsAndWriteNothing) {
    PutStock("一号仓库", "G1", "Pen", 10, "19.99");
    // Goods sold since the purchase: its reversal would take the stock below zero.
    Post(BillKind::Purchase, "JH-A", {{m_pen, "5", "19.99"}});
    Post(BillKind::Sale, "XS-A", {{m_pen, "12", "25"}});
    EXPECT_EQ(Quantity("G1"), "3");
    ExpectRefused(BillKind::Purchase, "JH-A", "商品“Pen”库存不足，不能红冲！");
    // Lines of one goods item count together: 2 can go back, the next 2 cannot.
    Post(BillKind::Purchase, "JH-B", {{m_pen, "2", "19.99"}, {m_pen, "2", "19.99"}});
    Post(BillKind::Sale, "XS-B", {{m_pen, "4", "25"}});
    EXPECT_EQ(Quantity("G1"), "3");
    ExpectRefused(BillKind::Purchase, "JH-B", "商品“Pen”库存不足，不能红冲！");
    EXPECT_EQ(BillCanceledState(BillKind::Purchase, "JH-B"), "0");

    EXPECT_EQ(ReverseBill(BillKind::Sale, "XS-A"), "XS-A-H");
    EXPECT_EQ(Quantity("G1"), "15");
    ExpectRefused(BillKind::Sale, "XS-A", "单据“XS-A”已经红冲，不能重复红冲！");
    ExpectRefused(BillKind::Sale, "XS-A-H", "红字单据不能红冲！");
    ExpectRefused(BillKind::Sale, "XS-NONE", "单据“XS-NONE”不存在！");
    // A sale's number given as a purchase's names no purchase.
    ExpectRefused(BillKind::Purchase, "XS-B", "单据“XS-B”不存在！");
    ExpectRefused(BillKind::Loss, "BS-1", "单据“BS-1”不能红冲！");

    // Numbers are matched whole: "%" and "_" are plain characters, quotes are kept.
    Post(BillKind::Sale, "XS-%", {{m_pen, "1", "25"}});
    Post(BillKind::Sale, "XS-1", {{m_pen, "1", "25"}});
    Post(BillKind::Sale, "XS-'1\"", {{m_pen, "1", "25"}});
    ExpectRefused(BillKind::Sale, "XS-_", "单据“XS-_”不存在！");
    ExpectRefused(BillKind::Sale, "XS-'%", "单据“XS-'%”不存在！");
    EXPECT_EQ(ReverseBill(BillKind::Sale, "XS-%"), "XS-%-H");
    EXPECT_EQ(BillCanceledState(BillKind::Sale, "XS-1"), "0");
    EXPECT_EQ(BillCanceledState(BillKind::Sale, "XS-'1\""), "0");
    EXPECT_EQ(BillCanceledState(BillKind::Sale, "XS-B"), "0");
    EXPECT_EQ(ReverseBill(BillKind::Sale, "XS-'1\""), "XS-'1\"-H");
    EXPECT_EQ(Quantity("G1"), "14");

    // The red bill's number is taken by a bill of its own (stored before such numbers were
    // refused): nothing is overwritten. That bill is an ordinary one and reverses like any other.
    Post(BillKind::Sale, "XS-C", {{m_pen, "1", "25"}});
    Post(BillKind::Sale, "XS-C-0", {{m_pen, "1", "25"}});
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        for (const char* table : {"EnterSale", "EnterSale_Detail"})
            ASSERT_TRUE(store.Run(std::string("update ") + table +
                                      " set Bill_ID = 'XS-C-H' where Bill_ID = 'XS-C-0'",
                                  {}));
    }
    ExpectRefused(BillKind::Sale, "XS-C", "单据编号“XS-C-H”已经存在，不能红冲！");
    EXPECT_EQ(ReverseBill(BillKind::Sale, "XS-C-H"), "XS-C-H-H");
    EXPECT_EQ(Quantity("G1"), "13");
}

TEST_F(ReversalTest, StatisticsAndHistoryNetAReversedBillWithItsRedBill) {
    PutStock("一号仓库", "G1", "Pen", 10, "19.99");
    PutStock("一号仓库", "G2", "Ink", 10, "3");
    Post(BillKind::Sale, "XS-1", {{m_pen, "3", "25"}, {m_ink, "2", "4"}});
    Post(BillKind::Sale, "XS-2", {{m_pen, "1", "25"}});
    Post(BillKind::Purchase, "JH-1", {{m_ink, "7", "3"}});
    ASSERT_EQ(ReverseBill(BillKind::Sale, "XS-1"), "XS-1-H"); // dated 2026-12-07
    ASSERT_EQ(ReverseBill(BillKind::Purchase, "JH-1"), "JH-1-H");

    auto report = [](const char* name, const char* from, const char* to) {
        const ReportKind* kind = FindReportKindByCliName(name);
        EXPECT_NE(kind, nullptr);
        const size_t q = static_cast<size_t>(ReportQuantityColumn(*kind));
        ReportResult result = RunReport(*kind, from, to);
        EXPECT_TRUE(result.ok);
        Strings rows;
        for (const auto& r : result.rows)
            rows.push_back(r[1] + " " + r[q]);
        return rows;
    };
    // Both in the period: they net out; only one of them: it shows alone.
    EXPECT_EQ(report("sale-goods", "2026-12-01", "2026-12-07"),
              (Strings{"G1 1", "G2 0", "统计汇总 1"}));
    EXPECT_EQ(report("sale-goods", "2026-12-01", "2026-12-06"),
              (Strings{"G1 4", "G2 2", "统计汇总 6"}));
    EXPECT_EQ(report("sale-goods", "2026-12-07", "2026-12-07"),
              (Strings{"G1 -3", "G2 -2", "统计汇总 -5"}));
    EXPECT_EQ(report("sale-employee", "2026-12-01", "2026-12-07"),
              (Strings{"张三 1", "统计汇总 1"}));
    EXPECT_EQ(report("purchase-department", "2026-12-01", "2026-12-07"),
              (Strings{"采购部 0", "统计汇总 0"}));

    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    auto bills = store.ListBillsByDate("run_sale", "2026-12-01", "2026-12-07");
    Strings listed;
    for (const auto& b : bills)
        listed.push_back(b.Bill_ID + " " + b.Canceled + " " + b.Number + " " + b.Total);
    EXPECT_EQ(listed, (Strings{"XS-1 1 5 83.00", "XS-2 0 1 25.00", "XS-1-H 2 -5 -83.00"}));
    const BillHeaderRecord total = HistoryTotalRow(bills);
    EXPECT_EQ(total.Number + " " + total.Total, "1 25.00");
}

TEST_F(ReversalTest, ANumberEndingInTheRedSuffixIsKeptForRedBills) {
    PutStock("一号仓库", "G1", "Pen", 10, "19.99");
    const std::string before = Snapshot();
    auto refused = [&](CBill bill, const std::string& number) {
        m_port.Clear();
        EXPECT_EQ(bill.Save(), PostOutcome::NumberRefused) << number;
        EXPECT_EQ(m_port.Texts(), Strings{"单据编号“" + number +
                                          "”以“-H”结尾，这是红字单据的编号，请修改编号后再保存！"});
        EXPECT_EQ(Snapshot(), before) << number;
    };
    for (BillKind kind :
         {BillKind::Purchase, BillKind::Sale, BillKind::Loss, BillKind::Gain, BillKind::Transfer}) {
        CBill bill = FullBill(kind);
        bill.m_paid = ""; // nothing paid: no question about paying more than the total
        if (kind == BillKind::Transfer)
            bill.m_toWarehouse = "二号仓库";
        AddLine(bill, m_pen, "1",
                kind == BillKind::Loss || kind == BillKind::Gain || kind == BillKind::Transfer
                    ? ""
                    : "25");
        CBill given = bill;
        given.GiveNumber("NO-1-H");
        refused(given, "NO-1-H");
        // Typed over the number the bill made.
        CBill typed = bill;
        typed.m_number = "NO-2-H";
        refused(typed, "NO-2-H");
        // Blanks around a number hide what it is: "NO-3-H " would list as a red bill, "   " as
        // no number at all.
        for (const std::string number : {"NO-3-H ", "\tNO-4", " "}) {
            CBill blank = bill;
            blank.GiveNumber(number);
            m_port.Clear();
            EXPECT_EQ(blank.Save(), PostOutcome::NumberRefused) << number;
            EXPECT_EQ(m_port.Texts(),
                      Strings{number == " " ? "单据编号不能为空！"
                                            : "单据编号“" + number + "”前后不能有空白！"});
            EXPECT_EQ(Snapshot(), before) << number;
        }
    }
    // Only the suffix itself is kept: a number merely holding "-H" is an ordinary one.
    Post(BillKind::Sale, "XS-H1", {{m_pen, "1", "25"}});
    EXPECT_EQ(ReverseBill(BillKind::Sale, "XS-H1"), "XS-H1-H");
}
