#pragma once
#include "store/Records.h"

#include <string>
#include <vector>

// The sales profit report (销售利润报表): what the sales of a date range earned over their cost,
// by goods item, customer, handler or month.

struct ProfitKind {
    const char* radio;   // "按商品" ...
    const char* cliName; // ferix-cli report kind: "profit-goods" ...
    ProfitKey key;
};
const std::vector<ProfitKind>& ProfitKinds();
const ProfitKind* FindProfitKindByCliName(const std::string& name);

// The list's headers: the key's (商品编码, 商品名称, 单位 for goods; 客户, 经手人 or 月份),
// then 销售数量, 销售金额, 销售成本, 毛利, 毛利率.
std::vector<std::string> ProfitHeaders(ProfitKey key);
// The same columns as ferix-cli names them.
std::vector<std::string> ProfitFieldNames(ProfitKey key);

// 毛利 over 销售金额 of the lines whose cost is known, two decimals and "%" ("50.00%"); empty
// when that amount is zero.
std::string MarginText(CMoneySum profit, CMoneySum amount);
// "N 行销售缺少成本，未计入毛利": lines posted before costs were kept count in 销售金额 only.
std::string UnknownCostNote(int64_t lines);

struct ProfitReportResult {
    std::vector<std::vector<std::string>> rows; // the groups, then the total row "统计汇总"
    int64_t unknownCostLines = 0;
    bool ok = false;
    bool refused = false; // the role hides 成本: refused with its message, nothing read
};
// Runs the report over [from, to] (ISO dates, both included). After a failure (its message
// shown) the groups read before it, and the total row.
ProfitReportResult RunProfitReport(ProfitKey key, const std::string& from, const std::string& to);
