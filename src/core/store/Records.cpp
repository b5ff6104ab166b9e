#include "Records.h"

const char* BillTableName(BillTable table) {
    switch (table) {
    case BillTable::EnterStock:
        return "EnterStock";
    case BillTable::BackStock:
        return "BackStock";
    case BillTable::EnterSale:
        return "EnterSale";
    case BillTable::BackSale:
        return "BackSale";
    case BillTable::BaoSunDan:
        return "BaoSunDan";
    case BillTable::BaoYiDan:
        return "BaoYiDan";
    case BillTable::TiaoJiaDan:
        return "TiaoJiaDan";
    case BillTable::YiKuDan:
        return "YiKuDan";
    case BillTable::FundBill:
        return "FundBill";
    }
    return "";
}

std::optional<BillTable> TradeTableOfHistoryWord(const std::string& word) {
    if (word == "run_caigou")
        return BillTable::EnterStock;
    if (word == "run_caigou_tuihuo")
        return BillTable::BackStock;
    if (word == "run_sale")
        return BillTable::EnterSale;
    if (word == "run_sale_tuihuo")
        return BillTable::BackSale;
    return std::nullopt;
}

const std::vector<GoodsColumn>& GoodsColumns() {
    using G = GoodsRecord;
    static const std::vector<GoodsColumn> columns = {
        {"Code", &G::Code},
        {"ProductName", &G::ProductName},
        {"ClassId", &G::ClassId},
        {"ClassName", &G::ClassName},
        {"SmartName", &G::SmartName},
        {"Unit", &G::Unit},
        {"PartNumber", &G::PartNumber},
        {"Specifications", &G::Specifications},
        {"ProductingArea", &G::ProductingArea},
        {"PricePre1", &G::PricePre1},
        {"PricePre2", &G::PricePre2},
        {"PricePre3", &G::PricePre3},
        {"RetailPrice", &G::RetailPrice},
        {"PriceLow", &G::PriceLow},
        {"PriceHigh", &G::PriceHigh},
        {"PriceIn", &G::PriceIn},
        {"BarCode", &G::BarCode},
        {"ShelfLife", &G::ShelfLife},
        {"InventoryLow", &G::InventoryLow},
        {"InventoryHigh", &G::InventoryHigh},
        {"Available", &G::Available},
        {"UserDefined1", &G::UserDefined1},
        {"UserDefined2", &G::UserDefined2},
        {"UserDefined3", &G::UserDefined3},
        {"UserDefined4", &G::UserDefined4},
        {"Note", &G::Note},
    };
    return columns;
}

const std::vector<BusinessUnitColumn>& BusinessUnitColumns() {
    using B = BusinessUnitRecord;
    static const std::vector<BusinessUnitColumn> columns = {
        {"CustomerCode", &B::CustomerCode},       {"CustomerName", &B::CustomerName},
        {"CustomerContact", &B::CustomerContact}, {"CustomerMobile", &B::CustomerMobile},
        {"CustomerTel", &B::CustomerTel},         {"CustomerFax", &B::CustomerFax},
        {"CustomerZip", &B::CustomerZip},         {"CustomerAddr", &B::CustomerAddr},
        {"CustomerArea", &B::CustomerArea},       {"CustomerType", &B::CustomerType},
        {"CustomerWebsite", &B::CustomerWebsite}, {"CustomerEmail", &B::CustomerEmail},
        {"CustomerMsn", &B::CustomerMsn},         {"CustomerQq", &B::CustomerQq},
        {"CustomerNote", &B::CustomerNote},
    };
    return columns;
}
