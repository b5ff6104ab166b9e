// The orders, each figure beside its baseline of the same run:
// - the order list window's query with every order's status, over 50,000 purchase orders of
//   10 lines and 200,000 purchase bills delivering them (the rows read and the list's model
//   filled), against the bill history window's query over those 200,000 bills;
// - posting a 1,000-line purchase bill that delivers a 1,000-line order (each line checked
//   under the order line's lock and its delivered quantity kept), against the same bill made
//   without the order.
// The data are made by bulk statements, not by 250,000 postings.
#include "BenchData.h"
#include "RatioReporter.h"
#include "bills/CBill.h"
#include "orders/CChild_Dingdan_ViewDlg.h"
#include "orders/Orders.h"
#include "query/CChild_History_ViewDlg.h"
#include "query/CQueryTableModel.h"
#include "store/CDataStore.h"

#include <QApplication>
#include <QDateEdit>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {
constexpr int kOrders = 50'000;
constexpr int kBills = 200'000;
constexpr int kLines = 1000;

void Must(CDataStore& store, const std::string& sql) {
    if (!store.ExecuteSql(sql))
        std::abort();
}

// 1,000 goods; 50,000 orders of 10 lines over a year (a quarter untouched, a quarter delivered
// in part, a quarter in full, a quarter closed); 200,000 purchase bills of one line each, four
// per delivered order, each naming its order line.
void FillOrders() {
    CDataStore store;
    if (!store.ConnectMain() || !store.Begin())
        std::abort();
    store.AddGoodsClass("饮料", "");
    for (int i = 0; i < 1000; ++i) {
        GoodsRecord g;
        g.Code = "G" + std::to_string(i);
        g.ProductName = "商品" + std::to_string(i);
        g.ClassName = "饮料";
        g.Unit = "个";
        g.PriceIn = "19.99";
        if (!store.AddGoods(g))
            std::abort();
    }
    const std::string n = "with recursive n(i) as (select 0 union all select i + 1 from n where"
                          " i < ";
    Must(store, n + std::to_string(kOrders - 1) +
                    ") insert into PurchaseOrder(Bill_ID, Bill_Date, Customer, Department,"
                    " Warehouse, Employee, Introduction, Delivery_Date, Number, Total, Closed)"
                    " select printf('CD-%06d', i), date('2026-01-01', '+' || (i % 340) ||"
                    " ' days'), '供应商' || (i % 200), '采购部', '仓库' || (i % 3), '张三', '',"
                    " date('2026-01-15', '+' || (i % 340) || ' days'), '100', '1999.00',"
                    " case when i % 4 = 3 then '1' else '0' end from n");
    Must(store, "with recursive k(j) as (select 0 union all select j + 1 from k where j < 9)"
                " insert into PurchaseOrder_Detail(Bill_ID, Product_ID, Product_Name,"
                " Product_Number, Product_Unit, Base_Number, Product_Price, Product_Total,"
                " Product_Note, Product_BarCode, Delivered)"
                " select o.Bill_ID, 'G' || ((o.Id * 10 + j) % 1000), '商品', '10', '个', 10,"
                " '19.99', '199.90', '', '', case (o.Id - 1) % 4 when 1 then 5 when 2 then 10"
                " when 3 then 2 else 0 end from PurchaseOrder o, k order by o.Id, j");
    // Four bills per delivered order: its first four lines.
    Must(store, n + std::to_string(kBills - 1) +
                    ") insert into EnterStock(Canceled, Bill_ID, Bill_Date, Customer, Department,"
                    " Warehouse, Employee, Introduction, Number, Total, Bank, Pay)"
                    " select '0', printf('JH-%06d', i), date('2026-01-02', '+' || (i % 340) ||"
                    " ' days'), '供应商' || (i % 200), '采购部', '仓库' || (i % 3), '张三', '',"
                    " '5', '99.95', '工行', '' from n");
    Must(store, "insert into EnterStock_Detail(Bill_ID, Bill_Date, Customer, Department,"
                " Employee, Warehouse, Introduction, Number, Total, Bank, Pay, Product_ID,"
                " Product_Name, Product_Number, Product_Unit, Product_atch, Product_Date,"
                " Product_Price, Product_Total, Product_Note, Product_BarCode, Base_Number,"
                " Order_Line_ID)"
                " select b.Bill_ID, b.Bill_Date, b.Customer, '采购部', '张三', b.Warehouse, '',"
                " '5', '99.95', '工行', '', d.Product_ID, d.Product_Name, '5', '个', '', '',"
                " '19.99', '99.95', '', '', 5, d.Id from EnterStock b join PurchaseOrder_Detail d"
                " on d.Id = (b.Id - 1) % " +
                    std::to_string(kOrders * 10) + " + 1");
    // The line counts each header keeps, as the postings keep them.
    Must(store, "update PurchaseOrder set Open_Lines = (select count(*) from PurchaseOrder_Detail"
                " d where d.Bill_ID = PurchaseOrder.Bill_ID and d.Delivered < d.Base_Number),"
                " Started_Lines = (select count(*) from PurchaseOrder_Detail d where d.Bill_ID ="
                " PurchaseOrder.Bill_ID and d.Delivered > 0)");
    if (!store.Commit())
        std::abort();
}

void UseOrders() {
    static std::filesystem::path folder;
    if (folder.empty())
        folder = UseMadeDataSet("orders-50k-v2", FillOrders, false);
    std::filesystem::current_path(folder);
    // A quarter of the orders in each of four statuses, or the figure measures the wrong list.
    static bool checked = false;
    if (checked)
        return;
    checked = true;
    CDataStore store;
    std::map<OrderStatus, int> seen;
    if (!store.ConnectMain())
        std::abort();
    for (const OrderListRow& r : ListOrders(store, BillKind::PurchaseOrder, "", "", std::nullopt)
                                     .value_or(std::vector<OrderListRow>{}))
        ++seen[r.status];
    for (OrderStatus s : {OrderStatus::NotDelivered, OrderStatus::Partial, OrderStatus::Complete,
                          OrderStatus::Closed})
        if (seen[s] != kOrders / 4)
            std::abort();
}

// Every date: the whole set is listed.
template <class Dlg> void WholeRange(Dlg& dlg) {
    dlg.m_from->setDate(QDate(2000, 1, 1));
    dlg.m_to->setDate(QDate(2099, 12, 31));
}

void BM_OrderList50k(benchmark::State& state) {
    UseOrders();
    CChild_Dingdan_ViewDlg dlg;
    WholeRange(dlg);
    for (auto _ : state) {
        dlg.Query();
        if (dlg.m_model->rowCount() != kOrders)
            state.SkipWithError("not every order was listed");
    }
    state.SetItemsProcessed(state.iterations() * kOrders);
}
BENCHMARK(BM_OrderList50k)->Unit(benchmark::kMillisecond);

void BM_OrderList50k_Baseline(benchmark::State& state) {
    UseOrders();
    CChild_History_ViewDlg dlg;
    dlg.SetCommand("run_caigou");
    WholeRange(dlg);
    for (auto _ : state) {
        dlg.Query();
        if (dlg.m_model->rowCount() < kBills)
            state.SkipWithError("not every bill was listed");
    }
    state.SetItemsProcessed(state.iterations() * kBills);
}
BENCHMARK(BM_OrderList50k_Baseline)->Unit(benchmark::kMillisecond);

// The history set, copied for this run (the postings write into it), with one order of the
// big bill's 1,000 lines posted into it.
struct OrderShop {
    std::filesystem::path folder;
    std::vector<GoodsRecord> goods;
    StoredOrder order;
};
const OrderShop& TheOrderShop() {
    static OrderShop shop;
    if (shop.folder.empty()) {
        shop.folder = UseDataSet("history", HistoryDataSet(), true);
        CDataStore store;
        std::vector<GoodsRecord> all;
        if (!store.ConnectMain() || !store.ListGoods("所有商品", all) || all.size() < kLines)
            std::abort();
        shop.goods.assign(all.begin(), all.begin() + kLines);
        const CBill purchase = BigPurchaseBill("JH-SHAPE", shop.goods);
        CBill order(BillKind::PurchaseOrder);
        order.GiveNumber("CD-BENCH");
        order.m_customer = purchase.m_customer;
        order.m_department = purchase.m_department;
        order.m_warehouse = purchase.m_warehouse;
        order.m_employee = purchase.m_employee;
        order.m_lines = purchase.m_lines;
        if (order.Save() != PostOutcome::Posted)
            std::abort();
        auto stored = FindOrder(store, BillKind::PurchaseOrder, "CD-BENCH");
        if (!stored || stored->lines.size() != size_t(kLines))
            std::abort();
        shop.order = *stored;
    }
    std::filesystem::current_path(shop.folder);
    return shop;
}

void PostPurchase(benchmark::State& state, bool fromOrder) {
    static int n = 0; // the benchmarks run several times; numbers must stay unique
    const OrderShop& shop = TheOrderShop();
    for (auto _ : state) {
        state.PauseTiming();
        CBill bill = BigPurchaseBill((fromOrder ? "JH-ORDER-" : "JH-PLAIN-") + std::to_string(++n),
                                     shop.goods);
        if (fromOrder) {
            // As 按订单 fills it; later runs deliver more than is open, as the user allowed.
            bill.m_customer = shop.order.header.Customer;
            bill.m_order = shop.order.header.Bill_ID;
            bill.m_allowOverOrder = true;
            for (size_t i = 0; i < bill.m_lines.size(); ++i)
                bill.m_lines[i].orderLine = shop.order.lines[i].Id;
        }
        state.ResumeTiming();
        if (bill.Save() != PostOutcome::Posted) {
            state.SkipWithError("posting failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}

void BM_PostPurchaseFromOrder(benchmark::State& state) {
    PostPurchase(state, true);
}
BENCHMARK(BM_PostPurchaseFromOrder)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_PostPurchaseFromOrder_Baseline(benchmark::State& state) {
    PostPurchase(state, false);
}
BENCHMARK(BM_PostPurchaseFromOrder_Baseline)->Unit(benchmark::kMillisecond)->MinTime(1.0);
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitializeInterleaved(argc, argv);
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
