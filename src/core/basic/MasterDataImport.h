#pragma once
#include "store/Records.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The checks of the goods add window, in its order: the first failing message, or nothing.
std::optional<std::string> CheckGoodsForm(const GoodsRecord& goods);
// The checks of the business-unit add window, in its order.
std::optional<std::string> CheckBusinessUnitForm(const BusinessUnitRecord& unit);

// The goods window's delete, after its question: refused with "此商品正在使用中，不能删除！"
// while a stock row of exactly this code exists in any warehouse or an open order names it.
bool DeleteGoodsIfUnused(const std::string& code);

enum class UpdateOutcome { Updated, NotFound, Refused, ConnectFailed };

// Changes one goods item (business unit) of the given code: each named column (a column of
// GoodsColumns / BusinessUnitColumns other than the code) takes its text, the others stay. The
// checks of the import's rows refuse it with a message, as does a code no item has
// (NotFound), or a name that is no such column; a unit's name cannot change once a bill names it
// (StoreChangedBusinessUnit).
using FieldValues = std::vector<std::pair<std::string, std::string>>;
UpdateOutcome UpdateGoodsFields(const std::string& code, const FieldValues& fields);
UpdateOutcome UpdateBusinessUnitFields(const std::string& code, const FieldValues& fields);

enum class ImportOutcome { Imported, Refused, ConnectFailed };

// Adds goods (or business units) from CSV text whose header row names columns of the table.
// All rows or none: a row the add window would refuse, a code that exists (in the table or
// earlier in the file), an unknown class or type, an unknown or repeated column name or a
// malformed file refuses the whole file with one message naming its line. `added` receives
// the number of rows stored.
ImportOutcome ImportGoodsCsv(std::string_view csv, size_t* added = nullptr);
ImportOutcome ImportBusinessUnitsCsv(std::string_view csv, size_t* added = nullptr);
