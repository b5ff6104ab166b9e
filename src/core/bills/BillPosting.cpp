// Posting a validated bill: one transaction on the main data file.
#include "BillJournal.h"
#include "BillReversal.h"
#include "BillStore.h"
#include "CBill.h"
#include "LineUnits.h"
#include "TradeLine.h"
#include "TransferStore.h"
#include "finance/Balances.h"
#include "finance/FundBillRows.h"
#include "orders/Orders.h"

#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "store/CostPrice.h"
#include "store/LineSummary.h"
#include "store/RetriedTransaction.h"
#include "store/WarehouseScope.h"
#include "store/WriteToken.h"

#include <algorithm>

namespace {
struct PostedLine {
    int64_t quantity = 0;
    std::string price;  // the unit price as typed (PriceText)
    std::string amount; // two decimals
};

PostedLine Normalize(BillKind kind, const BillLine& l) {
    PostedLine p;
    if (kind != BillKind::Price)
        p.quantity = ParseWholeNumber(l.quantity).value_or(0);
    if (HasLinePrices(kind) || kind == BillKind::Price) {
        p.price = PriceText(l.price);
        if (auto amount = LineAmountOf(p.quantity, l.price))
            p.amount = amount->Format2();
    }
    return p;
}
} // namespace

int64_t BaseQuantity(const std::string& baseNumber, const std::string& number) {
    return LeadingInteger(baseNumber.empty() ? number : baseNumber);
}

TradeLineResult WriteTradeLine(CDataStore& store, BillKind kind, const BillDetailRecord& d,
                               int64_t quantity, int64_t baseQuantity, bool reversing,
                               const std::string& shortage, CJournalDraft& draft) {
    const bool putsIn = (kind == BillKind::Purchase || kind == BillKind::SaleReturn) != reversing;
    const bool sale = kind == BillKind::Sale || kind == BillKind::SaleReturn;
    BillDetailRecord line = d;
    // The cost price the units moved at: a sale line and a sale-return line keep what their
    // units cost. A red line carries its original's cost, negated, already.
    CMoney costPrice;
    auto stock = [&] {
        const CMoney price = CMoney::ParseOrZero(d.Product_Price);
        // What the line's units are worth at its price; nothing beyond what money holds.
        const std::optional<CMoney> value = price.TimesQuantity(quantity);
        // A stock row is priced per base unit: a line in a larger unit stands for its value
        // spread over its base units.
        std::string basePriceText = d.Product_Price;
        CMoney basePrice = price;
        if (baseQuantity != quantity && value) {
            if (const auto each = AverageCost(0, CMoney(), baseQuantity, *value)) {
                basePrice = *each;
                basePriceText = each->Format4();
            }
        }
        bool ok;
        if (!putsIn) {
            // Undoing a purchase takes its units out at the price they came in at.
            std::optional<CMoney> removed;
            if (kind == BillKind::Purchase) {
                removed = value;
                if (!removed) {
                    Messages().Inform("商品（" + d.Product_Name +
                                      "）的库存数量超出范围。不能完成当前操作！");
                    return false;
                }
            }
            ok = store.DecreaseStock(d.Warehouse, d.Product_ID, d.Product_Name, baseQuantity,
                                     shortage, removed, &costPrice);
        } else if (kind == BillKind::Purchase) {
            ok = store.IncreaseStock(
                d.Warehouse, d.Product_ID, d.Product_Name, baseQuantity, basePriceText,
                value ? StockCostIn::Average(*value) : StockCostIn::Keep(basePrice));
        } else if (kind == BillKind::Sale) {
            // Undoing a sale puts its units back at the cost price they left at, exactly; a
            // line older than that knows only its rounded cost.
            std::optional<CMoney> cost;
            if (const auto unit = CMoney::Parse(d.Product_UnitCost))
                cost = unit->TimesQuantity(baseQuantity);
            else if (const auto lineCost = CMoney::Parse(d.Product_Cost))
                cost = -*lineCost;
            ok = store.IncreaseStock(d.Warehouse, d.Product_ID, d.Product_Name, baseQuantity,
                                     basePriceText,
                                     cost ? StockCostIn::Average(*cost) : StockCostIn::Keep());
        } else {
            // A sale return comes back at the cost price it has; undoing a purchase return
            // likewise, a new row costing what the goods were bought at.
            ok = store.IncreaseStock(d.Warehouse, d.Product_ID, d.Product_Name, baseQuantity,
                                     basePriceText,
                                     kind == BillKind::PurchaseReturn ? StockCostIn::Keep(basePrice)
                                                                      : StockCostIn::Keep(),
                                     &costPrice);
        }
        if (ok && sale && !reversing) {
            const auto cost = LineCost(costPrice, baseQuantity);
            line.Product_Cost = cost ? cost->Format2() : "";
            line.Product_UnitCost = cost ? costPrice.Format4() : "";
        }
        return ok;
    };
    auto write = [&] {
        switch (kind) {
        case BillKind::Purchase:
            return store.AddPurchaseLine(line);
        case BillKind::PurchaseReturn:
            return store.AddPurchaseReturnLine(line);
        case BillKind::Sale:
            return store.AddSaleLine(line);
        default:
            return store.AddSaleReturnLine(line);
        }
    };
    // A sale checks its stock (and learns its cost) before its line is written; the other kinds
    // write the line first.
    if (sale && !stock())
        return TradeLineResult::StockFailed;
    // A line delivering an order counts on its order line, a red line back off it: the
    // delivered quantity is always the sum over the lines that name it.
    if (!write() ||
        (!line.Order_Line_ID.empty() &&
         !AddDelivered(store, kind, line.Order_Line_ID, reversing ? -baseQuantity : baseQuantity)))
        return TradeLineResult::LineFailed;
    if (!sale && !stock())
        return TradeLineResult::StockFailed;
    draft.Line(line, sale);
    return TradeLineResult::Written;
}

bool PutOpeningStock(CDataStore& store, const StockBillLineRecord& r, int64_t quantity,
                     int64_t baseQuantity) {
    // Opening stock comes in like a purchase at its cost, weighted into what is there; a line in
    // a larger unit spreads its value over its base units.
    const auto value = CMoney::ParseOrZero(r.Product_Price).TimesQuantity(quantity);
    if (!value) {
        Messages().Inform("商品（" + r.Product_Name + "）的库存数量超出范围。不能完成当前操作！");
        return false;
    }
    std::string basePrice = r.Product_Price;
    if (baseQuantity != quantity) {
        if (const auto each = AverageCost(0, CMoney(), baseQuantity, *value))
            basePrice = each->Format4();
    }
    return store.IncreaseStock(r.Warehouse, r.Product_ID, r.Product_Name, baseQuantity, basePrice,
                               StockCostIn::Average(*value));
}

PostOutcome CBill::Post() {
    const BillKindInfo& info = KindInfo(m_kind);
    if (m_lines.empty() && (m_kind == BillKind::Loss || m_kind == BillKind::Gain))
        return PostOutcome::NothingToPost;
    // Lines belong to their bill through the number alone.
    if (m_number.empty()) {
        Messages().Inform("单据编号不能为空！");
        return PostOutcome::NumberRefused;
    }
    auto totals = PostedTotals();
    if (!totals)
        return PostOutcome::Invalid;

    CDataStore store;
    if (!store.ConnectMain()) {
        Messages().Inform(info.connectFailure);
        return PostOutcome::ConnectFailed;
    }
    PostOutcome outcome = PostOn(store, *totals);
    if (outcome == PostOutcome::Posted && !m_storedEarlier)
        WriteLogEntries(info.logEvent, IsFundKind(m_kind) ? 1 : m_lines.size());
    return outcome;
}

PostOutcome CBill::SaveOn(CDataStore& store) {
    if (HasLinePrices(m_kind)) {
        for (auto& l : m_lines)
            l.amount = LineAmount(l.quantity, l.price);
    }
    RecomputeTotals();
    if (m_lines.empty() && (m_kind == BillKind::Loss || m_kind == BillKind::Gain))
        return PostOutcome::NothingToPost;
    auto totals = PostedTotals();
    if (!totals)
        return PostOutcome::Invalid;
    return PostOn(store, *totals);
}

std::optional<std::string> CBill::FreeNumber(CDataStore& store, PostOutcome& refusal) const {
    const BillKindInfo& info = KindInfo(m_kind);
    auto failed = [&] {
        store.Rollback();
        Messages().Inform(KindFailureText(info.headerFailure, store));
        refusal = PostOutcome::Failed;
        return std::nullopt;
    };
    // Blanks around a number do not show in a list: "   " would be no number, "XS-1-H " a red
    // bill's, "XS-1 " a second XS-1.
    const size_t first = m_number.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        store.Rollback();
        Messages().Inform("单据编号不能为空！");
        refusal = PostOutcome::NumberRefused;
        return std::nullopt;
    }
    if (first != 0 || m_number.find_last_not_of(" \t\r\n") != m_number.size() - 1) {
        store.Rollback();
        Messages().Inform("单据编号“" + m_number + "”前后不能有空白！");
        refusal = PostOutcome::NumberRefused;
        return std::nullopt;
    }
    // "-H" ends the number of a red bill: an ordinary bill under such a number would keep its
    // namesake from ever being reversed.
    if (IsRedBillNumber(m_number)) {
        store.Rollback();
        Messages().Inform("单据编号“" + m_number +
                          "”以“-H”结尾，这是红字单据的编号，请修改编号后再保存！");
        refusal = PostOutcome::NumberRefused;
        return std::nullopt;
    }
    // A bill whose rows are its lines has no unique number to stop a second workstation from
    // posting under the same one: the number is held instead until this transaction ends.
    // A number the program made is held too, as are those it tries after it.
    const bool lines = !IsTradeKind(m_kind) && !IsOrderKind(m_kind) && !IsFundKind(m_kind);
    if ((lines || m_number == m_madeNumber) && !store.LockBillNumber(info.table, m_number))
        return failed();
    auto taken = BillNumbersFrom(store, info.table, m_number);
    if (!taken)
        return failed();
    auto used = [&](const std::string& number) {
        return std::find(taken->begin(), taken->end(), number) != taken->end();
    };
    if (!used(m_number))
        return m_number;
    if (m_number != m_madeNumber) {
        store.Rollback();
        Messages().Inform("单据编号“" + m_number + "”已经存在，请修改编号后再保存！");
        refusal = PostOutcome::NumberRefused;
        return std::nullopt;
    }
    // The first candidate free when read and still free once held: whoever posted under it
    // since it was read has committed by then, and whoever comes later waits for this
    // transaction. Workstations making numbers in the same second so take the next ones in
    // turn, instead of clashing on one and all starting again.
    for (size_t suffix = 2;; ++suffix) {
        const std::string candidate = m_number + "-" + std::to_string(suffix);
        if (used(candidate))
            continue;
        if (!store.LockBillNumber(info.table, candidate))
            return failed();
        auto now = BillNumbersFrom(store, info.table, candidate);
        if (!now)
            return failed();
        if (std::find(now->begin(), now->end(), candidate) == now->end())
            return candidate;
    }
}

PostOutcome CBill::PostTransferLines(CDataStore& store, const std::string& number,
                                     const std::string& quantityTotal,
                                     const std::vector<int64_t>& factors) {
    const BillKindInfo& info = KindInfo(m_kind);
    for (size_t row = 0; row < m_lines.size(); ++row) {
        const BillLine& l = m_lines[row];
        const int64_t quantity = ParseWholeNumber(l.quantity).value_or(0);
        const auto base = BaseQuantityOf(l.name, quantity, factors[row]);
        if (!base) {
            store.Rollback();
            return PostOutcome::Invalid;
        }
        const TransferRecord r{kBillStanding, number,      m_date,        m_department,
                               m_employee,    m_warehouse, m_toWarehouse, m_introduction,
                               quantityTotal, l.code,      l.name,        std::to_string(quantity),
                               l.unit,        l.note,      l.barcode,     std::to_string(*base)};
        if (!AddTransferLine(store, r)) {
            store.Rollback();
            Messages().Inform(KindFailureText(info.lineFailure, store));
            return PostOutcome::Failed;
        }
        if (!store.MoveStock(m_warehouse, m_toWarehouse, l.code, l.name, *base)) {
            store.Rollback();
            Messages().Inform(KindFailureText(info.stockFailure, store));
            return PostOutcome::Failed;
        }
    }
    return PostOutcome::Posted;
}

bool CBill::WarehousesInScope() const {
    return CheckWarehouseScope(m_warehouse) && CheckWarehouseScope(m_toWarehouse);
}

PostOutcome CBill::PostOn(CDataStore& store, const Totals& totals) {
    const BillKindInfo& info = KindInfo(m_kind);
    if (m_number.empty()) {
        Messages().Inform("单据编号不能为空！");
        return PostOutcome::NumberRefused;
    }
    // Nothing goes into or out of a warehouse outside the operator's scope.
    if (!WarehousesInScope())
        return PostOutcome::Invalid;
    auto fail = [&] {
        store.Rollback();
        Messages().Inform(KindFailureText(info.headerFailure, store));
        return PostOutcome::Failed;
    };
    m_storedEarlier = false;
    if (m_token.empty())
        m_token = NewWriteToken();
    // Each try leaves the bill as it was until its commit.
    return RunRetried(store, [&] {
        if (!store.ExecuteSql("BEGIN IMMEDIATE"))
            return fail();
        std::string earlier;
        const TokenLookup found = LookUpWriteToken(store, m_token, info.cliName, "", earlier);
        if (found == TokenLookup::Failed)
            return fail();
        if (found != TokenLookup::New) {
            store.Rollback();
            return AnsweredByToken(found, earlier);
        }
        PostOutcome outcome = PostOutcome::Failed;
        const std::optional<std::string> number = WriteBill(store, totals, outcome);
        if (!number)
            return outcome;
        if (!AddWriteToken(store, m_token, info.cliName, *number))
            return fail();
        std::string stored = *number;
        switch (CommitWriteAction(store, m_token, &stored)) {
        case CommitAnswer::Committed:
        case CommitAnswer::Stored:
            Stored(stored);
            return PostOutcome::Posted;
        case CommitAnswer::NotStored:
        case CommitAnswer::Unknown:
            return PostOutcome::Failed; // told; the token stays for the next try
        case CommitAnswer::Failed:
            break;
        }
        return fail();
    });
}

PostOutcome CBill::AnsweredByToken(TokenLookup found, const std::string& earlier) {
    if (found != TokenLookup::Stored)
        return PostOutcome::Invalid; // another action's token: told, nothing stored
    m_storedEarlier = true;
    Stored(earlier);
    return PostOutcome::Posted;
}

void CBill::Stored(const std::string& number) {
    m_number = number;
    m_madeNumber.clear(); // posted: the bill now names a stored bill
    m_token.clear();      // the next bill of this window is another action
}

PostOutcome CBill::WriteInTransaction(CDataStore& store) {
    if (m_number.empty()) {
        store.Rollback();
        Messages().Inform("单据编号不能为空！");
        return PostOutcome::NumberRefused;
    }
    auto totals = PostedTotals();
    if (!totals) {
        store.Rollback();
        return PostOutcome::Invalid;
    }
    PostOutcome outcome = PostOutcome::Failed;
    const std::optional<std::string> number = WriteBill(store, *totals, outcome);
    if (!number)
        return outcome;
    m_number = *number;
    m_madeNumber.clear();
    return PostOutcome::Posted;
}

std::optional<std::string> CBill::WriteBill(CDataStore& store, const Totals& totals,
                                            PostOutcome& outcome) {
    const BillKindInfo& info = KindInfo(m_kind);
    auto fail = [&](const char* text) -> std::optional<std::string> {
        store.Rollback();
        Messages().Inform(KindFailureText(text, store));
        outcome = PostOutcome::Failed;
        return std::nullopt;
    };
    // The free number is chosen inside the write transaction, so no other process can take it
    // before this bill is stored.
    const std::optional<std::string> free = FreeNumber(store, outcome);
    if (!free)
        return std::nullopt;
    const std::string& number = *free;
    // The lines' units, resolved once for the whole bill.
    std::vector<int64_t> factors(m_lines.size(), 1);
    if (!m_lines.empty()) {
        bool failed = false;
        auto resolved = LineFactors(store, m_lines, &failed);
        if (!resolved && failed)
            return fail(info.headerFailure);
        if (!resolved) {
            store.Rollback();
            outcome = PostOutcome::Invalid;
            return std::nullopt;
        }
        factors = std::move(*resolved);
    }
    auto baseOf = [&](size_t row, int64_t quantity) -> std::optional<int64_t> {
        auto base = BaseQuantityOf(m_lines[row].name, quantity, factors[row]);
        if (!base) {
            store.Rollback();
            outcome = PostOutcome::Invalid;
        }
        return base;
    };

    if (IsFundKind(m_kind)) {
        std::string kindText;
        if (const char* text = FundKindText(m_kind)) {
            kindText = text;
        } else {
            // An opening balance is owed by a customer, or owed to a supplier.
            const auto types = BusinessUnitTypesOf(store, m_customer);
            if (!types)
                return fail(info.headerFailure);
            const bool customer =
                std::any_of(types->begin(), types->end(),
                            [](const std::string& t) { return t != kUnitTypeSupplier; });
            // (A name both a customer and a supplier was refused by the checks.)
            kindText = customer ? kFundKindOpeningReceivable : kFundKindOpeningPayable;
        }
        const FundBillRecord row{kBillStanding, number,     m_date,
                                 kindText,      m_customer, m_department,
                                 m_employee,    m_account,  CMoney::ParseOrZero(m_paid).Format2(),
                                 m_introduction};
        if (!AddFundBill(store, row) || !AppendToJournal(store, m_kind, number))
            return fail(info.headerFailure);
        return number;
    }
    // The bill's quantity total is what moved in stock: its lines in base units.
    int64_t baseTotal = 0;
    for (size_t row = 0; row < m_lines.size() && m_kind != BillKind::Price; ++row) {
        const auto base = baseOf(row, Normalize(m_kind, m_lines[row]).quantity);
        if (!base)
            return std::nullopt;
        if (__builtin_add_overflow(baseTotal, *base, &baseTotal)) {
            store.Rollback();
            Messages().Inform(kQuantityTotalOverflow);
            outcome = PostOutcome::Invalid;
            return std::nullopt;
        }
    }
    const std::string quantityTotal = std::to_string(baseTotal);
    const std::string amountTotal = totals.amount.Format2();
    if (IsOrderKind(m_kind)) {
        // An order moves neither stock nor money: its rows alone.
        const OrderHeaderRecord header{number,        m_date,     m_customer,     m_department,
                                       m_warehouse,   m_employee, m_introduction, m_deliveryDate,
                                       quantityTotal, amountTotal};
        if (!AddOrderHeader(store, m_kind, header))
            return fail(info.headerFailure);
        for (size_t row = 0; row < m_lines.size(); ++row) {
            const BillLine& l = m_lines[row];
            const PostedLine p = Normalize(m_kind, l);
            const auto base = baseOf(row, p.quantity);
            if (!base)
                return std::nullopt;
            OrderLineRecord r{"",     number,  l.code,   l.name, std::to_string(p.quantity),
                              l.unit, p.price, p.amount, l.note, l.barcode};
            r.ordered = *base;
            if (!AddOrderLine(store, m_kind, r))
                return fail(info.lineFailure);
        }
        if (!RecountOrder(store, m_kind, number))
            return fail(info.lineFailure);
        if (!AppendToJournal(store, m_kind, number))
            return fail(info.headerFailure);
        return number;
    }
    // What the bill delivers of its order lines is checked again under their row locks: another
    // workstation may have delivered them since the bill's checks.
    if (!CheckDeliveries(store, m_kind, m_customer, OrderTakes(factors), OrderLineGoods(),
                         m_allowOverOrder)) {
        store.Rollback();
        outcome = PostOutcome::Invalid;
        return std::nullopt;
    }
    // The paid amount is kept as money (" 5", "+.5" and "5." as 5.00 and 0.50), or empty.
    const std::string paid = m_paid.empty() ? "" : CMoney::ParseOrZero(m_paid).Format2();
    CJournalDraft draft;
    if (IsTradeKind(m_kind)) {
        BillHeaderRecord header{"0",           number,      m_date,     m_customer,
                                m_department,  m_warehouse, m_employee, m_introduction,
                                quantityTotal, amountTotal, m_account,  paid};
        if (!AddTradeBillHeader(store, info.table, header))
            return fail(info.headerFailure);
        draft.Head(header);
    }
    if (m_kind == BillKind::Transfer) {
        outcome = PostTransferLines(store, number, quantityTotal, factors);
        if (outcome != PostOutcome::Posted)
            return std::nullopt;
    } else {
        for (size_t row = 0; row < m_lines.size(); ++row) {
            const BillLine& l = m_lines[row];
            const PostedLine p = Normalize(m_kind, l);
            const auto base = baseOf(row, p.quantity);
            if (!base)
                return std::nullopt;
            if (IsTradeKind(m_kind)) {
                BillDetailRecord d;
                d.Canceled = "0";
                d.Bill_ID = number;
                d.Bill_Date = m_date;
                d.Customer = m_customer;
                d.Department = m_department;
                d.Employee = m_employee;
                d.Warehouse = m_warehouse;
                d.Introduction = l.note; // a detail row carries its line's remark
                d.Number = quantityTotal;
                d.Total = amountTotal;
                d.Bank = m_account;
                d.Pay = paid;
                d.Product_ID = l.code;
                d.Product_Name = l.name;
                d.Product_Number = std::to_string(p.quantity);
                d.Product_Unit = l.unit;
                d.Product_atch = l.batch;
                d.Product_Date = l.productionDate;
                d.Product_Price = p.price;
                d.Product_Total = p.amount;
                d.Product_Note = l.note;
                d.Product_BarCode = l.barcode;
                d.Base_Number = std::to_string(*base);
                d.Order_Line_ID = l.orderLine;
                switch (WriteTradeLine(store, m_kind, d, p.quantity, *base, false, {}, draft)) {
                case TradeLineResult::Written:
                    break;
                case TradeLineResult::LineFailed:
                    return fail(info.lineFailure);
                case TradeLineResult::StockFailed:
                    return fail(info.stockFailure);
                }
                continue;
            }

            StockBillLineRecord r;
            r.Bill_ID = number;
            r.Bill_Date = m_date;
            r.Department = m_department;
            r.Employee = m_employee;
            r.Warehouse = m_warehouse;
            r.Product_ID = l.code;
            r.Product_Name = l.name;
            r.Product_Unit = l.unit;
            r.Product_Note = l.note;
            r.Product_BarCode = l.barcode;
            bool stockOk, lineOk;
            r.Introduction = l.note; // each row carries its line's remark
            if (m_kind == BillKind::Price) {
                r.Product_Price = p.price;
                // A line in a larger unit prices that unit; the stock row holds the price of
                // one base unit.
                std::string basePrice = p.price;
                if (factors[row] > 1) {
                    if (const auto each =
                            AverageCost(0, CMoney(), factors[row], CMoney::ParseOrZero(p.price)))
                        basePrice = each->Format4();
                }
                stockOk = store.SetStockPrice(m_warehouse, l.code, l.name, basePrice);
                lineOk = stockOk && store.AddPriceLine(r);
            } else {
                r.Product_Number = std::to_string(p.quantity);
                r.Base_Number = std::to_string(*base);
                r.Product_atch = l.batch;
                r.Product_Date = l.productionDate;
                if (m_kind == BillKind::Loss) {
                    stockOk = store.DecreaseStock(m_warehouse, l.code, l.name, *base);
                    lineOk = stockOk && store.AddLossLine(r);
                } else if (m_kind == BillKind::Opening) {
                    r.Number = quantityTotal;
                    r.Total = amountTotal;
                    r.Product_Price = p.price;
                    r.Product_Total = p.amount;
                    stockOk = PutOpeningStock(store, r, p.quantity, *base);
                    lineOk = stockOk && store.AddOpeningLine(r);
                } else {
                    stockOk = store.IncreaseStockForGain(m_warehouse, l.code, l.name, *base);
                    lineOk = stockOk && store.AddGainLine(r);
                }
            }
            if (!stockOk)
                return fail(info.stockFailure);
            if (!lineOk)
                return fail(info.lineFailure);
        }
    }
    // The monthly summaries take the bill's lines in one statement per table, the orders it
    // delivers their line counts in one more.
    if (IsTradeKind(m_kind) &&
        (!AddBillToSummaries(store, (std::string(BillTableName(info.table)) + "_Detail").c_str(),
                             number) ||
         !RecountOrdersDeliveredBy(store, m_kind, number)))
        return fail(info.lineFailure);
    if (!AppendToJournal(store, m_kind, number, IsTradeKind(m_kind) ? &draft : nullptr))
        return fail(info.headerFailure);
    if (m_kind != BillKind::Price)
        m_quantityTotal = quantityTotal; // the window shows the total as posted
    return number;
}
