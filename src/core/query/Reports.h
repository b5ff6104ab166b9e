#pragma once
#include <string>
#include <vector>

// The statistics report window: purchases or sales of a date range summed by goods item, by
// handler or by department.

enum class ReportGrouping { Goods, Employee, Department };

struct ReportKind {
    const char* word;    // command word
    const char* radio;   // radio button text
    const char* caption; // window caption
    const char* cliName; // ferix-cli report kind
    bool sale;           // EnterSale_Detail, else EnterStock_Detail
    ReportGrouping grouping;
    const char* quantityHeader; // "进货数量" or "销售数量"
};
const std::vector<ReportKind>& ReportKinds();
// By command word or ferix-cli name; nullptr for any other text.
const ReportKind* FindReportKind(const std::string& word);
const ReportKind* FindReportKindByCliName(const std::string& name);

struct ReportColumn {
    std::string header;
    int width; // starting width in pixels; 0 hides the column
};
std::vector<ReportColumn> ReportColumns(const ReportKind& kind);
// Index of the quantity column: 6 for goods reports, 2 for the others.
int ReportQuantityColumn(const ReportKind& kind);

// Runs the kind's statistics over [from, to] (ISO dates, both included) and returns the list's
// rows in key order, then the total row ("统计汇总" in the first two columns, the summed
// quantity in the quantity column). After a failure (its message shown) the rows gathered
// before it, and the total row; `ok` tells whether everything was read.
struct ReportResult {
    std::vector<std::vector<std::string>> rows;
    bool ok = false;
};
ReportResult RunReport(const ReportKind& kind, const std::string& from, const std::string& to);
