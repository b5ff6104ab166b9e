#include "TransferBrowse.h"

#include "app/MessagePort.h"
#include "store/CDataStore.h"

namespace {
// The transfer posted just before (`later` false) or just after `shown`; from a new bill going
// back, the newest. Nothing when there is none or the read failed (`ok` false, message shown).
std::optional<std::string> AdjacentTransfer(const std::optional<std::string>& shown, bool later,
                                            bool& ok) {
    ok = false;
    CDataStore store;
    if (!store.ConnectMain())
        return std::nullopt;
    std::string sql = "select Bill_ID from YiKuDan";
    SqlValues values;
    if (shown) {
        // Past the bill's last row going on, before its first going back.
        sql += later ? " where Id > (select max(Id) from YiKuDan where Bill_ID = ?)"
                     : " where Id < (select min(Id) from YiKuDan where Bill_ID = ?)";
        values.push_back(*shown);
    }
    sql += later ? " order by Id limit 1" : " order by Id desc limit 1";
    std::optional<std::string> found;
    if (!store.Run(sql, values, [&](const CStatement& st) { found = st.Text(0); })) {
        Messages().Inform("获取历史进货信息失败。\r\n数据库失败!\r\n错误信息:" +
                          store.LastErrorCodeText() + "+" + store.LastError());
        return std::nullopt;
    }
    ok = true;
    return found;
}
} // namespace

BrowseTarget WindowBrowseStep(BillKind kind, const std::optional<std::string>& shown,
                              BrowseDirection direction, bool canEnter) {
    if (kind != BillKind::Transfer)
        return BrowseStep(kind, shown, direction, canEnter);
    BrowseTarget target;
    const bool later = direction == BrowseDirection::Next;
    if (!shown && later)
        return target; // a new bill comes after every posted one
    bool ok = false;
    if (auto number = AdjacentTransfer(shown, later, ok)) {
        target.where = BrowseTarget::Where::StoredBill;
        target.number = *number;
    } else if (ok && later && canEnter) {
        target.where = BrowseTarget::Where::NewEntry;
    }
    return target;
}

BrowseButtons WindowBrowseButtonStates(BillKind kind, const std::optional<std::string>& shown,
                                       bool canEnter) {
    if (kind != BillKind::Transfer)
        return BrowseButtonStates(kind, shown, canEnter);
    using Where = BrowseTarget::Where;
    BrowseButtons buttons;
    buttons.previous =
        WindowBrowseStep(kind, shown, BrowseDirection::Previous, canEnter).where != Where::Nowhere;
    buttons.next =
        WindowBrowseStep(kind, shown, BrowseDirection::Next, canEnter).where != Where::Nowhere;
    return buttons;
}
