#pragma once
#include "store/Records.h"

#include <string>
#include <vector>

class CDataStore;

// Sale lines less sale-return lines whose ISO Bill_Date lies in [from, to], grouped by goods
// code, customer, handler or month (yyyy-MM), in one pass over each table. Groups come in
// the text order of their keys. Appends to `groups`; false after the message
// "SQL 语句执行失败！", with the groups of the lines read before the failure.
bool SumProfit(CDataStore& store, ProfitKey key, const std::string& from, const std::string& to,
               std::vector<ProfitGroupRecord>& groups);
