#pragma once
#include "CStatement.h"
#include "Records.h"
#include "StoreEngine.h"
#include "text/Money.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// The data-access object: one connection on one of the two data files, created for one user
// action and released at its end. The files are SQLite databases, unless the program folder's
// Data/server.conf names a PostgreSQL server that holds both. Every statement is prepared with
// bound values. Every store operation reports its own failure through the message port and returns
// false, an empty list or nothing. How units put into a stock row change its moving-average cost
// price.
struct StockCostIn {
    // Weighted into the average: `total` is the value of the units put in (a purchase, units
    // moved in from another warehouse). A new row costs total / quantity.
    static StockCostIn Average(CMoney total) { return {true, total, std::nullopt}; }
    // The cost price stays (a sale return, a gain). A new row costs `newRow`, or the goods'
    // preset purchase price when none is given.
    static StockCostIn Keep(std::optional<CMoney> newRow = std::nullopt) {
        return {false, CMoney(), newRow};
    }
    bool average;
    CMoney total;
    std::optional<CMoney> newRow;
};

class CDataStore {
public:
    CDataStore();
    ~CDataStore();
    CDataStore(const CDataStore&) = delete;
    CDataStore& operator=(const CDataStore&) = delete;

    // Open Data/main_data.tdb or Data/other_data.tdb below the current directory, or their
    // tables on the server of Data/server.conf. A missing file is never created: it is a failed
    // connect with the connect message.
    bool ConnectMain();
    bool ConnectOther();
    bool IsConnected() const { return m_engine != nullptr; }
    // Connected to a server rather than to a file.
    bool IsServer() const { return m_engine && m_engine->IsServer(); }

    // Runs one statement that returns no rows. On failure shows "SQL 语句执行失败：" + the
    // statement with its values and writes that text to sql.txt in the program folder.
    bool ExecuteSql(const std::string& sql, const SqlValues& values = {});

    // ---- building blocks of the store operations (no messages of their own)
    // Runs a statement; `onRow` sees each row. False on any error (m_lastError holds it).
    // The statement is prepared once per store and reused by later runs of the same text, so
    // an action that repeats a statement (a bill's lines) pays for its parsing only once.
    bool Run(const std::string& sql, const SqlValues& values,
             const std::function<void(const CStatement&)>& onRow = {});
    // Immediate transaction: the write lock is taken at once, so two programs posting at the
    // same time wait for each other (busy time-out) instead of failing half-way. On a server a
    // plain transaction: the stock rows are locked where they are read.
    bool Begin();
    bool Commit();
    void Rollback();
    const std::string& LastError() const { return m_lastError; }
    // The engine's short text for the last error's code ("constraint failed"); with
    // LastError() (the detailed description) it fills the "%s+%s" of the store's messages.
    std::string LastErrorCodeText() const;
    int64_t Changes() const;
    // Runs `step`, work on the data as a whole rather than a statement (a backup or restore of
    // the main data: a file copy, or the server's client programs). It counts as a statement
    // for the test seams below; the text it fails with is LastError().
    bool RunDataStep(const std::function<bool(std::string& error)>& step);

    // Writes the statement text (values filled in) to sql.txt in the program folder.
    static void DumpStatement(const std::string& text);
    // The statement with its values in place of the parameters, quoted as SQL literals.
    static std::string DescribeStatement(const std::string& sql, const SqlValues& values);

    // ---- conflicts with other workstations (a server only; see RetriedTransaction.h)
    // From StartAttempt on, a statement the server refused because another workstation got in
    // the way (a serialization failure, a deadlock, a key taken since it was read) is noted in
    // Conflict(), and ExecuteSql keeps quiet about it: the whole transaction will run again.
    void StartAttempt();
    void EndAttempts();
    // The first conflict of the current attempt (an SQLite result code), 0 when none.
    int Conflict() const { return m_conflict; }
    // A caller's own finding that another workstation took a key this attempt had read free.
    void NoteConflict() {
        if (m_inAttempt && !m_conflict && IsServer())
            m_conflict = SQLITE_CONSTRAINT_UNIQUE;
    }
    // Inside a write transaction on a server: waits until no other workstation's transaction
    // holds the bill number `number` of the table, then holds it until this one ends. For the
    // bill tables whose rows are lines (no unique bill number) and for reversals. On a file the
    // transaction's write lock already does it.
    bool LockBillNumber(BillTable table, const std::string& number);

    // Test seam: the k-th statement run from now on (1-based) fails; 0 switches it off.
    static void FailStatementForTest(int k);
    // Test seam: before the k-th statement run from now on, `action` gets the server process of
    // the store running it (0 on a file); the statement then runs. FailStatementForTest ends it.
    static void BeforeStatementForTest(int k, std::function<void(int)> action);
    // Number of statements run since the last FailStatementForTest call.
    static int StatementCountForTest();

    // ---- users, operation log, company settings (other data file)
    bool CheckLogin(const std::string& user, const std::string& password);
    std::vector<UserRecord> ListUsers();
    bool AddUser(const std::string& user, const std::string& password, const std::string& note);
    bool ChangeUser(const std::string& user, const std::string& password, const std::string& note);
    std::vector<LogRecord> ListLog();
    bool AddLogEntry(const std::string& event);
    SettingsRecord LoadSettings();
    bool SaveSettings(const SettingsRecord& settings);

    // ---- goods, goods classes, business units (main data file)
    // The list operations append to `list` and return false after a failure (with the rows
    // read so far). Codes and names are compared whole: "%" and "_" are plain characters.
    bool ListGoods(const std::string& className, std::vector<GoodsRecord>& list);
    // As ListGoods, handing each goods item to `onGoods` instead of keeping them all: for a
    // list that keeps its rows in a smaller form.
    bool ForEachGoods(const std::string& className,
                      const std::function<void(const GoodsRecord&)>& onGoods);
    // The three adds refuse a code or name that is taken with the program's own message
    // (GoodsCodeTakenText and its kin), never the engine's.
    bool AddGoods(const GoodsRecord& goods);
    bool DeleteGoods(const std::string& code);
    // The goods item of that code, nothing when there is none or the read failed (m_lastError).
    std::optional<GoodsRecord> FindGoods(const std::string& code);
    bool ListGoodsClasses(std::vector<GoodsClassRecord>& list);
    bool AddGoodsClass(const std::string& className, const std::string& parentName);
    bool DeleteGoodsClass(const std::string& className);
    bool ListBusinessUnits(const std::string& unitType, std::vector<BusinessUnitRecord>& list);
    bool AddBusinessUnit(const BusinessUnitRecord& unit);
    bool DeleteBusinessUnit(const std::string& code);
    // The goods window's in-use check: a stock row of exactly this code in any warehouse.
    // Nothing when the read failed (shown as a message).
    std::optional<bool> IsGoodsInStock(const std::string& code);

    // ---- stock pile (main data file)
    // A stock row is identified by warehouse and goods code, both compared whole; the goods
    // name is stored with the row but takes no part in finding it. Quantities are whole
    // numbers written with "%d".
    // Quantity of the row, -1 when there is none; nothing when the read failed (m_lastError,
    // no message: the caller reports it).
    std::optional<int64_t> GetStockNumber(const std::string& warehouse, const std::string& code);
    // Empty texts (and the warehouse "全部") filter nothing; given ones must match whole.
    bool ListStock(const std::string& warehouse, const std::string& code, const std::string& name,
                   std::vector<StockRecord>& list);
    // Adds to the row, or creates it (first stock-in today, at `price`). `cost` says how the
    // row's moving-average cost price changes; without it the units were bought at `price`.
    // `costPrice` (when given) receives the row's cost price after the change.
    bool IncreaseStock(const std::string& warehouse, const std::string& code,
                       const std::string& name, int64_t quantity, const std::string& price,
                       std::optional<StockCostIn> cost = std::nullopt, CMoney* costPrice = nullptr);
    // Refuses (with its message, or with `shortage` when given) when the row would go below
    // zero or does not exist; sets the last stock-out date. The cost price stays, unless
    // `removedTotal` gives the value of the units taken out (a reversed purchase): the rest then
    // keep the remaining value, never below zero. `costPrice` (when given) receives the cost
    // price the units left at.
    bool DecreaseStock(const std::string& warehouse, const std::string& code,
                       const std::string& name, int64_t quantity, const std::string& shortage = {},
                       std::optional<CMoney> removedTotal = std::nullopt,
                       CMoney* costPrice = nullptr);
    // As IncreaseStock keeping the cost price; a new row takes the goods' preset purchase price
    // as its unit price and its cost price.
    bool IncreaseStockForGain(const std::string& warehouse, const std::string& code,
                              const std::string& name, int64_t quantity);
    // Takes `quantity` out of `from` (refused as DecreaseStock refuses, with `shortage` when
    // given) and puts it into `to` at the cost price of `from`, weighted into the average of
    // `to`; a row missing in `to` is created at the unit price of the row in `from`.
    bool MoveStock(const std::string& from, const std::string& to, const std::string& code,
                   const std::string& name, int64_t quantity, const std::string& shortage = {});
    // Refuses (with its message) when the goods have no row in the warehouse.
    bool SetStockPrice(const std::string& warehouse, const std::string& code,
                       const std::string& name, const std::string& price);

    // ---- bills (main data file)
    // The header insert of a trade bill, with the header's Canceled mark; reports like
    // ExecuteSql. The line inserts write the line's Canceled mark likewise.
    bool AddTradeBillHeader(BillTable table, const BillHeaderRecord& header);
    bool AddPurchaseLine(const BillDetailRecord& line);
    bool AddPurchaseReturnLine(const BillDetailRecord& line);
    bool AddSaleLine(const BillDetailRecord& line);
    bool AddSaleReturnLine(const BillDetailRecord& line);
    bool AddLossLine(const StockBillLineRecord& line);
    bool AddGainLine(const StockBillLineRecord& line);
    bool AddPriceLine(const StockBillLineRecord& line);
    bool AddTransferLine(const TransferRecord& line);
    // The bill numbers used in the table that are `billId` itself or `billId` followed by "-"
    // and more; nothing when the read failed (shown as a message).
    std::optional<std::vector<std::string>> BillNumbersFrom(BillTable table,
                                                            const std::string& billId);
    // Trade bill headers whose ISO Bill_Date lies between the two ISO dates, both included,
    // by history kind word (run_caigou, run_caigou_tuihuo, run_sale, run_sale_tuihuo).
    // Empty after a message when the read failed; `ok` (when given) tells that apart from no
    // bills.
    std::vector<BillHeaderRecord> ListBillsByDate(const std::string& historyWord,
                                                  const std::string& from, const std::string& to,
                                                  bool* ok = nullptr);
    // The header of one trade bill; nothing when there is none (or after the read's message).
    // `ok` (when given) tells a failed read apart from no bill.
    std::optional<BillHeaderRecord> FindBillHeader(const std::string& historyWord,
                                                   const std::string& billId, bool* ok = nullptr);
    // Sets Canceled on the header and every line of one trade bill, or on every row of one
    // transfer, or on one receipt or payment (FundBill); reports like ExecuteSql.
    bool SetBillCanceled(BillTable table, const std::string& billId, const std::string& canceled);
    // The number of the trade bill, transfer (run_yiku), receipt (run_shoukuan) or payment
    // (run_fukuan) posted just before (`later` false) or
    // just after (`later` true) bill `billId` of the kind, by row id; an empty `billId` going back
    // gives the newest bill. Nothing at either end, for an unknown bill, or after the read's
    // message (`ok`, when given, tells a failed read apart).
    std::optional<std::string> AdjacentBillId(const std::string& historyWord,
                                              const std::string& billId, bool later,
                                              bool* ok = nullptr);
    // The stored lines of one trade bill, in the order they were posted; `ok` as above.
    std::vector<BillDetailRecord> ListBillDetails(const std::string& historyWord,
                                                  const std::string& billId, bool* ok = nullptr);
    // The stored rows of one loss, gain or price-adjustment bill (the columns a table lacks
    // read as empty texts); `ok` as above.
    std::vector<BillDetailRecord> ListStockBillLines(BillTable table, const std::string& billId,
                                                     bool* ok = nullptr);

    // Transfers whose ISO Bill_Date lies between the two ISO dates, both included: the first row
    // of each bill, in posting order. Empty after a message when the read failed; `ok` (when
    // given) tells that apart from no bills.
    std::vector<TransferRecord> ListTransfersByDate(const std::string& from, const std::string& to,
                                                    bool* ok = nullptr);
    // The rows of one transfer in the order they were posted; `ok` as above.
    std::vector<TransferRecord> ListTransferLines(const std::string& billId, bool* ok = nullptr);

    // ---- receipts, payments, balances (main data file)
    // One receipt or payment row; reports like ExecuteSql.
    bool AddFundBill(const FundBillRecord& bill);
    // The receipt or payment of that number; nothing when there is none or after the read's
    // message (`ok`, when given, tells a failed read apart).
    std::optional<FundBillRecord> FindFundBill(const std::string& billId, bool* ok = nullptr);
    // Whether the unit list holds a unit of exactly this name; nothing after a message.
    std::optional<bool> IsBusinessUnitName(const std::string& name);
    // Per business-unit name as the bills store it, in one pass over its bills:
    //   receivable = sales (Total - Pay) - sale returns (Total - Pay) - receipts
    //   payable    = purchases (Total - Pay) - purchase returns (Total - Pay) - payments
    // Red bills count with their negated values. Nothing after a message.
    std::optional<UnitBalanceRecord> BalanceOf(const std::string& name);
    std::optional<CMoney> ReceivableOf(const std::string& name);
    std::optional<CMoney> PayableOf(const std::string& name);
    // Every unit of the unit list (of one type; "" or "所有类型": all) in list order, then the
    // names only bills hold, in text order; one pass over all bills. False after a message.
    bool ListUnitBalances(const std::string& unitType, std::vector<UnitBalanceRecord>& list);
    // A unit's statement from `from` to `to` (ISO, both included): the balance of the bills
    // before `from`, then each document of the range in date order with the balance after it.
    // A supplier's balance is what is owed to it (payable - receivable), anyone else's what
    // they owe (receivable - payable). Nothing after a message.
    std::optional<UnitStatementRecord> StatementOf(const std::string& name, const std::string& from,
                                                   const std::string& to);
    // Money in (sale Pay, purchase-return Pay, receipts) and out (purchase Pay, sale-return Pay,
    // payments) of each account: `accounts` in their order, then accounts only bills name, in
    // text order. One pass over all bills. False after a message.
    bool ListAccountBalances(const std::vector<std::string>& accounts,
                             std::vector<AccountBalanceRecord>& list);

    // ---- queries: stock view (main data file)
    // Stock rows of the goods of one class ("所有商品": all goods) in one warehouse ("全部" or
    // empty: all), joined on the goods code, in goods order and then stock-row order. Each stock
    // row comes once. Appends to `list`; false after a message, with the rows read so far.
    bool ListStockOfClass(const std::string& warehouse, const std::string& className,
                          std::vector<StockRecord>& list);

    // ---- queries: statistics reports (main data file)
    // Purchase (EnterStock_Detail) or sale (EnterSale_Detail) lines whose ISO Bill_Date lies in
    // [from, to], grouped by goods code, handler or department. Groups come in the text order of
    // their keys (the empty key first); a goods group keeps the fields of its first line.
    // Quantities are summed as whole numbers. Appends to `groups`; false after the message
    // "SQL 语句执行失败!", with the groups of the lines read before the failure.
    bool SumPurchaseByGoods(const std::string& from, const std::string& to,
                            std::vector<GoodsGroupRecord>& groups);
    bool SumPurchaseByEmployee(const std::string& from, const std::string& to,
                               std::vector<KeyGroupRecord>& groups);
    bool SumPurchaseByDepartment(const std::string& from, const std::string& to,
                                 std::vector<KeyGroupRecord>& groups);
    bool SumSaleByGoods(const std::string& from, const std::string& to,
                        std::vector<GoodsGroupRecord>& groups);
    bool SumSaleByEmployee(const std::string& from, const std::string& to,
                           std::vector<KeyGroupRecord>& groups);
    bool SumSaleByDepartment(const std::string& from, const std::string& to,
                             std::vector<KeyGroupRecord>& groups);

    // Sale lines less sale-return lines whose ISO Bill_Date lies in [from, to], grouped by goods
    // code, customer, handler or month (yyyy-MM), in one pass over each table. Groups come in
    // the text order of their keys. Appends to `groups`; false after the message
    // "SQL 语句执行失败!", with the groups of the lines read before the failure.
    bool SumProfit(ProfitKey key, const std::string& from, const std::string& to,
                   std::vector<ProfitGroupRecord>& groups);

    // ---- queries: stock warnings (main data file)
    // Goods whose InventoryLow or InventoryHigh is not blank, in goods-list order; and the
    // stock quantity of every goods code summed over one warehouse ("全部" or empty: all).
    // False after a message.
    bool ListGoodsWithLimits(std::vector<GoodsLimitRecord>& list);
    bool SumStockByCode(const std::string& warehouse,
                        std::unordered_map<std::string, int64_t>& quantities);

    // ---- bulk writing of sample data
    // Commits stop waiting for the disk on this connection: a crash of the program still
    // leaves every transaction whole, only a power cut may lose the last ones. For making
    // sample data, which can be made again, never for the user's own work.
    void UseFastBulkWrites();

private:
    bool SumByGoods(const char* table, const std::string& from, const std::string& to,
                    std::vector<GoodsGroupRecord>& groups);
    bool SumByKey(const char* table, const char* keyColumn, const std::string& from,
                  const std::string& to, std::vector<KeyGroupRecord>& groups);
    bool Connect(const char* relativePath, const char* initialStatement);
    bool CountAndCheckFault();
    bool WriteUserRow(const std::string& sql, SqlValues values, size_t hashIndex,
                      const std::string& password, const char* failure);
    // Inserts a row whose key (`keyQuery` finds it) must be new. A taken key is told with
    // `takenText`, any other failure with `failure` followed by the engine's text.
    bool InsertNewKey(const std::string& sql, const SqlValues& values, const char* keyQuery,
                      const std::string& key, const std::string& takenText, const char* failure);
    // Takes the engine's last error into m_lastError and m_lastErrorCode.
    void TakeEngineError();
    bool AddTradeLine(BillTable table, const BillDetailRecord& line, const char* failure);
    bool AddStockBillLine(BillTable table, const StockBillLineRecord& line, const char* failure);
    // Quantity (-1 when there is no row) and cost price of one stock row; nothing when the read
    // failed (m_lastError).
    struct StockState {
        int64_t number = -1;
        CMoney cost;
    };
    std::optional<StockState> ReadStockState(const std::string& warehouse, const std::string& code);
    bool WriteStockState(const std::string& warehouse, const std::string& code, int64_t number,
                         CMoney cost, bool leaving);
    // IncreaseStock and IncreaseStockForGain: a new row takes `price`, or the goods' preset
    // purchase price when there is none; `failure` starts the message of a failed statement.
    bool AddToStock(const std::string& warehouse, const std::string& code, const std::string& name,
                    int64_t quantity, const std::optional<std::string>& price,
                    const StockCostIn& cost, CMoney* costPrice, bool dumpFailure);

    std::unique_ptr<CStoreEngine> m_engine;
    std::string m_lastError;
    int m_lastErrorCode = 0;
    bool m_inAttempt = false;
    int m_conflict = 0;
};

// What an action says when the server kept refusing its transaction for other workstations'.
inline constexpr const char* kServerBusyText =
    "数据库服务器繁忙（其他工作站正在修改同样的数据），请稍后再试。";

// What AddGoods, AddGoodsClass and AddBusinessUnit say when the code or name is taken.
std::string GoodsCodeTakenText(const std::string& code);
std::string GoodsClassTakenText(const std::string& name);
std::string UnitCodeTakenText(const std::string& code);

// Appends one log entry with the current operator's name and the local time; the result is
// ignored by every caller.
bool WriteLogEntry(const std::string& event);
// Appends `count` entries of the same event on one connection in one transaction (a posted
// bill writes one per line); stops at the first failure, keeping the entries before it.
bool WriteLogEntries(const std::string& event, size_t count);
