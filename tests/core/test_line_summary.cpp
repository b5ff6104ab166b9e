// The monthly summaries: kept by every posting and reversal, built by the upgrade over the lines
// already stored, and read by the statistics and the profit report with rows equal to those
// read from the lines alone.
#include "BillTestSupport.h"

#include "admin/RoleAdmin.h"
#include "admin/UserAdmin.h"
#include "bills/BillReversal.h"
#include "cost/ProfitReport.h"
#include "cost/ProfitStore.h"
#include "home/HomeFigures.h"
#include "query/Reports.h"
#include "store/LineSummary.h"
#include "store/Schema.h"
#include "store/Session.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <random>
#include <tuple>

namespace {
class SummaryTest : public BillTest {
protected:
    void TearDown() override {
        UseLineSummaries(true);
        Session().rights = CRoleRights();
        BillTest::TearDown();
    }

    // Logs `other` in as an operator whose role sees 一号仓库 alone.
    void LogInAsOneWarehouseClerk(CDataStore& other) {
        ASSERT_EQ(AddRole("一号仓管", "店长"), AdminResult::Done);
        ASSERT_EQ(SetRoleWarehouses("一号仓管", {"一号仓库"}), AdminResult::Done);
        ASSERT_EQ(AddOperator("wang", "", ""), AdminResult::Done);
        ASSERT_EQ(SetOperatorRole("wang", "一号仓管"), AdminResult::Done);
        ASSERT_TRUE(other.ConnectOther() && other.CheckLogin("wang", ""));
    }

    // Every summary row as text, without its Id, in a fixed order.
    std::string Summaries() {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        std::string out;
        for (const char* sql :
             {"select Kind, Period, Warehouse, Product_ID, Quantity, Odd, Amount, Cost, Costed,"
              " Uncosted, First_Id, MinDate, MaxDate from Summary_Goods order by 1, 2, 3, 4",
              "select Kind, Period, Warehouse, KeyName, KeyValue, Quantity, Odd, Amount, Cost,"
              " Costed, Uncosted, MinDate, MaxDate from Summary_Key order by 1, 2, 3, 4, 5"}) {
            EXPECT_TRUE(store.Run(sql, {}, [&](const CStatement& st) {
                for (int i = 0; i < st.ColumnCount(); ++i)
                    out += st.Text(i) + "|";
                out += "\n";
            }));
        }
        return out;
    }

    // Every statistics and profit report over [from, to], whole rows as text.
    static std::string Reports(const std::string& from, const std::string& to) {
        std::string out;
        for (const ReportKind& kind : ReportKinds()) {
            const ReportResult r = RunReport(kind, from, to);
            out += std::string(kind.cliName) + (r.ok ? "" : " failed") + "\n";
            for (const auto& row : r.rows) {
                for (const std::string& cell : row)
                    out += cell + "|";
                out += "\n";
            }
        }
        for (const ProfitKind& kind : ProfitKinds()) {
            const ProfitReportResult r = RunProfitReport(kind.key, from, to);
            out += std::string(kind.cliName) + (r.ok ? "" : " failed") + " " +
                   std::to_string(r.unknownCostLines) + "\n";
            for (const auto& row : r.rows) {
                for (const std::string& cell : row)
                    out += cell + "|";
                out += "\n";
            }
        }
        return out;
    }

    // How many of the ranges compared had whole months for the summaries to give, and how many
    // read a quarter and a year without the warehouse.
    struct Compared {
        int split = 0, quarters = 0, years = 0;
    };

    // The reports over [from, to] read from the summaries equal those read from the lines.
    void CompareRange(const std::string& from, const std::string& to, unsigned seed,
                      Compared& compared) {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        std::optional<SummarySplit> split;
        EXPECT_TRUE(SplitForSummaries(store, from, to, split, "EnterSale_Detail"));
        if (split) {
            ++compared.split;
            for (const SummarySpan& span : split->spans) {
                compared.quarters += span.first[0] == 'Q';
                compared.years += span.first[0] == 'Y';
            }
        }
        UseLineSummaries(false);
        const std::string lines = Reports(from, to);
        UseLineSummaries(true);
        EXPECT_EQ(Reports(from, to), lines) << "seed " << seed << ", " << from << " .. " << to;
    }

    // Random ranges over 2025-09 .. 2027-04: a few inside one month, some starting on a first
    // day and ending on a month's last; and the ranges that take a whole year.
    Compared CompareReports(std::mt19937& random, unsigned seed, int cases) {
        Compared compared;
        auto day = [&](int month) {
            const int d = std::uniform_int_distribution<int>(1, 28)(random);
            char text[32];
            std::snprintf(text, sizeof text, "%04d-%02d-%02d", (2025 + (month + 8) / 12) % 10000,
                          ((month + 8) % 12 + 1) % 100, d % 100);
            return std::string(text);
        };
        for (int c = 0; c < cases; ++c) {
            const int a = std::uniform_int_distribution<int>(0, 19)(random);
            const int b = c % 5 == 0 ? a : std::uniform_int_distribution<int>(a, 19)(random);
            std::string from = day(a), to = day(b);
            if (from > to)
                std::swap(from, to);
            if (c % 3 == 1)
                from = from.substr(0, 8) + "01";
            if (c % 4 == 1)
                to = to.substr(0, 8) + "31";
            CompareRange(from, to, seed, compared);
        }
        for (const auto& [from, to] :
             {std::pair{"2025-10-01", "2027-03-31"}, std::pair{"2025-12-20", "2027-01-31"},
              std::pair{"2026-01-01", "2026-12-31"}})
            CompareRange(from, to, seed, compared);
        return compared;
    }

    // Bills of every kind on random days of 2025-10 .. 2027-03, a tenth of them reversed.
    void PostRandomBills(std::mt19937& random) {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.ExecuteSql("insert into GoodsUnit(Product_ID, Unit, Factor, BarCode)"
                                     " values('G1', '箱', '12', 'BOX-G1')"));
        AddUnit("C2", "华南商贸", "客户");
        const GoodsRecord cap = AddGoods("G3", "Pen cap", "1", "配件");
        const std::vector<GoodsRecord> goods = {m_pen, m_ink, cap};
        auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
        auto date = [&] {
            const int m = pick(18), d = pick(28) + 1;
            char text[32];
            std::snprintf(text, sizeof text, "%04d-%02d-%02d", (2025 + (m + 9) / 12) % 10000,
                          ((m + 9) % 12 + 1) % 100, d % 100);
            return std::string(text);
        };
        const char* prices[] = {"19.99", "3", "12.5", "0.35", "7.77"};
        int number = 0;
        auto post = [&](BillKind kind, const std::string& when, int lines) -> std::string {
            CBill bill = FullBill(kind);
            bill.GiveNumber(std::string(KindInfo(kind).prefix) + "S" + std::to_string(++number));
            bill.m_date = when;
            bill.m_warehouse = pick(2) ? "一号仓库" : "二号仓库";
            bill.m_toWarehouse = bill.m_warehouse == "一号仓库" ? "二号仓库" : "一号仓库";
            bill.m_employee = pick(2) ? "张三" : "李四";
            bill.m_department = pick(2) ? "采购部" : "仓储部";
            if (IsTradeKind(kind))
                bill.m_customer = pick(2) ? "华东电子" : "华南商贸";
            bill.m_paid = "0.00";
            for (int l = 0; l < lines; ++l) {
                const GoodsRecord& g = goods[static_cast<size_t>(pick(3))];
                const bool box = g.Code == "G1" && pick(3) == 0;
                AddLine(bill, g, std::to_string(pick(3) + 1),
                        kind == BillKind::Opening || kind == BillKind::Loss ||
                                kind == BillKind::Gain || kind == BillKind::Transfer
                            ? (kind == BillKind::Opening ? "4.5" : "")
                            : prices[pick(5)]);
                if (box) {
                    bill.m_lines.back().unit = "箱";
                    if (IsTradeKind(kind))
                        bill.m_lines.back().amount =
                            LineAmount(bill.m_lines.back().quantity, bill.m_lines.back().price);
                }
            }
            m_port.Clear();
            EXPECT_EQ(bill.Save(), PostOutcome::Posted)
                << KindInfo(kind).cliName << " " << when << ": "
                << (m_port.Texts().empty() ? std::string() : m_port.Texts().back());
            return bill.m_number;
        };
        post(BillKind::Opening, "2025-10-01", 3);
        // Enough stock in both warehouses for everything that follows.
        for (int w = 0; w < 4; ++w) {
            CBill bill = FullBill(BillKind::Purchase);
            bill.GiveNumber("JH-BASE" + std::to_string(w));
            bill.m_date = w < 2 ? "2025-10-02" : "2026-06-30";
            bill.m_warehouse = w % 2 ? "一号仓库" : "二号仓库";
            bill.m_paid = "0.00";
            for (const GoodsRecord& g : goods)
                AddLine(bill, g, "500", "2.5");
            ASSERT_EQ(bill.Save(), PostOutcome::Posted);
        }
        // Sales at both ends of 2026 and of some quarters, so that whole years are there to read.
        for (const char* when :
             {"2025-10-03", "2026-01-02", "2026-06-15", "2026-10-02", "2026-12-30", "2027-03-29"})
            post(BillKind::Sale, when, 2);
        const BillKind kinds[] = {
            BillKind::Purchase, BillKind::Sale,       BillKind::Sale,
            BillKind::Sale,     BillKind::SaleReturn, BillKind::PurchaseReturn,
            BillKind::Transfer, BillKind::Loss,       BillKind::Gain};
        std::vector<std::pair<BillKind, std::string>> trade;
        for (int b = 0; b < 90; ++b) {
            const BillKind kind = kinds[pick(9)];
            const std::string posted = post(kind, date(), pick(4) + 1);
            if (IsTradeKind(kind))
                trade.emplace_back(kind, posted);
        }
        for (size_t i = 0; i < trade.size(); i += 7)
            ASSERT_TRUE(ReverseBill(trade[i].first, trade[i].second).has_value())
                << trade[i].second;
    }
};
} // namespace

// Random bills of every kind, reversals included: the summaries kept by the postings equal those
// the upgrade builds from the lines, and every summary-backed report equals the line reader over
// random ranges (cutting months at both ends, inside one month, whole months), for 管理员 and for
// a role that sees one warehouse.
TEST_F(SummaryTest, ReportsFromTheSummariesEqualThoseFromTheLines) {
    const unsigned seed = 20261207;
    std::mt19937 random(seed);
    PostRandomBills(random);
    ASSERT_FALSE(HasFailure()) << "seed " << seed;
    // Every line this program wrote is in the plain form: no group sends a reader to the lines.
    EXPECT_EQ(Count("Summary_Goods where Odd <> 0") + Count("Summary_Key where Odd <> 0"), 0);
    EXPECT_GT(Count("Summary_Goods"), 40);

    // The same figures the upgrade's build gives.
    const std::string kept = Summaries();
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(RebuildLineSummaries(store));
    }
    EXPECT_EQ(Summaries(), kept);

    const Compared all = CompareReports(random, seed, 40);
    EXPECT_GT(all.split, 15);
    EXPECT_GT(all.quarters, 5);
    EXPECT_GE(all.years, 3);

    // Ranges at the calendar's end: the month after 9999-12 must still sort after it; the
    // second reads the years 2027 .. 9998 without the warehouse.
    Compared end;
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"9999-12-05", "9999-12-20"},
                                   {"2026-03-01", "9999-12-31"},
                                   {"9999-11-30", "9999-12-31"}})
        CompareRange(from, to, seed, end);
    EXPECT_EQ(end.years, 1);

    // Lines written by another program in months out of the plain form: "2026-0x" sorts between
    // 2026-09 and 2026-10, "2026" between 2025-12 and 2026-01. A range holding either reads its
    // whole months as months (which keep the lines' text order); the others still read quarters.
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        for (const char* date : {"2026-0x-05", "2026"})
            ASSERT_TRUE(store.Run(
                "insert into EnterSale_Detail (Bill_ID, Bill_Date, Warehouse, Product_ID,"
                " Product_Name, Product_Number, Product_Unit, Product_Price, Product_Total,"
                " Base_Number, Product_Cost) values ('XS-ODD', ?, '一号仓库', 'G1', 'Other pen',"
                " '7', '支', '2.00', '14.00', 7, '7.00')",
                {date}));
        ASSERT_TRUE(RebuildLineSummaries(store));
    }
    EXPECT_EQ(Count("Summary_Goods where Period = 'X2026-0x'"), 1);
    Compared odd;
    CompareRange("2026-01-01", "2026-12-31", seed, odd);
    CompareRange("2025-12-15", "2027-03-31", seed, odd);
    CompareRange("2025-10-01", "2026-06-30", seed, odd);
    CompareRange("2026-10-01", "2027-03-31", seed, odd);
    CompareRange("2026-01-01", "2026-06-30", seed, odd);
    EXPECT_EQ(odd.split, 5);
    EXPECT_EQ(odd.years, 0);
    EXPECT_EQ(odd.quarters, 2); // 2026-Q4 .. 2027-Q1, then 2026-Q1 .. Q2

    CDataStore other;
    LogInAsOneWarehouseClerk(other);
    ASSERT_FALSE(HasFailure());
    const Compared scoped = CompareReports(random, seed, 15);
    EXPECT_GT(scoped.split, 5);
    EXPECT_EQ(scoped.quarters + scoped.years, 0); // its warehouse's months
}

// A caller that shows a few goods groups has only those named: their name and unit are those
// of the whole read (a first line in boxes shows the goods' own unit), every group keeps its
// sums, and over whole months the others are left without a name.
TEST_F(SummaryTest, ProfitGroupsPickedForNamesAreNamedAsInTheWholeRead) {
    std::mt19937 random(11);
    PostRandomBills(random);
    ASSERT_FALSE(HasFailure());
    auto sums = [](const ProfitGroupRecord& g) {
        return g.Key + " " + std::to_string(g.Quantity) + " " + g.Amount.Format2() + " " +
               g.Cost.Format2() + " " + g.CostedAmount.Format2() + " " +
               std::to_string(g.UnknownCostLines);
    };
    // Whole months with partial ones at both ends; then days inside one month, from the lines.
    for (const auto& [from, to, whole] : {std::tuple{"2025-12-15", "2026-09-10", true},
                                          std::tuple{"2026-06-14", "2026-06-16", false}}) {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        std::optional<SummarySplit> split;
        ASSERT_TRUE(SplitForSummaries(store, from, to, split, "EnterSale_Detail"));
        ASSERT_EQ(split.has_value(), whole) << from;
        std::vector<ProfitGroupRecord> all, picked;
        ASSERT_TRUE(SumProfit(store, ProfitKey::Goods, from, to, all));
        ASSERT_EQ(all.size(), whole ? 3u : 2u) << from;
        int asked = 0;
        ASSERT_TRUE(SumProfit(store, ProfitKey::Goods, from, to, picked,
                              [&](const std::vector<ProfitGroupRecord>& groups) {
                                  ++asked;
                                  std::vector<size_t> places;
                                  for (size_t i = 0; i < groups.size(); ++i) {
                                      EXPECT_EQ(sums(groups[i]), sums(all[i]));
                                      EXPECT_EQ(groups[i].Name, "");
                                      if (groups[i].Key == "G1")
                                          places.push_back(i);
                                  }
                                  return places;
                              }));
        EXPECT_EQ(asked, whole ? 1 : 0) << from;
        ASSERT_EQ(picked.size(), all.size());
        for (size_t i = 0; i < all.size(); ++i) {
            EXPECT_EQ(sums(picked[i]), sums(all[i]));
            const bool named = !whole || all[i].Key == "G1";
            EXPECT_EQ(picked[i].Name + "|" + picked[i].Unit,
                      named ? all[i].Name + "|" + all[i].Unit : "|")
                << from << " " << all[i].Key;
        }
        EXPECT_EQ(all[0].Key + " " + all[0].Name + " " + all[0].Unit,
                  "G1 " + m_pen.ProductName + " " + m_pen.Unit);
    }
}

// The home page's thirty days come from the day rows with the sums the lines give: over windows
// across months and a year's end, for 管理员 and a role that sees one warehouse, and still when
// a line is out of the plain form or dated later on the window's last day (the lines then).
TEST_F(SummaryTest, DailySalesFromTheDayRowsEqualThoseOfTheLines) {
    std::mt19937 random(5);
    PostRandomBills(random);
    ASSERT_FALSE(HasFailure());
    auto daily = [&](const std::string& from, const std::string& to, bool summaries) {
        UseLineSummaries(summaries);
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        std::map<std::string, CMoneySum> byDay;
        EXPECT_TRUE(SumDailySales(store, from, to, byDay));
        UseLineSummaries(true);
        std::string out;
        for (const auto& [day, amount] : byDay) {
            unsigned y = 0, m = 0, d = 0;
            char text[16] = {};
            if (std::sscanf(day.c_str(), "%4u-%2u-%2u", &y, &m, &d) == 3)
                std::snprintf(text, sizeof text, "%04u-%02u-%02u", y % 10000, m % 100, d % 100);
            if (text == day &&
                std::chrono::year_month_day{std::chrono::year(static_cast<int>(y)),
                                            std::chrono::month(m), std::chrono::day(d)}
                    .ok()) // a calendar day, as the charts show
                out += day + " " + amount.Format2() + "\n";
        }
        return out;
    };
    const std::vector<std::pair<std::string, std::string>> windows = {{"2026-05-20", "2026-06-18"},
                                                                      {"2025-12-10", "2026-01-08"},
                                                                      {"2026-06-15", "2026-06-15"},
                                                                      {"2025-10-01", "2027-03-31"}};
    auto compare = [&](const char* what) {
        for (const auto& [from, to] : windows)
            EXPECT_EQ(daily(from, to, true), daily(from, to, false)) << what << " " << from;
        EXPECT_GT(daily("2025-10-01", "2027-03-31", false).size(), 100u) << what;
    };
    compare("posted");
    // The figures are the day rows': a cent more on each shows on every day read.
    auto dayRowsCentMore = [&](const char* delta) {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.Run(std::string("update Summary_Key set Amount = Amount ") + delta +
                                  " 1 where KeyName = 'Day' and Kind = 'EnterSale_Detail'",
                              {}));
    };
    dayRowsCentMore("+");
    EXPECT_NE(daily("2026-05-20", "2026-06-18", true), daily("2026-05-20", "2026-06-18", false));
    dayRowsCentMore("-");

    {
        CDataStore other;
        LogInAsOneWarehouseClerk(other);
        ASSERT_FALSE(HasFailure());
        compare("scoped");
        Session().rights = CRoleRights();
    }

    // Lines written by another program: a time after a window's last day, and (in another window)
    // an amount of one decimal.
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        for (const auto& [date, total] :
             {std::pair{"2026-07-01", "12.5"}, std::pair{"2026-06-18 10:00", "3.00"}})
            ASSERT_TRUE(store.Run(
                "insert into EnterSale_Detail (Bill_ID, Bill_Date, Warehouse, Product_ID,"
                " Product_Name, Product_Number, Product_Unit, Product_Price, Product_Total,"
                " Base_Number, Product_Cost) values ('XS-ODD', ?, '一号仓库', 'G1', 'Pen', '1',"
                " '支', ?, ?, '1', '1.00')",
                {date, total, total}));
        ASSERT_TRUE(RebuildLineSummaries(store));
    }
    EXPECT_EQ(Count("Summary_Key where KeyName = 'Day' and Period = 'M2026-06' and KeyValue ="
                    " '2026-06-18' and MaxDate = '2026-06-18 10:00'"),
              1);
    compare("odd lines");
}

// A main data file of the schema before the summaries with bills in it gets, from the upgrade,
// the very summaries the postings keep.
TEST_F(SummaryTest, TheUpgradeBuildsTheSummariesOfTheStoredLines) {
    std::mt19937 random(7);
    PostRandomBills(random);
    ASSERT_FALSE(HasFailure());
    const std::string kept = Summaries();
    ASSERT_NE(kept, "");
    RollBackMainSchemaTo(9); // the summary tables dropped
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(Summaries(), kept); // connecting upgrades
    EXPECT_EQ(MainSchemaVersion(), kMainSchemaVersion);
}

// The posting groups a bill's lines itself; the upgrade and a rebuild group them in SQL. On
// lines of every odd form (figures out of the plain form, dates that are no month or are
// missing, texts with quotes, no warehouse) the summaries kept bill by bill equal the built ones.
TEST_F(SummaryTest, SummariesKeptBillByBillEqualThoseBuiltOverTheLines) {
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    ASSERT_TRUE(store.Run("delete from Summary_Goods", {}) &&
                store.Run("delete from Summary_Key", {}));
    // bill, date (NULL as "~"), warehouse (NULL as "~"), goods, employee, base, number, total,
    // cost (NULL as "~")
    const std::vector<std::array<std::string, 9>> lines = {
        {"S1", "2026-03-05", "一号仓库", "G1", "张三", "3", "3", "6.00", "4.50"},
        {"S1", "2026-03-20", "二号仓库", "G1", "张三", "-2", "-2", "-4.5", ""},
        {"S1", "2026-03-05", "~", "G\"1\\'%_", "~", "~", "5", "10.00", "~"},
        {"S2", "2026-13-01", "一号仓库", "G2", "李四", "1.5", "1.5", "3.456", "1.00"},
        {"S2", "~", "一号仓库", "G2", "李四", "", "4", "", "-1.00"},
        {"S2", "", "一号仓库", "G2", "李四", "1234567890123", "1", "8.00", "2.5"},
        {"S3", "２０２６年三月五日", "一号仓库", "G3", "王五", "2", "2", "4.00", "3.00"},
        {"S3", "Q2026-1", "一号仓库", "G3", "王五", "2", "2", "-0.50", "0.10"},
        {"S3", "2026-12-31", "一号仓库", "G3", "王五", "7", "7", "14.00", "7.00"},
    };
    for (const char* table : {"EnterSale_Detail", "BackSale_Detail", "EnterStock_Detail"}) {
        const bool costed = std::string(table) != "EnterStock_Detail";
        for (const auto& l : lines) {
            SqlValues values;
            std::string places;
            for (size_t i = 0; i < l.size(); ++i) {
                if (i == 8 && !costed)
                    break;
                places += std::string(i ? ", " : "") + (l[i] == "~" ? "NULL" : "?");
                if (l[i] != "~")
                    values.push_back(l[i]);
            }
            ASSERT_TRUE(store.Run(std::string("insert into ") + table +
                                      " (Bill_ID, Bill_Date, Warehouse, Product_ID, Employee,"
                                      " Base_Number, Product_Number, Product_Total" +
                                      (costed ? ", Product_Cost" : "") + ") values (" + places +
                                      ")",
                                  values))
                << store.LastError();
        }
        for (const char* bill : {"S1", "S2", "S3"})
            ASSERT_TRUE(AddBillToSummaries(store, table, bill)) << store.LastError();
    }
    const std::string kept = Summaries();
    EXPECT_EQ(Count("Summary_Goods where Odd <> 0 and Period = 'Y2026'"), 3); // a kind each
    EXPECT_EQ(Count("Summary_Goods where Period = 'X2026-13'"), 3);
    EXPECT_EQ(Count("Summary_Key where KeyName = 'Month' and Period = 'M２０２６年三月'"), 3);
    ASSERT_TRUE(RebuildLineSummaries(store)) << store.LastError();
    EXPECT_EQ(Summaries(), kept);
}

// A line whose Id is 0 (written by another program) is a goods item's first line like any
// other: the statistics and the profit report show its name, unit and price from the summaries
// as from the lines.
TEST_F(SummaryTest, AFirstLineOfIdZeroIsShownFromTheSummaries) {
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        for (const auto& [table, id, date, name] :
             {std::tuple{"EnterSale_Detail", "0", "2026-02-10", "零号笔"},
              std::tuple{"EnterSale_Detail", "5", "2026-03-20", "五号笔"},
              std::tuple{"EnterStock_Detail", "0", "2026-02-11", "零号墨"},
              std::tuple{"EnterStock_Detail", "7", "2026-03-21", "七号墨"}})
            ASSERT_TRUE(store.Run(std::string("insert into ") + table +
                                      " (Id, Bill_ID, Bill_Date, Warehouse, Product_ID,"
                                      " Product_Name, Product_Unit, Product_Price, Product_Number,"
                                      " Base_Number, Product_Total" +
                                      (table[6] == 'a' ? ", Product_Cost" : "") +
                                      ") values (?, 'HW', ?, '一号仓库', 'P0', ?, '支', '2.00',"
                                      " '3', '3', '6.00'" +
                                      (table[6] == 'a' ? ", '4.50'" : "") + ")",
                                  {id, date, name}))
                << store.LastError();
        ASSERT_TRUE(RebuildLineSummaries(store));
    }
    EXPECT_EQ(Count("Summary_Goods where Odd <> 0"), 0);
    Compared compared;
    CompareRange("2026-01-01", "2026-03-31", 0, compared);
    CompareRange("2026-02-01", "2026-03-25", 0, compared);
    EXPECT_EQ(compared.split, 2);
}

// Lines written by another program whose date texts begin with the letter of a period level
// ("Q2026-1…", "M2026-1…", "Y2026-0…") lie in no ISO range, so the reports over 2026 leave them
// out; their month rows of a warehouse must not be read as the quarter, month or year without
// one.
TEST_F(SummaryTest, DateTextsLikePeriodsAreNotReadAsPeriods) {
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        for (const char* date : {"2025-01-10", "2026-01-10", "2026-02-10", "2026-09-15",
                                 "2026-10-05", "2027-12-20", "Q2026-1", "M2026-10", "Y2026-05"})
            ASSERT_TRUE(store.Run(
                "insert into EnterSale_Detail (Bill_ID, Bill_Date, Warehouse, Product_ID,"
                " Product_Name, Product_Number, Product_Unit, Product_Price, Product_Total,"
                " Base_Number, Product_Cost) values ('XS', ?, '一号仓库', 'G1', 'Pen',"
                " '7', '支', '2.00', '14.00', '7', '7.00')",
                {date}));
        ASSERT_TRUE(RebuildLineSummaries(store));
    }
    Compared compared;
    CompareRange("2026-01-01", "2026-06-30", 0, compared); // 2026-Q1 .. Q2
    CompareRange("2026-09-01", "2026-10-31", 0, compared); // 2026-09 .. 10
    CompareRange("2025-01-01", "2027-12-31", 0, compared); // 2025 .. 2027
    EXPECT_EQ(compared.split, 3);
    EXPECT_EQ(compared.quarters, 1);
    EXPECT_EQ(compared.years, 1);
}

// A line without a warehouse dated like a period ("Q2026-1", "Y2026") would have a month row
// of the very key of that period's row: the summaries are still built over it (the upgrade
// builds them so) and read as the lines.
TEST_F(SummaryTest, LinesWithoutAWarehouseDatedLikePeriodsAreSummarized) {
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        for (const char* date : {"2026-01-10", "2026-12-20", "Q2026-1", "Y2026"})
            ASSERT_TRUE(store.Run(
                "insert into EnterSale_Detail (Bill_ID, Bill_Date, Warehouse, Product_ID,"
                " Product_Name, Product_Number, Product_Unit, Product_Price, Product_Total,"
                " Base_Number, Product_Cost) values ('XS', ?, NULL, 'G1', 'Pen',"
                " '7', '支', '2.00', '14.00', '7', '7.00')",
                {date}));
        ASSERT_TRUE(RebuildLineSummaries(store)) << store.LastError();
    }
    Compared compared;
    CompareRange("2026-01-01", "2026-06-30", 0, compared);
    CompareRange("2026-01-01", "2026-12-31", 0, compared);
    EXPECT_EQ(compared.quarters, 1);
    EXPECT_EQ(compared.years, 1);
}

// Ten thousand goods whose first lines lie in the whole month: so many first lines are looked up
// by two connections at once, each group still showing its own first line's name, unit and
// price; some goods also have lines in the partial months before and after it.
TEST_F(SummaryTest, ManyFirstLinesReadByTwoConnectionsAreEachGroupsOwn) {
    bool server = false;
    {
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        server = store.IsServer();
        const std::string columns = "Bill_ID, Bill_Date, Warehouse, Product_ID, Product_Name,"
                                    " Product_Unit, Product_Price, Product_Number, Base_Number,"
                                    " Product_Total";
        ASSERT_TRUE(store.Begin());
        for (const char* table : {"EnterSale_Detail", "EnterStock_Detail"}) {
            const bool sale = table[6] == 'a';
            const std::string insert = std::string("insert into ") + table + " (" + columns +
                                       (sale ? ", Product_Cost) values (?, ?, ?, ?, ?, ?, ?, ?,"
                                               " ?, ?, '1.00')"
                                             : ") values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
            for (int i = 1; i <= 10000; ++i) {
                char day[16], price[16];
                std::snprintf(day, sizeof day, "2026-03-%02d", 1 + i % 28);
                std::snprintf(price, sizeof price, "%d.%02d", i % 97, i % 100);
                const char* units[] = {"支", "盒", "箱"};
                ASSERT_TRUE(store.Run(insert, {"XS-M", day, "一号仓库", "M" + std::to_string(i),
                                               "货品" + std::to_string(i), units[i % 3], price, "2",
                                               "2", std::to_string(i % 50) + ".00"}))
                    << store.LastError();
            }
            // Every hundredth goods item sold or bought on a partial month's day too, under
            // another name: before the month its line is the first, after it the month's is.
            for (const char* date : {"2026-02-20", "2026-04-05"})
                ASSERT_TRUE(store.Run(std::string("insert into ") + table + " (" + columns +
                                          ") select 'XS-P', ?, '二号仓库', Product_ID, ? ||"
                                          " Product_Name, '个', '9.99', '1', '1', '9.99' from " +
                                          table + " where Bill_ID = 'XS-M' and Id % 100 = 0",
                                      {date, date}))
                    << store.LastError();
        }
        ASSERT_TRUE(RebuildLineSummaries(store)) << store.LastError();
        ASSERT_TRUE(store.Commit());
    }
    const int shared = LookupsReadBesideForTest();
    Compared compared;
    CompareRange("2026-02-15", "2026-04-10", 0, compared);
    EXPECT_EQ(compared.split, 1);
    // Statistics by goods of both tables and profit by goods each shared its lookups on a file;
    // a server looks them up on one connection.
    EXPECT_EQ(LookupsReadBesideForTest() - shared, server ? 0 : 3);
    const ReportResult r =
        RunReport(*FindReportKindByCliName("sale-goods"), "2026-02-15", "2026-04-10");
    ASSERT_EQ(r.rows.size(), 10001u);
    EXPECT_EQ(r.rows.back().front(), "统计汇总"); // one row a goods item, then the total
    // A statement failing anywhere, in a read beside the report's own too, fails the report
    // with one message.
    for (int k = 1;; ++k) {
        m_port.Clear();
        CDataStore::FailStatementForTest(k);
        const ReportResult failed =
            RunReport(*FindReportKindByCliName("sale-goods"), "2026-02-15", "2026-04-10");
        const int run = CDataStore::StatementCountForTest();
        CDataStore::FailStatementForTest(0);
        if (run < k) { // past the report's last statement
            EXPECT_TRUE(failed.ok);
            EXPECT_GE(k, 5);
            break;
        }
        EXPECT_FALSE(failed.ok) << k;
        EXPECT_EQ(m_port.Texts(), std::vector<std::string>{"SQL 语句执行失败！"}) << k;
    }
}
