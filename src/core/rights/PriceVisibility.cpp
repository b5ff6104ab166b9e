#include "PriceVisibility.h"

const char* PriceKindName(PriceKind kind) {
    switch (kind) {
    case PriceKind::Purchase:
        return "进价";
    case PriceKind::Cost:
        return "成本";
    case PriceKind::Sale:
        return "售价";
    case PriceKind::None:
        break;
    }
    return "";
}

bool HidesPrice(const CRoleRights& rights, PriceKind kind) {
    // The kinds after None are in the order of kHiddenPrices.
    static_assert(static_cast<int>(PriceKind::Purchase) == 1 &&
                  static_cast<int>(PriceKind::Sale) == 3);
    return kind != PriceKind::None && rights.HidesAt(static_cast<size_t>(kind) - 1);
}

std::string ShownFigure(const CRoleRights& rights, PriceKind kind, const std::string& figure) {
    if (figure.empty() || !HidesPrice(rights, kind))
        return figure;
    return kHiddenFigure;
}

void ShowFigures(const CRoleRights& rights, const std::vector<PriceKind>& kinds,
                 std::vector<std::string>& cells) {
    // Only a hidden cell is touched: a list of 60,000 rows passes here row by row.
    for (size_t i = 0; i < kinds.size() && i < cells.size(); ++i)
        if (!cells[i].empty() && HidesPrice(rights, kinds[i]))
            cells[i] = kHiddenFigure;
}

PriceKind BillPriceKind(std::string_view cliWord) {
    if (cliWord == "purchase" || cliWord == "purchase-return" || cliWord == "loss" ||
        cliWord == "gain" || cliWord == "opening" || cliWord == "purchase-order")
        return PriceKind::Purchase;
    if (cliWord == "sale" || cliWord == "sale-return" || cliWord == "sale-order")
        return PriceKind::Sale;
    if (cliWord == "price")
        return PriceKind::Cost;
    return PriceKind::None;
}

PriceKind GoodsColumnPriceKind(std::string_view column) {
    if (column == "PriceIn")
        return PriceKind::Purchase;
    for (const char* sale :
         {"RetailPrice", "PricePre1", "PricePre2", "PricePre3", "PriceLow", "PriceHigh"})
        if (column == sale)
            return PriceKind::Sale;
    return PriceKind::None;
}
