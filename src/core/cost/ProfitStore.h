#pragma once
#include "store/Records.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class CDataStore;

// Sale lines less sale-return lines whose ISO Bill_Date lies in [from, to], grouped by goods
// code, customer, handler or month (yyyy-MM), in one pass over each table. Groups come in
// the text order of their keys. Appends to `groups`; false after the message
// "SQL 语句执行失败！", with the groups of the lines read before the failure.
//
// `named`, given every goods group's sums in that order (no name, no unit), may pick the places
// of the groups that get their first line's name and unit; the others may then have neither. Months
// read from the summaries name a group by looking its first line up, which for the thousands of
// goods a month sells costs more than their sums when the caller shows only a few.
using ProfitGroupsNamed =
    std::function<std::vector<size_t>(const std::vector<ProfitGroupRecord>& sums)>;
bool SumProfit(CDataStore& store, ProfitKey key, const std::string& from, const std::string& to,
               std::vector<ProfitGroupRecord>& groups, const ProfitGroupsNamed& named = {});
