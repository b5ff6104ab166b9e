#include "StockView.h"

#include "config/ConfigLists.h"
#include "store/CDataStore.h"
#include "text/TextOrder.h"

#include <algorithm>

const char* const kAllWarehouses = "全部";

const std::vector<std::string>& StockViewHeaders() {
    static const std::vector<std::string> headers = {"商品编码", "商品名称",     "商品数量",
                                                     "商品单价", "首次入库时间", "所在仓库"};
    return headers;
}

std::vector<std::string> StockViewCells(const StockRecord& row) {
    return {row.ProductCode, row.ProductName,    row.Number,
            row.Price,       row.FirstEnterTime, row.StoreHouse};
}

std::optional<std::vector<StockRecord>> LoadStockView(const std::string& warehouse,
                                                      const std::string& className) {
    CDataStore store;
    if (!store.ConnectMain())
        return std::nullopt;
    std::vector<StockRecord> rows;
    // A failed read has shown its message; the rows read before it are still shown, but a
    // read that gave nothing (the goods list itself) leaves the list as it was.
    if (!store.ListStockOfClass(warehouse, className, rows) && rows.empty())
        return std::nullopt;
    // The list has always shown the last goods item's rows first.
    std::reverse(rows.begin(), rows.end());
    return rows;
}

std::vector<std::string> StockViewWarehouses() {
    std::vector<std::string> names = {kAllWarehouses};
    for (const auto& entry : ReadConfigList("warehouse"))
        names.push_back(entry.name);
    SortByTextOrder(names);
    return names;
}
