#pragma once
#include "CBill.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Opening stock from a file (code,warehouse,quantity,cost, an optional header row of those
// names) as one opening stock bill per warehouse, posted all together or not at all. The
// window posts its one bill through CBill::Save; ferix-cli posts a file through here.

struct OpeningStockRow {
    size_t line = 0; // the file's line, for messages
    std::string code, warehouse, quantity, cost;
};

// The rows of the file; nothing after a message naming the line at fault.
std::optional<std::vector<OpeningStockRow>> ReadOpeningStockCsv(const std::string& text);

// One bill per warehouse, in the order the file first names them, each line filled as the picker
// fills it (`goods` finds a goods item by code) at the row's quantity and cost. Nothing after a
// message naming the line at fault: an unknown code, a warehouse not in the list, a quantity
// that is not a positive whole number, a cost that is not an amount of at least zero.
std::optional<std::vector<CBill>>
MakeOpeningBills(const std::vector<OpeningStockRow>& rows,
                 const std::function<std::optional<GoodsRecord>(const std::string&)>& goods);

// The right, the window's checks of every bill (a goods item that has moved in its warehouse
// already is asked about), then every bill written in one transaction. The log entries follow
// the commit. The bills hold their posted numbers afterwards.
PostOutcome PostOpeningBills(std::vector<CBill>& bills);
