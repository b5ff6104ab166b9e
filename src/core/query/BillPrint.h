#pragma once
#include "bills/CBill.h"

#include <filesystem>
#include <string>
#include <string_view>

// Every bill kind printed through its own HTML template (Templates/temp_bill_<ferix-cli
// word>.html), filled by the same engine as the stock list: the shop may change one kind's paper
// without touching the others.

// "Templates/temp_bill_sale.html", and the page written from it under PrintView.
std::string BillTemplateFile(BillKind kind);
std::string BillPrintFile(BillKind kind);
// The program's own template of the kind, written where a folder has none.
std::string_view DefaultBillTemplate(BillKind kind);
// The name on the paper: "销售单"; a red bill "销售单（红字）".
std::string BillPrintTitle(BillKind kind, bool red);

// What heads every printed bill, from the company settings.
struct CompanyHeading {
    std::string name, address, telephone;
};

// Fills a bill template (the rules of FillTemplate). Document markers: {temp:Company_Name},
// {temp:Company_Addr}, {temp:Company_Tel}, {temp:Title}, {temp:Bill_ID}, {temp:Bill_Date},
// {temp:Customer}, {temp:Warehouse}, {temp:ToWarehouse}, {temp:Department}, {temp:Employee},
// {temp:Account}, {temp:Remark}, {temp:Paid}, {temp:TotalQuantity}, {temp:TotalAmount} (a
// receipt's or payment's amount), {temp:TotalCapital} (that amount in Chinese capitals),
// {temp:PrintDate}. Per line: [Data:id], [Data:code], [Data:name], [Data:unit], [Data:quantity],
// [Data:price], [Data:amount], [Data:batch], [Data:production_date], [Data:barcode],
// [Data:note], [Data:from_warehouse], [Data:to_warehouse]. Prices, amounts, the paid amount and
// the totals show as the role sees the kind's prices: a hidden total's capitals are "***" too.
std::string FillBillTemplate(const std::string& templateText, const CBill& bill, bool red,
                             const CompanyHeading& company, const std::string& printDate);

// Writes the program's template of every kind the folder lacks. A template that is there is the
// shop's and is never overwritten. False with `error` when one could not be written.
bool WriteMissingBillTemplates(const std::filesystem::path& folder, std::string* error);

// A stored bill of the kind as the print reads it: trade bills, transfers, receipts and
// payments as their windows show them, loss, gain and price bills from their rows. Nothing when
// there is no such bill (or after the read's message).
std::optional<CBill> LoadBillForPrint(BillKind kind, const std::string& number);

struct BillPrintResult {
    enum class Outcome {
        Written,  // `page` holds the filled page
        Refused,  // the role may not print the kind (refusal shown)
        NotFound, // no bill of that number ("没有编号为“X”的单据！" shown)
        Failed,   // the data or a file could not be read or written (message shown)
    };
    Outcome outcome = Outcome::Failed;
    std::filesystem::path page;
    std::string title; // BillPrintTitle of the bill: what a printout or PDF of it is called
};

// "打印" of a stored bill, for the bill windows and ferix-cli print-bill alike: checks the
// kind's 打印 right, reads the bill, writes the kind's default template first when the folder
// lacks it, fills it (company heading from the settings, today's date) and writes the page to
// PrintView in the template's own encoding.
BillPrintResult PrepareBillPrint(BillKind kind, const std::string& number);
