#pragma once
#include "text/Money.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Plain records of texts, as the store reads and writes them.

struct UserRecord {
    std::string UserName;
    std::string PassWord; // a password hash, never the password itself
    std::string CreateTime;
    std::string LastLogin;
    std::string Note;
};

struct LogRecord {
    std::string Event;
    std::string User;
    std::string Time;
};

struct SettingsRecord {
    std::string CompanyName;
    std::string CompanyTel;
    std::string CompanyFax;
    std::string CompanyZip;
    std::string Chengben; // stock-costing method
    std::string CompanyAddr;
};

struct GoodsRecord {
    std::string Id; // row number, as text; never written
    std::string Code, ProductName, ClassId, ClassName, SmartName, Unit, PartNumber, Specifications,
        ProductingArea, PricePre1, PricePre2, PricePre3, RetailPrice, PriceLow, PriceHigh, PriceIn,
        BarCode, ShelfLife, InventoryLow, InventoryHigh, Available, UserDefined1, UserDefined2,
        UserDefined3, UserDefined4, Note;
};

struct GoodsClassRecord {
    std::string id, parent_name, class_name, class_note;
};

struct BusinessUnitRecord {
    std::string Id; // row number, as text; never written
    std::string CustomerCode, CustomerName, CustomerContact, CustomerMobile, CustomerTel,
        CustomerFax, CustomerZip, CustomerAddr, CustomerArea, CustomerType, CustomerWebsite,
        CustomerEmail, CustomerMsn, CustomerQq, CustomerNote;
};

// CostPrice is the row's moving-average cost, four decimals; Price its list price.
struct StockRecord {
    std::string Id, StoreHouse, ProductCode, ProductName, FirstEnterTime, LastLeaveTime, Number,
        Price, CostPrice;
};

// A bill header of the four trade tables (EnterStock, BackStock, EnterSale, BackSale).
struct BillHeaderRecord {
    std::string Canceled, Bill_ID, Bill_Date, Customer, Department, Warehouse, Employee,
        Introduction, Number, Total, Bank, Pay;
};

// A bill line of the trade line tables: the header's values repeated, then the goods line.
// Also used for reading back loss, gain and price-adjustment rows.
struct BillDetailRecord {
    std::string Canceled, Bill_ID, Bill_Date, Product_ID, Product_Name, Product_Number,
        Product_Unit, Product_atch, Product_Date, Product_Price, Product_Total, Product_BarCode,
        Product_Note, Customer, Department, Warehouse, Employee, Introduction, Number, Total, Bank,
        Pay;
    // Sale and sale-return lines: quantity × cost price when posted, two decimals; empty for a
    // line whose cost is unknown (posted before costs were kept).
    std::string Product_Cost;
    // The same lines: the stock row's cost price the units moved at, four decimals; empty on
    // older lines.
    std::string Product_UnitCost;
    // Product_Number in the goods' base unit: the quantity the line moved in stock.
    std::string Base_Number;
    // Purchase and sale lines made from an order: the Id of the order line they deliver;
    // empty otherwise.
    std::string Order_Line_ID;
};

// A row of the loss, gain or price-adjustment tables (the price table has no Number, Total,
// Product_Number, Product_atch, Product_Date or Product_Total).
struct StockBillLineRecord {
    std::string Bill_ID, Bill_Date, Department, Employee, Warehouse, Introduction, Number, Total,
        Product_ID, Product_Name, Product_Number, Product_Unit, Product_atch, Product_Date,
        Product_Price, Product_Total, Product_Note, Product_BarCode;
    std::string Base_Number; // Product_Number in base units (the loss and gain tables)
};

// A row of the transfer table YiKuDan: one per goods line, the bill's header repeated.
// Warehouse is the source, ToWarehouse the target; Number is the bill's quantity total and
// Introduction the bill's remark (the line's own is Product_Note).
struct TransferRecord {
    std::string Canceled, Bill_ID, Bill_Date, Department, Employee, Warehouse, ToWarehouse,
        Introduction, Number, Product_ID, Product_Name, Product_Number, Product_Unit, Product_Note,
        Product_BarCode;
    std::string Base_Number; // Product_Number in base units: what moved
};

// The Kind of a fund bill, and the unit types of the unit list.
inline constexpr const char* kFundKindReceipt = "收款";
inline constexpr const char* kFundKindPayment = "付款";
// An opening balance raises what a customer owes or what is owed to a supplier.
inline constexpr const char* kFundKindOpeningReceivable = "期初应收";
inline constexpr const char* kFundKindOpeningPayable = "期初应付";
inline constexpr const char* kUnitTypeSupplier = "供应商";
inline constexpr const char* kUnitTypeCustomer = "客户";

// A receipt or payment: one row of FundBill. Kind is "收款" or "付款"; Amount is the money
// received from or paid to the business unit Customer through the account Bank.
struct FundBillRecord {
    std::string Canceled, Bill_ID, Bill_Date, Kind, Customer, Department, Employee, Bank, Amount,
        Introduction;
};

// What a business unit owes (Receivable) and is owed (Payable), two decimals; Type is the
// unit's type in the unit list, empty for a name that is only in bills.
struct UnitBalanceRecord {
    std::string Customer, Type, Receivable, Payable;
    // Stored paid amounts that are no amounts, each with its bill; they count as nothing.
    std::vector<std::string> Notes;
};

// One line of a unit's statement: a document with what it adds to and takes from the balance,
// and the balance after it (two decimals; a side the document does not touch is empty).
struct StatementLineRecord {
    std::string Bill_Date, Bill_ID, Kind, Increase, Decrease, Balance;
};

// A unit's statement over a date range: the balance before it, the documents in date order and
// the balance after them (Increase and Decrease are the sums of the lines).
struct UnitStatementRecord {
    std::string Customer, Type, From, To, Opening, Increase, Decrease, Closing;
    std::vector<StatementLineRecord> Lines;
    std::vector<std::string> Notes; // as UnitBalanceRecord's
};

// Money in and out of one account (two decimals).
struct AccountBalanceRecord {
    std::string Bank, In, Out, Balance;
};

// The tables that hold bills, one per bill kind.
enum class BillTable {
    EnterStock,
    BackStock,
    EnterSale,
    BackSale,
    BaoSunDan,
    BaoYiDan,
    TiaoJiaDan,
    YiKuDan,
    FundBill,
    QiChuKuCun,
    PurchaseOrder,
    SaleOrder
};
const char* BillTableName(BillTable table);
// The header table of a history kind word (run_caigou, run_caigou_tuihuo, run_sale,
// run_sale_tuihuo); nothing for any other text.
std::optional<BillTable> TradeTableOfHistoryWord(const std::string& word);

// Column names of the goods and business-unit tables in table order (without Id), with the
// record member each one fills.
struct GoodsColumn {
    const char* name;
    std::string GoodsRecord::*field;
};
const std::vector<GoodsColumn>& GoodsColumns();
struct BusinessUnitColumn {
    const char* name;
    std::string BusinessUnitRecord::*field;
};
const std::vector<BusinessUnitColumn>& BusinessUnitColumns();

// A statistics group by goods item: the goods fields of the group's first detail row, with
// Product_Number holding the group's summed quantity as a whole number.
struct GoodsGroupRecord {
    std::string Product_ID, Product_Name, Product_Number, Product_Unit, Product_atch, Product_Date,
        Product_Price, Product_BarCode, Product_Note;
};

// A statistics group by handler or department: the key and the summed quantity.
struct KeyGroupRecord {
    std::string Key, Quantity;
};

// What the sales of one group earned: sale lines less sale-return lines. `Name` and `Unit` are
// those of a goods group's first line. Lines whose cost is unknown count in `Amount` only.
struct ProfitGroupRecord {
    std::string Key, Name, Unit;
    int64_t Quantity = 0;
    CMoneySum Amount;       // every line
    CMoneySum CostedAmount; // the lines whose cost is known
    CMoneySum Cost;
    int64_t UnknownCostLines = 0;
};
// The stock limits of one goods item, as typed in the goods form.
struct GoodsLimitRecord {
    std::string Code, ProductName, Unit, InventoryLow, InventoryHigh;
};

enum class ProfitKey { Goods, Customer, Employee, Month };
