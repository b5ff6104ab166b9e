// The stock pile: one row per warehouse and goods code, holding quantity and unit price.
#include "CDataStore.h"

#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "store/CostPrice.h"
#include "store/WarehouseScope.h"
#include "text/Clock.h"
#include "text/Money.h"

namespace {
const char* kInsertRow = "insert into StockPile(StoreHouse, ProductCode, ProductName,"
                         " FirstEnterTime, Number, Price, CostPrice) values(?, ?, ?, ?, ?, ?, ?)";

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
                      " LastLeaveTime, Number, Price, coalesce(nullif(CostPrice, ''), Price)"
                      " from StockPile";
    SqlValues values;
    auto filter = [&](const char* column, const std::string& value) {
        sql += values.empty() ? " where " : " and ";
        sql += column;
        sql += " = ?";
        values.push_back(value);
    };
    // The scope reads along the pile (see ListStockOfClass).
    if (!AddWarehouseChoice(sql, values, IsServer() ? "StoreHouse" : "+StoreHouse", warehouse,
                            false))
        return false;
    if (!code.empty())
        filter("ProductCode", code);
    if (!name.empty())
        filter("ProductName", name);
    sql += " order by Id";
    // Read inside a write transaction (a count checking its book quantities), the rows stay as
    // read until it ends.
    if (m_engine && m_engine->InTransaction())
        sql += m_engine->LockRowsClause();
    bool ok = Run(sql, values, [&](const CStatement& st) {
        list.push_back({st.Text(0), st.Text(1), st.Text(2), st.Text(3), st.Text(4), st.Text(5),
                        st.Text(6), st.Text(7), st.Text(8)});
    });
    if (!ok)
        Messages().Inform(DatabaseFailureText("", ErrorDetail()));
    return ok;
}

std::optional<CDataStore::StockState> CDataStore::ReadStockState(const std::string& warehouse,
                                                                 const std::string& code) {
    StockState state;
    // A row written before costs were kept (or by hand) costs its unit price.
    // The row is locked until the transaction ends: the change written back is made from this
    // read, so no other workstation may change the row in between.
    if (!Run(std::string("select Number, coalesce(nullif(CostPrice, ''), Price) from StockPile"
                         " where StoreHouse = ? and ProductCode = ?") +
                 (m_engine ? m_engine->LockRowsClause() : ""),
             {warehouse, code}, [&](const CStatement& st) {
                 state.number = LeadingInteger(st.Text(0));
                 state.cost = CMoney::ParseOrZero(st.Text(1));
             }))
        return std::nullopt;
    return state;
}

bool CDataStore::WriteStockState(const std::string& warehouse, const std::string& code,
                                 int64_t number, CMoney cost, bool leaving) {
    if (leaving)
        return Run(
            "update StockPile set Number = ?, CostPrice = ?, LastLeaveTime = ?"
            " where StoreHouse = ? and ProductCode = ?",
            {std::to_string(number), cost.Format4(), FormatNow("%y-%m-%d"), warehouse, code});
    return Run("update StockPile set Number = ?, CostPrice = ? where StoreHouse = ? and"
               " ProductCode = ?",
               {std::to_string(number), cost.Format4(), warehouse, code});
}

bool CDataStore::AddToStock(const std::string& warehouse, const std::string& code,
                            const std::string& name, int64_t quantity,
                            const std::optional<std::string>& price, const StockCostIn& cost,
                            CMoney* costPrice, bool dumpFailure) {
    auto fail = [&](const std::string& statement, const SqlValues& values) {
        if (dumpFailure) {
            DumpStatement(DescribeStatement(statement, values));
            // Worded apart from DatabaseFailureText: no line break before 错误信息, one after
            // the "+".
            Messages().Inform("向库存数据表中插入数据库失败。\r\n数据库失败！错误信息：" +
                              LastErrorCodeText() + "+\r\n" + m_lastError);
        } else {
            Messages().Inform(DatabaseFailureText("修改库存信息失败。", ErrorDetail()));
        }
        return false;
    };
    if (quantity < 0) {
        Messages().Inform(NegativeQuantity(name));
        return false;
    }
    auto current = ReadStockState(warehouse, code);
    if (!current)
        return fail("", {});
    if (current->number < 0) {
        // A new row is priced by the goods' preset purchase price unless told otherwise.
        const bool needPreset = !price || (!cost.average && !cost.newRow);
        std::string preset;
        if (needPreset && !Run("select PriceIn from ferix_product where Code = ?", {code},
                               [&](const CStatement& st) { preset = st.Text(0); }))
            return fail("", {});
        const std::string unitPrice = price ? *price : preset;
        std::optional<CMoney> rowCost = cost.average
                                            ? AverageCost(0, CMoney(), quantity, cost.total)
                                        : cost.newRow ? cost.newRow
                                                      : CMoney::ParseOrZero(preset);
        if (!rowCost) // nothing put in: the unit price stands for the cost
            rowCost = CMoney::ParseOrZero(unitPrice);
        if (!rowCost->TimesQuantity(quantity)) {
            Messages().Inform(TooLarge(name));
            return false;
        }
        const SqlValues values = {warehouse,
                                  code,
                                  name,
                                  FormatNow("%y-%m-%d"),
                                  std::to_string(quantity),
                                  unitPrice,
                                  rowCost->Format4()};
        if (!Run(kInsertRow, values))
            return fail(kInsertRow, values);
        if (costPrice)
            *costPrice = *rowCost;
        return true;
    }
    int64_t number;
    if (__builtin_add_overflow(current->number, quantity, &number)) {
        Messages().Inform(TooLarge(name));
        return false;
    }
    CMoney after = current->cost;
    if (cost.average) {
        if (auto average = AverageCost(current->number, current->cost, quantity, cost.total))
            after = *average;
    }
    // Every row keeps a value that can be reckoned: quantity × cost price within money.
    if (!after.TimesQuantity(number)) {
        Messages().Inform(TooLarge(name));
        return false;
    }
    if (!WriteStockState(warehouse, code, number, after, false))
        return fail("update StockPile set Number = ?, CostPrice = ? where StoreHouse = ? and "
                    "ProductCode = ?",
                    {std::to_string(number), after.Format4(), warehouse, code});
    if (costPrice)
        *costPrice = after;
    return true;
}

bool CDataStore::IncreaseStock(const std::string& warehouse, const std::string& code,
                               const std::string& name, int64_t quantity, const std::string& price,
                               std::optional<StockCostIn> cost, CMoney* costPrice) {
    if (!cost) {
        // Bought at `price`: the units are worth quantity × price.
        // A value beyond what money can hold leaves the cost price as it is.
        const CMoney unit = CMoney::ParseOrZero(price);
        const auto total = unit.TimesQuantity(quantity);
        cost = total ? StockCostIn::Average(*total) : StockCostIn::Keep(unit);
    }
    return AddToStock(warehouse, code, name, quantity, price, *cost, costPrice, true);
}

bool CDataStore::DecreaseStock(const std::string& warehouse, const std::string& code,
                               const std::string& name, int64_t quantity,
                               const std::string& shortage, std::optional<CMoney> removedTotal,
                               CMoney* costPrice) {
    auto fail = [&] {
        Messages().Inform(DatabaseFailureText("修改库存信息失败。", ErrorDetail()));
        return false;
    };
    if (quantity < 0) {
        Messages().Inform(NegativeQuantity(name));
        return false;
    }
    auto current = ReadStockState(warehouse, code);
    if (!current)
        return fail();
    // A missing row counts as -1, so it is refused for every quantity.
    if (current->number < quantity || current->number < 0) {
        Messages().Inform(shortage.empty() ? "商品（" + name + "）当前库存不足。不能完成当前操作！"
                                           : shortage);
        return false;
    }
    CMoney after = current->cost;
    if (removedTotal) {
        if (auto average = AverageCost(current->number, current->cost, -quantity, -*removedTotal))
            after = *average;
    }
    if (!WriteStockState(warehouse, code, current->number - quantity, after, true))
        return fail();
    if (costPrice)
        *costPrice = current->cost;
    return true;
}

bool CDataStore::IncreaseStockForGain(const std::string& warehouse, const std::string& code,
                                      const std::string& name, int64_t quantity) {
    // Goods found in a warehouse that never held them: the row is created at the goods' preset
    // purchase price.
    return AddToStock(warehouse, code, name, quantity, std::nullopt, StockCostIn::Keep(), nullptr,
                      false);
}

bool CDataStore::MoveStock(const std::string& from, const std::string& to, const std::string& code,
                           const std::string& name, int64_t quantity, const std::string& shortage) {
    std::string price;
    if (!Run("select Price from StockPile where StoreHouse = ? and ProductCode = ?", {from, code},
             [&](const CStatement& st) { price = st.Text(0); })) {
        Messages().Inform(DatabaseFailureText("", ErrorDetail()));
        return false;
    }
    CMoney sourceCost;
    if (!DecreaseStock(from, code, name, quantity, shortage, std::nullopt, &sourceCost))
        return false;
    const auto value = sourceCost.TimesQuantity(quantity);
    if (!value) {
        Messages().Inform(TooLarge(name));
        return false;
    }
    return IncreaseStock(to, code, name, quantity, price, StockCostIn::Average(*value));
}

bool CDataStore::SetStockPrice(const std::string& warehouse, const std::string& code,
                               const std::string& name, const std::string& price) {
    if (!Run("update StockPile set Price = ? where StoreHouse = ? and ProductCode = ?",
             {price, warehouse, code})) {
        Messages().Inform(DatabaseFailureText("修改价格信息失败。", ErrorDetail()));
        return false;
    }
    if (Changes() == 0) {
        Messages().Inform("商品（" + name + "）在仓库（" + warehouse +
                          "）中没有库存，不能调价。不能完成当前操作！");
        return false;
    }
    return true;
}
