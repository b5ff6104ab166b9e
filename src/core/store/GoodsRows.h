#pragma once
#include "CStatement.h"
#include "Records.h"

#include <functional>
#include <string>

class CDataStore;

// Building blocks of the reads of the goods list: its select (Id, then the columns of
// GoodsColumns in table order) and the reading of one of its rows.
const std::string& GoodsSelect();
// Into an existing record, so that its texts' buffers are used again row after row.
void ReadGoods(const CStatement& st, GoodsRecord& goods);
// Each goods item of one class ("所有商品": all goods) in list order, handed to `onGoods` in one
// record used again row after row. No message of its own: false after a failed read
// (LastError()), with the goods read before it handed on.
bool ReadGoodsOfClass(CDataStore& store, const std::string& className,
                      const std::function<void(const GoodsRecord&)>& onGoods);
