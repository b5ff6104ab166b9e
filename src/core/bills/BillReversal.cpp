// Red-letter reversal of a posted trade bill or transfer: one transaction on the main data file.
#include "BillReversal.h"

#include "BillJournal.h"
#include "BillStore.h"
#include "TradeLine.h"
#include "TransferStore.h"
#include "finance/FundBillRows.h"
#include "orders/Orders.h"
#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "store/LineSummary.h"
#include "store/RetriedTransaction.h"
#include "store/RightCheck.h"
#include "store/WarehouseScope.h"
#include "store/WriteToken.h"
#include "text/Clock.h"
#include "text/Money.h"

namespace {
// A stored quantity or amount with the opposite sign, its digits kept as written ("2.10" →
// "-2.10", "-3" → "3"). Empty, zero and unreadable texts count as zero everywhere, so they
// stay.
std::string Negated(const std::string& text) {
    auto value = CMoney::Parse(text);
    if (!value || value->Units() == 0)
        return text;
    const size_t first = text.find_first_not_of(" \t");
    const size_t last = text.find_last_not_of(" \t");
    std::string t = text.substr(first, last - first + 1);
    if (t[0] == '-' || t[0] == '+')
        t.erase(0, 1);
    return value->Units() > 0 ? "-" + t : t;
}

const char* kFailed = "红冲操作失败，单据没有改变！";
} // namespace

std::string ReverseQuestionText(const std::string& number) {
    return "确定要红冲单据“" + number +
           "”吗？\r\n红冲后将生成一张数量为负的红字单据，库存随之恢复。";
}

namespace {
std::optional<std::string> ReverseOnce(CDataStore& store, BillKind kind, const std::string& number,
                                       const std::string& token, ReverseOutcome* outcome,
                                       bool& storedEarlier) {
    auto end = [&](ReverseOutcome o, const char* text = nullptr) -> std::optional<std::string> {
        store.Rollback();
        if (text)
            Messages().Inform(text);
        if (outcome)
            *outcome = o;
        return std::nullopt;
    };
    auto refuse = [&](const std::string& text) {
        Messages().Inform(text);
        return end(ReverseOutcome::Refused);
    };
    const BillKindInfo& info = KindInfo(kind);
    const bool transfer = kind == BillKind::Transfer;
    const bool fund = IsFundKind(kind);
    const bool opening = kind == BillKind::Opening;

    // The checks run inside the write transaction: a second program reversing the same bill
    // waits here and then finds it reversed.
    const std::string red = number + kRedBillSuffix;
    // On a server a second workstation reversing the same bill waits for the red number here.
    if (!store.ExecuteSql("BEGIN IMMEDIATE") || !store.LockBillNumber(info.table, red))
        return end(ReverseOutcome::Failed, kFailed);
    // The token first: a retry of a stored reversal would fail every check below.
    std::string earlier;
    switch (LookUpWriteToken(store, token, std::string("reverse ") + info.cliName, red, earlier)) {
    case TokenLookup::New:
        break;
    case TokenLookup::Stored:
        store.Rollback();
        storedEarlier = true;
        if (outcome)
            *outcome = ReverseOutcome::Reversed;
        return earlier;
    case TokenLookup::Refused:
        return end(ReverseOutcome::Refused);
    case TokenLookup::ConnectFailed:
    case TokenLookup::Failed:
        return end(ReverseOutcome::Failed, kFailed);
    }
    // An order holds no reversal right: it is corrected by closing or voiding it.
    if (IsOrderKind(kind))
        return refuse("订单“" + number + "”不能红冲，只能关闭或作废！");
    if (!CheckRight(KindFunction(info.cliName), Action::Reverse))
        return end(ReverseOutcome::Refused);
    if (!IsReversibleKind(kind))
        return refuse("单据“" + number + "”不能红冲！");
    bool read = false;
    std::optional<std::string> canceled;
    std::vector<TransferRecord> moves;
    std::vector<BillDetailRecord> openingLines;
    std::optional<BillHeaderRecord> bill;
    std::optional<FundBillRecord> money;
    if (fund) {
        money = FindFundBill(store, number, &read);
        // A receipt is not reversed as a payment, nor the other way round.
        if (money && !FundRowIsOfKind(kind, money->Kind))
            money.reset();
        if (money)
            canceled = money->Canceled;
    } else if (transfer) {
        moves = ListTransferLines(store, number, &read);
        if (!moves.empty())
            canceled = moves.front().Canceled;
    } else if (opening) {
        openingLines = ListStockBillLines(store, info.table, number, &read);
        if (!openingLines.empty())
            canceled = openingLines.front().Canceled;
    } else {
        bill = FindBillHeader(store, info.historyWord, number, &read);
        if (bill)
            canceled = bill->Canceled;
    }
    if (!read)
        return end(ReverseOutcome::Failed, kFailed);
    if (!canceled)
        return refuse("单据“" + number + "”不存在！");
    // A reversal moves stock back into and out of the bill's warehouses.
    if (transfer && (!CheckWarehouseScope(moves.front().Warehouse) ||
                     !CheckWarehouseScope(moves.front().ToWarehouse)))
        return end(ReverseOutcome::Refused);
    if (bill && !CheckWarehouseScope(bill->Warehouse))
        return end(ReverseOutcome::Refused);
    if (opening && !CheckWarehouseScope(openingLines.front().Warehouse))
        return end(ReverseOutcome::Refused);
    if (*canceled == kBillReversed)
        return refuse("单据“" + number + "”已经红冲，不能重复红冲！");
    if (*canceled == kBillRed)
        return refuse("红字单据不能红冲！");
    // Bills stored before the mark was set by anyone hold "0" (or nothing, read as "").
    if (!canceled->empty() && *canceled != kBillStanding)
        return refuse("单据“" + number + "”不能红冲！");

    const std::string today = TodayIso();
    CJournalDraft draft;
    if (fund) {
        const bool taken = FindFundBill(store, red, &read).has_value();
        if (!read)
            return end(ReverseOutcome::Failed, kFailed);
        if (taken)
            return refuse("单据编号“" + red + "”已经存在，不能红冲！");
        FundBillRecord r = *money;
        r.Canceled = kBillRed;
        r.Bill_ID = red;
        r.Bill_Date = today;
        r.Introduction = "红冲单据 " + number;
        r.Amount = Negated(money->Amount);
        if (!AddFundBill(store, r))
            return end(ReverseOutcome::Failed, kFailed);
    } else if (opening) {
        const bool taken = !ListStockBillLines(store, info.table, red, &read).empty();
        if (!read)
            return end(ReverseOutcome::Failed, kFailed);
        if (taken)
            return refuse("单据编号“" + red + "”已经存在，不能红冲！");
        for (const BillDetailRecord& line : openingLines) {
            const StockBillLineRecord r{red,
                                        today,
                                        line.Department,
                                        line.Employee,
                                        line.Warehouse,
                                        "红冲单据 " + number,
                                        Negated(line.Number),
                                        Negated(line.Total),
                                        line.Product_ID,
                                        line.Product_Name,
                                        Negated(line.Product_Number),
                                        line.Product_Unit,
                                        line.Product_atch,
                                        line.Product_Date,
                                        line.Product_Price,
                                        Negated(line.Product_Total),
                                        line.Product_Note,
                                        line.Product_BarCode,
                                        Negated(line.Base_Number)};
            if (!store.AddOpeningLine(r))
                return end(ReverseOutcome::Failed, kFailed);
            // The units go out at the cost they came in at, as a purchase's do.
            const auto removed = CMoney::ParseOrZero(line.Product_Price)
                                     .TimesQuantity(LeadingInteger(line.Product_Number));
            if (!removed)
                return end(ReverseOutcome::Failed, kFailed);
            const std::string shortage = "商品“" + line.Product_Name + "”库存不足，不能红冲！";
            if (!store.DecreaseStock(line.Warehouse, line.Product_ID, line.Product_Name,
                                     BaseQuantity(line.Base_Number, line.Product_Number), shortage,
                                     removed))
                return end(ReverseOutcome::Refused);
        }
        if (!SetBillCanceled(store, info.table, red, kBillRed))
            return end(ReverseOutcome::Failed, kFailed);
    } else if (transfer) {
        const bool taken = !ListTransferLines(store, red, &read).empty();
        if (!read)
            return end(ReverseOutcome::Failed, kFailed);
        if (taken)
            return refuse("单据编号“" + red + "”已经存在，不能红冲！");
        for (const TransferRecord& line : moves) {
            TransferRecord r = line;
            r.Canceled = kBillRed;
            r.Bill_ID = red;
            r.Bill_Date = today;
            r.Introduction = "红冲单据 " + number;
            r.Number = Negated(line.Number);
            r.Product_Number = Negated(line.Product_Number);
            r.Base_Number = Negated(line.Base_Number);
            if (!AddTransferLine(store, r))
                return end(ReverseOutcome::Failed, kFailed);
            // What went into the target comes back out of it, checked like any take-out.
            const std::string shortage = "商品“" + line.Product_Name + "”库存不足，不能红冲！";
            if (!store.MoveStock(line.ToWarehouse, line.Warehouse, line.Product_ID,
                                 line.Product_Name,
                                 BaseQuantity(line.Base_Number, line.Product_Number), shortage))
                return end(ReverseOutcome::Refused);
        }
    } else {
        const auto taken = FindBillHeader(store, info.historyWord, red, &read);
        if (!read)
            return end(ReverseOutcome::Failed, kFailed);
        if (taken)
            return refuse("单据编号“" + red + "”已经存在，不能红冲！");
        const auto lines = store.ListBillDetails(info.historyWord, number, &read);
        if (!read)
            return end(ReverseOutcome::Failed, kFailed);

        BillHeaderRecord header = *bill;
        header.Canceled = kBillRed;
        header.Bill_ID = red;
        header.Bill_Date = today;
        header.Introduction = "红冲单据 " + number;
        header.Number = Negated(bill->Number);
        header.Total = Negated(bill->Total);
        header.Pay = Negated(bill->Pay);
        if (!AddTradeBillHeader(store, info.table, header))
            return end(ReverseOutcome::Failed, kFailed);
        draft.Head(header);

        for (const BillDetailRecord& line : lines) {
            // A line repeats its bill's header; its Introduction is the line's own remark.
            BillDetailRecord r = line;
            r.Canceled = kBillRed;
            r.Bill_ID = red;
            r.Bill_Date = header.Bill_Date;
            r.Number = header.Number;
            r.Total = header.Total;
            r.Pay = header.Pay;
            r.Product_Number = Negated(line.Product_Number);
            r.Product_Total = Negated(line.Product_Total);
            r.Product_Cost = Negated(line.Product_Cost);
            r.Base_Number = Negated(line.Base_Number);
            const std::string shortage = "商品“" + line.Product_Name + "”库存不足，不能红冲！";
            switch (WriteTradeLine(store, kind, r, LeadingInteger(line.Product_Number),
                                   BaseQuantity(line.Base_Number, line.Product_Number), true,
                                   shortage, draft)) {
            case TradeLineResult::Written:
                break;
            case TradeLineResult::LineFailed:
                return end(ReverseOutcome::Failed, kFailed);
            case TradeLineResult::StockFailed:
                // Want of stock, told by the stock operation (as is a failed statement there).
                return end(ReverseOutcome::Refused);
            }
        }
    }

    if ((IsTradeKind(kind) &&
         (!AddBillToSummaries(store, (std::string(BillTableName(info.table)) + "_Detail").c_str(),
                              red) ||
          !RecountOrdersDeliveredBy(store, kind, red))) ||
        !AppendToJournal(store, kind, red, IsTradeKind(kind) ? &draft : nullptr) ||
        !SetBillCanceled(store, info.table, number, kBillReversed) ||
        !AddWriteToken(store, token, std::string("reverse ") + info.cliName, red))
        return end(ReverseOutcome::Failed, kFailed);
    switch (CommitWriteAction(store, token)) {
    case CommitAnswer::Committed:
    case CommitAnswer::Stored:
        break;
    case CommitAnswer::NotStored:
    case CommitAnswer::Unknown:
        return end(ReverseOutcome::Failed); // told
    case CommitAnswer::Failed:
        return end(ReverseOutcome::Failed, kFailed);
    }
    if (outcome)
        *outcome = ReverseOutcome::Reversed;
    return red;
}
} // namespace

std::optional<std::string> ReverseBillOn(CDataStore& store, BillKind kind,
                                         const std::string& number, ReverseOutcome* outcome,
                                         const std::string& token, bool* storedEarlier) {
    const std::string used = token.empty() ? NewWriteToken() : token;
    bool earlier = false;
    CRetriedTransaction tries(store);
    for (;;) {
        auto red = ReverseOnce(store, kind, number, used, outcome, earlier);
        if (storedEarlier)
            *storedEarlier = earlier;
        if (tries.Again())
            continue;
        // A stock row held through every try is no want of stock.
        if (tries.GaveUp() && outcome)
            *outcome = ReverseOutcome::Failed;
        return red;
    }
}

std::optional<std::string> ReverseBill(BillKind kind, const std::string& number,
                                       ReverseOutcome* outcome, const std::string& token) {
    CDataStore store;
    if (!store.ConnectMain()) {
        Messages().Inform(KindInfo(kind).connectFailure);
        if (outcome)
            *outcome = ReverseOutcome::ConnectFailed;
        return std::nullopt;
    }
    bool earlier = false;
    auto red = ReverseBillOn(store, kind, number, outcome, token, &earlier);
    if (red && !earlier)
        WriteLogEntry("红冲单据 " + number);
    return red;
}

std::optional<std::string> BillCanceledState(BillKind kind, const std::string& number) {
    if (!IsReversibleKind(kind))
        return std::nullopt;
    CDataStore store;
    if (!store.ConnectMain())
        return std::nullopt;
    if (kind == BillKind::Opening) {
        auto rows = ListStockBillLines(store, KindInfo(kind).table, number);
        if (rows.empty())
            return std::nullopt;
        return rows.front().Canceled.empty() ? kBillStanding : rows.front().Canceled;
    }
    if (IsFundKind(kind)) {
        auto bill = FindFundBill(store, number);
        if (!bill || !FundRowIsOfKind(kind, bill->Kind))
            return std::nullopt;
        return bill->Canceled.empty() ? kBillStanding : bill->Canceled;
    }
    if (kind == BillKind::Transfer) {
        auto rows = ListTransferLines(store, number);
        if (rows.empty())
            return std::nullopt;
        return rows.front().Canceled.empty() ? kBillStanding : rows.front().Canceled;
    }
    auto header = FindBillHeader(store, KindInfo(kind).historyWord, number);
    if (!header)
        return std::nullopt;
    return header->Canceled.empty() ? kBillStanding : header->Canceled;
}
