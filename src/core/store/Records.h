#pragma once
#include <string>

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

struct StockRecord {
    std::string Id, StoreHouse, ProductCode, ProductName, FirstEnterTime, LastLeaveTime, Number,
        Price;
};
