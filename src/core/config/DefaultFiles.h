#pragma once
#include <string_view>

// What a new program folder is made from, compiled into the programs (data/).
extern const std::string_view kDefaultConfigFile;
extern const std::string_view kDefaultStockTemplate;
extern const std::string_view kDefaultStatementTemplate;
// The bill print templates, one per kind (Templates/temp_bill_<ferix-cli word>.html).
extern const std::string_view kDefaultBillTemplate_purchase;
extern const std::string_view kDefaultBillTemplate_purchase_return;
extern const std::string_view kDefaultBillTemplate_sale;
extern const std::string_view kDefaultBillTemplate_sale_return;
extern const std::string_view kDefaultBillTemplate_loss;
extern const std::string_view kDefaultBillTemplate_gain;
extern const std::string_view kDefaultBillTemplate_price;
extern const std::string_view kDefaultBillTemplate_transfer;
extern const std::string_view kDefaultBillTemplate_receipt;
extern const std::string_view kDefaultBillTemplate_payment;
extern const std::string_view kDefaultBillTemplate_opening;
extern const std::string_view kDefaultBillTemplate_opening_balance;
extern const std::string_view kDefaultBillTemplate_purchase_order;
extern const std::string_view kDefaultBillTemplate_sale_order;
