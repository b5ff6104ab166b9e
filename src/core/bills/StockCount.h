#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CDataStore;

// A stock count (盘点单): the book quantities of one warehouse's goods, optionally of one goods
// class, next to the quantities found by counting. Saving it writes the differences as one
// gain bill (counted above book) and one loss bill (counted below book) in one transaction,
// through the loss and gain posting, so stock and the loss and gain records agree.

struct CountLine {
    std::string code, name, unit, barcode;
    int64_t book = 0;    // the quantity on the stock row when the count was loaded
    std::string counted; // as typed; starts as the book quantity
};

struct StockCount {
    std::string number; // "PD-%y%m%d-%H%M%S"
    std::string warehouse;
    std::string className; // empty: all goods
    std::vector<CountLine> lines;
    // The count's write token (store/WriteToken.h), made when it is loaded: saving the same
    // count again after a lost reply never posts its differences twice. Empty: one per save.
    std::string token = {};
};

enum class CountChoice {
    Valid,
    Refused, // no warehouse, or one the warehouse list does not hold, or an unknown class
    Failed,  // the main data file could not be read (message shown)
};
// The warehouse and class a count is loaded for: a warehouse of the warehouse list, and all
// goods (empty or "所有商品") or a class of the class list. Says why when not.
CountChoice CheckCountChoice(const std::string& warehouse, const std::string& className);

// The stock rows of `warehouse` whose goods belong to `className` (empty or "所有商品": all
// goods), in goods order, each counted at its book quantity, under a fresh count number.
// Nothing after a message (CheckCountChoice refused, the data file or a read failed).
std::optional<StockCount> LoadStockCount(const std::string& warehouse,
                                         const std::string& className);

// The goods classes a count may be narrowed to, as the class trees list them: "所有商品" first,
// then every class depth-first. Only "所有商品" when the classes cannot be read.
std::vector<std::string> CountClassChoices();

// The counted quantity of a line as a whole number ≥ 0; nothing when it is not one.
std::optional<int64_t> CountedQuantity(const CountLine& line);
// Counted minus book, as the grid shows it ("3", "-2", "0"); empty while the counted quantity
// is not a whole number ≥ 0.
std::string CountDifference(const CountLine& line);

enum class CountOutcome {
    Posted,        // the gain and/or loss bill is stored and the log entries written
    NoDifference,  // every counted quantity equals its book quantity: nothing written, nothing said
    Invalid,       // a counted quantity is not a whole number ≥ 0, or the token is another
                   // action's (message shown)
    Changed,       // a book quantity changed since loading (message shown); nothing written
    ConnectFailed, // the main data file could not be opened (message shown)
    Failed,        // a statement failed (messages shown); nothing written
};

// The numbers of the bills a count posted; empty for a bill it did not need.
struct CountPosted {
    std::string gainNumber, lossNumber;
};

inline constexpr const char* kCountNoDifferenceText = "盘点无差异。";
// Saving before any stock was loaded into the count.
inline constexpr const char* kCountNotLoadedText = "请先载入库存！";
std::string CountChangedText(const std::string& goodsName);
// What the count window says after saving.
std::string CountPostedText(const CountPosted& posted);

// What the count's token says before anything of the count is checked: Posted (the stored
// count told, its numbers in `posted`), Invalid (another action's token, told), ConnectFailed or
// Failed (told); nothing when the token is new or empty.
std::optional<CountOutcome> CountAnsweredByToken(const std::string& token, CountPosted& posted);
// Checks the counted quantities and posts the differences; the log entries of the loss and
// gain postings are written after the commit, one per line.
CountOutcome CountStock(const StockCount& count, CountPosted& posted);
// As CountStock, on a store already connected to the main data file and without log entries.
CountOutcome CountStockOn(CDataStore& store, const StockCount& count, CountPosted& posted);
