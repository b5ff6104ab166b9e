#include "BillTestSupport.h"

#include "bills/BillStore.h"
#include "bills/StockCount.h"
#include "query/StockView.h"

#include <tuple>

namespace {
using Strings = std::vector<std::string>;

class StockCountTest : public BillTest {
protected:
    void SetUp() override {
        BillTest::SetUp();
        m_paper = AddGoods("G3", "Paper", "5", "文具");
        PutStock("一号仓库", "G1", "Pen", 40, "19.99");
        PutStock("一号仓库", "G2", "Ink", 12, "3");
        PutStock("一号仓库", "G3", "Paper", 5, "5");
        PutStock("二号仓库", "G1", "Pen", 7, "19.99");
    }

    StockCount Load(const std::string& className = "") {
        auto count = LoadStockCount("一号仓库", className);
        EXPECT_TRUE(count.has_value());
        return count.value_or(StockCount{});
    }

    static void SetCounted(StockCount& count, const std::string& code, const std::string& text) {
        for (auto& l : count.lines) {
            if (l.code == code)
                l.counted = text;
        }
    }

    static Strings Rows(BillTable table, const std::string& number) {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        Strings out;
        for (const auto& r : ListStockBillLines(store, table, number)) {
            out.push_back(r.Bill_ID + "|" + r.Warehouse + "|" + r.Introduction + "|" +
                          r.Product_ID + "|" + r.Product_Name + "|" + r.Product_Number + "|" +
                          r.Product_Unit + "|" + r.Product_BarCode);
        }
        return out;
    }

    std::string Number(const std::string& warehouse, const std::string& code) {
        auto row = Stock(warehouse, code);
        return row ? row->Number : "none";
    }

    GoodsRecord m_paper;
};

Strings Texts(const StockCount& count) {
    Strings out;
    for (const auto& l : count.lines) {
        out.push_back(l.code + "|" + l.name + "|" + l.unit + "|" + std::to_string(l.book) + "|" +
                      l.counted + "|" + CountDifference(l));
    }
    return out;
}
} // namespace

TEST_F(StockCountTest, ACountPostsItsDifferencesAsOneGainAndOneLossBillOrNothing) {
    // Loading: the warehouse's rows in goods order, counted at book; a class narrows them.
    StockCount count = Load();
    EXPECT_EQ(count.number, "PD-261207-093015");
    EXPECT_EQ(Texts(count),
              (Strings{"G1|Pen|个|40|40|0", "G2|Ink|个|12|12|0", "G3|Paper|个|5|5|0"}));
    EXPECT_EQ(Texts(Load("文具")), (Strings{"G3|Paper|个|5|5|0"}));
    EXPECT_EQ(Texts(Load("所有商品")).size(), 3u);

    // No difference: nothing written, nothing said.
    const std::string before = Snapshot();
    const size_t logBefore = Log().size();
    CountPosted posted;
    EXPECT_EQ(CountStock(count, posted), CountOutcome::NoDifference);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(Log().size(), logBefore);
    EXPECT_TRUE(m_port.Texts().empty());

    // Differences both ways: Pen found 3 more, Ink 2 short, Paper as booked.
    SetCounted(count, "G1", "43");
    SetCounted(count, "G2", " 10 ");
    EXPECT_EQ(Texts(count),
              (Strings{"G1|Pen|个|40|43|3", "G2|Ink|个|12| 10 |-2", "G3|Paper|个|5|5|0"}));
    EXPECT_EQ(CountStock(count, posted), CountOutcome::Posted);
    EXPECT_TRUE(m_port.Texts().empty());
    EXPECT_EQ(posted.gainNumber, "BY-261207-093015");
    EXPECT_EQ(posted.lossNumber, "BS-261207-093015");
    EXPECT_EQ(Rows(BillTable::BaoYiDan, posted.gainNumber),
              (Strings{"BY-261207-093015|一号仓库|盘点 PD-261207-093015|G1|Pen|3|个|BC-G1"}));
    EXPECT_EQ(Rows(BillTable::BaoSunDan, posted.lossNumber),
              (Strings{"BS-261207-093015|一号仓库|盘点 PD-261207-093015|G2|Ink|2|个|BC-G2"}));
    EXPECT_EQ(Count("BaoYiDan"), 1);
    EXPECT_EQ(Count("BaoSunDan"), 1);
    EXPECT_EQ(Number("一号仓库", "G1"), "43");
    EXPECT_EQ(Number("一号仓库", "G2"), "10");
    EXPECT_EQ(Number("一号仓库", "G3"), "5");
    EXPECT_EQ(Number("二号仓库", "G1"), "7");
    auto log = Log();
    ASSERT_EQ(log.size(), logBefore + 2);
    EXPECT_EQ(log[logBefore].Event, "报溢操作");
    EXPECT_EQ(log[logBefore + 1].Event, "填写报损单操作");

    // Only one side differs: only that bill is made, under the next free number.
    StockCount second = Load();
    SetCounted(second, "G3", "0");
    CountPosted lossOnly;
    EXPECT_EQ(CountStock(second, lossOnly), CountOutcome::Posted);
    EXPECT_EQ(lossOnly.gainNumber, "");
    EXPECT_EQ(lossOnly.lossNumber, "BS-261207-093015-2");
    EXPECT_EQ(Number("一号仓库", "G3"), "0");
    EXPECT_EQ(Count("BaoYiDan"), 1);

    // A bill posted between loading and saving: nothing written, the goods named.
    StockCount third = Load();
    SetCounted(third, "G1", "50");
    SetCounted(third, "G3", "1");
    CBill gain = FullBill(BillKind::Gain);
    AddLine(gain, m_paper, "4");
    ASSERT_EQ(gain.Save(), PostOutcome::Posted);
    const std::string changedBefore = Snapshot();
    const size_t changedLog = Log().size();
    m_port.Clear();
    CountPosted none;
    EXPECT_EQ(CountStock(third, none), CountOutcome::Changed);
    EXPECT_EQ(m_port.Texts(), Strings{"商品“Paper”的库存在盘点期间发生了变化，请重新载入库存！"});
    EXPECT_EQ(Snapshot(), changedBefore);
    EXPECT_EQ(Log().size(), changedLog);
    EXPECT_EQ(none.gainNumber + none.lossNumber, "");
}

TEST_F(StockCountTest, ACountedQuantityThatIsNotAWholeNumberOfZeroOrMoreIsRefused) {
    const std::string before = Snapshot();
    for (const char* text : {"2.5", "-1", "", "十", "3a"}) {
        SCOPED_TRACE(text);
        StockCount count = Load();
        SetCounted(count, "G1", "41"); // a valid difference before the refused line
        SetCounted(count, "G2", text);
        EXPECT_EQ(CountDifference(count.lines[1]), "");
        m_port.Clear();
        CountPosted posted;
        EXPECT_EQ(CountStock(count, posted), CountOutcome::Invalid);
        EXPECT_EQ(m_port.Texts(), Strings{"商品“Ink”的实盘数量必须是不小于零的整数！"});
        EXPECT_EQ(Snapshot(), before);
    }
    // Zero is a count: the whole row is written off.
    StockCount count = Load();
    SetCounted(count, "G2", "0");
    CountPosted posted;
    EXPECT_EQ(CountStock(count, posted), CountOutcome::Posted);
    EXPECT_EQ(Number("一号仓库", "G2"), "0");
    // Without a warehouse there is nothing to load; a warehouse or class the lists do not hold
    // is refused by name, not loaded as an empty count with nothing to differ.
    for (const auto& [warehouse, className, message] :
         std::vector<std::tuple<std::string, std::string, std::string>>{
             {"", "", "请输入仓库！"},
             {"不存在", "", "仓库“不存在”不在仓库列表中！"},
             {"一号仓库 ", "所有商品", "仓库“一号仓库 ”不在仓库列表中！"},
             {"一号仓库", "文具 ", "商品类别“文具 ”不在商品类别列表中！"}}) {
        m_port.Clear();
        EXPECT_EQ(CheckCountChoice(warehouse, className), CountChoice::Refused) << message;
        EXPECT_FALSE(LoadStockCount(warehouse, className).has_value());
        EXPECT_EQ(m_port.Texts(), (Strings{message, message}));
    }
    m_port.Clear();
    EXPECT_EQ(CheckCountChoice("一号仓库", "文具"), CountChoice::Valid);
    EXPECT_EQ(Texts(Load("文具")), Strings{"G3|Paper|个|5|5|0"});
    EXPECT_TRUE(m_port.Texts().empty());
}

TEST_F(StockCountTest, StockBeyondWhatMoneyCanValueIsRefusedAndNeverShownAsZero) {
    const std::string before = Snapshot();
    // The stock path's reason, then the gain's own failure.
    const Strings tooLarge = {"商品（Pen）的库存数量超出范围。不能完成当前操作！",
                              "报溢操作失败（库存表）！\r\n 失败原因："};
    // 40 pens at 19.99 held: 40 + (INT64_MAX − 40) more could not be valued. Nor could
    // INT64_MAX pens in a warehouse that never held them, at their preset price 19.99.
    for (const auto& [warehouse, quantity] : std::vector<std::pair<std::string, int64_t>>{
             {"一号仓库", INT64_MAX - 40}, {"三号仓库", INT64_MAX}}) {
        CBill gain = FullBill(BillKind::Gain);
        gain.m_warehouse = warehouse;
        AddLine(gain, m_pen, std::to_string(quantity));
        m_port.Clear();
        EXPECT_EQ(gain.Save(), PostOutcome::Failed) << warehouse;
        EXPECT_EQ(m_port.Texts(), tooLarge);
        EXPECT_EQ(Snapshot(), before) << warehouse;
    }
    StockCount count = Load();
    SetCounted(count, "G1", std::to_string(INT64_MAX));
    CountPosted posted;
    m_port.Clear();
    EXPECT_EQ(CountStock(count, posted), CountOutcome::Failed);
    EXPECT_EQ(m_port.Texts(), tooLarge);
    EXPECT_EQ(Snapshot(), before);

    // A row no stock change could make (written by hand): its value and every total over it are
    // unknown, not 0.00; the others stay exact.
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.Run("update StockPile set Number = ? where StoreHouse = ? and"
                              " ProductCode = ?",
                              {std::to_string(INT64_MAX), "二号仓库", "G1"}));
    }
    auto rows = LoadStockView("全部", "所有商品");
    ASSERT_TRUE(rows);
    std::vector<Strings> cells;
    for (const auto& r : *rows)
        cells.push_back(StockViewCells(r));
    std::vector<Strings> shown;
    for (const auto& c : cells)
        shown.push_back({c[0], c[2], c[5], c[6], c[7]});
    EXPECT_EQ(shown,
              (std::vector<Strings>{{"G3", "5", "一号仓库", "5.0000", "25.00"},
                                    {"G2", "12", "一号仓库", "3.0000", "36.00"},
                                    {"G1", std::to_string(INT64_MAX), "二号仓库", "19.9900", "—"},
                                    {"G1", "40", "一号仓库", "19.9900", "799.60"}}));
    EXPECT_EQ(StockViewTotalCells(*rows), (Strings{"合计", "", "—", "", "", "", "", "—"}));
    // The window's list, its cells made as the rows are read, and its total told from them.
    auto listed = LoadStockViewCells("全部", "所有商品", nullptr);
    ASSERT_TRUE(listed);
    EXPECT_EQ(*listed, cells);
    EXPECT_EQ(StockViewTotalCells(*listed), (Strings{"合计", "", "—", "", "", "", "", "—"}));
    rows->erase(rows->begin() + 2);
    listed->erase(listed->begin() + 2);
    EXPECT_EQ(StockViewTotalCells(*rows), (Strings{"合计", "", "57", "", "", "", "", "860.60"}));
    EXPECT_EQ(StockViewTotalCells(*listed), StockViewTotalCells(*rows));
    // A cost price written by hand that is no number is as unknown: not 0.0000 worth 0.00.
    (*rows)[1].CostPrice = "abc";
    const Strings g2 = StockViewCells((*rows)[1]);
    EXPECT_EQ((Strings{g2[0], g2[6], g2[7]}), (Strings{"G2", "—", "—"}));
    EXPECT_EQ(StockViewTotalCells(*rows), (Strings{"合计", "", "57", "", "", "", "", "—"}));
}
