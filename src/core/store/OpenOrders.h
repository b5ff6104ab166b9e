#pragma once
// What an open order holds: an order neither complete, closed nor voided still waits for its
// goods from (or for) its business unit, so neither may be deleted, nor the goods' base unit
// renamed, while one does. Each read is false or true, or nothing when it failed
// (store.LastError()).
#include <optional>
#include <string>

class CDataStore;

// Whether a line of an open purchase or sale order names goods `code`.
std::optional<bool> GoodsInOpenOrder(CDataStore& store, const std::string& code);
// Whether an open purchase or sale order is of the business unit of code `unitCode`; its name
// in *name when it is.
std::optional<bool> BusinessUnitInOpenOrder(CDataStore& store, const std::string& unitCode,
                                            std::string* name);

// "往来单位“X”已被未完成的订单使用，不能删除！"
std::string BusinessUnitInOpenOrderText(const std::string& name);
// "基本单位“个”已被未完成的订单使用，不能修改！"
std::string BaseUnitInOpenOrderText(const std::string& unit);
