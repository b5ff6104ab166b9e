#include "GoodsLabels.h"

#include "GoodsStore.h"
#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "store/RightCheck.h"
#include "store/Session.h"

bool IsValidEan13(std::string_view text) {
    if (text.size() != 13)
        return false;
    int sum = 0;
    for (size_t i = 0; i < 13; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        // Weights 1, 3, 1, 3... over the first twelve digits.
        if (i < 12)
            sum += (text[i] - '0') * (i % 2 ? 3 : 1);
    }
    return (10 - sum % 10) % 10 == text[12] - '0';
}

LabelBarcode ChooseLabelBarcode(const std::string& barcode, const std::string& code) {
    if (barcode.empty())
        return {LabelSymbology::Code128, code};
    return {IsValidEan13(barcode) ? LabelSymbology::Ean13 : LabelSymbology::Code128, barcode};
}

std::optional<std::vector<GoodsLabel>>
MakeGoodsLabels(const std::vector<std::pair<std::string, int>>& wanted) {
    if (!CheckRight("goods", Action::Print))
        return std::nullopt;
    CDataStore store;
    if (!store.ConnectMain())
        return std::nullopt;
    std::vector<GoodsLabel> labels;
    for (const auto& [code, count] : wanted) {
        const auto goods = FindGoods(store, code);
        if (!goods) {
            Messages().Inform(store.LastError().empty() ? GoodsNotFoundText(code)
                                                        : ConnectFailureText(store.LastError()));
            return std::nullopt;
        }
        const GoodsRecord shown = ShownGoods(*goods, Session().rights);
        GoodsLabel label{shown.ProductName, shown.Code, shown.RetailPrice,
                         ChooseLabelBarcode(goods->BarCode, goods->Code)};
        for (int i = 0; i < count; ++i)
            labels.push_back(label);
    }
    return labels;
}
