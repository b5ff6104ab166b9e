#include "OpeningStock.h"

#include "ListedNames.h"

#include "port/MessagePort.h"
#include "rights/Functions.h"
#include "store/CDataStore.h"
#include "store/RetriedTransaction.h"
#include "store/RightCheck.h"
#include "store/WarehouseScope.h"
#include "store/WriteToken.h"
#include "text/CsvReader.h"
#include "text/Money.h"

#include <algorithm>

namespace {
std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return s;
}

std::string At(size_t line) {
    return "第" + std::to_string(line) + "行：";
}

const char* kWord = "opening";
} // namespace

std::optional<std::vector<OpeningStockRow>> ReadOpeningStockCsv(const std::string& text) {
    std::string error;
    const auto records = ParseCsv(text, &error);
    if (!records) {
        Messages().Inform(error);
        return std::nullopt;
    }
    std::vector<OpeningStockRow> rows;
    for (size_t r = 0; r < records->size(); ++r) {
        const CsvRecord& rec = (*records)[r];
        const auto& f = rec.fields;
        if (r == 0 && f.size() == 4 && Lower(f[0]) == "code" && Lower(f[1]) == "warehouse" &&
            Lower(f[2]) == "quantity" && Lower(f[3]) == "cost")
            continue;
        if (f.size() == 1 && f[0].empty())
            continue; // a blank line
        if (f.size() != 4) {
            Messages().Inform(At(rec.line) + "应有四个字段：商品编码、仓库、数量和成本单价！");
            return std::nullopt;
        }
        rows.push_back({rec.line, f[0], f[1], f[2], f[3]});
    }
    if (rows.empty()) {
        Messages().Inform("文件中没有期初库存！");
        return std::nullopt;
    }
    return rows;
}

std::optional<std::vector<CBill>>
MakeOpeningBills(const std::vector<OpeningStockRow>& rows,
                 const std::function<std::optional<GoodsRecord>(const std::string&)>& goods) {
    std::vector<CBill> bills;
    for (const OpeningStockRow& row : rows) {
        const std::string at = At(row.line);
        const auto item = goods(row.code);
        if (!item) {
            Messages().Inform(at + "商品编码“" + row.code + "”不存在！");
            return std::nullopt;
        }
        const auto quantity = ParseWholeNumber(row.quantity);
        if (!quantity || *quantity <= 0) {
            Messages().Inform(at + "数量“" + row.quantity + "”必须是大于零的整数！");
            return std::nullopt;
        }
        const auto cost = CMoney::Parse(row.cost);
        if (!cost || *cost < CMoney()) {
            Messages().Inform(at + "成本单价“" + row.cost + "”必须是不小于零的数字！");
            return std::nullopt;
        }
        auto bill = std::find_if(bills.begin(), bills.end(),
                                 [&](const CBill& b) { return b.m_warehouse == row.warehouse; });
        if (bill == bills.end()) {
            if (row.warehouse.empty()) {
                Messages().Inform(at + "请输入仓库！");
                return std::nullopt;
            }
            if (!CheckWarehouseListed(row.warehouse, at))
                return std::nullopt;
            bills.emplace_back(BillKind::Opening);
            bills.back().m_warehouse = row.warehouse;
            bill = bills.end() - 1;
        }
        bill->AppendGoods(*item);
        BillLine& line = bill->m_lines.back();
        line.unit = item->Unit;
        line.quantity = std::to_string(*quantity);
        line.price = row.cost;
    }
    // Bills made in the same second share their made number: the posting gives each after the
    // first, and each of a file posted in the same second, the next free "-2", "-3", ….
    return bills;
}

namespace {
PostOutcome WriteAllOnce(CDataStore& store, const std::string& token, std::vector<CBill>& bills) {
    auto fail = [&] {
        store.Rollback();
        Messages().Inform(KindFailureText(KindInfo(BillKind::Opening).headerFailure, store));
        return PostOutcome::Failed;
    };
    if (!store.ExecuteSql("BEGIN IMMEDIATE"))
        return fail();
    std::string earlier;
    switch (LookUpWriteToken(store, token, kWord, "", earlier)) {
    case TokenLookup::New:
        break;
    case TokenLookup::Stored:
        store.Rollback();
        return PostOutcome::Posted;
    case TokenLookup::Refused:
        store.Rollback();
        return PostOutcome::Invalid;
    case TokenLookup::ConnectFailed:
    case TokenLookup::Failed:
        return fail();
    }
    std::string numbers;
    for (CBill& bill : bills) {
        const PostOutcome result = bill.WriteInTransaction(store);
        if (result != PostOutcome::Posted)
            return result; // rolled back and told
        numbers += (numbers.empty() ? "" : "、") + bill.m_number;
    }
    if (!AddWriteToken(store, token, kWord, numbers))
        return fail();
    switch (CommitWriteAction(store, token)) {
    case CommitAnswer::Committed:
    case CommitAnswer::Stored:
        return PostOutcome::Posted;
    case CommitAnswer::NotStored:
    case CommitAnswer::Unknown:
        return PostOutcome::Failed; // told
    case CommitAnswer::Failed:
        break;
    }
    return fail();
}
} // namespace

PostOutcome PostOpeningBills(std::vector<CBill>& bills) {
    if (!CheckRight(KindFunction(kWord), Action::Enter))
        return PostOutcome::Invalid;
    for (CBill& bill : bills) {
        bill.RecomputeTotals();
        if (!CheckWarehouseScope(bill.m_warehouse) || !bill.Validate())
            return PostOutcome::Invalid;
    }
    CDataStore store;
    if (!store.ConnectMain()) {
        Messages().Inform(KindInfo(BillKind::Opening).connectFailure);
        return PostOutcome::ConnectFailed;
    }
    const std::string token = NewWriteToken();
    // A try that fails leaves the bills as they were: the next one starts from copies again.
    const PostOutcome outcome = RunRetried(store, [&] {
        std::vector<CBill> tried = bills;
        const PostOutcome result = WriteAllOnce(store, token, tried);
        if (result == PostOutcome::Posted)
            bills = std::move(tried);
        return result;
    });
    if (outcome == PostOutcome::Posted) {
        size_t lines = 0;
        for (const CBill& bill : bills)
            lines += bill.m_lines.size();
        WriteLogEntries(KindInfo(BillKind::Opening).logEvent, lines);
    }
    return outcome;
}
