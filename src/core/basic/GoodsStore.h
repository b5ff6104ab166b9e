#pragma once
#include "rights/RoleRights.h"
#include "store/Records.h"

#include <functional>
#include <optional>
#include <string>

class CDataStore;

// Reads of the goods list (main data file) beyond CDataStore::ListGoods. Codes are compared
// whole: "%" and "_" are plain characters.

// As CDataStore::ListGoods, handing each goods item to `onGoods` instead of keeping them all:
// for a list that keeps its rows in a smaller form.
bool ForEachGoods(CDataStore& store, const std::string& className,
                  const std::function<void(const GoodsRecord&)>& onGoods);
// The goods item of that code, nothing when there is none or the read failed (LastError()).
std::optional<GoodsRecord> FindGoods(CDataStore& store, const std::string& code);
// Writes every column of the goods item of goods.Code but the code itself, which never changes.
// Bills already posted keep the names and prices they were posted with. False, after a
// message, when no goods item has that code (any more) or the store failed.
bool UpdateGoods(CDataStore& store, const GoodsRecord& goods);
// "没有商品编码为“X”的商品！"
std::string GoodsNotFoundText(const std::string& code);
// The goods delete's in-use check: a stock row of exactly this code in any warehouse (a bill
// moved it once), or a line of an open order. Nothing when the read failed (shown as a message).
std::optional<bool> IsGoodsInUse(CDataStore& store, const std::string& code);

// The goods item as the role sees it, its hidden prices "***": for lists, pickers and pages,
// never for saving.
GoodsRecord ShownGoods(const GoodsRecord& goods, const CRoleRights& rights);
