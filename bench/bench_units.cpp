// Posting a 1,000-line purchase whose lines are half in boxes (a further unit of 12) and half in
// the base unit, against the same bill entered in base units only (the baseline), interleaved in
// one run: medians of 5 postings each. The goal is at most 1.1 times the baseline.
#include "BenchData.h"
#include "app/Cferix_razazApp.h"
#include "bills/CBill.h"
#include "store/CDataStore.h"
#include "text/Clock.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
constexpr int kLines = 1000;
constexpr int kRepetitions = 5;

std::string Code(int i) {
    return "G" + std::to_string(i);
}

// kLines goods, each sold by the piece (个) and by the box of 12, with some stock history.
void PrepareFolder() {
    EnterNewProgramFolder();
    App().m_currentUser.UserName = "admin";
    CDataStore store;
    if (!store.ConnectMain() || !store.Begin())
        std::abort();
    store.AddGoodsClass("电子", "");
    for (int i = 0; i < kLines; ++i) {
        GoodsRecord g;
        g.Code = Code(i);
        g.ProductName = "Goods " + std::to_string(i);
        g.ClassName = "电子";
        g.Unit = "个";
        g.PriceIn = "19.99";
        store.AddGoods(g);
        store.ExecuteSql("insert into GoodsUnit(Product_ID, Unit, Factor) values(?, '箱', '12')",
                         {g.Code});
    }
    if (!store.Commit())
        std::abort();
}

// The bill: every line 3 of its goods, every other one in boxes when `boxes`.
CBill BigBill(bool boxes) {
    CBill bill(BillKind::Purchase);
    bill.m_customer = "华东电子";
    bill.m_department = "采购部";
    bill.m_warehouse = "x";
    bill.m_employee = "张三";
    bill.m_account = "工商银行";
    for (int i = 0; i < kLines; ++i) {
        GoodsRecord g;
        g.Code = Code(i);
        g.ProductName = "Goods " + std::to_string(i);
        g.Unit = "个";
        g.PriceIn = "19.99";
        bill.AppendGoods(g);
        BillLine& l = bill.m_lines.back();
        l.quantity = "3";
        l.unit = boxes && i % 2 == 0 ? "箱" : "个";
        l.price = boxes && i % 2 == 0 ? "239.88" : "19.99";
    }
    return bill;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main() {
    PrepareFolder();
    static std::time_t t = 1'900'000'000;
    SetClockForTest([] { return t; });
    CDataStore store;
    if (!store.ConnectMain())
        return 1;
    // Each posting on the same connection, as sample data is posted (SaveOn).
    auto post = [&](bool boxes) {
        CBill bill = BigBill(boxes);
        ++t;
        bill.m_number = "JH-" + std::to_string(t);
        const auto start = std::chrono::steady_clock::now();
        if (bill.SaveOn(store) != PostOutcome::Posted)
            std::abort();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    };
    post(false); // warm: the stock rows exist from here on for both
    std::vector<double> base, units;
    for (int r = 0; r < kRepetitions; ++r) {
        base.push_back(post(false));
        units.push_back(post(true));
    }
    const double b = Median(base), u = Median(units);
    std::printf("posting %d lines, medians of %d: base units only %.1f ms (baseline), half in "
                "boxes %.1f ms, ratio %.3f (goal <= 1.1)\n",
                kLines, kRepetitions, b, u, u / b);
    return 0;
}
