#include "Records.h"

#include "BillKindNames.h"

const char* BillTableName(BillTable table) {
    for (const auto& k : kBillKindNames) {
        if (k.table == table)
            return k.tableName;
    }
    return "";
}

std::optional<BillTable> TradeTableOfHistoryWord(const std::string& word) {
    auto kind = BillKindFromHistoryWord(word);
    if (!kind || !IsTradeKind(*kind))
        return std::nullopt;
    return KindNames(*kind).table;
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
