// Trade bills (header and lines), loss, gain and price-adjustment bills, and the history
// queries that read trade bills back.
#include "CDataStore.h"

#include "BillKindNames.h"
#include "port/FailureText.h"
#include "port/MessagePort.h"

#include <iterator>

namespace {
const char* kHistoryFailure = "获取历史进货信息失败。";

BillDetailRecord ReadDetail(const CStatement& st) {
    BillDetailRecord d;
    d.Canceled = st.Text("Canceled");
    d.Bill_ID = st.Text("Bill_ID");
    d.Bill_Date = st.Text("Bill_Date");
    d.Product_ID = st.Text("Product_ID");
    d.Product_Name = st.Text("Product_Name");
    d.Product_Number = st.Text("Product_Number");
    d.Product_Unit = st.Text("Product_Unit");
    d.Product_atch = st.Text("Product_atch");
    d.Product_Date = st.Text("Product_Date");
    d.Product_Price = st.Text("Product_Price");
    d.Product_Total = st.Text("Product_Total");
    d.Product_BarCode = st.Text("Product_BarCode");
    d.Product_Note = st.Text("Product_Note");
    d.Customer = st.Text("Customer");
    d.Department = st.Text("Department");
    d.Warehouse = st.Text("Warehouse");
    d.Employee = st.Text("Employee");
    d.Introduction = st.Text("Introduction");
    d.Number = st.Text("Number");
    d.Total = st.Text("Total");
    d.Bank = st.Text("Bank");
    d.Pay = st.Text("Pay");
    return d;
}

bool IsTradeTable(BillTable t) {
    return t == BillTable::EnterStock || t == BillTable::BackStock || t == BillTable::EnterSale ||
           t == BillTable::BackSale;
}
} // namespace

bool CDataStore::AddTradeBillHeader(BillTable table, const BillHeaderRecord& h) {
    if (!IsTradeTable(table)) {
        m_lastError = "not a trade bill table";
        return false;
    }
    return ExecuteSql(std::string("insert into ") + BillTableName(table) +
                          "(Canceled, Bill_ID, Bill_Date, Customer, Department, Warehouse,"
                          " Employee, Introduction, Number, Total, Bank, Pay)"
                          " values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                      {h.Canceled, h.Bill_ID, h.Bill_Date, h.Customer, h.Department, h.Warehouse,
                       h.Employee, h.Introduction, h.Number, h.Total, h.Bank, h.Pay});
}

bool CDataStore::AddTradeLine(BillTable table, const BillDetailRecord& d, const char* failure) {
    // Sale and sale-return lines also keep their cost.
    const bool costed = table == BillTable::EnterSale || table == BillTable::BackSale;
    SqlValues values = {d.Canceled,     d.Bill_ID,        d.Bill_Date,      d.Customer,
                        d.Department,   d.Employee,       d.Warehouse,      d.Introduction,
                        d.Number,       d.Total,          d.Bank,           d.Pay,
                        d.Product_ID,   d.Product_Name,   d.Product_Number, d.Product_Unit,
                        d.Product_atch, d.Product_Date,   d.Product_Price,  d.Product_Total,
                        d.Product_Note, d.Product_BarCode};
    if (costed)
        values.push_back(d.Product_Cost);
    if (!Run(std::string("insert into ") + BillTableName(table) +
                 "_Detail(Canceled, Bill_ID, Bill_Date, Customer, Department, Employee, Warehouse,"
                 " Introduction, Number, Total, Bank, Pay, Product_ID, Product_Name,"
                 " Product_Number, Product_Unit, Product_atch, Product_Date, Product_Price,"
                 " Product_Total, Product_Note, Product_BarCode" +
                 (costed ? ", Product_Cost) values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
                           " ?, ?, ?, ?, ?, ?, ?)"
                         : ") values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
                           " ?, ?)"),
             values)) {
        Messages().Inform(DatabaseFailureText(failure, LastErrorCodeText() + "+" + m_lastError));
        return false;
    }
    return true;
}

bool CDataStore::AddPurchaseLine(const BillDetailRecord& line) {
    return AddTradeLine(BillTable::EnterStock, line, "添加进货信息失败。");
}

bool CDataStore::AddPurchaseReturnLine(const BillDetailRecord& line) {
    return AddTradeLine(BillTable::BackStock, line, "添加退货信息失败。");
}

bool CDataStore::AddSaleLine(const BillDetailRecord& line) {
    return AddTradeLine(BillTable::EnterSale, line, "添加销售信息失败。");
}

bool CDataStore::AddSaleReturnLine(const BillDetailRecord& line) {
    return AddTradeLine(BillTable::BackSale, line, "添加退货信息失败。");
}

bool CDataStore::AddStockBillLine(BillTable table, const StockBillLineRecord& l,
                                  const char* failure) {
    bool ok;
    if (table == BillTable::TiaoJiaDan) {
        ok = Run("insert into TiaoJiaDan(Bill_ID, Bill_Date, Department, Employee, Warehouse,"
                 " Introduction, Product_ID, Product_Name, Product_Unit, Product_Price,"
                 " Product_Note, Product_BarCode) values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                 {l.Bill_ID, l.Bill_Date, l.Department, l.Employee, l.Warehouse, l.Introduction,
                  l.Product_ID, l.Product_Name, l.Product_Unit, l.Product_Price, l.Product_Note,
                  l.Product_BarCode});
    } else {
        ok = Run(std::string("insert into ") + BillTableName(table) +
                     "(Bill_ID, Bill_Date, Department, Employee, Warehouse, Introduction,"
                     " Number, Total, Product_ID, Product_Name, Product_Number, Product_Unit,"
                     " Product_atch, Product_Date, Product_Price, Product_Total, Product_Note,"
                     " Product_BarCode)"
                     " values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                 {l.Bill_ID, l.Bill_Date, l.Department, l.Employee, l.Warehouse, l.Introduction,
                  l.Number, l.Total, l.Product_ID, l.Product_Name, l.Product_Number, l.Product_Unit,
                  l.Product_atch, l.Product_Date, l.Product_Price, l.Product_Total, l.Product_Note,
                  l.Product_BarCode});
    }
    if (!ok) {
        Messages().Inform(DatabaseFailureText(failure, LastErrorCodeText() + "+" + m_lastError));
        return false;
    }
    return true;
}

bool CDataStore::AddTransferLine(const TransferRecord& l) {
    if (!Run("insert into YiKuDan(Canceled, Bill_ID, Bill_Date, Department, Employee, Warehouse,"
             " ToWarehouse, Introduction, Number, Product_ID, Product_Name, Product_Number,"
             " Product_Unit, Product_Note, Product_BarCode)"
             " values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
             {l.Canceled, l.Bill_ID, l.Bill_Date, l.Department, l.Employee, l.Warehouse,
              l.ToWarehouse, l.Introduction, l.Number, l.Product_ID, l.Product_Name,
              l.Product_Number, l.Product_Unit, l.Product_Note, l.Product_BarCode})) {
        Messages().Inform(
            DatabaseFailureText("添加移库单失败。", LastErrorCodeText() + "+" + m_lastError));
        return false;
    }
    return true;
}

bool CDataStore::AddLossLine(const StockBillLineRecord& line) {
    return AddStockBillLine(BillTable::BaoSunDan, line, "添加报损单失败。");
}

bool CDataStore::AddGainLine(const StockBillLineRecord& line) {
    return AddStockBillLine(BillTable::BaoYiDan, line, "添加报溢单失败。");
}

bool CDataStore::AddPriceLine(const StockBillLineRecord& line) {
    return AddStockBillLine(BillTable::TiaoJiaDan, line, "添加调价单失败。");
}

std::optional<std::vector<std::string>> CDataStore::BillNumbersFrom(BillTable table,
                                                                    const std::string& billId) {
    // Every text from billId up to billId + "." holds billId + "-…" (as '-' < '.'): one index
    // range read; the few other texts in it are dropped here.
    std::vector<std::string> numbers;
    const std::string dash = billId + "-";
    if (!Run(std::string("select distinct Bill_ID from ") + BillTableName(table) +
                 " where Bill_ID >= ? and Bill_ID < ?",
             {billId, billId + "."}, [&](const CStatement& st) {
                 std::string id = st.Text(0);
                 if (id == billId || id.starts_with(dash))
                     numbers.push_back(std::move(id));
             })) {
        Messages().Inform(DatabaseFailureText("", LastErrorCodeText() + "+" + m_lastError));
        return std::nullopt;
    }
    return numbers;
}

namespace {
const char* kHeaderColumns = "select Canceled, Bill_ID, Bill_Date, Customer, Department,"
                             " Warehouse, Employee, Introduction, Number, Total, Bank, Pay from ";

BillHeaderRecord ReadHeader(const CStatement& st) {
    return {st.Text(0), st.Text(1), st.Text(2), st.Text(3), st.Text(4),  st.Text(5),
            st.Text(6), st.Text(7), st.Text(8), st.Text(9), st.Text(10), st.Text(11)};
}

// The trade line columns by position: a thousand-line bill read back by column name spends
// more time finding the names than reading the rows.
const char* kDetailColumns =
    "select Canceled, Bill_ID, Bill_Date, Product_ID, Product_Name, Product_Number, Product_Unit,"
    " Product_atch, Product_Date, Product_Price, Product_Total, Product_BarCode, Product_Note,"
    " Customer, Department, Warehouse, Employee, Introduction, Number, Total, Bank, Pay";

BillDetailRecord ReadTradeDetail(const CStatement& st) {
    BillDetailRecord d;
    std::string* fields[] = {&d.Canceled,      &d.Bill_ID,
                             &d.Bill_Date,     &d.Product_ID,
                             &d.Product_Name,  &d.Product_Number,
                             &d.Product_Unit,  &d.Product_atch,
                             &d.Product_Date,  &d.Product_Price,
                             &d.Product_Total, &d.Product_BarCode,
                             &d.Product_Note,  &d.Customer,
                             &d.Department,    &d.Warehouse,
                             &d.Employee,      &d.Introduction,
                             &d.Number,        &d.Total,
                             &d.Bank,          &d.Pay};
    for (int i = 0; i < static_cast<int>(std::size(fields)); ++i)
        st.TextInto(i, *fields[i]);
    if (st.ColumnCount() > static_cast<int>(std::size(fields)))
        st.TextInto(static_cast<int>(std::size(fields)), d.Product_Cost);
    return d;
}
} // namespace

std::optional<BillHeaderRecord> CDataStore::FindBillHeader(const std::string& historyWord,
                                                           const std::string& billId, bool* ok) {
    if (ok)
        *ok = false;
    auto table = TradeTableOfHistoryWord(historyWord);
    if (!table)
        return std::nullopt;
    std::optional<BillHeaderRecord> found;
    if (!Run(kHeaderColumns + std::string(BillTableName(*table)) + " where Bill_ID = ?", {billId},
             [&](const CStatement& st) { found = ReadHeader(st); })) {
        Messages().Inform(
            DatabaseFailureText(kHistoryFailure, LastErrorCodeText() + "+" + m_lastError));
        return std::nullopt;
    }
    if (ok)
        *ok = true;
    return found;
}

bool CDataStore::SetBillCanceled(BillTable table, const std::string& billId,
                                 const std::string& canceled) {
    if (table == BillTable::YiKuDan || table == BillTable::FundBill)
        return ExecuteSql(std::string("update ") + BillTableName(table) +
                              " set Canceled = ? where Bill_ID = ?",
                          {canceled, billId});
    if (!IsTradeTable(table)) {
        m_lastError = "not a trade bill table";
        return false;
    }
    const std::string name = BillTableName(table);
    return ExecuteSql("update " + name + " set Canceled = ? where Bill_ID = ?",
                      {canceled, billId}) &&
           ExecuteSql("update " + name + "_Detail set Canceled = ? where Bill_ID = ?",
                      {canceled, billId});
}

std::optional<std::string> CDataStore::AdjacentBillId(const std::string& historyWord,
                                                      const std::string& billId, bool later,
                                                      bool* ok) {
    if (ok)
        *ok = false;
    const bool transfer = historyWord == KindNames(BillKind::Transfer).historyWord;
    // Receipts and payments share one table, told apart by their Kind.
    const char* fundKind =
        historyWord == KindNames(BillKind::Receipt).historyWord   ? kFundKindReceipt
        : historyWord == KindNames(BillKind::Payment).historyWord ? kFundKindPayment
                                                                  : nullptr;
    auto table = transfer   ? std::optional(BillTable::YiKuDan)
                 : fundKind ? std::optional(BillTable::FundBill)
                            : TradeTableOfHistoryWord(historyWord);
    if (!table) {
        m_lastError = "unknown bill kind: " + historyWord;
        Messages().Inform(
            DatabaseFailureText(kHistoryFailure, LastErrorCodeText() + "+" + m_lastError));
        return std::nullopt;
    }
    if (billId.empty() && later) {
        if (ok)
            *ok = true;
        return std::nullopt; // nothing was posted after the bill still being entered
    }
    const std::string name = BillTableName(*table);
    // A transfer has one row per line: its first row stands for it.
    std::string sql = "select Bill_ID from " + name;
    std::string where = " where ";
    if (transfer) {
        sql += " where Id in (select min(Id) from YiKuDan group by Bill_ID)";
        where = " and ";
    }
    SqlValues values;
    if (fundKind) {
        sql += " where Kind = ?";
        where = " and ";
        values.push_back(fundKind);
    }
    if (!billId.empty()) {
        sql += where + "Id " + (later ? ">" : "<") + " (select min(Id) from " + name +
               " where Bill_ID = ?)";
        values.push_back(billId);
    }
    sql += later ? " order by Id limit 1" : " order by Id desc limit 1";
    std::optional<std::string> found;
    if (!Run(sql, values, [&](const CStatement& st) { found = st.Text(0); })) {
        Messages().Inform(
            DatabaseFailureText(kHistoryFailure, LastErrorCodeText() + "+" + m_lastError));
        return std::nullopt;
    }
    if (ok)
        *ok = true;
    return found;
}

std::vector<BillHeaderRecord> CDataStore::ListBillsByDate(const std::string& historyWord,
                                                          const std::string& from,
                                                          const std::string& to, bool* ok) {
    if (ok)
        *ok = false;
    std::vector<BillHeaderRecord> bills;
    auto table = TradeTableOfHistoryWord(historyWord);
    if (!table) {
        m_lastError = "unknown bill kind: " + historyWord;
        Messages().Inform(
            DatabaseFailureText(kHistoryFailure, LastErrorCodeText() + "+" + m_lastError));
        return {};
    }
    // Bill_Date holds ISO texts, so comparing texts compares dates.
    if (!Run(kHeaderColumns + std::string(BillTableName(*table)) +
                 " where Bill_Date between ? and ? order by Id",
             {from, to}, [&](const CStatement& st) { bills.push_back(ReadHeader(st)); })) {
        Messages().Inform(
            DatabaseFailureText(kHistoryFailure, LastErrorCodeText() + "+" + m_lastError));
        return {};
    }
    if (ok)
        *ok = true;
    return bills;
}

std::vector<BillDetailRecord> CDataStore::ListBillDetails(const std::string& historyWord,
                                                          const std::string& billId, bool* ok) {
    if (ok)
        *ok = false;
    auto table = TradeTableOfHistoryWord(historyWord);
    if (!table) {
        m_lastError = "unknown bill kind: " + historyWord;
        Messages().Inform(
            DatabaseFailureText(kHistoryFailure, LastErrorCodeText() + "+" + m_lastError));
        return {};
    }
    std::vector<BillDetailRecord> lines;
    const bool costed = *table == BillTable::EnterSale || *table == BillTable::BackSale;
    if (!Run(kDetailColumns + std::string(costed ? ", Product_Cost from " : " from ") +
                 BillTableName(*table) + "_Detail where Bill_ID = ? order by Id",
             {billId}, [&](const CStatement& st) { lines.push_back(ReadTradeDetail(st)); })) {
        Messages().Inform(
            DatabaseFailureText(kHistoryFailure, LastErrorCodeText() + "+" + m_lastError));
        return {};
    }
    if (ok)
        *ok = true;
    return lines;
}

std::vector<BillDetailRecord> CDataStore::ListStockBillLines(BillTable table,
                                                             const std::string& billId, bool* ok) {
    if (ok)
        *ok = !IsTradeTable(table);
    if (IsTradeTable(table))
        return {};
    std::vector<BillDetailRecord> lines;
    if (!Run(std::string("select * from ") + BillTableName(table) +
                 " where Bill_ID = ? order by Id",
             {billId}, [&](const CStatement& st) { lines.push_back(ReadDetail(st)); })) {
        Messages().Inform(
            DatabaseFailureText(kHistoryFailure, LastErrorCodeText() + "+" + m_lastError));
        if (ok)
            *ok = false;
        return {};
    }
    return lines;
}

namespace {
const char* kTransferColumns =
    "select Canceled, Bill_ID, Bill_Date, Department, Employee, Warehouse, ToWarehouse,"
    " Introduction, Number, Product_ID, Product_Name, Product_Number, Product_Unit, Product_Note,"
    " Product_BarCode from YiKuDan";

TransferRecord ReadTransfer(const CStatement& st) {
    return {st.Text(0),  st.Text(1),  st.Text(2),  st.Text(3),  st.Text(4),
            st.Text(5),  st.Text(6),  st.Text(7),  st.Text(8),  st.Text(9),
            st.Text(10), st.Text(11), st.Text(12), st.Text(13), st.Text(14)};
}
} // namespace

std::vector<TransferRecord> CDataStore::ListTransfersByDate(const std::string& from,
                                                            const std::string& to, bool* ok) {
    if (ok)
        *ok = false;
    std::vector<TransferRecord> bills;
    // A transfer's rows are written together, so its first row stands for the bill.
    if (!Run(std::string(kTransferColumns) +
                 " where Id in (select min(Id) from YiKuDan where Bill_Date between ? and ?"
                 " group by Bill_ID) order by Id",
             {from, to}, [&](const CStatement& st) { bills.push_back(ReadTransfer(st)); })) {
        Messages().Inform(
            DatabaseFailureText(kHistoryFailure, LastErrorCodeText() + "+" + m_lastError));
        return {};
    }
    if (ok)
        *ok = true;
    return bills;
}

std::vector<TransferRecord> CDataStore::ListTransferLines(const std::string& billId, bool* ok) {
    if (ok)
        *ok = false;
    std::vector<TransferRecord> lines;
    if (!Run(std::string(kTransferColumns) + " where Bill_ID = ? order by Id", {billId},
             [&](const CStatement& st) { lines.push_back(ReadTransfer(st)); })) {
        Messages().Inform(
            DatabaseFailureText(kHistoryFailure, LastErrorCodeText() + "+" + m_lastError));
        return {};
    }
    if (ok)
        *ok = true;
    return lines;
}

bool WriteLogEntries(const std::string& event, size_t count) {
    if (count == 0)
        return true;
    CDataStore store;
    if (!store.ConnectOther())
        return false;
    // One transaction for all entries: a thousand-line bill must not pay a thousand syncs.
    bool inTransaction = store.Begin();
    bool ok = true;
    for (size_t i = 0; i < count && ok; ++i)
        ok = store.AddLogEntry(event);
    if (inTransaction && !store.Commit())
        store.Rollback();
    return ok;
}
