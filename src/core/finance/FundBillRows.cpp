#include "FundBillRows.h"

#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "store/CDataStore.h"

bool AddFundBill(CDataStore& store, const FundBillRecord& b) {
    return store.ExecuteSql("insert into FundBill(Canceled, Bill_ID, Bill_Date, Kind, Customer,"
                            " Department, Employee, Bank, Amount, Introduction)"
                            " values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                            {b.Canceled, b.Bill_ID, b.Bill_Date, b.Kind, b.Customer, b.Department,
                             b.Employee, b.Bank, b.Amount, b.Introduction});
}

std::optional<FundBillRecord> FindFundBill(CDataStore& store, const std::string& billId, bool* ok) {
    if (ok)
        *ok = false;
    std::optional<FundBillRecord> found;
    if (!store.Run("select Canceled, Bill_ID, Bill_Date, Kind, Customer, Department, Employee,"
                   " Bank, Amount, Introduction from FundBill where Bill_ID = ?",
                   {billId}, [&](const CStatement& st) {
                       found = FundBillRecord{st.Text(0), st.Text(1), st.Text(2), st.Text(3),
                                              st.Text(4), st.Text(5), st.Text(6), st.Text(7),
                                              st.Text(8), st.Text(9)};
                   })) {
        Messages().Inform(FundFailureText(store));
        return std::nullopt;
    }
    if (ok)
        *ok = true;
    return found;
}

std::string FundFailureText(const CDataStore& store) {
    return DatabaseFailureText("获取收付款信息失败。", store.ErrorDetail());
}
