// What the bills, receipts and payments add up to: each unit's receivable and payable, a
// unit's statement, each account's money. Every figure is summed here, exactly, in one pass
// over the rows of one statement; red bills take part with their negated values.
#include "Balances.h"

#include "finance/FundBillRows.h"
#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "store/AllEntries.h"
#include "store/BatchedRead.h"
#include "store/CDataStore.h"
#include "store/LineGroups.h"
#include "text/Money.h"

#include <algorithm>
#include <unordered_map>

namespace {

// Where a money row comes from.
enum Source {
    kSale,
    kSaleReturn,
    kPurchase,
    kPurchaseReturn,
    kReceipt,
    kPayment,
    kOpeningReceivable,
    kOpeningPayable
};

const char* SourceKindText(int source) {
    static const char* const texts[] = {"销售单", "销售退货单", "进货单",   "进货退货单",
                                        "收款单", "付款单",     "期初应收", "期初应付"};
    return texts[source];
}

bool IsOpeningSource(int source) {
    return source == kOpeningReceivable || source == kOpeningPayable;
}

// Sums are kept wide: no run of stored amounts can overflow them.
using Sum = CMoneySum;

std::string SumText(Sum units) {
    return units.Format2();
}

std::string SideText(Sum units) {
    return units == Sum() ? std::string() : SumText(units);
}

Sum Units(const std::string& text) {
    return CMoney::ParseOrZero(text);
}

// A paid amount stored as typed before it was checked ("abc", "1,000") is no money: it counts
// as nothing, and the figures say so by naming it.
Sum Paid(const std::string& text, int source, const CStatement& st,
         std::vector<std::string>& notes) {
    if (text.empty())
        return {};
    if (auto paid = CMoney::Parse(text))
        return *paid;
    notes.push_back(std::string(SourceKindText(source)) + " " + st.Text(5) + " 的付款金额“" + text +
                    "”不是金额，未计入。");
    return {};
}

// The money rows of every trade bill and fund bill: unit name, source, amount (Total or
// Amount), paid (Pay; empty for fund bills), date, number, Id, account. `where` is added to
// every branch with `values` bound for each. `balancesOnly`: the date, Id and account left
// out (read as empty), which every unit's balance needs none of over a million rows.
std::string MoneyRowsSql(const std::string& where, bool balancesOnly = false) {
    const std::string rest = balancesOnly ? "'', Bill_ID" : "Bill_Date, Bill_ID, Id, Bank";
    std::string sql;
    const std::pair<const char*, Source> trades[] = {{"EnterSale", kSale},
                                                     {"BackSale", kSaleReturn},
                                                     {"EnterStock", kPurchase},
                                                     {"BackStock", kPurchaseReturn}};
    for (const auto& [table, source] : trades) {
        sql += std::string("select Customer, ") + std::to_string(source) + ", Total, Pay, " + rest +
               " from " + table + where + " union all ";
    }
    sql += "select Customer, case Kind when ? then " + std::to_string(kReceipt) + " when ? then " +
           std::to_string(kOpeningReceivable) + " when ? then " + std::to_string(kOpeningPayable) +
           " else " + std::to_string(kPayment) + " end, Amount, '', " + rest + " from FundBill" +
           where;
    return sql;
}

SqlValues MoneyRowsValues(const SqlValues& where) {
    SqlValues values;
    for (int i = 0; i < 4; ++i)
        values.insert(values.end(), where.begin(), where.end());
    values.push_back(kFundKindReceipt);
    values.push_back(kFundKindOpeningReceivable);
    values.push_back(kFundKindOpeningPayable);
    values.insert(values.end(), where.begin(), where.end());
    return values;
}

// What one row adds to the receivable and to the payable of its unit.
struct Delta {
    Sum receivable, payable;
};

Delta RowDelta(int source, Sum amount, Sum paid) {
    switch (source) {
    case kSale:
        return {amount - paid, {}};
    case kSaleReturn:
        return {paid - amount, {}};
    case kReceipt:
        return {-amount, {}};
    case kOpeningReceivable:
        return {amount, {}};
    case kOpeningPayable:
        return {{}, amount};
    case kPurchase:
        return {{}, amount - paid};
    case kPurchaseReturn:
        return {{}, paid - amount};
    default:
        return {{}, -amount};
    }
}
} // namespace

std::optional<std::vector<std::string>> BusinessUnitTypesOf(CDataStore& store,
                                                            const std::string& name) {
    std::vector<std::string> types;
    if (!store.Run("select CustomerType from ferix_customer where CustomerName = ? order by Id",
                   {name}, [&](const CStatement& st) { types.push_back(st.Text(0)); })) {
        Messages().Inform(ConnectFailureText(store.LastError()));
        return std::nullopt;
    }
    return types;
}

std::optional<UnitBalanceRecord> BalanceOf(CDataStore& store, const std::string& name) {
    UnitBalanceRecord r;
    r.Customer = name;
    if (!store.Run(
            "select CustomerType from ferix_customer where CustomerName = ? order by Id limit 1",
            {name}, [&](const CStatement& st) { r.Type = st.Text(0); })) {
        Messages().Inform(FundFailureText(store));
        return std::nullopt;
    }
    Delta total;
    std::string amount, paid;
    if (!store.Run(MoneyRowsSql(" where Customer = ?"), MoneyRowsValues({name}),
                   [&](const CStatement& st) {
                       st.TextInto(2, amount);
                       st.TextInto(3, paid);
                       const int source = static_cast<int>(st.Int(1));
                       const Delta d =
                           RowDelta(source, Units(amount), Paid(paid, source, st, r.Notes));
                       total.receivable += d.receivable;
                       total.payable += d.payable;
                   })) {
        Messages().Inform(FundFailureText(store));
        return std::nullopt;
    }
    r.Receivable = SumText(total.receivable);
    r.Payable = SumText(total.payable);
    return r;
}

namespace {
// One side of a unit's balance, as wide as it is: a balance that reads is always weighed.
std::optional<CMoneySum> SideOf(CDataStore& store, const std::string& name, bool receivable) {
    auto b = BalanceOf(store, name);
    if (!b)
        return std::nullopt;
    const std::string& text = receivable ? b->Receivable : b->Payable;
    auto sum = CMoneySum::Parse(text);
    if (!sum)
        Messages().Inform("往来单位“" + name + "”的" + (receivable ? "应收" : "应付") + "余额“" +
                          text + "”无法读取！");
    return sum;
}
} // namespace

std::optional<CMoneySum> ReceivableOf(CDataStore& store, const std::string& name) {
    return SideOf(store, name, true);
}

std::optional<CMoneySum> PayableOf(CDataStore& store, const std::string& name) {
    return SideOf(store, name, false);
}

bool ListUnitBalances(CDataStore& store, const std::string& unitType,
                      std::vector<UnitBalanceRecord>& list) {
    auto fail = [&] {
        Messages().Inform(FundFailureText(store));
        return false;
    };
    // The unit list first, in its order; then the names only bills know, in text order.
    CKeyPlaces index;
    std::vector<Delta> sums;
    std::vector<UnitBalanceRecord> rows;
    auto nameAt = [&](size_t i) -> std::string_view { return rows[i].Customer; };
    if (!store.Run("select CustomerName, CustomerType from ferix_customer order by Id", {},
                   [&](const CStatement& st) {
                       const std::string_view name = st.TextView(0);
                       if (index.Find(name, nameAt) != CKeyPlaces::kNone)
                           return; // two codes under one name share one balance
                       index.Add(name, rows.size());
                       rows.push_back({std::string(name), st.Text(1), {}, {}, {}});
                   }))
        return fail();
    const size_t listed = rows.size();
    sums.resize(rows.size());
    std::string amount, paid;
    if (!RunInBatches(
            store, MoneyRowsSql("", true), MoneyRowsValues({}), [&](const CStatement& st) {
                const std::string_view name = st.TextView(0);
                size_t at = index.Find(name, nameAt);
                if (at == CKeyPlaces::kNone) {
                    at = rows.size();
                    index.Add(name, at);
                    rows.push_back({std::string(name), {}, {}, {}, {}});
                    sums.emplace_back();
                }
                st.TextInto(2, amount);
                st.TextInto(3, paid);
                const int source = static_cast<int>(st.Int(1));
                const Delta d =
                    RowDelta(source, Units(amount), Paid(paid, source, st, rows[at].Notes));
                sums[at].receivable += d.receivable;
                sums[at].payable += d.payable;
            }))
        return fail();
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i].Receivable = SumText(sums[i].receivable);
        rows[i].Payable = SumText(sums[i].payable);
    }
    std::sort(rows.begin() + static_cast<std::ptrdiff_t>(listed), rows.end(),
              [](const UnitBalanceRecord& a, const UnitBalanceRecord& b) {
                  return a.Customer < b.Customer;
              });
    for (auto& r : rows) {
        if (unitType.empty() || unitType == kAllUnitTypes || r.Type == unitType)
            list.push_back(std::move(r));
    }
    return true;
}

std::optional<UnitStatementRecord> StatementOf(CDataStore& store, const std::string& name,
                                               const std::string& from, const std::string& to) {
    UnitStatementRecord s;
    s.Customer = name;
    s.From = from;
    s.To = to;
    auto fail = [&]() -> std::optional<UnitStatementRecord> {
        Messages().Inform(FundFailureText(store));
        return std::nullopt;
    };
    if (!store.Run(
            "select CustomerType from ferix_customer where CustomerName = ? order by Id limit 1",
            {name}, [&](const CStatement& st) { s.Type = st.Text(0); }))
        return fail();
    // A supplier's statement follows what is owed to it, anyone else's what they owe.
    const bool supplier = s.Type == kUnitTypeSupplier;
    Sum opening, increase, decrease;
    std::string amountText, paidText;
    // The documents of the range, each with its two sides; the balances follow once they are
    // in their order.
    struct Document {
        StatementLineRecord line;
        Sum up, down;
        bool openingBalance;
    };
    std::vector<Document> documents;
    // Documents in date order; on one day in the order of their kinds and then of posting.
    if (!store.Run(MoneyRowsSql(" where Customer = ? and Bill_Date <= ?") + " order by 5, 2, 7",
                   MoneyRowsValues({name, to}), [&](const CStatement& st) {
                       st.TextInto(2, amountText);
                       st.TextInto(3, paidText);
                       const int source = static_cast<int>(st.Int(1));
                       const Sum amount = Units(amountText),
                                 paid = Paid(paidText, source, st, s.Notes);
                       // Each document's two sides as it moves the unit's balance.
                       Sum up, down;
                       switch (source) {
                       case kSale:
                       case kPurchaseReturn:
                           up = amount;
                           down = paid;
                           break;
                       case kSaleReturn:
                       case kPurchase:
                           up = paid;
                           down = amount;
                           break;
                       case kReceipt:
                       case kOpeningPayable:
                           down = amount;
                           break;
                       default:
                           up = amount;
                           break;
                       }
                       if (supplier)
                           std::swap(up, down);
                       std::string date = st.Text(4);
                       if (date < from) {
                           opening += up - down;
                           return;
                       }
                       documents.push_back({{std::move(date),
                                             st.Text(5),
                                             SourceKindText(source),
                                             SideText(up),
                                             SideText(down),
                                             {}},
                                            up,
                                            down,
                                            IsOpeningSource(source)});
                   }))
        return fail();
    // An opening balance inside the range is what the unit started with: it comes first.
    std::stable_partition(documents.begin(), documents.end(),
                          [](const Document& d) { return d.openingBalance; });
    for (Document& d : documents) {
        increase += d.up;
        decrease += d.down;
        d.line.Balance = SumText(opening + increase - decrease);
        s.Lines.push_back(std::move(d.line));
    }
    s.Opening = SumText(opening);
    s.Increase = SumText(increase);
    s.Decrease = SumText(decrease);
    s.Closing = SumText(opening + increase - decrease);
    return s;
}

bool ListAccountBalances(CDataStore& store, const std::vector<std::string>& accounts,
                         std::vector<AccountBalanceRecord>& list, std::vector<std::string>& notes) {
    struct Flow {
        Sum in, out;
    };
    std::unordered_map<std::string, Flow> flows;
    std::string bank, amountText, paidText;
    if (!store.Run(MoneyRowsSql(""), MoneyRowsValues({}), [&](const CStatement& st) {
            st.TextInto(7, bank);
            st.TextInto(2, amountText);
            st.TextInto(3, paidText);
            Flow& f = flows[bank];
            const int source = static_cast<int>(st.Int(1));
            switch (source) {
            case kSale:
            case kPurchaseReturn:
                f.in += Paid(paidText, source, st, notes);
                break;
            case kPurchase:
            case kSaleReturn:
                f.out += Paid(paidText, source, st, notes);
                break;
            case kReceipt:
                f.in += Units(amountText);
                break;
            case kOpeningReceivable:
            case kOpeningPayable:
                break; // owed, not paid: no account's money
            default:
                f.out += Units(amountText);
                break;
            }
        })) {
        Messages().Inform(FundFailureText(store));
        return false;
    }
    auto row = [&](const std::string& name, const Flow& f) {
        list.push_back({name, SumText(f.in), SumText(f.out), SumText(f.in - f.out)});
    };
    // The bank list in its order; then accounts only bills name, so no money goes unseen.
    std::vector<std::string> shown;
    for (const std::string& a : accounts) {
        if (std::find(shown.begin(), shown.end(), a) != shown.end())
            continue;
        shown.push_back(a);
        auto it = flows.find(a);
        row(a, it == flows.end() ? Flow{} : it->second);
    }
    std::vector<std::string> others;
    for (const auto& [name, f] : flows) {
        if (!name.empty() && std::find(shown.begin(), shown.end(), name) == shown.end() &&
            (f.in != Sum() || f.out != Sum()))
            others.push_back(name);
    }
    std::sort(others.begin(), others.end());
    for (const std::string& name : others)
        row(name, flows[name]);
    return true;
}
