// Read-only queries of the query windows: the stock view's list.
#include "CDataStore.h"

#include "app/MessagePort.h"

bool CDataStore::ListStockOfClass(const std::string& warehouse, const std::string& className,
                                  std::vector<StockRecord>& list) {
    // One statement for the whole list: a class with many goods costs one join, not one search
    // per goods item.
    std::string sql = "select s.Id, s.StoreHouse, s.ProductCode, s.ProductName, s.FirstEnterTime,"
                      " s.LastLeaveTime, s.Number, s.Price"
                      " from ferix_product g join StockPile s on s.ProductCode = g.Code";
    SqlValues values;
    auto filter = [&](const char* condition, const std::string& value) {
        sql += values.empty() ? " where " : " and ";
        sql += condition;
        values.push_back(value);
    };
    if (className != "所有商品")
        filter("g.ClassName = ?", className);
    if (!warehouse.empty() && warehouse != "全部")
        filter("s.StoreHouse = ?", warehouse);
    sql += " order by g.Id, s.Id";
    bool ok = Run(sql, values, [&](const CStatement& st) {
        list.push_back({st.Text(0), st.Text(1), st.Text(2), st.Text(3), st.Text(4), st.Text(5),
                        st.Text(6), st.Text(7)});
    });
    if (!ok)
        Messages().Inform("数据库失败!\r\n错误信息:" + m_lastError);
    return ok;
}
