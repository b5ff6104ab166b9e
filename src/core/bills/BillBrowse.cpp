#include "BillBrowse.h"

#include "BillStore.h"
#include "CBill.h"
#include "port/MessagePort.h"
#include "store/CDataStore.h"

BrowseTarget BrowseStep(BillKind kind, const std::optional<std::string>& shown,
                        BrowseDirection direction, bool canEnter) {
    BrowseTarget target;
    const BillKindInfo& info = KindInfo(kind);
    if (!IsReversibleKind(kind))
        return target;
    const bool later = direction == BrowseDirection::Next;
    if (!shown && later)
        return target; // a new bill comes after every posted one
    CDataStore store;
    if (!store.ConnectMain())
        return target;
    bool ok = false;
    auto number = AdjacentBillId(store, info.historyWord, shown.value_or(""), later, &ok);
    if (number) {
        target.where = BrowseTarget::Where::StoredBill;
        target.number = *number;
    } else if (ok && later && canEnter) {
        target.where = BrowseTarget::Where::NewEntry;
    }
    return target;
}

BrowseButtons BrowseButtonStates(BillKind kind, const std::optional<std::string>& shown,
                                 bool canEnter) {
    using Where = BrowseTarget::Where;
    BrowseButtons buttons;
    buttons.previous =
        BrowseStep(kind, shown, BrowseDirection::Previous, canEnter).where != Where::Nowhere;
    buttons.next = BrowseStep(kind, shown, BrowseDirection::Next, canEnter).where != Where::Nowhere;
    return buttons;
}

bool ConfirmLeaveEntry(const CBill& bill) {
    for (size_t row = 0; row < bill.m_lines.size(); ++row)
        if (bill.IsGoodsLine(row))
            return Messages().AskYesNo("废弃当前单据？");
    return true;
}
