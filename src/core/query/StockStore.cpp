// Read-only queries of the query windows: the stock view's list and the stock warnings' sums.
#include "StockStore.h"

#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "store/AllEntries.h"
#include "store/CDataStore.h"
#include "store/Session.h"
#include "store/WarehouseScope.h"
#include "text/Money.h"

#include <deque>
#include <unordered_map>

bool ListStockOfClass(CDataStore& store, const std::string& warehouse, const std::string& className,
                      std::vector<StockRecord>& list) {
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
    std::unordered_map<std::string, size_t> position;
    auto goods = [&](const CStatement& st) { position.emplace(st.Text(0), position.size()); };
    bool ok = className == kAllGoods
                  ? store.Run("select Code from ferix_product order by Id", {}, goods)
                  : store.Run("select Code from ferix_product where ClassName = ? order by Id",
                              {className}, goods);
    // A deque: the rows never move while the list grows.
    std::deque<StockRecord> rows;
    std::vector<size_t> rowPosition;
    if (ok) {
        std::string code;
        ok = store.Run(sql, values, [&](const CStatement& st) {
            if (keepInScope && !rights.SeesWarehouse(st.TextView(1)))
                return;
            st.TextInto(2, code);
            auto it = position.find(code);
            if (it == position.end())
                return; // not a goods item of the class (or of the goods list at all)
            rowPosition.push_back(it->second);
            rows.push_back({st.Text(0), st.Text(1), code, st.Text(3), st.Text(4), st.Text(5),
                            st.Text(6), st.Text(7), st.Text(8)});
        });
    }
    // Goods order; within one goods item the stock rows keep their order. Counted out, so
    // every row moves once.
    std::vector<size_t> start(position.size() + 1, 0);
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

bool SumStockByCode(CDataStore& store, const std::string& warehouse,
                    std::unordered_map<std::string, int64_t>& quantities) {
    std::string sql = "select ProductCode, Number from StockPile";
    SqlValues values;
    if (!AddWarehouseChoice(sql, values, store.IsServer() ? "StoreHouse" : "+StoreHouse", warehouse,
                            false))
        return false;
    std::string code;
    bool ok = store.Run(sql, values, [&](const CStatement& st) {
        st.TextInto(0, code);
        int64_t& sum = quantities[code];
        const int64_t number = LeadingInteger(st.Text(1));
        if (__builtin_add_overflow(sum, number, &sum))
            sum = number > 0 ? INT64_MAX : INT64_MIN;
    });
    if (!ok)
        Messages().Inform(DatabaseFailureText("", store.LastError()));
    return ok;
}
