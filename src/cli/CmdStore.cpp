// Goods, classes, business units, stock and bills from the shell.
#include "Commands.h"

#include "admin/RoleAdmin.h"
#include "app/Cferix_razazApp.h"
#include "basic/GoodsSearch.h"
#include "basic/GoodsStore.h"
#include "basic/GoodsUnits.h"
#include "basic/MasterDataImport.h"
#include "bills/BillFile.h"
#include "bills/BillReversal.h"
#include "bills/BillStore.h"
#include "bills/CBill.h"
#include "bills/TransferStore.h"
#include "orders/Orders.h"
#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "query/BillHistory.h"
#include "query/History.h"
#include "query/StockView.h"
#include "rights/PriceVisibility.h"
#include "store/AllEntries.h"
#include "store/CDataStore.h"
#include "store/WriteToken.h"
#include "text/IsoDate.h"
#include "text/Money.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <unordered_map>

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::error_code ec;
    std::ifstream f;
    // A folder opens like an empty file: refuse it as what it is.
    if (!std::filesystem::is_directory(path, ec))
        f.open(path, std::ios::binary);
    if (!f.is_open()) {
        Messages().Inform("无法打开文件“" + path + "”！");
        return std::nullopt;
    }
    std::stringstream ss;
    ss << f.rdbuf();
    if (f.bad()) {
        Messages().Inform("读取文件“" + path + "”失败！");
        return std::nullopt;
    }
    return ss.str();
}

namespace {
int ImportExit(ImportOutcome outcome) {
    switch (outcome) {
    case ImportOutcome::Imported:
        return kExitOk;
    case ImportOutcome::ConnectFailed:
        return kExitData;
    default:
        return kExitRefused;
    }
}

std::vector<std::string> GoodsRow(const GoodsRecord& g) {
    const GoodsRecord shown = ShownGoods(g, CurrentRights());
    std::vector<std::string> row = {shown.Id};
    for (const auto& c : GoodsColumns())
        row.push_back(shown.*c.field);
    return row;
}

std::vector<std::string> GoodsHeader() {
    std::vector<std::string> header = {"Id"};
    for (const auto& c : GoodsColumns())
        header.emplace_back(c.name);
    return header;
}

std::vector<std::string> UnitRow(const BusinessUnitRecord& u) {
    std::vector<std::string> row = {u.Id};
    for (const auto& c : BusinessUnitColumns())
        row.push_back(u.*c.field);
    return row;
}

std::vector<std::string> UnitHeader() {
    std::vector<std::string> header = {"Id"};
    for (const auto& c : BusinessUnitColumns())
        header.emplace_back(c.name);
    return header;
}

int UpdateExit(UpdateOutcome outcome) {
    switch (outcome) {
    case UpdateOutcome::Updated:
        return kExitOk;
    case UpdateOutcome::ConnectFailed:
        return kExitData;
    default:
        return kExitRefused;
    }
}

// The --FIELD VALUE options of an update, when every name is a column the command may change
// (any column of the list but the code) and there is at least one; nothing otherwise.
template <class Columns>
std::optional<FieldValues> UpdateFields(const CliContext& ctx, const Columns& columns,
                                        const char* codeColumn) {
    if (!ctx.flags.empty() || ctx.options.empty())
        return std::nullopt;
    FieldValues fields;
    for (const auto& [name, value] : ctx.options) {
        bool known = false;
        for (const auto& c : columns)
            known = known || (name == c.name && name != codeColumn);
        if (!known)
            return std::nullopt;
        fields.emplace_back(name, value);
    }
    return fields;
}

const char* kGoodsUsage = "usage: ferix-cli goods list [--class C] | goods find TEXT | "
                          "goods import FILE.csv | goods update CODE --FIELD VALUE... | "
                          "goods delete CODE | goods units CODE | "
                          "goods add-unit CODE UNIT FACTOR [--barcode B] [--price-in P] "
                          "[--price-out P] | goods remove-unit CODE UNIT  "
                          "(FIELD: a column of goods list but Id and Code)";
const char* kClassesUsage = "usage: ferix-cli classes list | classes add NAME [--parent P] | "
                            "classes delete NAME";
const char* kCustomersUsage =
    "usage: ferix-cli customers list [--type T] | customers find TEXT | "
    "customers import FILE.csv | customers update CODE --FIELD VALUE... | customers delete CODE  "
    "(FIELD: a column of customers list but Id and CustomerCode)";
} // namespace

namespace {
// A goods item's units, its hidden prices "***" as in the goods list.
int PrintGoodsUnits(CliContext& ctx, const std::string& code) {
    CDataStore store;
    if (!store.ConnectMain())
        return kExitData;
    if (!FindGoods(store, code)) {
        Messages().Inform(GoodsNotFoundText(code));
        return kExitRefused;
    }
    auto units = ListGoodsUnits(store, code);
    if (!units)
        return kExitData;
    std::vector<std::vector<std::string>> rows;
    for (const GoodsUnit& u : *units) {
        rows.push_back({u.Unit, std::to_string(u.Factor), u.BarCode, u.PriceIn, u.PriceOut});
        ShowFigures(CurrentRights(),
                    {PriceKind::None, PriceKind::None, PriceKind::None, PriceKind::Purchase,
                     PriceKind::Sale},
                    rows.back());
    }
    PrintTable(ctx, {"Unit", "Factor", "BarCode", "PriceIn", "PriceOut"}, rows);
    return kExitOk;
}
} // namespace

int CmdGoods(CliContext& ctx) {
    const std::string sub = ctx.args.empty() ? "" : ctx.args[0];
    if (sub == "list" && ctx.args.size() == 1 && ctx.OnlyOptions({"class"})) {
        CDataStore store;
        if (!store.ConnectMain())
            return kExitData;
        std::vector<GoodsRecord> goods;
        if (!store.ListGoods(ctx.OptionOr("class", kAllGoods), goods))
            return kExitData;
        std::vector<std::vector<std::string>> rows;
        for (const auto& g : goods)
            rows.push_back(GoodsRow(g));
        PrintTable(ctx, GoodsHeader(), rows);
        return kExitOk;
    }
    if (sub == "find" && ctx.args.size() == 2 && ctx.OnlyOptions({})) {
        CDataStore store;
        if (!store.ConnectMain())
            return kExitData;
        std::vector<std::vector<std::string>> rows;
        if (!ForEachGoods(store, kAllGoods, [&](const GoodsRecord& g) {
                if (GoodsMatches(g, ctx.args[1]))
                    rows.push_back(GoodsRow(g));
            }))
            return kExitData;
        PrintTable(ctx, GoodsHeader(), rows);
        return kExitOk;
    }
    if (sub == "import" && ctx.args.size() == 2 && ctx.OnlyOptions({})) {
        auto text = ReadWholeFile(ctx.args[1]);
        if (!text)
            return kExitRefused;
        return ImportExit(ImportGoodsCsv(*text));
    }
    if (sub == "update" && ctx.args.size() == 2) {
        if (auto fields = UpdateFields(ctx, GoodsColumns(), "Code"))
            return UpdateExit(UpdateGoodsFields(ctx.args[1], *fields));
    }
    if (sub == "delete" && ctx.args.size() == 2 && ctx.OnlyOptions({})) {
        const std::string& code = ctx.args[1];
        {
            CDataStore store;
            if (!store.ConnectMain())
                return kExitData;
            if (!FindGoods(store, code)) {
                Messages().Inform("没有商品编码为“" + code + "”的商品！");
                return kExitRefused;
            }
        }
        return DeleteGoodsIfUnused(code) ? kExitOk : kExitRefused;
    }
    if (sub == "units" && ctx.args.size() == 2 && ctx.OnlyOptions({}))
        return PrintGoodsUnits(ctx, ctx.args[1]);
    if (sub == "add-unit" && ctx.args.size() == 4 &&
        ctx.OnlyOptions({"barcode", "price-in", "price-out"})) {
        // The factor as typed: anything but a whole number is refused by the same check.
        const std::int64_t factor = UnitFactorOf(ctx.args[3]);
        CDataStore store;
        if (!store.ConnectMain())
            return kExitData;
        GoodsUnit unit{ctx.args[1],
                       ctx.args[2],
                       factor,
                       ctx.OptionOr("barcode", ""),
                       ctx.OptionOr("price-in", ""),
                       ctx.OptionOr("price-out", "")};
        return AddGoodsUnit(store, unit) ? kExitOk : kExitRefused;
    }
    if (sub == "remove-unit" && ctx.args.size() == 3 && ctx.OnlyOptions({})) {
        CDataStore store;
        if (!store.ConnectMain())
            return kExitData;
        return RemoveGoodsUnit(store, ctx.args[1], ctx.args[2]) ? kExitOk : kExitRefused;
    }
    return UsageError(kGoodsUsage);
}

int CmdClasses(CliContext& ctx) {
    const std::string sub = ctx.args.empty() ? "" : ctx.args[0];
    CDataStore store;
    auto classExists = [&](const std::string& name) {
        std::vector<GoodsClassRecord> classes;
        store.ListGoodsClasses(classes);
        for (const auto& c : classes) {
            if (c.class_name == name)
                return true;
        }
        return false;
    };
    if (sub == "list" && ctx.args.size() == 1 && ctx.OnlyOptions({})) {
        if (!store.ConnectMain())
            return kExitData;
        std::vector<GoodsClassRecord> classes;
        if (!store.ListGoodsClasses(classes))
            return kExitData;
        std::vector<std::vector<std::string>> rows;
        for (const auto& c : classes)
            rows.push_back({c.id, c.parent_name, c.class_name});
        PrintTable(ctx, {"id", "parent_name", "class_name"}, rows);
        return kExitOk;
    }
    if (sub == "add" && ctx.args.size() == 2 && ctx.OnlyOptions({"parent"})) {
        const std::string& name = ctx.args[1];
        if (name.empty()) {
            Messages().Inform("请正确填写类名！");
            return kExitRefused;
        }
        if (!store.ConnectMain())
            return kExitData;
        // kAllGoods stands for the root: a class added under it is a top-level class.
        std::string parent = ctx.OptionOr("parent", "");
        if (parent == kAllGoods)
            parent.clear();
        if (!parent.empty() && !classExists(parent)) {
            Messages().Inform("上级分类“" + parent + "”不存在！");
            return kExitRefused;
        }
        return store.AddGoodsClass(name, parent) ? kExitOk : kExitRefused;
    }
    if (sub == "delete" && ctx.args.size() == 2 && ctx.OnlyOptions({})) {
        const std::string& name = ctx.args[1];
        if (name.empty() || name == kAllGoods) {
            Messages().Inform("请选中要删除的类目！");
            return kExitRefused;
        }
        if (!store.ConnectMain())
            return kExitData;
        if (!store.DeleteGoodsClass(name))
            return kExitRefused;
        if (store.Changes() == 0) {
            Messages().Inform("没有名为“" + name + "”的商品类别！");
            return kExitRefused;
        }
        return kExitOk;
    }
    return UsageError(kClassesUsage);
}

int CmdCustomers(CliContext& ctx) {
    const std::string sub = ctx.args.empty() ? "" : ctx.args[0];
    if (sub == "list" && ctx.args.size() == 1 && ctx.OnlyOptions({"type"})) {
        CDataStore store;
        if (!store.ConnectMain())
            return kExitData;
        std::vector<BusinessUnitRecord> units;
        if (!store.ListBusinessUnits(ctx.OptionOr("type", kAllUnitTypes), units))
            return kExitData;
        std::vector<std::vector<std::string>> rows;
        for (const auto& u : units)
            rows.push_back(UnitRow(u));
        PrintTable(ctx, UnitHeader(), rows);
        return kExitOk;
    }
    if (sub == "find" && ctx.args.size() == 2 && ctx.OnlyOptions({})) {
        CDataStore store;
        if (!store.ConnectMain())
            return kExitData;
        std::vector<BusinessUnitRecord> units;
        if (!store.ListBusinessUnits(kAllUnitTypes, units))
            return kExitData;
        std::vector<std::vector<std::string>> rows;
        for (const auto& u : units)
            if (BusinessUnitMatches(u, ctx.args[1]))
                rows.push_back(UnitRow(u));
        PrintTable(ctx, UnitHeader(), rows);
        return kExitOk;
    }
    if (sub == "import" && ctx.args.size() == 2 && ctx.OnlyOptions({})) {
        auto text = ReadWholeFile(ctx.args[1]);
        if (!text)
            return kExitRefused;
        return ImportExit(ImportBusinessUnitsCsv(*text));
    }
    if (sub == "update" && ctx.args.size() == 2) {
        if (auto fields = UpdateFields(ctx, BusinessUnitColumns(), "CustomerCode"))
            return UpdateExit(UpdateBusinessUnitFields(ctx.args[1], *fields));
    }
    if (sub == "delete" && ctx.args.size() == 2 && ctx.OnlyOptions({})) {
        const std::string& code = ctx.args[1];
        CDataStore store;
        if (!store.ConnectMain())
            return kExitData;
        if (!store.DeleteBusinessUnit(code))
            return kExitRefused;
        if (store.Changes() == 0) {
            Messages().Inform("没有单位编码为“" + code + "”的往来单位！");
            return kExitRefused;
        }
        return kExitOk;
    }
    return UsageError(kCustomersUsage);
}

int CmdStock(CliContext& ctx) {
    if (!ctx.args.empty() || !ctx.OnlyOptions({"warehouse", "class"}))
        return UsageError("usage: ferix-cli stock [--warehouse W] [--class C]");
    CDataStore store;
    if (!store.ConnectMain())
        return kExitData;
    std::vector<StockRecord> stock;
    if (!store.ListStock(ctx.OptionOr("warehouse", ""), "", "", stock))
        return kExitData;
    std::optional<std::set<std::string>> codes;
    if (auto cls = ctx.Option("class"); cls && *cls != kAllGoods) {
        std::vector<GoodsRecord> goods;
        if (!store.ListGoods(*cls, goods))
            return kExitData;
        codes.emplace();
        for (const auto& g : goods)
            codes->insert(g.Code);
    }
    CGoodsPacking packing;
    if (!packing.Load(store)) {
        Messages().Inform(ConnectFailureText(store.LastError()));
        return kExitData;
    }
    std::vector<std::vector<std::string>> rows;
    for (const auto& s : stock) {
        if (codes && !codes->count(s.ProductCode))
            continue;
        rows.push_back({s.StoreHouse, s.ProductCode, s.ProductName, s.Number, s.Price,
                        s.FirstEnterTime, s.LastLeaveTime, StockCostText(s), StockValueText(s),
                        packing.Packed(s.ProductCode, LeadingInteger(s.Number))});
        // Price is what the goods came in at; the cost price and the value are cost.
        using K = PriceKind;
        ShowFigures(
            CurrentRights(),
            {K::None, K::None, K::None, K::None, K::Purchase, K::None, K::None, K::Cost, K::Cost},
            rows.back());
    }
    PrintTable(ctx,
               {"StoreHouse", "ProductCode", "ProductName", "Number", "Price", "FirstEnterTime",
                "LastLeaveTime", "CostPrice", "Value", "Packed"},
               rows);
    return kExitOk;
}

namespace {
// Answers the question of a paid amount above the bill's total with the command's option (a
// refusal naming the option without it); every other text goes on to the port below.
class COverpayAnswer : public IMessagePort {
public:
    explicit COverpayAnswer(bool allow) : m_allow(allow), m_below(SetMessagePort(this)) {}
    ~COverpayAnswer() override { SetMessagePort(m_below); }
    COverpayAnswer(const COverpayAnswer&) = delete;
    COverpayAnswer& operator=(const COverpayAnswer&) = delete;

    void Inform(const std::string& text) override { m_below->Inform(text); }
    bool AskYesNo(const std::string& text) override {
        if (text != kOverpayQuestion || m_allow)
            return m_below->AskYesNo(text);
        m_below->Inform(kOverpayRefusal);
        return false;
    }
    bool AskOkCancel(const std::string& text) override { return m_below->AskOkCancel(text); }

private:
    bool m_allow;
    IMessagePort* m_below;
};
} // namespace

std::optional<std::string> TokenOption(const CliContext& ctx, bool& valid) {
    auto token = ctx.Option("token");
    valid = !token || IsWriteToken(*token);
    return token;
}

void TellToken(const std::string& token) {
    if (!token.empty())
        std::cerr << "写入令牌：" << token << "（重试同一操作时加 --token " << token
                  << "，已保存的单据不会再次保存）\n";
}

int CmdPost(CliContext& ctx) {
    const char* usage = "usage: ferix-cli post KIND FILE.json [--allow-overpay] [--allow-over] "
                        "[--token HEX]  (KIND: purchase, purchase-return, sale, sale-return, loss, "
                        "gain, price, transfer, receipt, payment, purchase-order, sale-order)";
    // A paid amount above the bill's total is most likely a mistake in a script: it is posted
    // only when the command says so.
    const bool allowOverpay = ctx.HasFlag("allow-overpay");
    // So is a delivery of more than an order still waits for.
    const bool allowOver = ctx.HasFlag("allow-over");
    bool tokenValid = true;
    const auto token = TokenOption(ctx, tokenValid);
    if (ctx.args.size() != 2 || ctx.options.size() != (token ? 1u : 0u) || !tokenValid ||
        ctx.flags.size() != (allowOverpay ? 1u : 0u) + (allowOver ? 1u : 0u))
        return UsageError(usage);
    auto kind = BillKindFromCliName(ctx.args[0]);
    if (!kind)
        return UsageError(usage);
    auto text = ReadWholeFile(ctx.args[1]);
    if (!text)
        return kExitRefused;
    // The goods list as the picker reads it.
    if (!App().ReloadGoods())
        return kExitData;
    std::unordered_map<std::string, const GoodsRecord*> byCode;
    for (const auto& g : App().m_goods)
        byCode[g.Code] = &g;
    std::string error;
    auto bill = ReadBillFile(
        *kind, *text,
        [&](const std::string& code) -> std::optional<GoodsRecord> {
            auto it = byCode.find(code);
            if (it == byCode.end())
                return std::nullopt;
            return *it->second;
        },
        &error,
        [&](const std::string& code) {
            // A line in one of the goods' further units starts at that unit's price.
            CDataStore units;
            if (!units.ConnectMain())
                return std::vector<GoodsUnit>{};
            return ListGoodsUnits(units, code).value_or(std::vector<GoodsUnit>{});
        });
    if (!bill) {
        Messages().Inform(error);
        return kExitRefused;
    }
    // The window's checks run in their order; the question they ask of a paid amount above the
    // total is answered here.
    COverpayAnswer answer(allowOverpay);
    bill->m_allowOverOrder = allowOver;
    if (token)
        bill->SetWriteToken(*token);
    const PostOutcome outcome = bill->Save();
    // A refusal is the bill's to mend; after a failure the script may retry the same posting.
    if (outcome == PostOutcome::Failed)
        TellToken(bill->WriteToken());
    switch (outcome) {
    case PostOutcome::Posted:
        std::cout << bill->m_number << "\n";
        return kExitOk;
    case PostOutcome::NothingToPost:
        Messages().Inform("单据中没有商品，没有保存任何内容。");
        return kExitRefused;
    case PostOutcome::ConnectFailed:
        return kExitData;
    default:
        return kExitRefused;
    }
}

namespace {
// What the bill listings share: a failed read is a data failure, one bill asked for by its
// number (`number` given) and not found is refused with its message, anything else is printed
// under `header`, a row of `cells` per record.
template <typename Record>
int PrintBillRows(CliContext& ctx, bool read, const std::vector<Record>& records,
                  const std::vector<std::string>& header,
                  std::vector<std::string> (*cells)(const Record&),
                  const std::string* number = nullptr) {
    if (!read)
        return kExitData;
    if (number && records.empty()) {
        Messages().Inform("没有编号为“" + *number + "”的单据！");
        return kExitRefused;
    }
    std::vector<std::vector<std::string>> rows;
    for (const auto& r : records)
        rows.push_back(cells(r));
    PrintTable(ctx, header, rows);
    return kExitOk;
}

std::vector<std::string> TransferCells(const TransferRecord& t) {
    return {t.Bill_ID,  t.Bill_Date, t.Warehouse,    t.ToWarehouse,
            t.Employee, t.Number,    t.Introduction, t.Canceled};
}

std::vector<std::string> BillHeaderCells(const BillHeaderRecord& b) {
    return {b.Bill_ID, b.Bill_Date, b.Customer, b.Department, b.Employee,     b.Warehouse,
            b.Number,  b.Total,     b.Bank,     b.Pay,        b.Introduction, b.Canceled};
}

std::vector<std::string> TransferLineCells(const TransferRecord& l) {
    return {l.Product_ID,      l.Product_Name, l.Product_Number, l.Product_Unit,
            l.Product_BarCode, l.Product_Note, l.Canceled,       l.Base_Number};
}

std::vector<std::string> BillLineCells(const BillDetailRecord& l) {
    return {l.Product_ID,      l.Product_Name, l.Product_Number, l.Product_Unit,
            l.Product_atch,    l.Product_Date, l.Product_Price,  l.Product_Total,
            l.Product_BarCode, l.Product_Note, l.Base_Number};
}

// A bill made from an order: each line names the order line it delivers, last.
std::vector<std::string> OrderedBillLineCells(const BillDetailRecord& l) {
    std::vector<std::string> cells = BillLineCells(l);
    cells.push_back(l.Order_Line_ID);
    return cells;
}
} // namespace

int CmdBills(CliContext& ctx) {
    const char* usage = "usage: ferix-cli bills KIND --from yyyy-MM-dd --to yyyy-MM-dd  (KIND: "
                        "purchase, purchase-return, sale, sale-return, loss, gain, price, "
                        "transfer, receipt, payment, opening, opening-balance)";
    if (ctx.args.size() != 1 || !ctx.OnlyOptions({"from", "to"}))
        return UsageError(usage);
    auto kind = BillKindFromCliName(ctx.args[0]);
    auto from = ctx.Option("from"), to = ctx.Option("to");
    // Orders are listed by `orders`, with their status.
    if (!kind || IsOrderKind(*kind) || !from || !to)
        return UsageError(usage);
    if (!IsIsoDate(*from) || !IsIsoDate(*to))
        return UsageError("日期必须写成 yyyy-MM-dd，例如 2026-12-07");
    if (auto refusal = DateRangeRefusal(*from, *to))
        return UsageError(*refusal);
    CDataStore store;
    if (!store.ConnectMain())
        return kExitData;
    bool read = false;
    if (*kind == BillKind::Transfer) {
        auto transfers = ListTransfersByDate(store, *from, *to, &read);
        return PrintBillRows(ctx, read, transfers,
                             {"Bill_ID", "Bill_Date", "Warehouse", "ToWarehouse", "Employee",
                              "Number", "Introduction", "Canceled"},
                             TransferCells);
    }
    // The other kinds in a trade bill header's fields, the ones they lack left empty.
    auto bills = IsTradeKind(*kind)
                     ? store.ListBillsByDate(KindInfo(*kind).historyWord, *from, *to, &read)
                     : ListOtherBillsByDate(store, *kind, *from, *to, &read);
    if (read)
        bills.push_back(HistoryTotalRow(bills));
    // The total and the amount paid show as the role sees the kind's prices.
    const PriceKind money = BillPriceKind(ctx.args[0]);
    for (auto& b : bills) {
        b.Total = ShownFigure(CurrentRights(), money, b.Total);
        b.Pay = ShownFigure(CurrentRights(), money, b.Pay);
    }
    if (!read || !OrderKindDeliveredBy(*kind))
        return PrintBillRows(ctx, read, bills,
                             {"Bill_ID", "Bill_Date", "Customer", "Department", "Employee",
                              "Warehouse", "Number", "Total", "Bank", "Pay", "Introduction",
                              "Canceled"},
                             BillHeaderCells);
    // Purchases and sales name the order they deliver, last.
    const auto orders = OrdersOfBills(store, *kind, *from, *to);
    if (!orders)
        return kExitData;
    std::vector<std::vector<std::string>> rows;
    for (const auto& b : bills) {
        rows.push_back(BillHeaderCells(b));
        const auto order = orders->find(b.Bill_ID);
        rows.back().push_back(order != orders->end() ? order->second : "");
    }
    PrintTable(ctx,
               {"Bill_ID", "Bill_Date", "Customer", "Department", "Employee", "Warehouse", "Number",
                "Total", "Bank", "Pay", "Introduction", "Canceled", "Order"},
               rows);
    return kExitOk;
}

int CmdBill(CliContext& ctx) {
    const char* usage = "usage: ferix-cli bill KIND NUMBER  (KIND: purchase, purchase-return, "
                        "sale, sale-return, loss, gain, price, transfer, opening)";
    if (ctx.args.size() != 2 || !ctx.OnlyOptions({}))
        return UsageError(usage);
    auto kind = BillKindFromCliName(ctx.args[0]);
    // An order's lines, with what was delivered of them, are read by `order`.
    if (kind && IsOrderKind(*kind))
        return UsageError(std::string("usage: ferix-cli order ") +
                          (*kind == BillKind::PurchaseOrder ? "purchase" : "sale") +
                          " NUMBER  (an order is read by `order`, not `bill`)");
    // A receipt or payment has no lines.
    if (!kind || IsFundKind(*kind))
        return UsageError(usage);
    const std::string& number = ctx.args[1];
    CDataStore store;
    if (!store.ConnectMain())
        return kExitData;
    bool read = false;
    if (*kind == BillKind::Transfer) {
        auto lines = ListTransferLines(store, number, &read);
        return PrintBillRows(ctx, read, lines,
                             {"Product_ID", "Product_Name", "Product_Number", "Product_Unit",
                              "Product_BarCode", "Product_Note", "Canceled", "BaseNumber"},
                             TransferLineCells, &number);
    }
    const BillKindInfo& info = KindInfo(*kind);
    auto lines = IsTradeKind(*kind) ? store.ListBillDetails(info.historyWord, number, &read)
                                    : ListStockBillLines(store, info.table, number, &read);
    const PriceKind price = BillPriceKind(ctx.args[0]);
    for (auto& l : lines) {
        l.Product_Price = ShownFigure(CurrentRights(), price, l.Product_Price);
        l.Product_Total = ShownFigure(CurrentRights(), price, l.Product_Total);
    }
    std::vector<std::string> header = {"Product_ID",    "Product_Name",  "Product_Number",
                                       "Product_Unit",  "Product_atch",  "Product_Date",
                                       "Product_Price", "Product_Total", "Product_BarCode",
                                       "Product_Note",  "BaseNumber"};
    const bool ordered = std::any_of(lines.begin(), lines.end(), [](const BillDetailRecord& l) {
        return !l.Order_Line_ID.empty();
    });
    if (ordered)
        header.push_back("Order_Line_ID");
    return PrintBillRows(ctx, read, lines, header, ordered ? OrderedBillLineCells : BillLineCells,
                         &number);
}

int CmdReverse(CliContext& ctx) {
    const char* usage = "usage: ferix-cli reverse KIND NUMBER [--token HEX]  (KIND: purchase, "
                        "purchase-return, sale, sale-return, transfer, receipt, payment, opening, "
                        "opening-balance)";
    bool tokenValid = true;
    const auto token = TokenOption(ctx, tokenValid);
    if (ctx.args.size() != 2 || !ctx.OnlyOptions({"token"}) || !tokenValid)
        return UsageError(usage);
    // A kind that is never reversed is refused as such, like any bill that cannot be.
    auto kind = BillKindFromCliName(ctx.args[0]);
    if (!kind)
        return UsageError(usage);
    ReverseOutcome outcome = ReverseOutcome::Failed;
    const std::string used = token ? *token : NewWriteToken();
    auto red = ReverseBill(*kind, ctx.args[1], &outcome, used);
    if (red) {
        std::cout << *red << "\n";
        return kExitOk;
    }
    if (outcome == ReverseOutcome::Failed)
        TellToken(used);
    return outcome == ReverseOutcome::ConnectFailed ? kExitData : kExitRefused;
}
