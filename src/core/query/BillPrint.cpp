#include "BillPrint.h"

#include "TemplatePrint.h"

#include "bills/BillReversal.h"
#include "bills/BillStore.h"
#include "bills/TradeLine.h"
#include "config/DefaultFiles.h"
#include "orders/Orders.h"
#include "port/MessagePort.h"
#include "port/ProgramFolder.h"
#include "rights/Functions.h"
#include "store/CDataStore.h"
#include "store/RightCheck.h"
#include "store/Session.h"
#include "text/ChineseMoney.h"
#include "text/Clock.h"

namespace fs = std::filesystem;

namespace {

struct BillPaper {
    const char* title;
    const std::string_view* defaultTemplate;
};

// Indexed by BillKind, as kBillKindNames.
const BillPaper kPapers[] = {
    {"进货单", &kDefaultBillTemplate_purchase},
    {"进货退货单", &kDefaultBillTemplate_purchase_return},
    {"销售单", &kDefaultBillTemplate_sale},
    {"销售退货单", &kDefaultBillTemplate_sale_return},
    {"报损单", &kDefaultBillTemplate_loss},
    {"报溢单", &kDefaultBillTemplate_gain},
    {"调价单", &kDefaultBillTemplate_price},
    {"移库单", &kDefaultBillTemplate_transfer},
    {"收款单", &kDefaultBillTemplate_receipt},
    {"付款单", &kDefaultBillTemplate_payment},
    {"期初库存", &kDefaultBillTemplate_opening},
    {"期初应收应付", &kDefaultBillTemplate_opening_balance},
    {"采购订单", &kDefaultBillTemplate_purchase_order},
    {"销售订单", &kDefaultBillTemplate_sale_order},
};
static_assert(std::size(kPapers) == std::size(kBillKindNames), "one paper per bill kind");

const BillPaper& PaperOf(BillKind kind) {
    return kPapers[static_cast<size_t>(kind)];
}

std::string NotFoundText(const std::string& number) {
    return "没有编号为“" + number + "”的单据！";
}

// A loss, gain or price bill from its rows, the header repeated on each. These bills keep no
// money and no remark of their own (a row's Introduction is its line's note), so they print a
// quantity total alone.
std::optional<CBill> LoadStockBill(CDataStore& store, BillKind kind, const std::string& number) {
    const auto rows = ListStockBillLines(store, KindNames(kind).table, number);
    if (rows.empty())
        return std::nullopt;
    const BillDetailRecord& h = rows.front();
    CBill bill(kind);
    bill.GiveNumber(h.Bill_ID);
    bill.m_date = h.Bill_Date;
    bill.m_department = h.Department;
    bill.m_employee = h.Employee;
    bill.m_warehouse = h.Warehouse;
    int64_t quantity = 0;
    for (const auto& r : rows) {
        bill.m_lines.push_back({"true", r.Product_ID, r.Product_Name, r.Product_Number,
                                r.Product_Unit, r.Product_atch, r.Product_Date, r.Product_Price,
                                r.Product_Total, "", r.Product_BarCode, r.Product_Note});
        quantity += BaseQuantity(r.Base_Number, r.Product_Number); // what moved in stock
    }
    bill.m_quantityTotal = kind == BillKind::Price ? "" : std::to_string(quantity);
    bill.m_amountTotal.clear();
    if (kind == BillKind::Opening)
        bill.RecomputeTotals(); // opening stock is worth its cost
    return bill;
}

} // namespace

std::string BillTemplateFile(BillKind kind) {
    return std::string("Templates/temp_bill_") + KindNames(kind).cliName + ".html";
}

std::string BillPrintFile(BillKind kind) {
    return std::string("PrintView/temp_bill_") + KindNames(kind).cliName + ".html";
}

std::string_view DefaultBillTemplate(BillKind kind) {
    return *PaperOf(kind).defaultTemplate;
}

std::string BillPrintTitle(BillKind kind, bool red) {
    return std::string(PaperOf(kind).title) + (red ? "（红字）" : "");
}

std::string FillBillTemplate(const std::string& templateText, const CBill& bill, bool red,
                             const CompanyHeading& company, const std::string& printDate) {
    const BillKind kind = bill.Kind();
    const bool fund = IsFundKind(kind);
    // A receipt's or payment's amount is its total; a price bill has none.
    const std::string total = fund ? bill.m_paid : bill.m_amountTotal;
    const std::string shownTotal = bill.ShownMoney(total);
    std::string capital;
    if (shownTotal != total)
        capital = shownTotal; // hidden: the capitals would tell the figure
    else if (auto amount = CMoney::Parse(total))
        capital = ChineseCapitalAmount(*amount);

    std::vector<TemplateMarkers> rows;
    rows.reserve(bill.m_lines.size());
    for (const BillLine& l : bill.m_lines) {
        rows.push_back({{"[Data:code]", l.code},
                        {"[Data:name]", l.name},
                        {"[Data:unit]", l.unit},
                        {"[Data:quantity]", l.quantity},
                        {"[Data:price]", bill.ShownMoney(l.price)},
                        {"[Data:amount]", bill.ShownMoney(l.amount)},
                        {"[Data:batch]", l.batch},
                        {"[Data:production_date]", l.productionDate},
                        {"[Data:barcode]", l.barcode},
                        {"[Data:note]", l.note},
                        {"[Data:from_warehouse]", bill.m_warehouse},
                        {"[Data:to_warehouse]", bill.m_toWarehouse}});
    }
    return FillTemplate(templateText,
                        {{"{temp:Company_Name}", company.name},
                         {"{temp:Company_Addr}", company.address},
                         {"{temp:Company_Tel}", company.telephone},
                         {"{temp:Title}", BillPrintTitle(kind, red)},
                         {"{temp:Bill_ID}", bill.m_number},
                         {"{temp:Bill_Date}", bill.m_date},
                         {"{temp:Customer}", bill.m_customer},
                         {"{temp:Warehouse}", bill.m_warehouse},
                         {"{temp:ToWarehouse}", bill.m_toWarehouse},
                         {"{temp:Department}", bill.m_department},
                         {"{temp:Employee}", bill.m_employee},
                         {"{temp:Account}", bill.m_account},
                         {"{temp:Remark}", bill.m_introduction},
                         {"{temp:DeliveryDate}", bill.m_deliveryDate},
                         {"{temp:Paid}", fund ? std::string() : bill.ShownMoney(bill.m_paid)},
                         {"{temp:TotalQuantity}", fund ? std::string() : bill.m_quantityTotal},
                         {"{temp:TotalAmount}", shownTotal},
                         {"{temp:TotalCapital}", capital},
                         {"{temp:PrintDate}", printDate}},
                        rows);
}

bool WriteMissingBillTemplates(const fs::path& folder, std::string* error) {
    for (const BillKindNames& names : kBillKindNames) {
        if (!WriteTemplateWhenMissing(folder / BillTemplateFile(names.kind),
                                      DefaultBillTemplate(names.kind), error))
            return false;
    }
    return true;
}

std::optional<CBill> LoadBillForPrint(BillKind kind, const std::string& number) {
    if (kind == BillKind::Loss || kind == BillKind::Gain || kind == BillKind::Price ||
        kind == BillKind::Opening) {
        CDataStore store;
        if (!store.ConnectMain())
            return std::nullopt;
        return LoadStockBill(store, kind, number);
    }
    return CBill::LoadStored(KindNames(kind).historyWord, number);
}

BillPrintResult PrepareBillPrint(BillKind kind, const std::string& number) {
    using Outcome = BillPrintResult::Outcome;
    BillPrintResult result;
    if (!CheckRight(KindFunction(KindNames(kind).cliName), Action::Print)) {
        result.outcome = Outcome::Refused;
        return result;
    }
    {
        CDataStore store;
        if (!store.ConnectMain())
            return result; // Failed, told by the connect
    }
    const auto bill = LoadBillForPrint(kind, number);
    if (!bill) {
        Messages().Inform(NotFoundText(number));
        result.outcome = Outcome::NotFound;
        return result;
    }
    const bool red = !IsOrderKind(kind) && BillCanceledState(kind, number).value_or("") == kBillRed;

    // A folder made before bills were printed gets the program's template of the kind now.
    std::string error;
    if (!WriteTemplateWhenMissing(ProgramFolder() / BillTemplateFile(kind),
                                  DefaultBillTemplate(kind), &error)) {
        Messages().Inform(error);
        return result;
    }
    const SettingsRecord& settings = Session().settings;
    const CompanyHeading company{settings.CompanyName, settings.CompanyAddr, settings.CompanyTel};
    const std::string printDate = FormatNow("%y-%m-%d");
    auto page =
        WritePrintPage(BillTemplateFile(kind), BillPrintFile(kind), [&](const std::string& text) {
            return FillBillTemplate(text, *bill, red, company, printDate);
        });
    if (!page)
        return result;
    result.outcome = Outcome::Written;
    result.page = *page;
    result.title = BillPrintTitle(kind, red);
    return result;
}
