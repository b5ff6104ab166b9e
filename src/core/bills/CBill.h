#pragma once
#include "BillKind.h"
#include "basic/GoodsUnits.h"
#include "store/Records.h"
#include "text/Money.h"

class CDataStore;

#include <map>
#include <optional>
#include <string>
#include <vector>

// One goods line of a bill: the cells of the bill grid, as texts. A kind's grid shows only
// some of them (GridColumns).
struct BillLine {
    std::string hasRecord; // "true" on a goods line (hidden column 0)
    std::string code, name, quantity, unit, batch, productionDate, price, amount, location, barcode,
        note;
    // A purchase or sale line made from an order: the Id of the order line it delivers.
    std::string orderLine = {};
};

// How a grid cell is edited in place.
enum class CellEdit { None, Text, UnitList };

struct GridColumn {
    const char* header;
    int width; // starting width in pixels; 0 = hidden
    std::string BillLine::*field;
    CellEdit edit;
};

// The grid columns of a kind's window, in order.
const std::vector<GridColumn>& GridColumns(BillKind kind);

// The amount rule of the purchase and sale grids: quantity × unit price, exact, shown with two
// decimals rounded half away from zero. A text that is not a number counts as 0.
// This is the figure of a line as it is typed: its quantity may still be a fraction, and the
// product is computed in 128 bits, so it never runs out of range.
std::string LineAmount(const std::string& quantity, const std::string& price);
// The same rule for a line being checked, totalled or posted, whose quantity is a whole number:
// the exact amount (an unreadable price counts as 0), nothing when it is beyond what money can
// hold. Stored and shown as its Format2(), the text LineAmount gives for the same line.
std::optional<CMoney> LineAmountOf(int64_t quantity, const std::string& price);

// The unit price a new line of the kind starts at: a sale or sale return at the goods' preset
// retail price when it has one (a readable, non-zero price), every other case at the preset
// purchase price. A sale started at the purchase price would earn nothing. A role that hides
// 进价 starts every such line empty instead: the preset purchase price is never shown to it.
std::string StartingPrice(BillKind kind, const GoodsRecord& goods);
// The unit price a new line entered in one of the goods' further units starts at: the unit's
// own 售价 (sale kinds) or 进价 (every other kind) when it has one, else the goods' starting
// price above × the unit's factor (exactly, as the price is typed). A hidden 进价 stays hidden.
std::string StartingPrice(BillKind kind, const GoodsRecord& goods, const GoodsUnit& unit);

// What the unit cell of a goods line offers: the goods item and its units, the base unit first
// (factor 1, the goods' own barcode and prices) and then its further units, smallest factor
// first.
struct LineUnitOffer {
    GoodsRecord goods;
    std::vector<GoodsUnit> units;
    // Base units per one `unit`: 1 for the base unit and for a name the goods do not have.
    int64_t FactorOf(const std::string& unit) const;
};
// The offer of `goods` with its further units `further` (smallest factor first).
LineUnitOffer MakeLineUnitOffer(GoodsRecord goods, std::vector<GoodsUnit> further);
// The units a line of goods `code` may be entered in. Nothing when the goods item has no
// further units (the cell offers the unit list of the configuration), is not found, or the
// read failed.
std::optional<LineUnitOffer> OfferedUnits(CDataStore& store, const std::string& code);

enum class PostOutcome {
    Posted,        // stored (by this try, or by an earlier one of the same action, told so); the
                   // log entries are written
    NothingToPost, // a loss or gain bill without lines: nothing stored, nothing said
    Invalid,       // a check refused the bill (its message was shown)
    NumberRefused, // the bill number is empty or already used (message shown)
    ConnectFailed, // the data file could not be opened (messages shown)
    Failed,        // a statement failed or a stock change was refused; nothing stored
};

// A bill being entered, shared by the bill windows and ferix-cli: header fields, goods lines,
// totals, the checks of the kind's window and posting. Posting stores the whole bill or
// nothing and leaves a refused bill as it was, so it can be corrected and saved again.
//
// Bill numbers: a number the bill made itself (still in m_number as made) may be taken by
// another bill made in the same second; posting then uses the first free one of
// "<number>-2", "<number>-3", … and puts it into m_number. A number set by GiveNumber, or typed
// over the made one, is refused when taken.
// Money a user types into a bill (a receipt's or payment's amount, a trade bill's paid
// amount): an amount of at most two decimals; nothing after a refusal naming `label`.
std::optional<CMoney> TypedMoney(const std::string& label, const std::string& text);
// A bill's quantity total (in base units) beyond what a quantity can hold.
extern const char* const kQuantityTotalOverflow;
// Asked when a trade bill's paid amount is more than its total.
extern const char* const kOverpayQuestion;
// What ferix-cli says instead of asking it, unless told to post such a bill.
extern const char* const kOverpayRefusal;

// Asked before opening stock is posted for a goods item that has moved in the warehouse already
// (ferix-cli refuses it unless told --force).
std::string OpeningOverMovementsQuestion(const std::string& name, const std::string& warehouse);

enum class TokenLookup; // store/WriteToken.h

class CBill {
public:
    // A new bill: a fresh number, today's date, no lines.
    explicit CBill(BillKind kind);
    BillKind Kind() const { return m_kind; }

    // Header fields. The date is ISO yyyy-MM-dd. Kinds without a business unit, account or
    // paid amount ignore those fields. A receipt or payment has no lines; m_paid is its amount. A
    // transfer takes its goods out of m_warehouse and puts them into m_toWarehouse.
    std::string m_number, m_date, m_customer, m_department, m_warehouse, m_toWarehouse, m_employee,
        m_introduction, m_account, m_paid;
    // An order's delivery date (交货日期, ISO or empty). A purchase or sale made from an order:
    // the order's number (its lines name the order lines they deliver).
    std::string m_deliveryDate, m_order;
    // The bill may deliver more than its order lines still wait for: the window sets it after
    // asking kOverOrderQuestion, ferix-cli for --allow-over.
    bool m_allowOverOrder = false;
    // Totals as the window shows them (RecomputeTotals); posting recomputes its own.
    std::string m_quantityTotal = "0", m_amountTotal = "0.00";
    std::vector<BillLine> m_lines;

    // A number chosen by the user (a bill file, a stored bill): never moved by posting.
    void GiveNumber(const std::string& number);

    // The write token of this bill's posting (store/WriteToken.h): made at the first try and
    // kept until a try stores the bill, so that a retry after a lost reply never stores it
    // twice. A script gives its own to retry under it; empty until then.
    const std::string& WriteToken() const { return m_token; }
    void SetWriteToken(const std::string& token) { m_token = token; }

    // Lines, as the goods picker fills them.
    void AppendGoods(const GoodsRecord& goods);
    void FillLine(size_t row, const GoodsRecord& goods);
    bool IsGoodsLine(size_t row) const;
    // A scanned or typed goods item (quick entry) in `unit` (one of its further units, by that
    // unit's barcode; nothing: its base unit): one more on the last line of that goods item in
    // that unit, or a new line of quantity 1 in the unit at its starting price. A box and a
    // piece are two lines. A last line whose quantity is not a whole number (being corrected)
    // gets no more: a new line is added. The row changed or added.
    size_t ScanGoods(const GoodsRecord& goods, const GoodsUnit* unit = nullptr);
    // The unit cell of a goods line set to `unit`, one of `offer`'s: the line starts at that
    // unit's price and its amount follows; it carries the unit's own barcode when it has one,
    // else the goods'. A name the offer lacks is taken as it is.
    void ChooseUnit(size_t row, const LineUnitOffer& offer, const std::string& unit);
    void RemoveLine(size_t row);
    // "更改": refills the selected goods line, or says that none is selected.
    bool ChangeSelectedLine(std::optional<size_t> selected, const GoodsRecord& goods);
    // "移除": asks, then removes the selected goods line; says so when none is selected.
    bool RemoveSelectedLine(std::optional<size_t> selected);

    // Cells by grid column of this kind. EditCell is the in-place edit box (the purchase and
    // sale grids then recompute the line amount; a price the role hides, given back as the
    // "***" it shows, is kept); ChooseCell is the drop-down list (no recomputation).
    std::string Cell(size_t row, size_t column) const;
    void EditCell(size_t row, size_t column, const std::string& text);
    void ChooseCell(size_t row, size_t column, const std::string& text);
    // A stored bill as the role sees it: the prices and amounts of its lines, its amount total
    // and paid amount are "***" when the role hides the kind's prices (PriceVisibility.h).
    std::string ShownCell(size_t row, size_t column) const;
    std::string ShownMoney(const std::string& figure) const;

    // Quantity total (whole numbers, "%d", in base units) and amount total (two decimals) from
    // the lines. `factors`: each line's base units per one of its unit (LineUnitOffer), 1 for
    // a line beyond them. Posting counts with the factors it reads itself.
    void RecomputeTotals(const std::vector<int64_t>& factors = {});
    // After a posted bill answered with Yes: no lines, zero totals, nothing paid, a fresh
    // number; the other header fields stay.
    void StartNextBill();

    // The checks of the kind's window, in its order; the first failure is shown and false
    // returned. Stock checks read the main data file.
    bool Validate() const;
    // Whether the paid amount of a trade bill is more than its total (its lines as shown):
    // the window asks first, ferix-cli post refuses unless --allow-overpay. False for an empty
    // or unreadable paid amount and for other kinds.
    bool PaidOverTotal() const;
    // Whether the bill's lines take more of an order line than is still open (read afresh);
    // false for a bill not made from an order.
    bool OverOrder() const;
    // Recomputes the totals, validates and posts: header, every line and its stock change in
    // one transaction, or nothing. Log entries are written after the commit, one per line.
    // m_number holds the number posted under afterwards.
    PostOutcome Save();
    // Posts on a store already connected to the main data file, as Save posts, but without
    // the window's checks and without log entries: for filling a program folder with many
    // bills that were made valid by their maker, on one connection. Stock refusals inside the
    // transaction still apply.
    PostOutcome SaveOn(CDataStore& store);
    // Writes the bill into the write transaction the caller began on `store`, for an action
    // that stores several bills at once and commits them together. Without the window's checks
    // and log entries. A refusal or failure has rolled the whole transaction back (message
    // shown). m_number holds the number written under.
    PostOutcome WriteInTransaction(CDataStore& store);

    // A stored trade bill or transfer for viewing, by history kind word and bill number;
    // nothing when the bill has no lines or the kind word is unknown.
    static std::optional<CBill> LoadStored(const std::string& historyWord,
                                           const std::string& number);

private:
    struct Totals {
        int64_t quantity = 0;
        CMoney amount;
    };
    // Totals of validated lines; nothing (after a message) when one overflows.
    std::optional<Totals> PostedTotals() const;
    bool ValidateLines() const;
    // Order line Id → the base quantity this bill's lines take of it. `factors`: each line's
    // base units per unit (LineUnits.h).
    std::map<std::string, int64_t> OrderTakes(const std::vector<int64_t>& factors) const;
    // Order line Id → the goods code of the lines naming it ("" when they name different goods).
    std::map<std::string, std::string> OrderLineGoods() const;
    // The warehouses (and a trade bill's business unit) are in their lists.
    bool CheckListedNames() const;
    // The bill's warehouses are in the operator's scope (otherwise false after the refusal).
    bool WarehousesInScope() const;
    // The checks of the receipt and payment windows (finance/FundBillChecks.cpp).
    bool ValidateFund() const;
    // Opening stock of a goods item that has moved in the warehouse already is asked about.
    bool ConfirmOpeningOverMovements() const;
    PostOutcome Post();
    PostOutcome PostOn(CDataStore& store, const Totals& totals);
    // Header, lines and stock changes inside an open write transaction: the number written
    // under, or nothing after the transaction was rolled back (message shown, `outcome` set).
    std::optional<std::string> WriteBill(CDataStore& store, const Totals& totals,
                                         PostOutcome& outcome);
    // Inside the posting transaction: the number to post under, or nothing after a refusal
    // (message shown, transaction rolled back).
    std::optional<std::string> FreeNumber(CDataStore& store, PostOutcome& refusal) const;
    // Inside the posting transaction: the rows of a transfer and their stock moves.
    // `factors`: each line's base units per unit (LineUnits.h).
    PostOutcome PostTransferLines(CDataStore& store, const std::string& number,
                                  const std::string& quantityTotal,
                                  const std::vector<int64_t>& factors);
    void MakeNumber();

    // What a posting answers when its token was stored (by an earlier try: Posted; by another
    // action: Invalid), told already.
    PostOutcome AnsweredByToken(TokenLookup found, const std::string& earlier);
    // Marks the bill stored under `number` (the try that stored it is over).
    void Stored(const std::string& number);

    BillKind m_kind;
    std::string m_token;
    // The last posting found its token stored by an earlier try: its log entries were written.
    bool m_storedEarlier = false;
    std::string m_madeNumber; // the number this bill made itself; empty once one was given
};
