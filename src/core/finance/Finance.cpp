#include "Finance.h"

#include "Balances.h"
#include "config/ConfigLists.h"
#include "port/MessagePort.h"
#include "rights/PriceVisibility.h"
#include "store/CDataStore.h"
#include "store/Session.h"
#include "text/IsoDate.h"
#include "text/Money.h"

std::vector<StatementLineRecord> StatementListRows(const UnitStatementRecord& s) {
    std::vector<StatementLineRecord> rows;
    rows.reserve(s.Lines.size() + 2);
    rows.push_back({s.From, "", "期初余额", "", "", s.Opening});
    rows.insert(rows.end(), s.Lines.begin(), s.Lines.end());
    rows.push_back({s.To, "", "期末余额", s.Increase, s.Decrease, s.Closing});
    return rows;
}

std::optional<std::string> StatementRequestRefusal(const std::string& unit, const std::string& from,
                                                   const std::string& to) {
    if (unit.empty())
        return "请选择往来单位！";
    return DateRangeRefusal(from, to);
}

std::optional<UnitStatementRecord> LoadStatement(const std::string& unit, const std::string& from,
                                                 const std::string& to) {
    if (auto refusal = StatementRequestRefusal(unit, from, to)) {
        Messages().Inform(*refusal);
        return std::nullopt;
    }
    CDataStore store;
    if (!store.ConnectMain())
        return std::nullopt;
    auto statement = StatementOf(store, unit, from, to);
    if (statement)
        HideStatementFigures(Session().rights, *statement);
    return statement;
}

namespace {
PriceKind DocumentPriceKind(const std::string& kindText) {
    if (kindText == "进货单" || kindText == "进货退货单")
        return PriceKind::Purchase;
    if (kindText == "销售单" || kindText == "销售退货单")
        return PriceKind::Sale;
    return PriceKind::None; // receipts and payments: money, not prices
}
} // namespace

void HideStatementFigures(const CRoleRights& rights, UnitStatementRecord& statement) {
    // A balance carried in may be made of hidden amounts; one after a hidden amount holds it.
    bool balanceHidden =
        (HidesPrice(rights, PriceKind::Purchase) || HidesPrice(rights, PriceKind::Sale)) &&
        CMoneySum::Parse(statement.Opening).value_or(CMoneySum()) != CMoneySum();
    if (balanceHidden)
        statement.Opening = kHiddenFigure;
    for (auto& line : statement.Lines) {
        if (HidesPrice(rights, DocumentPriceKind(line.Kind))) {
            line.Increase = ShownFigure(rights, DocumentPriceKind(line.Kind), line.Increase);
            line.Decrease = ShownFigure(rights, DocumentPriceKind(line.Kind), line.Decrease);
            balanceHidden = true;
        }
        if (balanceHidden)
            line.Balance = kHiddenFigure;
    }
    if (balanceHidden)
        statement.Increase = statement.Decrease = statement.Closing = kHiddenFigure;
}

void HideBalanceFigures(const CRoleRights& rights, UnitBalanceRecord& balance) {
    // What is owed to suppliers grows with purchases, what customers owe with sales.
    balance.Payable = ShownFigure(rights, PriceKind::Purchase, balance.Payable);
    balance.Receivable = ShownFigure(rights, PriceKind::Sale, balance.Receivable);
}

std::optional<std::vector<AccountBalanceRecord>> ReadAccountBalances() {
    std::vector<std::string> banks;
    for (const auto& e : ReadConfigList("bank"))
        banks.push_back(e.name);
    CDataStore store;
    if (!store.ConnectMain())
        return std::nullopt;
    std::vector<AccountBalanceRecord> list;
    std::vector<std::string> notes;
    if (!ListAccountBalances(store, banks, list, notes))
        return std::nullopt;
    // A stored paid amount that is no amount counts as nothing, and is said so.
    std::string said;
    for (const auto& note : notes)
        said += (said.empty() ? "" : "\n") + note;
    if (!said.empty())
        Messages().Inform(said);
    return list;
}

AccountBalanceRecord AccountTotalRow(const std::vector<AccountBalanceRecord>& accounts) {
    // The rows are wide sums already: read them as wide as they are written.
    auto read = [](const std::string& text) {
        return CMoneySum::Parse(text).value_or(CMoneySum());
    };
    CMoneySum in, out, balance;
    for (const auto& a : accounts) {
        in += read(a.In);
        out += read(a.Out);
        balance += read(a.Balance);
    }
    return {"合计", in.Format2(), out.Format2(), balance.Format2()};
}
