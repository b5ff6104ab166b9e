#pragma once
#include "BillKind.h"

#include <optional>
#include <string>

class CBill;

// 上一张 / 下一张 in the trade bill and transfer windows: the posted bills of the window's kind in
// posting order. A window either enters a new bill (no stored bill on show) or shows a stored one.

enum class BrowseDirection { Previous, Next };

struct BrowseTarget {
    enum class Where {
        Nowhere,    // the button has nowhere to go
        StoredBill, // show the stored bill `number`
        NewEntry,   // leave the stored bills for a new bill with a fresh number
    };
    Where where = Where::Nowhere;
    std::string number;
};

// Where a step leads from the window's place. `shown` is the stored bill on show, nothing
// while a new bill is entered. From a new bill 上一张 leads to the newest posted bill; from the
// newest bill 下一张 leads back to a new bill when `canEnter` (a window opened only to look at
// one bill stops at the newest).
BrowseTarget BrowseStep(BillKind kind, const std::optional<std::string>& shown,
                        BrowseDirection direction, bool canEnter);

struct BrowseButtons {
    bool previous = false;
    bool next = false;
};
// Which of the two buttons have somewhere to go.
BrowseButtons BrowseButtonStates(BillKind kind, const std::optional<std::string>& shown,
                                 bool canEnter);

// Leaving a bill that is being entered: a bill with goods lines is given up only after
// "废弃当前单据？" was answered Yes; one without lines goes at once.
bool ConfirmLeaveEntry(const CBill& bill);
