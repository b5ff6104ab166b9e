// Transfers (移库单): their rows written and read back (main data file).
#include "TransferStore.h"

#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "store/BillRows.h"
#include "store/CDataStore.h"
#include "store/WarehouseScope.h"

bool AddTransferLine(CDataStore& store, const TransferRecord& l) {
    if (!store.Run(
            "insert into YiKuDan(Canceled, Bill_ID, Bill_Date, Department, Employee, Warehouse,"
            " ToWarehouse, Introduction, Number, Product_ID, Product_Name, Product_Number,"
            " Product_Unit, Product_Note, Product_BarCode, Base_Number)"
            " values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            {l.Canceled, l.Bill_ID, l.Bill_Date, l.Department, l.Employee, l.Warehouse,
             l.ToWarehouse, l.Introduction, l.Number, l.Product_ID, l.Product_Name,
             l.Product_Number, l.Product_Unit, l.Product_Note, l.Product_BarCode, l.Base_Number})) {
        Messages().Inform(DatabaseFailureText("添加移库单失败。", store.ErrorDetail()));
        return false;
    }
    return true;
}

namespace {
const char* kTransferColumns =
    "select Canceled, Bill_ID, Bill_Date, Department, Employee, Warehouse, ToWarehouse,"
    " Introduction, Number, Product_ID, Product_Name, Product_Number, Product_Unit, Product_Note,"
    " Product_BarCode, Base_Number from YiKuDan";

TransferRecord ReadTransfer(const CStatement& st) {
    return {st.Text(0),  st.Text(1),  st.Text(2),  st.Text(3), st.Text(4),  st.Text(5),
            st.Text(6),  st.Text(7),  st.Text(8),  st.Text(9), st.Text(10), st.Text(11),
            st.Text(12), st.Text(13), st.Text(14), st.Text(15)};
}
} // namespace

std::vector<TransferRecord> ListTransfersByDate(CDataStore& store, const std::string& from,
                                                const std::string& to, bool* ok) {
    if (ok)
        *ok = false;
    std::vector<TransferRecord> bills;
    // A transfer's rows are written together, so its first row stands for the bill. It is
    // shown when either of its warehouses is in the operator's scope.
    SqlValues values = {from, to};
    std::string sql = std::string(kTransferColumns) +
                      " where Id in (select min(Id) from YiKuDan where Bill_Date between ? and ?";
    AddWarehousePairScope(sql, values, "Warehouse", "ToWarehouse", true);
    if (!store.Run(sql + " group by Bill_ID) order by Id", values,
                   [&](const CStatement& st) { bills.push_back(ReadTransfer(st)); })) {
        Messages().Inform(DatabaseFailureText(kHistoryFailure, store.ErrorDetail()));
        return {};
    }
    if (ok)
        *ok = true;
    return bills;
}

std::vector<TransferRecord> ListTransferLines(CDataStore& store, const std::string& billId,
                                              bool* ok) {
    if (ok)
        *ok = false;
    std::vector<TransferRecord> lines;
    SqlValues values = {billId};
    std::string sql = std::string(kTransferColumns) + " where Bill_ID = ?";
    AddWarehousePairScope(sql, values, "Warehouse", "ToWarehouse", true);
    if (!store.Run(sql + " order by Id", values,
                   [&](const CStatement& st) { lines.push_back(ReadTransfer(st)); })) {
        Messages().Inform(DatabaseFailureText(kHistoryFailure, store.ErrorDetail()));
        return {};
    }
    if (ok)
        *ok = true;
    return lines;
}
