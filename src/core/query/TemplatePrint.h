#pragma once
#include "store/Records.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The stock list printed through an HTML template: the template holds the whole layout, the
// program only fills its markers and writes the filled page for the print window.

constexpr const char* kStockTemplateFile = "Templates/temp_kucun_view.html";
constexpr const char* kStockPrintFile = "PrintView/temp_kucun_view.html";
// A business unit's statement (往来对账) is printed the same way from its own template.
constexpr const char* kStatementTemplateFile = "Templates/temp_duizhang_view.html";
constexpr const char* kStatementPrintFile = "PrintView/temp_duizhang_view.html";

// Marker texts and the values that replace them.
using TemplateMarkers = std::vector<std::pair<std::string, std::string>>;

// What one print fills in. Rows are taken in order; [Data:id] numbers them from 1.
struct StockPrintInput {
    std::string companyName;
    std::string warehouse;
    std::string className;
    std::string printDate;
    std::vector<StockRecord> rows; // ProductCode, ProductName, Number, Price, FirstEnterTime,
                                   // StoreHouse are printed
    std::string totalValue;        // what the rows are worth at cost, two decimals
};

// How an HTML file is stored, so that a page made from it is written the same way.
struct HtmlFileEncoding {
    std::string decoder = "UTF-8"; // ICU converter the bytes are read with
    std::string encoder = "UTF-8"; // ICU converter the page is written with
    std::string bom;               // byte order mark found at the start, written back
};

// &, <, >, " and ' as character references, so a value always prints as written.
std::string EscapeHtml(const std::string& text);

// Fills a template text (UTF-8):
// - the lines are joined, each followed by "\r\n" (the last one too);
// - the repeated block runs from the first "{Data:start}" to the next "{Data:end}";
// - the document markers ({temp:Company_Name}, {temp:Warehouse}, {temp:Class},
//   {temp:PrintDate}, [Doc:TotalValue]) are replaced everywhere, inside the block too;
// - every place where the block's text stands is replaced by one copy of the block per row,
//   without its two block markers, with the row markers filled in;
// - without a block the rows are not printed; a second, different block keeps its markers.
// Values are HTML-escaped and never read as markers themselves.
std::string FillStockTemplate(const std::string& templateText, const StockPrintInput& input);
// The same rules for any template: `document` markers everywhere, the block once per row with
// the row's markers and [Data:id] (the row's number from 1). Values are HTML-escaped.
std::string FillTemplate(const std::string& templateText, const TemplateMarkers& document,
                         const std::vector<TemplateMarkers>& rows);
// The statement template: {temp:Company_Name}, {temp:Customer}, {temp:From}, {temp:To},
// {temp:Opening}, {temp:Increase}, {temp:Decrease}, {temp:Closing}, {temp:PrintDate}; per
// document [Data:id], [Data:bill_date], [Data:bill_id], [Data:kind], [Data:increase],
// [Data:decrease], [Data:balance].
std::string FillStatementTemplate(const std::string& templateText,
                                  const UnitStatementRecord& statement,
                                  const std::string& companyName, const std::string& printDate);

// Reads HTML bytes as UTF-8 text: a byte order mark decides first, then a <meta> charset
// declaration, then the bytes themselves (valid UTF-8, otherwise the GBK code page).
// GB2312 and GBK declarations are read as GB18030, which covers both.
std::string DecodeHtmlBytes(const std::string& bytes, HtmlFileEncoding* encoding = nullptr);
// Writes UTF-8 text back in an encoding found by DecodeHtmlBytes, byte order mark included.
// Characters the encoding lacks become numeric character references (&#NNNN;), so nothing is
// lost on a GBK page.
std::string EncodeHtmlText(const std::string& utf8, const HtmlFileEncoding& encoding);

// Reads an HTML file as UTF-8 text (see DecodeHtmlBytes). Nothing, with a message, when the
// file is missing or unreadable; `what` names the file in the message ("打印模板", "打印文件").
std::optional<std::string> ReadHtmlFile(const std::filesystem::path& path, const char* what,
                                        HtmlFileEncoding* encoding = nullptr);

// Fills the stock template of the program folder with the rows (company name from the company
// settings, today's date) and writes the page to PrintView, creating the folder when missing.
// Returns the page's full path, or nothing after a message.
std::optional<std::filesystem::path> PrepareStockPrint(const std::string& warehouse,
                                                       const std::string& className,
                                                       const std::vector<StockRecord>& rows);
// Fills the statement template of the program folder (writing the program's default template
// there first when the folder has none) and writes the page to PrintView. Returns the page's
// full path, or nothing after a message.
std::optional<std::filesystem::path> PrepareStatementPrint(const UnitStatementRecord& statement);

// Reads a template of the program folder, fills it and writes the page (folder-relative path)
// in the template's own encoding, creating its folder. The page's full path, or nothing after
// a message.
std::optional<std::filesystem::path>
WritePrintPage(const std::string& templateFile, const std::string& printFile,
               const std::function<std::string(const std::string&)>& fill);
// Writes `text` as the template `path` when there is no file there: a template that is there is
// the shop's own and stays. False with `error` (the message to show) when it could not be written.
bool WriteTemplateWhenMissing(const std::filesystem::path& path, std::string_view text,
                              std::string* error);
