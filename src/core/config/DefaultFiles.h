#pragma once
#include <string_view>

// What a new program folder is made from, compiled into the programs (data/).
extern const std::string_view kDefaultConfigFile;
extern const std::string_view kDefaultStockTemplate;
extern const std::string_view kDefaultStatementTemplate;
