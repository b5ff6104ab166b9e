#include "StockCount.h"

#include "store/WriteToken.h"

#include "CBill.h"
#include "ListedNames.h"

#include "basic/ClassTree.h"
#include "basic/GoodsStore.h"
#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "store/RetriedTransaction.h"
#include "store/RightCheck.h"
#include "store/WarehouseScope.h"
#include "store/WriteToken.h"
#include "text/Clock.h"
#include "text/Money.h"

#include <algorithm>
#include <functional>
#include <unordered_map>

namespace {
std::string NotWholeCounted(const std::string& name) {
    return "商品“" + name + "”的实盘数量必须是不小于零的整数！";
}

// A gain or loss line of the count's difference; the remark names the count, and a loss or
// gain row stores its line's remark as its introduction.
void AddDifferenceLine(CBill& bill, const CountLine& line, int64_t quantity,
                       const std::string& remark) {
    BillLine l;
    l.hasRecord = "true";
    l.code = line.code;
    l.name = line.name;
    l.quantity = std::to_string(quantity);
    l.unit = line.unit;
    l.barcode = line.barcode;
    l.note = remark;
    bill.m_lines.push_back(std::move(l));
}
} // namespace

CountChoice CheckCountChoice(const std::string& warehouse, const std::string& className) {
    if (warehouse.empty()) {
        Messages().Inform("请输入仓库！");
        return CountChoice::Refused;
    }
    if (!CheckWarehouseListed(warehouse) || !CheckWarehouseScope(warehouse))
        return CountChoice::Refused;
    if (className.empty() || className == std::string(kAllGoods))
        return CountChoice::Valid;
    CDataStore store;
    std::vector<GoodsClassRecord> classes;
    if (!store.ConnectMain() || !store.ListGoodsClasses(classes)) {
        Messages().Inform(KindInfo(BillKind::Gain).connectFailure);
        return CountChoice::Failed;
    }
    if (std::none_of(classes.begin(), classes.end(),
                     [&](const GoodsClassRecord& c) { return c.class_name == className; })) {
        Messages().Inform(ClassNotListedText(className));
        return CountChoice::Refused;
    }
    return CountChoice::Valid;
}

std::optional<StockCount> LoadStockCount(const std::string& warehouse,
                                         const std::string& className) {
    if (CheckCountChoice(warehouse, className) != CountChoice::Valid)
        return std::nullopt;
    CDataStore store;
    if (!store.ConnectMain()) {
        Messages().Inform(KindInfo(BillKind::Gain).connectFailure);
        return std::nullopt;
    }
    // Two plain reads put together here, as the stock view does: the warehouse's stock rows by
    // goods code, then the goods of the class in goods order.
    std::vector<StockRecord> rows;
    if (!store.ListStock(warehouse, "", "", rows))
        return std::nullopt;
    std::unordered_map<std::string, const StockRecord*> byCode;
    for (const auto& r : rows)
        byCode.emplace(r.ProductCode, &r);

    StockCount count;
    count.number = "PD-" + FormatNow("%y%m%d-%H%M%S");
    count.token = NewWriteToken();
    count.warehouse = warehouse;
    count.className = className == std::string(kAllGoods) ? "" : className;
    const bool read =
        ForEachGoods(store, count.className.empty() ? std::string(kAllGoods) : count.className,
                     [&](const GoodsRecord& g) {
                         auto it = byCode.find(g.Code);
                         if (it == byCode.end())
                             return;
                         const int64_t book = LeadingInteger(it->second->Number);
                         count.lines.push_back({g.Code, g.ProductName, g.Unit, g.BarCode, book,
                                                std::to_string(book)});
                     });
    if (!read)
        return std::nullopt;
    return count;
}

std::vector<std::string> CountClassChoices() {
    std::vector<GoodsClassRecord> rows;
    CDataStore store;
    if (store.ConnectMain())
        store.ListGoodsClasses(rows);
    std::vector<std::string> names;
    std::function<void(const std::vector<ClassTreeNode>&)> walk = [&](const auto& nodes) {
        for (const auto& n : nodes) {
            names.push_back(n.name);
            walk(n.children);
        }
    };
    walk(BuildClassTree(rows));
    return names;
}

std::optional<int64_t> CountedQuantity(const CountLine& line) {
    auto q = ParseWholeNumber(line.counted);
    if (!q || *q < 0)
        return std::nullopt;
    return q;
}

std::string CountDifference(const CountLine& line) {
    auto q = CountedQuantity(line);
    return q ? std::to_string(*q - line.book) : std::string();
}

std::string CountChangedText(const std::string& goodsName) {
    return "商品“" + goodsName + "”的库存在盘点期间发生了变化，请重新载入库存！";
}

std::string CountPostedText(const CountPosted& posted) {
    std::string text = "盘点单保存成功！";
    if (!posted.gainNumber.empty())
        text += "\r\n报溢单：" + posted.gainNumber;
    if (!posted.lossNumber.empty())
        text += "\r\n报损单：" + posted.lossNumber;
    return text;
}

namespace {
// The differences as a gain and a loss bill; nothing after a refused counted quantity.
bool MakeBills(const StockCount& count, CBill& gain, CBill& loss) {
    const std::string remark = "盘点 " + count.number;
    for (CBill* bill : {&gain, &loss}) {
        bill->m_warehouse = count.warehouse;
        bill->m_introduction = remark;
    }
    for (const CountLine& line : count.lines) {
        auto counted = CountedQuantity(line);
        if (!counted) {
            Messages().Inform(NotWholeCounted(line.name));
            return false;
        }
        if (*counted > line.book)
            AddDifferenceLine(gain, line, *counted - line.book, remark);
        else if (*counted < line.book)
            AddDifferenceLine(loss, line, line.book - *counted, remark);
    }
    return true;
}

CountOutcome Outcome(PostOutcome posted) {
    return posted == PostOutcome::Invalid ? CountOutcome::Invalid : CountOutcome::Failed;
}

// Both bills in one transaction, after the book quantities were found unchanged.
// What a count's token stores: its bills' numbers, the gain bill's first, joined by "、".
std::string CountBillIds(const CountPosted& posted) {
    if (posted.gainNumber.empty() || posted.lossNumber.empty())
        return posted.gainNumber + posted.lossNumber;
    return posted.gainNumber + "、" + posted.lossNumber;
}

CountPosted CountPostedOf(const std::string& billIds) {
    CountPosted posted;
    const std::string gainPrefix = KindInfo(BillKind::Gain).prefix;
    const std::string separator = "、";
    size_t start = 0;
    for (;;) {
        const size_t end = billIds.find(separator, start);
        const std::string id = billIds.substr(start, end - start);
        (id.starts_with(gainPrefix) ? posted.gainNumber : posted.lossNumber) = id;
        if (end == std::string::npos)
            return posted;
        start = end + separator.size();
    }
}

CountOutcome PostBillsOnce(CDataStore& store, const StockCount& count, const std::string& token,
                           CBill& gain, CBill& loss, CountPosted& posted, bool& storedEarlier) {
    auto fail = [&] {
        store.Rollback();
        Messages().Inform("盘点单保存失败，库存没有改变！");
        return CountOutcome::Failed;
    };
    if (!store.ExecuteSql("BEGIN IMMEDIATE"))
        return fail();
    std::string earlier;
    switch (LookUpWriteToken(store, token, "count", "", earlier)) {
    case TokenLookup::New:
        break;
    case TokenLookup::Stored:
        store.Rollback();
        posted = CountPostedOf(earlier);
        storedEarlier = true;
        return CountOutcome::Posted;
    case TokenLookup::Refused:
        store.Rollback();
        return CountOutcome::Invalid;
    case TokenLookup::ConnectFailed:
    case TokenLookup::Failed:
        return fail();
    }
    // The book quantities are read again under the write lock: a bill posted since loading
    // makes the counted quantities meaningless.
    std::vector<StockRecord> rows;
    if (!store.ListStock(count.warehouse, "", "", rows)) {
        store.Rollback();
        return CountOutcome::Failed;
    }
    std::unordered_map<std::string, int64_t> now;
    for (const auto& r : rows)
        now.emplace(r.ProductCode, LeadingInteger(r.Number));
    for (const CountLine& line : count.lines) {
        auto it = now.find(line.code);
        if (it == now.end() || it->second != line.book) {
            store.Rollback();
            Messages().Inform(CountChangedText(line.name));
            return CountOutcome::Changed;
        }
    }
    for (CBill* bill : {&gain, &loss}) {
        if (bill->m_lines.empty())
            continue;
        const PostOutcome result = bill->WriteInTransaction(store);
        if (result != PostOutcome::Posted)
            return Outcome(result);
    }
    CountPosted written;
    written.gainNumber = gain.m_lines.empty() ? "" : gain.m_number;
    written.lossNumber = loss.m_lines.empty() ? "" : loss.m_number;
    if (!AddWriteToken(store, token, "count", CountBillIds(written)))
        return fail();
    switch (CommitWriteAction(store, token)) {
    case CommitAnswer::Committed:
    case CommitAnswer::Stored:
        posted = written;
        return CountOutcome::Posted;
    case CommitAnswer::NotStored:
    case CommitAnswer::Unknown:
        return CountOutcome::Failed; // told
    case CommitAnswer::Failed:
        break;
    }
    return fail();
}

CountOutcome PostBills(CDataStore& store, const StockCount& count, CBill& gain, CBill& loss,
                       CountPosted& posted, bool& storedEarlier) {
    const std::string token = count.token.empty() ? NewWriteToken() : count.token;
    // A try that fails leaves both bills as they were: the next one starts from copies again.
    return RunRetried(store, [&] {
        CBill g = gain, l = loss;
        const CountOutcome outcome =
            PostBillsOnce(store, count, token, g, l, posted, storedEarlier);
        if (outcome == CountOutcome::Posted) {
            gain = std::move(g);
            loss = std::move(l);
        }
        return outcome;
    });
}
} // namespace

std::optional<CountOutcome> CountAnsweredByToken(const std::string& token, CountPosted& posted) {
    std::string earlier;
    switch (LookUpWriteTokenFirst(token, "count", "", earlier)) {
    case TokenLookup::New:
        return std::nullopt;
    case TokenLookup::Stored:
        posted = CountPostedOf(earlier);
        return CountOutcome::Posted;
    case TokenLookup::Refused:
        return CountOutcome::Invalid;
    case TokenLookup::ConnectFailed:
        Messages().Inform(KindInfo(BillKind::Gain).connectFailure);
        return CountOutcome::ConnectFailed;
    case TokenLookup::Failed:
        break;
    }
    return CountOutcome::Failed;
}

CountOutcome CountStockOn(CDataStore& store, const StockCount& count, CountPosted& posted) {
    CBill gain(BillKind::Gain), loss(BillKind::Loss);
    if (!MakeBills(count, gain, loss))
        return CountOutcome::Invalid;
    if (gain.m_lines.empty() && loss.m_lines.empty())
        return CountOutcome::NoDifference;
    bool storedEarlier = false;
    return PostBills(store, count, gain, loss, posted, storedEarlier);
}

CountOutcome CountStock(const StockCount& count, CountPosted& posted) {
    // A count saved again after its differences were stored is told so before its quantities
    // are checked against a book that now agrees with them.
    if (const auto answered = CountAnsweredByToken(count.token, posted))
        return *answered;
    if (!CheckRight("count", Action::Enter))
        return CountOutcome::Invalid;
    CBill gain(BillKind::Gain), loss(BillKind::Loss);
    if (!MakeBills(count, gain, loss))
        return CountOutcome::Invalid;
    if (gain.m_lines.empty() && loss.m_lines.empty())
        return CountOutcome::NoDifference;
    CDataStore store;
    if (!store.ConnectMain()) {
        Messages().Inform(KindInfo(BillKind::Gain).connectFailure);
        return CountOutcome::ConnectFailed;
    }
    bool storedEarlier = false;
    const CountOutcome outcome = PostBills(store, count, gain, loss, posted, storedEarlier);
    if (outcome != CountOutcome::Posted || storedEarlier)
        return outcome;
    if (!gain.m_lines.empty())
        WriteLogEntries(KindInfo(BillKind::Gain).logEvent, gain.m_lines.size());
    if (!loss.m_lines.empty())
        WriteLogEntries(KindInfo(BillKind::Loss).logEvent, loss.m_lines.size());
    return outcome;
}
