// Trade bill headers, bill numbers, the reversal mark, browsing and the stored rows of loss,
// gain and price-adjustment bills (main data file).
#include "BillStore.h"
#include "BillKind.h"

#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "store/BillRows.h"
#include "store/CDataStore.h"
#include "store/WarehouseScope.h"

namespace {
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
    d.Base_Number = st.Text("Base_Number");
    return d;
}

bool IsTradeTable(BillTable t) {
    return t == BillTable::EnterStock || t == BillTable::BackStock || t == BillTable::EnterSale ||
           t == BillTable::BackSale;
}
} // namespace

bool AddTradeBillHeader(CDataStore& store, BillTable table, const BillHeaderRecord& h) {
    if (!IsTradeTable(table)) {
        store.SetLastError("not a trade bill table");
        return false;
    }
    return store.ExecuteSql(std::string("insert into ") + BillTableName(table) +
                                "(Canceled, Bill_ID, Bill_Date, Customer, Department, Warehouse,"
                                " Employee, Introduction, Number, Total, Bank, Pay)"
                                " values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                            {h.Canceled, h.Bill_ID, h.Bill_Date, h.Customer, h.Department,
                             h.Warehouse, h.Employee, h.Introduction, h.Number, h.Total, h.Bank,
                             h.Pay});
}

std::optional<std::vector<std::string>> BillNumbersFrom(CDataStore& store, BillTable table,
                                                        const std::string& billId) {
    // Every text from billId up to billId + "." holds billId + "-…" (as '-' < '.'): one index
    // range read; the few other texts in it are dropped here.
    std::vector<std::string> numbers;
    const std::string dash = billId + "-";
    if (!store.Run(std::string("select distinct Bill_ID from ") + BillTableName(table) +
                       " where Bill_ID >= ? and Bill_ID < ?",
                   {billId, billId + "."}, [&](const CStatement& st) {
                       std::string id = st.Text(0);
                       if (id == billId || id.starts_with(dash))
                           numbers.push_back(std::move(id));
                   })) {
        Messages().Inform(DatabaseFailureText("", store.ErrorDetail()));
        return std::nullopt;
    }
    return numbers;
}

std::optional<BillHeaderRecord> FindBillHeader(CDataStore& store, const std::string& historyWord,
                                               const std::string& billId, bool* ok) {
    if (ok)
        *ok = false;
    auto table = TradeTableOfHistoryWord(historyWord);
    if (!table)
        return std::nullopt;
    std::optional<BillHeaderRecord> found;
    if (!store.Run(kBillHeaderSelect + std::string(BillTableName(*table)) + " where Bill_ID = ?",
                   {billId}, [&](const CStatement& st) { found = ReadBillHeader(st); })) {
        Messages().Inform(DatabaseFailureText(kHistoryFailure, store.ErrorDetail()));
        return std::nullopt;
    }
    if (ok)
        *ok = true;
    return found;
}

bool SetBillCanceled(CDataStore& store, BillTable table, const std::string& billId,
                     const std::string& canceled) {
    if (table == BillTable::YiKuDan || table == BillTable::FundBill ||
        table == BillTable::QiChuKuCun)
        return store.ExecuteSql(std::string("update ") + BillTableName(table) +
                                    " set Canceled = ? where Bill_ID = ?",
                                {canceled, billId});
    if (!IsTradeTable(table)) {
        store.SetLastError("not a trade bill table");
        return false;
    }
    const std::string name = BillTableName(table);
    return store.ExecuteSql("update " + name + " set Canceled = ? where Bill_ID = ?",
                            {canceled, billId}) &&
           store.ExecuteSql("update " + name + "_Detail set Canceled = ? where Bill_ID = ?",
                            {canceled, billId});
}

std::optional<std::string> AdjacentBillId(CDataStore& store, const std::string& historyWord,
                                          const std::string& billId, bool later, bool* ok) {
    if (ok)
        *ok = false;
    const auto kind = BillKindFromHistoryWord(historyWord);
    // A transfer and opening stock have one row per line: the first row stands for the bill.
    const bool transfer = kind == BillKind::Transfer || kind == BillKind::Opening;
    // Receipts, payments and opening balances share one table, told apart by their Kind.
    const bool fundKind = kind && IsFundKind(*kind);
    auto table = transfer || fundKind ? std::optional(KindNames(*kind).table)
                                      : TradeTableOfHistoryWord(historyWord);
    if (!table) {
        store.SetLastError("unknown bill kind: " + historyWord);
        Messages().Inform(DatabaseFailureText(kHistoryFailure, store.ErrorDetail()));
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
        sql += " where Id in (select min(Id) from " + name + " group by Bill_ID)";
        where = " and ";
    }
    SqlValues values;
    if (fundKind) {
        sql += " where" + FundKindCondition(*kind, values);
        where = " and ";
    } else {
        // Browsing steps over the bills of warehouses outside the operator's scope.
        const std::string scope =
            kind == BillKind::Transfer
                ? WarehousePairScopeCondition("Warehouse", "ToWarehouse", values)
                : WarehouseScopeCondition("Warehouse", values);
        if (!scope.empty()) {
            sql += where + scope;
            where = " and ";
        }
    }
    if (!billId.empty()) {
        sql += where + "Id " + (later ? ">" : "<") + " (select min(Id) from " + name +
               " where Bill_ID = ?)";
        values.push_back(billId);
    }
    sql += later ? " order by Id limit 1" : " order by Id desc limit 1";
    std::optional<std::string> found;
    if (!store.Run(sql, values, [&](const CStatement& st) { found = st.Text(0); })) {
        Messages().Inform(DatabaseFailureText(kHistoryFailure, store.ErrorDetail()));
        return std::nullopt;
    }
    if (ok)
        *ok = true;
    return found;
}

std::vector<BillDetailRecord> ListStockBillLines(CDataStore& store, BillTable table,
                                                 const std::string& billId, bool* ok) {
    if (ok)
        *ok = !IsTradeTable(table);
    if (IsTradeTable(table))
        return {};
    std::vector<BillDetailRecord> lines;
    std::string sql = std::string("select * from ") + BillTableName(table) + " where Bill_ID = ?";
    SqlValues values = {billId};
    AddWarehouseScope(sql, values, "Warehouse", true);
    if (!store.Run(sql + " order by Id", values,
                   [&](const CStatement& st) { lines.push_back(ReadDetail(st)); })) {
        Messages().Inform(DatabaseFailureText(kHistoryFailure, store.ErrorDetail()));
        if (ok)
            *ok = false;
        return {};
    }
    return lines;
}
