// The stock pile: one row per warehouse and goods code, holding quantity and unit price.
#include "CDataStore.h"

#include "app/MessagePort.h"
#include "text/Clock.h"
#include "text/Money.h"

namespace {
constexpr const char* kAllWarehouses = "全部";

const char* kInsertRow = "insert into StockPile(StoreHouse, ProductCode, ProductName,"
                         " FirstEnterTime, Number, Price) values(?, ?, ?, ?, ?, ?)";

std::string NegativeQuantity(const std::string& name) {
    return "商品（" + name + "）的数量不能为负数。不能完成当前操作！";
}

std::string TooLarge(const std::string& name) {
    return "商品（" + name + "）的库存数量超出范围。不能完成当前操作！";
}
} // namespace

std::optional<int64_t> CDataStore::GetStockNumber(const std::string& warehouse,
                                                  const std::string& code) {
    int64_t number = -1;
    if (!Run("select Number from StockPile where StoreHouse = ? and ProductCode = ?",
             {warehouse, code}, [&](const CStatement& st) { number = LeadingInteger(st.Text(0)); }))
        return std::nullopt;
    return number;
}

bool CDataStore::ListStock(const std::string& warehouse, const std::string& code,
                           const std::string& name, std::vector<StockRecord>& list) {
    std::string sql = "select Id, StoreHouse, ProductCode, ProductName, FirstEnterTime,"
                      " LastLeaveTime, Number, Price from StockPile";
    SqlValues values;
    auto filter = [&](const char* column, const std::string& value) {
        sql += values.empty() ? " where " : " and ";
        sql += column;
        sql += " = ?";
        values.push_back(value);
    };
    if (!warehouse.empty() && warehouse != kAllWarehouses)
        filter("StoreHouse", warehouse);
    if (!code.empty())
        filter("ProductCode", code);
    if (!name.empty())
        filter("ProductName", name);
    sql += " order by Id";
    bool ok = Run(sql, values, [&](const CStatement& st) {
        list.push_back({st.Text(0), st.Text(1), st.Text(2), st.Text(3), st.Text(4), st.Text(5),
                        st.Text(6), st.Text(7)});
    });
    if (!ok)
        Messages().Inform("数据库失败!\r\n错误信息:" + LastErrorCodeText() + "+" + m_lastError);
    return ok;
}

bool CDataStore::WriteStockNumber(const std::string& warehouse, const std::string& code,
                                  int64_t number, bool leaving) {
    if (leaving)
        return Run("update StockPile set Number = ?, LastLeaveTime = ?"
                   " where StoreHouse = ? and ProductCode = ?",
                   {std::to_string(number), FormatNow("%y-%m-%d"), warehouse, code});
    return Run("update StockPile set Number = ? where StoreHouse = ? and ProductCode = ?",
               {std::to_string(number), warehouse, code});
}

bool CDataStore::IncreaseStock(const std::string& warehouse, const std::string& code,
                               const std::string& name, int64_t quantity,
                               const std::string& price) {
    auto fail = [&](const std::string& statement) {
        DumpStatement(statement);
        Messages().Inform("向库存数据表中插入数据库失败。\r\n数据库失败!错误信息:" +
                          LastErrorCodeText() + "+\r\n" + m_lastError);
        return false;
    };
    if (quantity < 0) {
        Messages().Inform(NegativeQuantity(name));
        return false;
    }
    auto current = GetStockNumber(warehouse, code);
    if (!current)
        return fail("");
    if (*current < 0) {
        SqlValues values = {warehouse, code, name, FormatNow("%y-%m-%d"), std::to_string(quantity),
                            price};
        if (!Run(kInsertRow, values))
            return fail(DescribeStatement(kInsertRow, values));
        return true;
    }
    int64_t number;
    if (__builtin_add_overflow(*current, quantity, &number)) {
        Messages().Inform(TooLarge(name));
        return false;
    }
    if (!WriteStockNumber(warehouse, code, number, false))
        return fail(DescribeStatement("update StockPile set Number = ? where StoreHouse = ? and "
                                      "ProductCode = ?",
                                      {std::to_string(number), warehouse, code}));
    return true;
}

bool CDataStore::DecreaseStock(const std::string& warehouse, const std::string& code,
                               const std::string& name, int64_t quantity,
                               const std::string& shortage) {
    auto fail = [&] {
        Messages().Inform("添加退货信息失败。\r\n数据库失败!\r\n错误信息:" + LastErrorCodeText() +
                          "+" + m_lastError);
        return false;
    };
    if (quantity < 0) {
        Messages().Inform(NegativeQuantity(name));
        return false;
    }
    auto current = GetStockNumber(warehouse, code);
    if (!current)
        return fail();
    // A missing row counts as -1, so it is refused for every quantity.
    if (*current < quantity || *current < 0) {
        Messages().Inform(shortage.empty() ? "商品（" + name + "）当前库存不足。不能完成当前操作！"
                                           : shortage);
        return false;
    }
    if (!WriteStockNumber(warehouse, code, *current - quantity, true))
        return fail();
    return true;
}

bool CDataStore::IncreaseStockForGain(const std::string& warehouse, const std::string& code,
                                      const std::string& name, int64_t quantity) {
    auto fail = [&] {
        Messages().Inform("添加退货信息失败。\r\n数据库失败!\r\n错误信息:" + LastErrorCodeText() +
                          "+" + m_lastError);
        return false;
    };
    if (quantity < 0) {
        Messages().Inform(NegativeQuantity(name));
        return false;
    }
    auto current = GetStockNumber(warehouse, code);
    if (!current)
        return fail();
    if (*current < 0) {
        // Goods found in a warehouse that never held them: the row is created at the goods'
        // preset purchase price.
        std::string price;
        if (!Run("select PriceIn from ferix_product where Code = ?", {code},
                 [&](const CStatement& st) { price = st.Text(0); }))
            return fail();
        if (!Run(kInsertRow,
                 {warehouse, code, name, FormatNow("%y-%m-%d"), std::to_string(quantity), price}))
            return fail();
        return true;
    }
    int64_t number;
    if (__builtin_add_overflow(*current, quantity, &number)) {
        Messages().Inform(TooLarge(name));
        return false;
    }
    if (!WriteStockNumber(warehouse, code, number, false))
        return fail();
    return true;
}

bool CDataStore::MoveStock(const std::string& from, const std::string& to, const std::string& code,
                           const std::string& name, int64_t quantity, const std::string& shortage) {
    std::string price;
    if (!Run("select Price from StockPile where StoreHouse = ? and ProductCode = ?", {from, code},
             [&](const CStatement& st) { price = st.Text(0); })) {
        Messages().Inform("数据库失败!\r\n错误信息:" + LastErrorCodeText() + "+" + m_lastError);
        return false;
    }
    return DecreaseStock(from, code, name, quantity, shortage) &&
           IncreaseStock(to, code, name, quantity, price);
}

bool CDataStore::SetStockPrice(const std::string& warehouse, const std::string& code,
                               const std::string& name, const std::string& price) {
    if (!Run("update StockPile set Price = ? where StoreHouse = ? and ProductCode = ?",
             {price, warehouse, code})) {
        Messages().Inform("添加退货信息失败。\r\n数据库失败!\r\n错误信息:" + LastErrorCodeText() +
                          "+" + m_lastError);
        return false;
    }
    if (Changes() == 0) {
        Messages().Inform("商品（" + name + "）在仓库（" + warehouse +
                          "）中没有库存，不能调价。不能完成当前操作！");
        return false;
    }
    return true;
}
