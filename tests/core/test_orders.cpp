// Purchase and sales orders: posting, delivery by purchase and sale bills, reversal, the
// derived status, closing and voiding, and the delivered quantities kept by the postings.
#include "BillTestSupport.h"

#include "bills/BillFile.h"
#include "bills/BillReversal.h"
#include "orders/Orders.h"
#include "store/CDataStore.h"
#include "store/Schema.h"

#include <atomic>
#include <map>
#include <random>
#include <thread>

namespace {
using Strings = std::vector<std::string>;

// Orders whose kept line counts differ from their lines.
constexpr const char* kCountsOff =
    "select count(*) from PurchaseOrder o where Open_Lines <> (select count(*) from"
    " PurchaseOrder_Detail d where d.Bill_ID = o.Bill_ID and d.Delivered < d.Base_Number) or"
    " Started_Lines <> (select count(*) from PurchaseOrder_Detail d where d.Bill_ID = o.Bill_ID"
    " and d.Delivered > 0)";

class OrderTest : public BillTest {
protected:
    void SetUp() override {
        BillTest::SetUp();
        // Pen (base unit 个) also comes in boxes of 12.
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        ASSERT_TRUE(store.ExecuteSql("insert into GoodsUnit(Product_ID, Unit, Factor, BarCode)"
                                     " values('G1', '箱', '12', 'BOX-G1')"));
    }

    // Posts an order numbered `number` of (goods, quantity, unit, price) lines.
    void PostOrder(
        BillKind kind, const std::string& number,
        const std::vector<std::tuple<const GoodsRecord*, std::string, std::string, std::string>>&
            lines) {
        CBill order = FullBill(kind);
        order.GiveNumber(number);
        order.m_deliveryDate = "2026-12-20";
        for (const auto& [goods, quantity, unit, price] : lines) {
            AddLine(order, *goods, quantity, price);
            order.m_lines.back().unit = unit;
        }
        m_port.Clear();
        ASSERT_EQ(order.Save(), PostOutcome::Posted) << testing::PrintToString(m_port.Texts());
    }

    // A bill of `kind` read from a bill file, as ferix-cli post reads it.
    std::optional<CBill> FromFile(BillKind kind, const std::string& json, std::string* error) {
        return ReadBillFile(
            kind, json,
            [&](const std::string& code) -> std::optional<GoodsRecord> {
                if (code == "G1")
                    return m_pen;
                if (code == "G2")
                    return m_ink;
                return std::nullopt;
            },
            error);
    }

    // Posts the bill file; the outcome and, when posted, the bill's number in *number.
    PostOutcome Deliver(BillKind kind, const std::string& json, std::string* number = nullptr,
                        bool allowOver = false) {
        std::string error;
        auto bill = FromFile(kind, json, &error);
        EXPECT_TRUE(bill) << error;
        if (!bill)
            return PostOutcome::Invalid;
        bill->m_allowOverOrder = allowOver;
        m_port.Clear();
        const PostOutcome outcome = bill->Save();
        if (number)
            *number = bill->m_number;
        return outcome;
    }

    // "ordered/delivered/open" of each line of an order.
    Strings Progress(BillKind kind, const std::string& number) {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        Strings out;
        const auto order = FindOrder(store, kind, number);
        EXPECT_TRUE(order);
        if (order)
            for (const auto& l : order->lines)
                out.push_back(std::to_string(l.ordered) + "/" + std::to_string(l.delivered) + "/" +
                              std::to_string(OpenQuantity(order->header, l)));
        return out;
    }

    // The order's status in the order list.
    std::string Status(BillKind kind, const std::string& number) {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        const auto rows = ListOrders(store, kind, "", "", std::nullopt);
        EXPECT_TRUE(rows);
        for (const auto& r : rows.value_or(std::vector<OrderListRow>{}))
            if (r.Bill_ID == number)
                return OrderStatusText(r.status);
        return "none";
    }

    std::string Query(const std::string& sql) {
        CDataStore store;
        EXPECT_TRUE(store.ConnectMain());
        std::string out;
        EXPECT_TRUE(store.Run(sql, {}, [&](const CStatement& st) {
            for (int i = 0; i < st.ColumnCount(); ++i)
                out += (i ? "|" : "") + st.Text(i);
            out += "\n";
        }));
        return out;
    }
};
} // namespace

TEST_F(OrderTest, AnOrderIsDeliveredReversedClosedAndVoidedWithItsStatusDerived) {
    // 10 个 and 2 箱 (24 个) of Pen: 20.00 + 240.00; the quantity total in base units.
    PostOrder(BillKind::PurchaseOrder, "CD-1",
              {{&m_pen, "10", "个", "2.00"}, {&m_pen, "2", "箱", "120.00"}});
    EXPECT_EQ(Query("select Number, Total, Delivery_Date from PurchaseOrder"),
              "34|260.00|2026-12-20\n");
    EXPECT_EQ(Progress(BillKind::PurchaseOrder, "CD-1"), (Strings{"10/0/10", "24/0/24"}));
    EXPECT_EQ(Status(BillKind::PurchaseOrder, "CD-1"), "未交货");
    // An order moves no stock.
    EXPECT_FALSE(Stock("一号仓库", "G1"));

    // 5 个 delivered: 5 个 + 2 箱 still open, 29 base units.
    std::string first, rest;
    ASSERT_EQ(Deliver(BillKind::Purchase,
                      R"({"order": "CD-1", "account": "工商银行",
                          "lines": [{"code": "G1", "quantity": "5", "unit": "个"}]})",
                      &first),
              PostOutcome::Posted)
        << testing::PrintToString(m_port.Texts());
    // A line without a price charges the order's, not the goods item's 19.99.
    EXPECT_EQ(Query("select Product_Price, Product_Total from EnterStock_Detail where Bill_ID = '" +
                    first + "'"),
              "2.00|10.00\n");
    EXPECT_EQ(Progress(BillKind::PurchaseOrder, "CD-1"), (Strings{"10/5/5", "24/0/24"}));
    EXPECT_EQ(Status(BillKind::PurchaseOrder, "CD-1"), "部分交货");
    // The order filled the header the file left out.
    EXPECT_EQ(Query("select Customer, Warehouse, Employee from EnterStock"),
              "华东电子|一号仓库|张三\n");

    // A file naming the order and no lines takes every open quantity, in the order's units.
    ASSERT_EQ(Deliver(BillKind::Purchase, R"({"order": "CD-1", "account": "工商银行"})", &rest),
              PostOutcome::Posted)
        << testing::PrintToString(m_port.Texts());
    EXPECT_EQ(Query("select Product_Number, Product_Unit, Base_Number, Product_Total from"
                    " EnterStock_Detail where Bill_ID = '" +
                    rest + "' order by Id"),
              "5|个|5|10.00\n2|箱|24|240.00\n");
    EXPECT_EQ(Progress(BillKind::PurchaseOrder, "CD-1"), (Strings{"10/10/0", "24/24/0"}));
    EXPECT_EQ(Status(BillKind::PurchaseOrder, "CD-1"), "已完成");
    EXPECT_EQ(Stock("一号仓库", "G1")->Number, "34");

    // The reversal gives the quantity back: the same open quantities as before.
    ASSERT_EQ(ReverseBill(BillKind::Purchase, rest), rest + "-H");
    EXPECT_EQ(Progress(BillKind::PurchaseOrder, "CD-1"), (Strings{"10/5/5", "24/0/24"}));
    EXPECT_EQ(Status(BillKind::PurchaseOrder, "CD-1"), "部分交货");
    EXPECT_EQ(Query("select count(*) from EnterStock_Detail where Order_Line_ID is not null"),
              "5\n"); // the first bill's line, the rest's two and their two red lines

    // Closed: the open rest is no longer offered nor counted, and nothing more is delivered.
    ASSERT_TRUE(CloseOrder(BillKind::PurchaseOrder, "CD-1"));
    EXPECT_EQ(Status(BillKind::PurchaseOrder, "CD-1"), "已关闭");
    EXPECT_EQ(Progress(BillKind::PurchaseOrder, "CD-1"), (Strings{"10/5/0", "24/0/0"}));
    std::string error;
    EXPECT_FALSE(FromFile(BillKind::Purchase, R"({"order": "CD-1"})", &error));
    EXPECT_EQ(error, "订单“CD-1”已经关闭，不能交货！");
    m_port.Clear();
    EXPECT_FALSE(CloseOrder(BillKind::PurchaseOrder, "CD-1"));
    EXPECT_FALSE(VoidOrder(BillKind::PurchaseOrder, "CD-1"));
    EXPECT_EQ(m_port.Texts(),
              (Strings{"订单“CD-1”已经关闭，不能关闭！", "订单“CD-1”已经关闭，不能作废！"}));
    // A bill made from the order before it closed cannot post after.
    CBill late = FullBill(BillKind::Purchase);
    late.m_paid.clear();
    late.m_allowOverOrder = true; // past the question: the posting's own check refuses it
    AddLine(late, m_pen, "1", "2");
    std::string id = Query("select min(Id) from PurchaseOrder_Detail");
    id.pop_back();
    late.m_lines.back().orderLine = id;
    m_port.Clear();
    EXPECT_EQ(late.Save(), PostOutcome::Invalid);
    EXPECT_EQ(m_port.Texts(), Strings{"订单“CD-1”已经关闭，不能交货！"});

    // A sale order with nothing delivered is voided; one with a delivery is not.
    PutStock("一号仓库", "G2", "Ink", 10, "3");
    PostOrder(BillKind::SaleOrder, "XD-2", {{&m_ink, "3", "个", "5"}});
    PostOrder(BillKind::SaleOrder, "XD-3", {{&m_ink, "4", "个", "5"}});
    ASSERT_EQ(Deliver(BillKind::Sale,
                      R"({"order": "XD-3", "account": "工商银行",
                          "lines": [{"code": "G2", "quantity": "1"}]})"),
              PostOutcome::Posted)
        << testing::PrintToString(m_port.Texts());
    m_port.Clear();
    ASSERT_TRUE(VoidOrder(BillKind::SaleOrder, "XD-2"));
    EXPECT_FALSE(VoidOrder(BillKind::SaleOrder, "XD-3"));
    EXPECT_FALSE(VoidOrder(BillKind::SaleOrder, "XD-9"));
    EXPECT_EQ(m_port.Texts(),
              (Strings{"订单“XD-3”已有交货，不能作废，只能关闭！", "没有编号为“XD-9”的订单！"}));
    EXPECT_EQ(Status(BillKind::SaleOrder, "XD-2"), "已作废");
    EXPECT_EQ(Status(BillKind::SaleOrder, "XD-3"), "部分交货");
    EXPECT_FALSE(FromFile(BillKind::Sale, R"({"order": "XD-2"})", &error));
    EXPECT_EQ(error, "订单“XD-2”已经作废，不能交货！");
    // The status filter of the list.
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    const auto voided = ListOrders(store, BillKind::SaleOrder, "", "", OrderStatus::Voided);
    ASSERT_TRUE(voided);
    ASSERT_EQ(voided->size(), 1u);
    EXPECT_EQ(voided->front().Bill_ID, "XD-2");

    Strings events;
    for (const auto& e : Log())
        if (e.Event.find("订单 ") != std::string::npos)
            events.push_back(e.Event);
    EXPECT_EQ(events, (Strings{"关闭订单 CD-1", "作废订单 XD-2"}));
}

TEST_F(OrderTest, MoreThanIsOpenNeedsLeaveAndDeliveredAlwaysSumsTheLinesNamingIt) {
    // 3 个 ordered, 5 delivered: refused unless allowed, then counted exactly.
    PostOrder(BillKind::PurchaseOrder, "CD-O", {{&m_pen, "3", "个", "2"}});
    const std::string five =
        R"({"order": "CD-O", "account": "工商银行", "lines": [{"code": "G1", "quantity": "5"}]})";
    EXPECT_EQ(Deliver(BillKind::Purchase, five), PostOutcome::Invalid);
    EXPECT_EQ(m_port.Texts(), Strings{kOverOrderQuestion});
    EXPECT_EQ(Count("EnterStock_Detail"), 0);
    EXPECT_EQ(Deliver(BillKind::Purchase, five, nullptr, true), PostOutcome::Posted);
    EXPECT_EQ(Progress(BillKind::PurchaseOrder, "CD-O"), (Strings{"3/5/0"}));
    EXPECT_EQ(Status(BillKind::PurchaseOrder, "CD-O"), "已完成");
    // A line the order does not have is refused by name.
    std::string error;
    EXPECT_FALSE(FromFile(BillKind::Purchase,
                          R"({"order": "CD-O", "lines": [{"code": "G1", "unit": "箱"}]})", &error));
    EXPECT_EQ(error, "订单“CD-O”中没有商品“G1”（箱）！");

    // A line whose goods were changed after it was filled from the order delivers nothing of
    // it: the window's change drops the link, and a line that still names it is refused.
    PostOrder(BillKind::PurchaseOrder, "CD-G", {{&m_pen, "3", "个", "2"}});
    auto changed =
        FromFile(BillKind::Purchase, R"({"order": "CD-G", "account": "工商银行"})", &error);
    ASSERT_TRUE(changed) << error;
    const std::string penLine = changed->m_lines[0].orderLine;
    ASSERT_FALSE(penLine.empty());
    changed->FillLine(0, m_ink);
    EXPECT_EQ(changed->m_lines[0].orderLine, "");
    changed->m_lines[0].quantity = "2";
    changed->m_lines[0].orderLine = penLine;
    m_port.Clear();
    EXPECT_EQ(changed->Save(), PostOutcome::Invalid);
    EXPECT_EQ(m_port.Texts(), Strings{"单据中交货的商品不是订单“CD-G”的商品“Pen”！"});
    EXPECT_EQ(Progress(BillKind::PurchaseOrder, "CD-G"), (Strings{"3/0/3"}));
    // A closed order is not "more than is open": the posting says it is closed.
    ASSERT_TRUE(CloseOrder(BillKind::PurchaseOrder, "CD-G"));
    auto late =
        FromFile(BillKind::Purchase,
                 R"({"order": "CD-O", "account": "工商银行", "lines": [{"code": "G1"}]})", &error);
    ASSERT_TRUE(late) << error;
    late->m_lines[0].orderLine = penLine;
    late->m_lines[0].quantity = "1";
    EXPECT_FALSE(late->OverOrder());
    m_port.Clear();
    EXPECT_EQ(late->Save(), PostOutcome::Invalid);
    EXPECT_EQ(m_port.Texts(), Strings{"订单“CD-G”已经关闭，不能交货！"});

    // Random deliveries and reversals: each line's kept figure is what the test counted and
    // the sum of Base_Number over the bill lines naming it, red lines included.
    PostOrder(BillKind::PurchaseOrder, "CD-R",
              {{&m_pen, "20", "个", "2"}, {&m_pen, "2", "箱", "20"}, {&m_ink, "15", "个", "3"}});
    const Strings code = {"G1", "G1", "G2"}, unit = {"个", "箱", "个"};
    const std::vector<int64_t> factor = {1, 12, 1};
    std::vector<int64_t> expected(3, 0);
    std::vector<std::pair<std::string, std::vector<int64_t>>> posted; // number, base per line
    std::mt19937 rng(29);
    for (int step = 0; step < 30; ++step) {
        if (!posted.empty() && rng() % 3 == 0) {
            const size_t at = rng() % posted.size();
            ASSERT_EQ(ReverseBill(BillKind::Purchase, posted[at].first), posted[at].first + "-H");
            for (size_t i = 0; i < 3; ++i)
                expected[i] -= posted[at].second[i];
            posted.erase(posted.begin() + static_cast<std::ptrdiff_t>(at));
        } else {
            std::string lines;
            std::vector<int64_t> base(3, 0);
            for (size_t i = 0; i < 3; ++i) {
                const int64_t q = rng() % 4; // 0 leaves the line out
                if (q == 0)
                    continue;
                lines += std::string(lines.empty() ? "" : ",") + R"({"code": ")" + code[i] +
                         R"(", "unit": ")" + unit[i] + R"(", "quantity": ")" + std::to_string(q) +
                         R"(", "price": "1"})";
                base[i] = q * factor[i];
            }
            if (lines.empty())
                continue;
            std::string number;
            ASSERT_EQ(
                Deliver(BillKind::Purchase,
                        R"({"order": "CD-R", "account": "工商银行", "lines": [)" + lines + "]}",
                        &number, true),
                PostOutcome::Posted)
                << testing::PrintToString(m_port.Texts());
            for (size_t i = 0; i < 3; ++i)
                expected[i] += base[i];
            posted.emplace_back(number, base);
        }
        CDataStore store;
        ASSERT_TRUE(store.ConnectMain());
        const auto order = FindOrder(store, BillKind::PurchaseOrder, "CD-R");
        ASSERT_TRUE(order);
        for (size_t i = 0; i < 3; ++i)
            ASSERT_EQ(order->lines[i].delivered, expected[i]) << "step " << step << " line " << i;
        ASSERT_EQ(Query(kCountsOff), "0\n") << "step " << step;
    }
    EXPECT_EQ(Query("select count(*) from PurchaseOrder_Detail d where Delivered <> coalesce(("
                    "select sum(cast(Base_Number as integer)) from EnterStock_Detail s"
                    " where s.Order_Line_ID = d.Id), 0)"),
              "0\n");

    // A file from before the orders kept their line counts gets them from the upgrade: CD-O
    // complete, CD-G closed with nothing delivered, CD-R as the deliveries left it.
    const std::string statuses = Status(BillKind::PurchaseOrder, "CD-O") + "," +
                                 Status(BillKind::PurchaseOrder, "CD-G") + "," +
                                 Status(BillKind::PurchaseOrder, "CD-R");
    EXPECT_EQ(statuses.rfind("已完成,已关闭,", 0), 0u) << statuses;
    RollBackMainSchemaTo(kMainSchemaVersion - 1);
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(Status(BillKind::PurchaseOrder, "CD-O") + "," +
                  Status(BillKind::PurchaseOrder, "CD-G") + "," +
                  Status(BillKind::PurchaseOrder, "CD-R"),
              statuses);
    EXPECT_EQ(Query(kCountsOff), "0\n");
    EXPECT_EQ(Query("select Open_Lines || '/' || Started_Lines from PurchaseOrder"
                    " where Bill_ID in ('CD-O', 'CD-G') order by Bill_ID"),
              "1/0\n0/1\n");
}

// Two workstations delivering the last open units of one order line at once: the second
// waits for the first's row lock, then finds nothing open.
TEST_F(OrderTest, TwoWorkstationsNeverBothDeliverTheLastOpenUnits) {
    if (!OnServer())
        GTEST_SKIP() << "a server rule: runs with FERIX_TEST_ENGINE=pg (core_tests_server)";
    PostOrder(BillKind::PurchaseOrder, "CD-L", {{&m_pen, "3", "个", "2"}});
    const std::string json =
        R"({"order": "CD-L", "account": "工商银行", "lines": [{"code": "G1", "quantity": "3"}]})";
    std::string error;
    auto first = FromFile(BillKind::Purchase, json, &error);
    auto second = FromFile(BillKind::Purchase, json, &error);
    ASSERT_TRUE(first && second) << error;
    first->GiveNumber("JH-A");
    second->GiveNumber("JH-B");
    CDataStore one, other;
    ASSERT_TRUE(one.ConnectMain());
    ASSERT_TRUE(other.ConnectMain());
    CDataStore watcher;
    ASSERT_TRUE(watcher.ConnectMain());
    std::thread racer;
    std::atomic<bool> secondDone = false;
    bool secondWaited = false;
    PostOutcome secondOutcome = PostOutcome::Failed;
    // BEGIN, token, number, the lines' units, the order line held: the header insert comes
    // next. The second posting starts then and must wait for the held line.
    CDataStore::BeforeStatementForTest(6, [&](int firstProcess) {
        racer = std::thread([&] {
            secondOutcome = second->SaveOn(other);
            secondDone = true;
        });
        const std::string blocked = "select count(*) from pg_stat_activity where " +
                                    std::to_string(firstProcess) + " = any(pg_blocking_pids(pid))";
        while (!secondDone && !secondWaited)
            watcher.Run(blocked, {}, [&](const CStatement& st) { secondWaited = st.Int(0) == 1; });
    });
    const PostOutcome firstOutcome = first->SaveOn(one);
    racer.join();
    EXPECT_TRUE(secondWaited);
    EXPECT_EQ(firstOutcome, PostOutcome::Posted);
    EXPECT_EQ(secondOutcome, PostOutcome::Invalid);
    EXPECT_EQ(m_port.Texts(), Strings{kOverOrderQuestion});
    EXPECT_EQ(Progress(BillKind::PurchaseOrder, "CD-L"), (Strings{"3/3/0"}));
    EXPECT_EQ(Query("select Bill_ID from EnterStock"), "JH-A\n");
}
