// Reads of the goods list beyond the plain list: one item, every item handed on, the in-use check.
#include "GoodsStore.h"

#include "GoodsUnits.h"
#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "rights/PriceVisibility.h"
#include "store/CDataStore.h"
#include "store/GoodsRows.h"
#include "store/OpenOrders.h"
#include "store/RightCheck.h"

bool ForEachGoods(CDataStore& store, const std::string& className,
                  const std::function<void(const GoodsRecord&)>& onGoods) {
    bool ok = ReadGoodsOfClass(store, className, onGoods);
    if (!ok)
        Messages().Inform(ConnectFailureText(store.LastError()));
    return ok;
}

std::optional<GoodsRecord> FindGoods(CDataStore& store, const std::string& code) {
    std::optional<GoodsRecord> found;
    if (!store.Run(GoodsSelect() + " where Code = ?", {code}, [&](const CStatement& st) {
            found.emplace();
            ReadGoods(st, *found);
        }))
        return std::nullopt;
    return found;
}

std::string GoodsNotFoundText(const std::string& code) {
    return "没有商品编码为“" + code + "”的商品！";
}

bool UpdateGoods(CDataStore& store, const GoodsRecord& goods) {
    if (!CheckRight("goods", Action::Enter) || RefuseGoodsBarcodeOfUnit(store, goods.BarCode))
        return false;
    static const std::string sql = [] {
        std::string set;
        for (const auto& c : GoodsColumns()) {
            if (c.field != &GoodsRecord::Code)
                set += std::string(set.empty() ? "" : ", ") + c.name + " = ?";
        }
        return "update ferix_product set " + set + " where Code = ?";
    }();
    SqlValues values;
    for (const auto& c : GoodsColumns()) {
        if (c.field != &GoodsRecord::Code)
            values.push_back(goods.*c.field);
    }
    values.push_back(goods.Code);
    // A base unit named like one of the goods' further units would make two units of one name.
    bool unitTaken = false;
    if (!store.Run("select 1 from GoodsUnit where Product_ID = ? and Unit = ?",
                   {goods.Code, goods.Unit}, [&](const CStatement&) { unitTaken = true; })) {
        Messages().Inform(DatabaseFailureText("修改商品失败。", store.LastError()));
        return false;
    }
    if (unitTaken) {
        Messages().Inform("商品已有单位“" + goods.Unit + "”，不能再作基本单位！");
        return false;
    }
    // An open order's quantities are counted in the base unit it was placed in.
    if (const auto stored = FindGoods(store, goods.Code); stored && stored->Unit != goods.Unit) {
        const auto ordered = GoodsInOpenOrder(store, goods.Code);
        if (!ordered || *ordered) {
            Messages().Inform(ordered ? BaseUnitInOpenOrderText(stored->Unit)
                                      : DatabaseFailureText("修改商品失败。", store.LastError()));
            return false;
        }
    }
    if (!store.Run(sql, values)) {
        Messages().Inform(DatabaseFailureText("修改商品失败。", store.LastError()));
        return false;
    }
    if (store.Changes() == 0) {
        Messages().Inform(GoodsNotFoundText(goods.Code));
        return false;
    }
    return true;
}

std::optional<bool> IsGoodsInUse(CDataStore& store, const std::string& code) {
    bool found = false;
    if (!store.Run("select Id from StockPile where ProductCode = ? limit 1", {code},
                   [&](const CStatement&) { found = true; })) {
        Messages().Inform(DatabaseFailureText("", store.ErrorDetail()));
        return std::nullopt;
    }
    if (found)
        return true;
    auto ordered = GoodsInOpenOrder(store, code);
    if (!ordered)
        Messages().Inform(DatabaseFailureText("", store.ErrorDetail()));
    return ordered;
}

GoodsRecord ShownGoods(const GoodsRecord& goods, const CRoleRights& rights) {
    GoodsRecord shown = goods;
    for (const auto& c : GoodsColumns())
        shown.*c.field = ShownFigure(rights, GoodsColumnPriceKind(c.name), goods.*c.field);
    return shown;
}
