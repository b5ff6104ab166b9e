// Read-only queries of the query windows: the stock view's list and the stock warnings' sums.
#include "StockStore.h"

#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "store/AllEntries.h"
#include "store/CDataStore.h"
#include "store/LineGroups.h"
#include "store/Session.h"
#include "store/WarehouseScope.h"
#include "text/Money.h"

#include <cstdint>
#include <string_view>

namespace {
// The goods codes by their place in the goods list, looked up by each of 60,000 stock rows. A
// code listed twice keeps its first place.
CKeyPlaces PlacesOf(const std::vector<std::string>& codes) {
    CKeyPlaces places;
    auto codeAt = [&](size_t i) -> std::string_view { return codes[i]; };
    for (size_t i = 0; i < codes.size(); ++i)
        if (places.Find(codes[i], codeAt) == CKeyPlaces::kNone)
            places.Add(codes[i], i);
    return places;
}

// The stock rows in list order, each made into a Row by `make`; `whole`: with Id and
// LastLeaveTime. `baseUnits`, when given, gets each listed goods item's code and base unit.
template <class Row, class Make>
bool ReadStockOfClass(CDataStore& store, const std::string& warehouse, const std::string& className,
                      bool whole, Make make, std::vector<Row>& list, GoodsBaseUnits* baseUnits) {
    std::string sql = "select Id, StoreHouse, ProductCode, ProductName, FirstEnterTime,"
                      " LastLeaveTime, Number, Price, coalesce(nullif(CostPrice, ''), Price)"
                      " from StockPile";
    SqlValues values;
    // A role limited to some warehouses has its whole scope kept as the rows are read: they are
    // most of the pile, and compared in the statement they cost each of 60,000 rows a twentieth
    // of its reading (and SQLite would read them by the warehouse index, then sort them).
    const CRoleRights& rights = Session().rights;
    const bool keepInScope =
        (warehouse.empty() || warehouse == kAllWarehouses) && !rights.AllowedWarehouses().empty();
    if (!keepInScope && !AddWarehouseChoice(sql, values, "StoreHouse", warehouse, false))
        return false;
    sql += " order by Id";
    // Two plain reads, put together here: the goods codes in list order, then the stock rows
    // in their own order. A join in the statement would search every stock row by its goods
    // code, and a pile of 60,000 rows then takes half again as long as reading it.
    // The goods' base units come with their codes when asked for: 折合 needs them.
    std::vector<std::string> codes;
    auto goods = [&](const CStatement& st) {
        codes.push_back(st.Text(0));
        if (baseUnits)
            baseUnits->emplace_back(st.Text(0), st.Text(1));
    };
    bool ok =
        className == kAllGoods
            ? store.Run("select Code, Unit from ferix_product order by Id", {}, goods)
            : store.Run("select Code, Unit from ferix_product where ClassName = ? order by Id",
                        {className}, goods);
    const CKeyPlaces position = PlacesOf(codes);
    auto codeAt = [&](size_t i) -> std::string_view { return codes[i]; };
    std::vector<Row> rows;
    std::vector<size_t> rowPosition;
    if (ok) {
        std::string code;
        ok = store.Run(sql, values, [&](const CStatement& st) {
            if (keepInScope && !rights.SeesWarehouse(st.TextView(1)))
                return;
            st.TextInto(2, code);
            const size_t place = position.Find(code, codeAt);
            if (place == CKeyPlaces::kNone)
                return; // not a goods item of the class (or of the goods list at all)
            rowPosition.push_back(place);
            rows.push_back(make(StockRecord{
                whole ? st.Text(0) : std::string(), st.Text(1), code, st.Text(3), st.Text(4),
                whole ? st.Text(5) : std::string(), st.Text(6), st.Text(7), st.Text(8)}));
        });
    }
    // Goods order; within one goods item the stock rows keep their order. Counted out, so
    // every row moves once.
    std::vector<size_t> start(codes.size() + 1, 0);
    for (size_t p : rowPosition)
        ++start[p + 1];
    for (size_t i = 1; i < start.size(); ++i)
        start[i] += start[i - 1];
    std::vector<size_t> order(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        order[start[rowPosition[i]]++] = i;
    list.reserve(list.size() + rows.size());
    for (size_t i : order)
        list.push_back(std::move(rows[i]));
    if (!ok)
        Messages().Inform(DatabaseFailureText("", store.LastError()));
    return ok;
}
} // namespace

bool ListStockOfClass(CDataStore& store, const std::string& warehouse, const std::string& className,
                      std::vector<StockRecord>& list) {
    return ReadStockOfClass(
        store, warehouse, className, true, [](StockRecord&& row) { return std::move(row); }, list,
        nullptr);
}

bool ListStockCellsOfClass(CDataStore& store, const std::string& warehouse,
                           const std::string& className, StockCellsMaker cells,
                           std::vector<std::vector<std::string>>& list, GoodsBaseUnits* baseUnits) {
    return ReadStockOfClass(store, warehouse, className, false, cells, list, baseUnits);
}

bool ListGoodsWithLimits(CDataStore& store, std::vector<GoodsLimitRecord>& list) {
    bool ok =
        store.Run("select Code, ProductName, Unit, InventoryLow, InventoryHigh from ferix_product"
                  " where trim(coalesce(InventoryLow, '')) <> ''"
                  " or trim(coalesce(InventoryHigh, '')) <> '' order by Id",
                  {}, [&](const CStatement& st) {
                      list.push_back({st.Text(0), st.Text(1), st.Text(2), st.Text(3), st.Text(4)});
                  });
    if (!ok)
        Messages().Inform(DatabaseFailureText("", store.LastError()));
    return ok;
}

bool SumStockOfCodes(CDataStore& store, const std::string& warehouse,
                     const std::vector<std::string>& codes, std::vector<int64_t>& quantities) {
    std::string sql = "select ProductCode, Number from StockPile";
    SqlValues values;
    if (!AddWarehouseChoice(sql, values, store.IsServer() ? "StoreHouse" : "+StoreHouse", warehouse,
                            false))
        return false;
    const CKeyPlaces places = PlacesOf(codes);
    auto codeAt = [&](size_t i) -> std::string_view { return codes[i]; };
    quantities.assign(codes.size(), 0);
    std::string text; // one buffer for every row's number
    bool ok = store.Run(sql, values, [&](const CStatement& st) {
        const size_t place = places.Find(st.TextView(0), codeAt);
        if (place == CKeyPlaces::kNone)
            return;
        int64_t& sum = quantities[place];
        st.TextInto(1, text);
        const int64_t number = LeadingInteger(text);
        if (__builtin_add_overflow(sum, number, &sum))
            sum = number > 0 ? INT64_MAX : INT64_MIN;
    });
    if (!ok)
        Messages().Inform(DatabaseFailureText("", store.LastError()));
    return ok;
}
