#pragma once
#include "CBill.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Looks a goods code up in the goods list; nothing when the code is not there.
using GoodsLookup = std::function<std::optional<GoodsRecord>(const std::string& code)>;
// The further units of a goods code (empty when it has none or they cannot be read).
using GoodsUnitsLookup = std::function<std::vector<GoodsUnit>(const std::string& code)>;

// Builds a bill of `kind` from a bill file (JSON, every member a string):
//   {"number", "date", "customer", "department", "warehouse", "to_warehouse", "employee",
//    "introduction", "account", "paid", "lines": [{"code", "quantity", "price", "unit", "batch",
//    "production_date", "barcode", "note"}]}
// A receipt or payment reads "amount" (into m_paid) and no lines.
// A missing number or date gives a fresh number and today. Each line is filled from its goods
// item as the goods picker fills it; a given non-empty price, unit, barcode or note replaces
// the goods' value, and the line amount follows the grid's amount rule. Members a kind does
// not have are ignored. A line whose unit is one of the goods' further units (`findUnits`)
// starts at that unit's price when it gives none. Nothing is checked that the bill's window
// checks: that is Save's job.
// Malformed files, unknown member names and unknown goods codes give nothing and a message in
// *error.
// A purchase or sale bill file naming an order ("order": "CD-…"): each line is spread over the
// order's lines of its goods and unit, first line's open quantity first, and becomes one bill
// line per order line it delivers (SpreadOverOrderLines); a line in the goods' base unit may
// deliver lines ordered in another unit. A file without lines takes every open quantity, in the
// order line's unit when it comes out whole there, else in the base unit. The order's business
// unit, warehouse, department and handler fill what the file leaves out. A closed or voided order,
// or a line the order does not have, is refused in *error. A line whose price the file did not give
// (`priced[i]` false, or past its end) takes the order line's price (per base unit when taken in
// the base unit): the bill charges what was agreed.
bool FromOrder(CBill& bill, const std::string& number, const GoodsLookup& findGoods,
               std::string* error, const std::vector<bool>& priced = {});
std::optional<CBill> ReadBillFile(BillKind kind, std::string_view text,
                                  const GoodsLookup& findGoods, std::string* error,
                                  const GoodsUnitsLookup& findUnits = {});
