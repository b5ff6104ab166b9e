#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What a goods label holds, without drawing it: the label room outside the core draws it for
// the goods window and ferix-cli alike.

enum class LabelSymbology { Ean13, Code128 };

// 13 digits whose last is the EAN check digit of the twelve before it.
bool IsValidEan13(std::string_view text);

struct LabelBarcode {
    LabelSymbology symbology = LabelSymbology::Code128;
    std::string data;
};
// EAN-13 for a valid EAN-13 barcode; any other barcode as Code 128, and the goods code when the
// goods item has no barcode.
LabelBarcode ChooseLabelBarcode(const std::string& barcode, const std::string& code);

struct GoodsLabel {
    std::string name, code;
    std::string price; // the retail price as the role sees it ("***" when 售价 is hidden)
    LabelBarcode barcode;
};

// The labels of the goods asked for (code, how many labels), each repeated its count, for the
// logged-in operator: the goods' 打印 right first, then every code must name a goods item.
// Nothing, after the refusal or "没有商品编码为“X”的商品！", otherwise.
std::optional<std::vector<GoodsLabel>>
MakeGoodsLabels(const std::vector<std::pair<std::string, int>>& wanted);
