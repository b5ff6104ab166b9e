#include "PaletteLists.h"

#include "FundBill.h"
#include "ListedNames.h"

#include "basic/GoodsClasses.h"
#include "basic/GoodsSearch.h"
#include "basic/GoodsStore.h"
#include "config/ConfigLists.h"
#include "store/AllEntries.h"
#include "store/CDataStore.h"
#include "store/Session.h"

const char* const kPaletteNoKind = "没设置选项内容";

namespace {

const std::vector<PaletteColumn>& UnitColumns() {
    static const std::vector<PaletteColumn> columns = {
        {"单位编码", 120}, {"单位名称", 120},     {"联系人", 120},   {"手机号码", 120},
        {"电话", 120},     {"传真", 120},         {"邮编", 120},     {"地址", 120},
        {"地区", 120},     {"往来单位类型", 120}, {"客户网址", 120}, {"客户email", 120},
        {"客户MSN", 120},  {"客户QQ", 120},       {"备注", 120}};
    return columns;
}

const std::vector<PaletteKindInfo>& Kinds() {
    static const std::vector<PaletteKindInfo> kinds = {
        {"palette_wanglaidanwei", UnitColumns(), false, 1, false, PaletteTree::UnitTypes},
        {"palette_kehu", UnitColumns(), false, 1, false, PaletteTree::UnitTypes, BillKind::Receipt},
        {"palette_gongyingshang", UnitColumns(), false, 1, false, PaletteTree::UnitTypes,
         BillKind::Payment},
        {"palette_department", {{"部门名称", 300}}, false, 0, false, PaletteTree::None},
        {"palette_cangku", {{"仓库名称", 300}}, false, 0, false, PaletteTree::None},
        {"palette_employees",
         {{"员工姓名", 100}, {"联系电话", 100}, {"住址", 100}, {"出生日期", 100}, {"备注", 134}},
         true,
         0,
         false,
         PaletteTree::Departments},
        {"palette_product",
         {{"商品编码", 100}, {"商品名称", 100}, {"商品简称", 100}, {"商品类别", 100},
          {"基本单位", 100}, {"商品型号", 100}, {"规格", 100},     {"产地", 100},
          {"预售价1", 100},  {"预售价2", 100},  {"预售价3", 100},  {"零售价", 100},
          {"最低售价", 100}, {"最高售价", 100}, {"预设进价", 100}, {"商品条码", 100},
          {"保质期", 100},   {"最低库存", 100}, {"最高库存", 100}, {"商品是否可用", 100},
          {"自定义1", 100},  {"自定义2", 100},  {"自定义3", 100},  {"自定义4", 100},
          {"备注", 100}},
         true,
         0,
         true,
         PaletteTree::GoodsClasses},
        {"palette_account", {{"银行账户", 200}}, false, 0, false, PaletteTree::None},
    };
    return kinds;
}

std::vector<std::string> UnitRow(const BusinessUnitRecord& u) {
    return {u.CustomerCode, u.CustomerName, u.CustomerContact, u.CustomerMobile,
            u.CustomerTel,  u.CustomerFax,  u.CustomerZip,     u.CustomerAddr,
            u.CustomerArea, u.CustomerType, u.CustomerWebsite, u.CustomerEmail,
            u.CustomerMsn,  u.CustomerQq,   u.CustomerNote};
}

std::vector<std::string> GoodsRow(const GoodsRecord& goods) {
    // The list shows what the role sees; the line takes the stored item, found by its code.
    const GoodsRecord g = ShownGoods(goods, Session().rights);
    return {g.Code,         g.ProductName,    g.SmartName,      g.ClassName,     g.Unit,
            g.PartNumber,   g.Specifications, g.ProductingArea, g.PricePre1,     g.PricePre2,
            g.PricePre3,    g.RetailPrice,    g.PriceLow,       g.PriceHigh,     g.PriceIn,
            g.BarCode,      g.ShelfLife,      g.InventoryLow,   g.InventoryHigh, g.Available,
            g.UserDefined1, g.UserDefined2,   g.UserDefined3,   g.UserDefined4,  g.Note};
}

std::vector<std::vector<std::string>> NameRows(const std::vector<ConfigListEntry>& entries) {
    std::vector<std::vector<std::string>> rows;
    rows.reserve(entries.size());
    for (const auto& e : entries)
        rows.push_back({e.name});
    return rows;
}
} // namespace

const char* UnitPaletteKind(BillKind kind) {
    if (kind == BillKind::Receipt)
        return "palette_kehu";
    if (kind == BillKind::Payment)
        return "palette_gongyingshang";
    return "palette_wanglaidanwei";
}

const PaletteKindInfo* FindPaletteKind(const std::string& kind) {
    for (const auto& info : Kinds())
        if (kind == info.kind)
            return &info;
    return nullptr;
}

std::vector<std::vector<std::string>> PaletteRows(const PaletteKindInfo& info,
                                                  const std::optional<std::string>& treeItem) {
    std::vector<std::vector<std::string>> rows;
    const std::string kind = info.kind;
    if (info.tree == PaletteTree::UnitTypes) {
        std::vector<BusinessUnitRecord> units;
        CDataStore store;
        if (store.ConnectMain())
            store.ListBusinessUnits(treeItem.value_or(kAllUnitTypes), units);
        for (const auto& u : units) {
            if (!info.unitsFor || FundBillTakesUnitType(*info.unitsFor, u.CustomerType))
                rows.push_back(UnitRow(u));
        }
    } else if (kind == "palette_department") {
        rows = NameRows(ReadDepartments());
    } else if (kind == "palette_cangku") {
        rows = NameRows(ScopedWarehouseList());
    } else if (kind == "palette_account") {
        rows = NameRows(ReadConfigList("bank"));
    } else if (kind == "palette_employees") {
        for (const auto& e : ReadEmployees(treeItem))
            rows.push_back({e.name, e.tel, e.addr, e.birthday, e.note});
    } else if (kind == "palette_product") {
        std::vector<GoodsRecord> goods;
        CDataStore store;
        if (store.ConnectMain())
            store.ListGoods(treeItem.value_or(kAllGoods), goods);
        rows.reserve(goods.size());
        for (const auto& g : goods)
            rows.push_back(GoodsRow(g));
    }
    return rows;
}

std::vector<ClassTreeNode> PaletteTreeItems(const PaletteKindInfo& info) {
    switch (info.tree) {
    case PaletteTree::UnitTypes: {
        std::vector<ClassTreeNode> items;
        for (const char* type : {kUnitTypeSupplier, kUnitTypeCustomer}) {
            if (!info.unitsFor || FundBillTakesUnitType(*info.unitsFor, type))
                items.push_back({type, {}});
        }
        return items;
    }
    case PaletteTree::Departments: {
        std::vector<ClassTreeNode> items;
        for (const auto& d : ReadDepartments())
            items.push_back({d.name, {}});
        return items;
    }
    case PaletteTree::GoodsClasses:
        return BuildClassTree(ReadGoodsClasses());
    case PaletteTree::None:
        break;
    }
    return {};
}

std::vector<int> PaletteSearchColumns(const PaletteKindInfo& info) {
    // The goods and unit rows hold the columns of the goods and unit windows' lists.
    if (info.goods)
        return GoodsSearchColumns();
    if (info.tree == PaletteTree::UnitTypes)
        return BusinessUnitSearchColumns();
    return {0};
}

std::optional<GoodsRecord> ChooseGoodsByCode(const std::string& code) {
    std::vector<GoodsRecord> goods;
    {
        CDataStore store;
        if (store.ConnectMain())
            store.ListGoods(kAllGoods, goods);
    }
    std::optional<GoodsRecord> chosen;
    for (const auto& g : goods)
        if (g.Code == code)
            chosen = g;
    return chosen;
}

std::string PaletteSearchHint(const PaletteKindInfo& info) {
    if (info.goods)
        return "编码、名称、助记码或条码";
    if (info.tree == PaletteTree::UnitTypes)
        return "编码、名称、联系人、手机或电话";
    if (std::string(info.kind) == "palette_employees")
        return "姓名";
    return "名称";
}
