// Trade bill lines, loss, gain and price-adjustment bill lines, and the history queries that
// read trade bills back.
#include "BillRows.h"
#include "CDataStore.h"
#include "WarehouseScope.h"

#include "BillKindNames.h"
#include "port/FailureText.h"
#include "port/MessagePort.h"

#include <iterator>

bool CDataStore::AddTradeLine(BillTable table, const BillDetailRecord& d, const char* failure) {
    // Sale and sale-return lines also keep their cost; purchase and sale lines the order line
    // they deliver (NULL for a line not made from an order).
    const bool costed = table == BillTable::EnterSale || table == BillTable::BackSale;
    const bool ordered = table == BillTable::EnterStock || table == BillTable::EnterSale;
    SqlValues values = {d.Canceled,     d.Bill_ID,         d.Bill_Date,      d.Customer,
                        d.Department,   d.Employee,        d.Warehouse,      d.Introduction,
                        d.Number,       d.Total,           d.Bank,           d.Pay,
                        d.Product_ID,   d.Product_Name,    d.Product_Number, d.Product_Unit,
                        d.Product_atch, d.Product_Date,    d.Product_Price,  d.Product_Total,
                        d.Product_Note, d.Product_BarCode, d.Base_Number};
    std::string columns =
        "Canceled, Bill_ID, Bill_Date, Customer, Department, Employee, Warehouse,"
        " Introduction, Number, Total, Bank, Pay, Product_ID, Product_Name,"
        " Product_Number, Product_Unit, Product_atch, Product_Date, Product_Price,"
        " Product_Total, Product_Note, Product_BarCode, Base_Number";
    std::string marks = "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?";
    if (costed) {
        values.push_back(d.Product_Cost);
        values.push_back(d.Product_UnitCost);
        columns += ", Product_Cost, Product_UnitCost";
        marks += ", ?, ?";
    }
    if (ordered) {
        values.push_back(d.Order_Line_ID);
        columns += ", Order_Line_ID";
        marks += ", cast(nullif(?, '') as bigint)";
    }
    if (!Run(std::string("insert into ") + BillTableName(table) + "_Detail(" + columns +
                 ") values(" + marks + ")",
             values)) {
        Messages().Inform(DatabaseFailureText(failure, ErrorDetail()));
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
                     " Product_BarCode, Base_Number)"
                     " values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                 {l.Bill_ID, l.Bill_Date, l.Department, l.Employee, l.Warehouse, l.Introduction,
                  l.Number, l.Total, l.Product_ID, l.Product_Name, l.Product_Number, l.Product_Unit,
                  l.Product_atch, l.Product_Date, l.Product_Price, l.Product_Total, l.Product_Note,
                  l.Product_BarCode, l.Base_Number});
    }
    if (!ok) {
        Messages().Inform(DatabaseFailureText(failure, ErrorDetail()));
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

bool CDataStore::AddOpeningLine(const StockBillLineRecord& line) {
    return AddStockBillLine(BillTable::QiChuKuCun, line, "添加期初库存失败。");
}

bool CDataStore::AddPriceLine(const StockBillLineRecord& line) {
    return AddStockBillLine(BillTable::TiaoJiaDan, line, "添加调价单失败。");
}

const char* const kBillHeaderSelect =
    "select Canceled, Bill_ID, Bill_Date, Customer, Department, Warehouse, Employee,"
    " Introduction, Number, Total, Bank, Pay from ";

BillHeaderRecord ReadBillHeader(const CStatement& st) {
    return {st.Text(0), st.Text(1), st.Text(2), st.Text(3), st.Text(4),  st.Text(5),
            st.Text(6), st.Text(7), st.Text(8), st.Text(9), st.Text(10), st.Text(11)};
}

namespace {
// The trade line columns by position: a thousand-line bill read back by column name spends
// more time finding the names than reading the rows.
const char* kDetailColumns =
    "select Canceled, Bill_ID, Bill_Date, Product_ID, Product_Name, Product_Number, Product_Unit,"
    " Product_atch, Product_Date, Product_Price, Product_Total, Product_BarCode, Product_Note,"
    " Customer, Department, Warehouse, Employee, Introduction, Number, Total, Bank, Pay,"
    " Base_Number";

BillDetailRecord ReadTradeDetail(const CStatement& st, bool costed, bool ordered) {
    BillDetailRecord d;
    std::string* fields[] = {&d.Canceled,      &d.Bill_ID,       &d.Bill_Date,
                             &d.Product_ID,    &d.Product_Name,  &d.Product_Number,
                             &d.Product_Unit,  &d.Product_atch,  &d.Product_Date,
                             &d.Product_Price, &d.Product_Total, &d.Product_BarCode,
                             &d.Product_Note,  &d.Customer,      &d.Department,
                             &d.Warehouse,     &d.Employee,      &d.Introduction,
                             &d.Number,        &d.Total,         &d.Bank,
                             &d.Pay,           &d.Base_Number};
    int column = 0;
    for (; column < static_cast<int>(std::size(fields)); ++column)
        st.TextInto(column, *fields[column]);
    if (costed) {
        st.TextInto(column++, d.Product_Cost);
        st.TextInto(column++, d.Product_UnitCost);
    }
    if (ordered)
        st.TextInto(column, d.Order_Line_ID);
    return d;
}
} // namespace

std::vector<BillHeaderRecord> CDataStore::ListBillsByDate(const std::string& historyWord,
                                                          const std::string& from,
                                                          const std::string& to, bool* ok) {
    if (ok)
        *ok = false;
    std::vector<BillHeaderRecord> bills;
    auto table = TradeTableOfHistoryWord(historyWord);
    if (!table) {
        m_lastError = "unknown bill kind: " + historyWord;
        Messages().Inform(DatabaseFailureText(kHistoryFailure, ErrorDetail()));
        return {};
    }
    // Bill_Date holds ISO texts, so comparing texts compares dates.
    std::string sql =
        kBillHeaderSelect + std::string(BillTableName(*table)) + " where Bill_Date between ? and ?";
    SqlValues values = {from, to};
    AddWarehouseScope(sql, values, "Warehouse", true);
    if (!Run(sql + " order by Id", values,
             [&](const CStatement& st) { bills.push_back(ReadBillHeader(st)); })) {
        Messages().Inform(DatabaseFailureText(kHistoryFailure, ErrorDetail()));
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
        Messages().Inform(DatabaseFailureText(kHistoryFailure, ErrorDetail()));
        return {};
    }
    std::vector<BillDetailRecord> lines;
    const bool costed = *table == BillTable::EnterSale || *table == BillTable::BackSale;
    const bool ordered = *table == BillTable::EnterStock || *table == BillTable::EnterSale;
    // A bill of a warehouse outside the operator's scope reads as no bill.
    std::string sql = kDetailColumns +
                      std::string(costed ? ", Product_Cost, Product_UnitCost" : "") +
                      (ordered ? ", Order_Line_ID" : "") + " from " + BillTableName(*table) +
                      "_Detail where Bill_ID = ?";
    SqlValues values = {billId};
    AddWarehouseScope(sql, values, "Warehouse", true);
    if (!Run(sql + " order by Id", values, [&](const CStatement& st) {
            lines.push_back(ReadTradeDetail(st, costed, ordered));
        })) {
        Messages().Inform(DatabaseFailureText(kHistoryFailure, ErrorDetail()));
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
