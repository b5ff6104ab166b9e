#pragma once
#include "CStatement.h"
#include "Records.h"
#include "StoreEngine.h"
#include "WriteLock.h"
#include "text/Money.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
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
    // The connection to the server broke (the server stopped, the network failed). Never on a
    // file.
    bool ConnectionLost() const { return m_engine && (m_engine->Lost() || m_lostForTest); }
    // After a lost connection: connects again to the same data, without a message; false when
    // the server does not answer (LastError() says why).
    bool Reconnect();
    // Connected to a server rather than to a file.
    bool IsServer() const { return m_engine && m_engine->IsServer(); }
    // A second connection to the data `other` is connected to, for a read run beside it on
    // another thread; without a message (false: the caller reads alone). Never while `other`
    // is in a transaction: the second connection would not see what it has written.
    bool ConnectBeside(const CDataStore& other);

    // What builds the bill journal's chain over the bills of tables upgraded to it, run by
    // ConnectMain before anything else (the journal lives above the store). False fails the
    // connect with LastError().
    using JournalBuilder = bool (*)(CDataStore& store);
    static void SetJournalBuilder(JournalBuilder builder);

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
    // plain transaction: the stock rows are locked where they are read. Either way the
    // program-wide write lock (WriteLock.h) is held shared first, so a write waits while a restore
    // runs and then goes into the restored data. A BEGIN run through Run or ExecuteSql does the
    // same, and a write statement run outside a transaction gets one of its own.
    bool Begin();
    bool Commit();
    void Rollback();
    const std::string& LastError() const { return m_lastError; }
    // A caller's own failure, told as the engine's are: LastError() becomes `text`, the code
    // LastErrorCodeText() reads stays.
    void SetLastError(std::string text) { m_lastError = std::move(text); }
    // The engine's short text for the last error's code ("constraint failed"); with
    // LastError() (the detailed description) it fills the "%s+%s" of the store's messages.
    std::string LastErrorCodeText() const;
    // What the store's failure messages put after "错误信息：": the code text and the
    // description ("constraint failed+UNIQUE constraint failed: …"); after a lost connection
    // only the description, which says so: its code text would speak of a disk.
    std::string ErrorDetail() const;
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
    // Inside a write transaction on a server: waits until no other workstation's transaction
    // holds the bill number `number` of the table, then holds it until this one ends. For the
    // bill tables whose rows are lines (no unique bill number), made numbers and reversals. On a
    // file the transaction's write lock already does it.
    bool LockBillNumber(BillTable table, const std::string& number);

    // Test seam: the k-th statement run from now on (1-based) fails; 0 switches it off.
    static void FailStatementForTest(int k);
    // Test seam: before the k-th statement run from now on, `action` gets the server process of
    // the store running it (0 on a file); the statement then runs. FailStatementForTest ends it.
    static void BeforeStatementForTest(int k, std::function<void(int)> action);
    // Test seam: the next COMMIT runs, and then its reply is lost: it fails as after a broken
    // connection (ConnectionLost() holds until Reconnect). With `silent` the server then
    // answers no Reconnect of that store either. A file's COMMIT never loses its reply; this
    // lets the windows and ferix-cli meet it on files too. FailStatementForTest switches it off.
    static void LoseCommitReplyForTest(bool silent = false);
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
    // The three adds refuse a code or name that is taken with the program's own message
    // (GoodsCodeTakenText and its kin), never the engine's.
    bool AddGoods(const GoodsRecord& goods);
    bool DeleteGoods(const std::string& code);
    bool ListGoodsClasses(std::vector<GoodsClassRecord>& list);
    bool AddGoodsClass(const std::string& className, const std::string& parentName);
    bool DeleteGoodsClass(const std::string& className);
    bool ListBusinessUnits(const std::string& unitType, std::vector<BusinessUnitRecord>& list);
    bool AddBusinessUnit(const BusinessUnitRecord& unit);
    // Refused, after the message, while an open order is of that unit.
    bool DeleteBusinessUnit(const std::string& code);

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
    // The trade line inserts write the line's Canceled mark.
    bool AddPurchaseLine(const BillDetailRecord& line);
    bool AddPurchaseReturnLine(const BillDetailRecord& line);
    bool AddSaleLine(const BillDetailRecord& line);
    bool AddSaleReturnLine(const BillDetailRecord& line);
    bool AddLossLine(const StockBillLineRecord& line);
    bool AddGainLine(const StockBillLineRecord& line);
    bool AddOpeningLine(const StockBillLineRecord& line);
    bool AddPriceLine(const StockBillLineRecord& line);
    // Trade bill headers whose ISO Bill_Date lies between the two ISO dates, both included,
    // by history kind word (run_caigou, run_caigou_tuihuo, run_sale, run_sale_tuihuo).
    // Empty after a message when the read failed; `ok` (when given) tells that apart from no
    // bills.
    std::vector<BillHeaderRecord> ListBillsByDate(const std::string& historyWord,
                                                  const std::string& from, const std::string& to,
                                                  bool* ok = nullptr);
    // The stored lines of one trade bill, in the order they were posted; `ok` as above.
    std::vector<BillDetailRecord> ListBillDetails(const std::string& historyWord,
                                                  const std::string& billId, bool* ok = nullptr);

    // ---- queries: statistics reports (main data file)
    // Purchase (EnterStock_Detail) or sale (EnterSale_Detail) lines whose ISO Bill_Date lies in
    // [from, to], grouped by goods code, handler or department. Groups come in the text order of
    // their keys (the empty key first); a goods group keeps the fields of its first line.
    // Quantities are summed as whole numbers. Appends to `groups`; false after the message
    // "SQL 语句执行失败！", with the groups of the lines read before the failure.
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
    // BEGIN (IMMEDIATE) with the write lock held shared; `sql` is the caller's text.
    bool BeginWrite(const std::string& sql);
    // The lock file's hold ends with the transaction.
    void ReleaseWriteLockAfter();
    bool WriteUserRow(const std::string& sql, SqlValues values, size_t hashIndex,
                      const std::string& password, const char* failure);
    void StrongerHash(int64_t id, const std::string& weak, const std::string& password);
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
    // purchase price when there is none. With `dumpFailure` a failed statement is written to
    // sql.txt and told as a failed stock-row insert; without, as a failed stock change.
    bool AddToStock(const std::string& warehouse, const std::string& code, const std::string& name,
                    int64_t quantity, const std::optional<std::string>& price,
                    const StockCostIn& cost, CMoney* costPrice, bool dumpFailure);

    std::unique_ptr<CStoreEngine> m_engine;
    // The program folder's lock file (files only) and this store's hold on it.
    std::filesystem::path m_lockFile;
    CFileWriteLock m_writeLock;
    // What Connect was given, for Reconnect.
    const char* m_relativePath = nullptr;
    const char* m_initialStatement = nullptr;
    bool m_lostForTest = false;
    bool m_silentForTest = false;
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
