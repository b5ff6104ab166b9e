#include "Reports.h"

#include "History.h"
#include "rights/PriceVisibility.h"
#include "store/CDataStore.h"
#include "store/Session.h"
#include "text/Money.h"

#include <limits>

const std::vector<ReportKind>& ReportKinds() {
    using G = ReportGrouping;
    static const std::vector<ReportKind> kinds = {
        {"run_caigou_product", "进货报表-按商品", "进货报表-按商品统计", "purchase-goods", false,
         G::Goods, "进货数量"},
        {"run_caigou_employees", "进货报表-按经手人", "进货报表-按经手人统计", "purchase-employee",
         false, G::Employee, "进货数量"},
        {"run_caigou_department", "进货报表-按部门", "进货报表-按部门统计", "purchase-department",
         false, G::Department, "进货数量"},
        {"run_sale_product", "销售报表-按商品", "销售报表-按商品统计", "sale-goods", true, G::Goods,
         "销售数量"},
        {"run_sale_employees", "销售报表-按经手人", "销售报表-按经手人统计", "sale-employee", true,
         G::Employee, "销售数量"},
        {"run_sale_department", "销售报表-按部门", "销售报表-按部门统计", "sale-department", true,
         G::Department, "销售数量"},
    };
    return kinds;
}

const ReportKind* FindReportKind(const std::string& word) {
    for (const auto& k : ReportKinds()) {
        if (word == k.word)
            return &k;
    }
    return nullptr;
}

const ReportKind* FindReportKindByCliName(const std::string& name) {
    for (const auto& k : ReportKinds()) {
        if (name == k.cliName)
            return &k;
    }
    return nullptr;
}

std::vector<ReportColumn> ReportColumns(const ReportKind& kind) {
    if (kind.grouping == ReportGrouping::Goods)
        return {{"是否有记录", 0}, {"商品编码", 70}, {"商品名称", 130},         {"单位", 70},
                {"批号", 0},       {"生产日期", 70}, {kind.quantityHeader, 70}, {"单价", 70},
                {"商品条码", 150}, {"备注", 200}};
    std::string key = kind.grouping == ReportGrouping::Employee ? "经手人"
                      : kind.sale                               ? "销售单位"
                                                                : "进货单位";
    return {{"是否有记录", 0}, {key, 150}, {kind.quantityHeader, 130}};
}

int ReportQuantityColumn(const ReportKind& kind) {
    return kind.grouping == ReportGrouping::Goods ? 6 : 2;
}

ReportResult RunReport(const ReportKind& kind, const std::string& from, const std::string& to) {
    ReportResult result;
    auto& rows = result.rows;
    CDataStore store;
    if (store.ConnectMain()) {
        if (kind.grouping == ReportGrouping::Goods) {
            std::vector<GoodsGroupRecord> groups;
            result.ok = kind.sale ? store.SumSaleByGoods(from, to, groups)
                                  : store.SumPurchaseByGoods(from, to, groups);
            rows.reserve(groups.size() + 1);
            const CRoleRights& rights = Session().rights;
            const PriceKind price = kind.sale ? PriceKind::Sale : PriceKind::Purchase;
            for (auto& g : groups)
                rows.push_back({"", std::move(g.Product_ID), std::move(g.Product_Name),
                                std::move(g.Product_Unit), std::move(g.Product_atch),
                                std::move(g.Product_Date), std::move(g.Product_Number),
                                ShownFigure(rights, price, g.Product_Price),
                                std::move(g.Product_BarCode), std::move(g.Product_Note)});
        } else {
            std::vector<KeyGroupRecord> groups;
            bool employee = kind.grouping == ReportGrouping::Employee;
            if (kind.sale)
                result.ok = employee ? store.SumSaleByEmployee(from, to, groups)
                                     : store.SumSaleByDepartment(from, to, groups);
            else
                result.ok = employee ? store.SumPurchaseByEmployee(from, to, groups)
                                     : store.SumPurchaseByDepartment(from, to, groups);
            rows.reserve(groups.size() + 1);
            for (auto& g : groups)
                rows.push_back({"", std::move(g.Key), std::move(g.Quantity)});
        }
    }
    const size_t column = static_cast<size_t>(ReportQuantityColumn(kind));
    int64_t sum = 0;
    for (const auto& row : rows) {
        int64_t q = LeadingInteger(row[column]);
        if (__builtin_add_overflow(sum, q, &sum))
            sum = q > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    }
    std::vector<std::string> total(ReportColumns(kind).size());
    total[0] = kTotalRowText;
    total[1] = kTotalRowText;
    total[column] = std::to_string(sum);
    rows.push_back(std::move(total));
    return result;
}
