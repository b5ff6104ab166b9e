// Purchase and sales orders: posting, delivery by purchase and sale bills, reversal, the
// derived status, closing and voiding, the delivered quantities kept by the postings, and what
// an open order holds.
#include "BillTestSupport.h"

#include "basic/GoodsStore.h"
#include "basic/GoodsUnits.h"
#include "basic/MasterDataImport.h"
#include "bills/BillFile.h"
#include "bills/BillReversal.h"
#include "orders/Orders.h"
#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "store/Schema.h"

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
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
// Purchase order lines whose delivered figure is not the sum of the bill lines naming them.
constexpr const char* kDeliveredOff =
    "select count(*) from PurchaseOrder_Detail d where Delivered <> coalesce((select"
    " sum(cast(Base_Number as integer)) from EnterStock_Detail s where s.Order_Line_ID = d.Id), 0)";

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

    // Deliver that posted; otherwise what was said instead.
    testing::AssertionResult Delivers(BillKind kind, const std::string& json,
                                      std::string* number = nullptr, bool allowOver = false) {
        if (Deliver(kind, json, number, allowOver) == PostOutcome::Posted)
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << testing::PrintToString(m_port.Texts());
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
    ASSERT_TRUE(Delivers(BillKind::Purchase,
                         R"({"order": "CD-1", "account": "工商银行",
                          "lines": [{"code": "G1", "quantity": "5", "unit": "个"}]})",
                         &first));
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
    ASSERT_TRUE(Delivers(BillKind::Purchase, R"({"order": "CD-1", "account": "工商银行"})", &rest));
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
    ASSERT_TRUE(Delivers(BillKind::Sale,
                         R"({"order": "XD-3", "account": "工商银行",
                          "lines": [{"code": "G2", "quantity": "1"}]})"));
    // A complete order is neither voided nor closed.
    PostOrder(BillKind::SaleOrder, "XD-4", {{&m_ink, "1", "个", "5"}});
    ASSERT_TRUE(Delivers(BillKind::Sale, R"({"order": "XD-4", "account": "工商银行"})"));
    m_port.Clear();
    ASSERT_TRUE(VoidOrder(BillKind::SaleOrder, "XD-2"));
    EXPECT_FALSE(VoidOrder(BillKind::SaleOrder, "XD-3"));
    EXPECT_FALSE(VoidOrder(BillKind::SaleOrder, "XD-9"));
    EXPECT_FALSE(VoidOrder(BillKind::SaleOrder, "XD-4"));
    EXPECT_FALSE(CloseOrder(BillKind::SaleOrder, "XD-4"));
    EXPECT_EQ(
        m_port.Texts(),
        (Strings{"订单“XD-3”已有交货，不能作废，只能关闭！", "没有编号为“XD-9”的订单！",
                 "订单“XD-4”已经全部交货，不能作废！", "订单“XD-4”已经全部交货，不需要关闭！"}));
    EXPECT_EQ(Status(BillKind::SaleOrder, "XD-4"), "已完成");
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
            ASSERT_TRUE(
                Delivers(BillKind::Purchase,
                         R"({"order": "CD-R", "account": "工商银行", "lines": [)" + lines + "]}",
                         &number, true));
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
    EXPECT_EQ(Query(kDeliveredOff), "0\n");

    // Quantities past 32 bits are ordered and delivered alike on both engines.
    PostOrder(BillKind::PurchaseOrder, "CD-BIG", {{&m_pen, "3000000000", "个", "0.0001"}});
    ASSERT_TRUE(Delivers(BillKind::Purchase, R"({"order": "CD-BIG", "account": "工商银行"})"));
    EXPECT_EQ(Progress(BillKind::PurchaseOrder, "CD-BIG"), (Strings{"3000000000/3000000000/0"}));
    EXPECT_EQ(Status(BillKind::PurchaseOrder, "CD-BIG"), "已完成");

    // A file from before the orders kept their line counts gets them from the upgrade: CD-O
    // complete, CD-G closed with nothing delivered, CD-R as the deliveries left it.
    const std::string statuses = Status(BillKind::PurchaseOrder, "CD-O") + "," +
                                 Status(BillKind::PurchaseOrder, "CD-G") + "," +
                                 Status(BillKind::PurchaseOrder, "CD-R");
    EXPECT_EQ(statuses.rfind("已完成,已关闭,", 0), 0u) << statuses;
    RollBackMainSchemaTo(10); // the version before the orders kept their line counts
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

// An open order holds its goods, its business unit and its units: each delete or change is
// refused with its message and writes nothing, until the order is closed.
TEST_F(OrderTest, AnOpenOrderHoldsItsGoodsItsBusinessUnitAndItsUnits) {
    PostOrder(BillKind::PurchaseOrder, "CD-K", {{&m_pen, "1", "箱", "120.00"}});
    CDataStore store;
    ASSERT_TRUE(store.ConnectMain());
    const std::string before =
        Query("select Code, Unit from ferix_product order by Code") +
        Query("select CustomerCode, CustomerName from ferix_customer order by CustomerCode") +
        Query("select Product_ID, Unit, Factor from GoodsUnit order by Unit");
    m_port.Clear();
    EXPECT_FALSE(DeleteGoodsIfUnused("G1"));
    EXPECT_FALSE(store.DeleteBusinessUnit("KH000"));
    GoodsRecord renamed = m_pen;
    renamed.Unit = "支";
    EXPECT_FALSE(UpdateGoods(store, renamed));
    GoodsUnit box{"G1", "箱", 10, "BOX-G1", "", ""};
    EXPECT_FALSE(ChangeGoodsUnit(store, box));
    EXPECT_FALSE(RemoveGoodsUnit(store, "G1", "箱"));
    EXPECT_EQ(m_port.Texts(), (Strings{"此商品正在使用中，不能删除！",
                                       "往来单位“华东电子”已被未完成的订单使用，不能删除！",
                                       "基本单位“个”已被未完成的订单使用，不能修改！",
                                       "单位“箱”已被单据使用，不能修改换算！",
                                       "单位“箱”已被单据使用，不能修改换算！"}));
    EXPECT_EQ(Query("select Code, Unit from ferix_product order by Code") +
                  Query("select CustomerCode, CustomerName from ferix_customer order by "
                        "CustomerCode") +
                  Query("select Product_ID, Unit, Factor from GoodsUnit order by Unit"),
              before);
    // Other goods, and the goods' name with its base unit kept, are free.
    renamed.Unit = "个";
    renamed.ProductName = "Pen Blue";
    EXPECT_TRUE(UpdateGoods(store, renamed));
    EXPECT_TRUE(DeleteGoodsIfUnused("G2"));

    // Closed, the order holds nothing but the unit its line was entered in.
    ASSERT_TRUE(CloseOrder(BillKind::PurchaseOrder, "CD-K"));
    m_port.Clear();
    renamed.Unit = "支";
    EXPECT_TRUE(UpdateGoods(store, renamed));
    EXPECT_TRUE(store.DeleteBusinessUnit("KH000"));
    EXPECT_TRUE(DeleteGoodsIfUnused("G1"));
    EXPECT_EQ(m_port.Texts(), Strings{});
    EXPECT_EQ(Query("select count(*) from ferix_product") +
                  Query("select count(*) from ferix_customer where CustomerCode = 'KH000'"),
              "0\n0\n");
}

// The rest of a line ordered by the 箱 of 12 at 120.00 comes in 个 at 10.00 each: a file's line
// in 个, and the open rest when it is no whole number of boxes.
TEST_F(OrderTest, TheRestOfALineComesInTheBaseUnitAtTheOrdersPricePerPiece) {
    PostOrder(BillKind::PurchaseOrder, "CD-P",
              {{&m_pen, "2", "箱", "120.00"}, {&m_ink, "1", "个", "3"}});
    std::string five, rest;
    ASSERT_TRUE(Delivers(BillKind::Purchase,
                         R"({"order": "CD-P", "account": "工商银行",
                          "lines": [{"code": "G1", "quantity": "5", "unit": "个"}]})",
                         &five));
    EXPECT_EQ(Progress(BillKind::PurchaseOrder, "CD-P"), (Strings{"24/5/19", "1/0/1"}));
    ASSERT_TRUE(Delivers(BillKind::Purchase, R"({"order": "CD-P", "account": "工商银行"})", &rest));
    EXPECT_EQ(Query("select Bill_ID, Product_ID, Product_Number, Product_Unit, Product_Price,"
                    " Product_Total from EnterStock_Detail order by Id"),
              five + "|G1|5|个|10.00|50.00\n" + rest + "|G1|19|个|10.00|190.00\n" + rest +
                  "|G2|1|个|3|3.00\n");
    EXPECT_EQ(Progress(BillKind::PurchaseOrder, "CD-P"), (Strings{"24/24/0", "1/1/0"}));
    EXPECT_EQ(Status(BillKind::PurchaseOrder, "CD-P"), "已完成");

    // A box at 100.00 is 8.3333 a piece; one piece is charged 8.33.
    PostOrder(BillKind::PurchaseOrder, "CD-Q", {{&m_pen, "1", "箱", "100.00"}});
    auto one = FromFile(BillKind::Purchase,
                        R"({"order": "CD-Q", "lines": [{"code": "G1", "quantity": "1"}]})", &rest);
    ASSERT_TRUE(one) << rest;
    ASSERT_EQ(one->m_lines.size(), 1u);
    EXPECT_EQ(one->m_lines[0].price + " " + one->m_lines[0].amount, "8.3333 8.33");

    // An order of 10 个 and 2 箱: 5 个 delivered, then 29 个 fill the 个 line and the boxes' 24,
    // the boxes at 10.00 a piece; 3 more 个 are more than is open, put on the 个 line.
    PostOrder(BillKind::PurchaseOrder, "CD-M",
              {{&m_pen, "10", "个", "5.00"}, {&m_pen, "2", "箱", "120.00"}});
    ASSERT_TRUE(Delivers(BillKind::Purchase,
                         R"({"order": "CD-M", "account": "工商银行",
                          "lines": [{"code": "G1", "quantity": "5"}]})"));
    auto all = FromFile(
        BillKind::Purchase,
        R"({"order": "CD-M", "account": "工商银行", "lines": [{"code": "G1", "quantity": "29"}]})",
        &rest);
    ASSERT_TRUE(all) << rest;
    ASSERT_EQ(all->m_lines.size(), 2u);
    EXPECT_EQ(all->m_lines[0].quantity + " " + all->m_lines[0].price + " " +
                  all->m_lines[1].quantity + " " + all->m_lines[1].price + " " +
                  all->m_lines[1].amount,
              "5 5.00 24 10.00 240.00");
    EXPECT_FALSE(all->OverOrder());
    m_port.Clear();
    ASSERT_EQ(all->Save(), PostOutcome::Posted) << testing::PrintToString(m_port.Texts());
    EXPECT_EQ(Progress(BillKind::PurchaseOrder, "CD-M"), (Strings{"10/10/0", "24/24/0"}));
    EXPECT_EQ(Status(BillKind::PurchaseOrder, "CD-M"), "已完成");
    auto more = FromFile(BillKind::Purchase,
                         R"({"order": "CD-M", "lines": [{"code": "G1", "quantity": "3"}]})", &rest);
    ASSERT_TRUE(more) << rest;
    ASSERT_EQ(more->m_lines.size(), 1u);
    EXPECT_EQ(more->m_lines[0].orderLine + "\n",
              Query("select min(Id) from PurchaseOrder_Detail where Bill_ID = 'CD-M'"));
    EXPECT_TRUE(more->OverOrder());

    EXPECT_EQ(OrderPriceText("120"), "120.00");
    EXPECT_EQ(OrderPriceText("120.0000"), "120.00");
    EXPECT_EQ(OrderPriceText("8.3333"), "8.3333");
}

// A bill line of goods an order holds on several lines in its unit fills them in turn, first
// line's open quantity first, each part at its line's price; what none has open is more than is
// open, asked about before it posts.
TEST_F(OrderTest, ABillLineIsSpreadOverTheOrderLinesOfItsGoodsInTurn) {
    PostOrder(BillKind::PurchaseOrder, "CD-S",
              {{&m_pen, "4", "个", "2.00"}, {&m_ink, "1", "个", "3"}, {&m_pen, "6", "个", "1.50"}});
    std::string first = Query("select min(Id) from PurchaseOrder_Detail");
    std::string third = Query("select max(Id) from PurchaseOrder_Detail");
    first.pop_back();
    third.pop_back();
    std::string error, seven, twelve;
    // Two file lines, 3 and 4 个: 3 + 1 on the first order line, 3 on the third.
    auto bill = FromFile(BillKind::Purchase,
                         R"({"order": "CD-S", "account": "工商银行", "lines": [
                             {"code": "G1", "quantity": "3"}, {"code": "G1", "quantity": "4"}]})",
                         &error);
    ASSERT_TRUE(bill) << error;
    Strings parts;
    for (const BillLine& l : bill->m_lines)
        parts.push_back(l.quantity + "@" + l.price + "=" + l.amount + " " + l.orderLine);
    EXPECT_EQ(parts,
              (Strings{"3@2.00=6.00 " + first, "1@2.00=2.00 " + first, "3@1.50=4.50 " + third}));
    m_port.Clear();
    ASSERT_EQ(bill->Save(), PostOutcome::Posted) << testing::PrintToString(m_port.Texts());
    EXPECT_EQ(Progress(BillKind::PurchaseOrder, "CD-S"), (Strings{"4/4/0", "1/0/1", "6/3/3"}));

    // 5 个 with the file's price: 3 are open, so the last line takes 5 and that is asked about.
    const std::string five = R"({"order": "CD-S", "account": "工商银行",
                                 "lines": [{"code": "G1", "quantity": "5", "price": "1.80"}]})";
    EXPECT_EQ(Deliver(BillKind::Purchase, five), PostOutcome::Invalid);
    EXPECT_EQ(m_port.Texts(), Strings{kOverOrderQuestion});
    EXPECT_EQ(Count("EnterStock_Detail"), 3);
    ASSERT_TRUE(Delivers(BillKind::Purchase, five, &twelve, true));
    EXPECT_EQ(Query("select Product_Number, Product_Price, Product_Total from EnterStock_Detail"
                    " where Bill_ID = '" +
                    twelve + "'"),
              "5|1.80|9.00\n");
    EXPECT_EQ(Progress(BillKind::PurchaseOrder, "CD-S"), (Strings{"4/4/0", "1/0/1", "6/8/0"}));

    // By the box: 3 箱 over lines of 1 and 2 箱.
    PostOrder(BillKind::SaleOrder, "XD-B",
              {{&m_pen, "1", "箱", "130"}, {&m_pen, "2", "箱", "125"}});
    PutStock("一号仓库", "G1", "Pen", 100, "5");
    ASSERT_TRUE(Delivers(BillKind::Sale,
                         R"({"order": "XD-B", "account": "工商银行",
                          "lines": [{"code": "G1", "quantity": "3", "unit": "箱"}]})",
                         &seven));
    EXPECT_EQ(Query("select Product_Number, Product_Unit, Base_Number, Product_Total from"
                    " EnterSale_Detail where Bill_ID = '" +
                    seven + "' order by Id"),
              "1|箱|12|130.00\n2|箱|24|250.00\n");
    EXPECT_EQ(Progress(BillKind::SaleOrder, "XD-B"), (Strings{"12/12/0", "24/24/0"}));
}

namespace {
// The texts told by two threads at once, each kept whole.
class CLockedPort : public IMessagePort {
public:
    void Inform(const std::string& text) override {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_texts.push_back(text);
    }
    bool AskYesNo(const std::string&) override { return false; }
    bool AskOkCancel(const std::string&) override { return false; }
    Strings Take() {
        std::lock_guard<std::mutex> hold(m_mutex);
        Strings texts;
        texts.swap(m_texts);
        return texts;
    }

private:
    std::mutex m_mutex;
    Strings m_texts;
};
} // namespace

// A close or a void racing a delivery on two workstations: whichever goes first, the other
// sees all of it. A delivery first is counted in the closed order, or keeps the order from
// being voided; a close or void first refuses the delivery.
TEST_F(OrderTest, ACloseOrVoidRacingADeliveryNeverLeavesTheOrderBetween) {
    if (!OnServer())
        GTEST_SKIP() << "a server rule: runs with FERIX_TEST_ENGINE=pg (core_tests_server)";
    CLockedPort port;
    IMessagePort* const previous = SetMessagePort(&port);
    int deliveredFirst = 0;
    for (int round = 0; round < 40; ++round) {
        const bool voiding = round % 2 == 1;
        const std::string number = "CD-V" + std::to_string(round);
        PostOrder(BillKind::PurchaseOrder, number, {{&m_pen, "3", "个", "2"}});
        std::string error;
        auto bill =
            FromFile(BillKind::Purchase,
                     R"({"order": ")" + number +
                         R"(", "account": "工商银行", "lines": [{"code": "G1", "quantity": "2"}]})",
                     &error);
        ASSERT_TRUE(bill) << error;
        port.Take();
        std::atomic<int> ready = 0;
        auto together = [&] {
            ++ready;
            while (ready < 2)
                std::this_thread::yield();
        };
        PostOutcome outcome = PostOutcome::Failed;
        bool marked = false;
        std::thread delivery([&] {
            together();
            outcome = bill->Save(); // each thread its own connection
        });
        std::thread mark([&] {
            together();
            // A delivery does more before it holds the order than a close does: the mark starts
            // 0 to 9 ms later by round, so the two meet at each step of the posting and either
            // may come first.
            std::this_thread::sleep_for(std::chrono::milliseconds(round / 2 % 10));
            marked = voiding ? VoidOrder(BillKind::PurchaseOrder, number)
                             : CloseOrder(BillKind::PurchaseOrder, number);
        });
        delivery.join();
        mark.join();
        const bool posted = outcome == PostOutcome::Posted;
        deliveredFirst += posted ? 1 : 0;
        const Strings texts = port.Take();
        const std::string at = "round " + std::to_string(round);
        if (voiding) {
            EXPECT_NE(posted, marked) << at;
            EXPECT_EQ(Status(BillKind::PurchaseOrder, number), posted ? "部分交货" : "已作废")
                << at;
            EXPECT_EQ(Progress(BillKind::PurchaseOrder, number),
                      Strings{posted ? "3/2/1" : "3/0/0"})
                << at;
            EXPECT_EQ(texts, Strings{posted ? "订单“" + number + "”已有交货，不能作废，只能关闭！"
                                            : "订单“" + number + "”已经作废，不能交货！"})
                << at;
        } else {
            EXPECT_TRUE(marked) << at;
            EXPECT_EQ(Status(BillKind::PurchaseOrder, number), "已关闭") << at;
            EXPECT_EQ(Progress(BillKind::PurchaseOrder, number),
                      Strings{posted ? "3/2/0" : "3/0/0"})
                << at;
            EXPECT_EQ(texts,
                      posted ? Strings{} : Strings{"订单“" + number + "”已经关闭，不能交货！"})
                << at;
        }
        // The bill lines delivering this order: the posted delivery's one, or none.
        EXPECT_EQ(Query("select count(*) from EnterStock_Detail s join PurchaseOrder_Detail d on"
                        " d.Id = s.Order_Line_ID where d.Bill_ID = '" +
                        number + "'"),
                  posted ? "1\n" : "0\n")
            << at;
    }
    SetMessagePort(previous);
    RecordProperty("deliveriesFirst", deliveredFirst); // how the 40 races fell
    // Each kept figure is the sum of the bill lines naming it.
    EXPECT_EQ(Query(kDeliveredOff), "0\n");
    EXPECT_EQ(Query("select count(*) from EnterStock"), std::to_string(deliveredFirst) + "\n");
}
