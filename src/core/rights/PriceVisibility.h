#pragma once
#include "RoleRights.h"

#include <string>
#include <string_view>
#include <vector>

// Which figure is which price, and what a role sees of it. Every list, report, page, export and
// ferix-cli listing shows its figures through here, so a hidden price shows the same everywhere.

// 进价: purchase prices and purchase amounts (a purchase bill's total is one); 成本: cost price,
// stock value, 销售成本, 毛利, 毛利率; 售价: sale prices and amounts.
enum class PriceKind { None, Purchase, Cost, Sale };

// "进价", "成本", "售价"; "" for None.
const char* PriceKindName(PriceKind kind);

// What a hidden figure shows.
inline constexpr const char* kHiddenFigure = "***";

bool HidesPrice(const CRoleRights& rights, PriceKind kind);
// The figure as the role sees it: "***" when its kind is hidden (an empty cell stays empty, there
// is nothing in it to hide), the figure itself otherwise.
std::string ShownFigure(const CRoleRights& rights, PriceKind kind, const std::string& figure);
// Each cell through ShownFigure with the kind of its column; cells beyond `kinds` stay as they are.
void ShowFigures(const CRoleRights& rights, const std::vector<PriceKind>& kinds,
                 std::vector<std::string>& cells);

// The kind of a bill's prices and amounts, by its ferix-cli word: purchases and their returns,
// losses and gains (entered at the purchase price) are 进价, sales and their returns 售价, price
// adjustments (they set the stock's cost) 成本; transfers, receipts and payments hold no price.
PriceKind BillPriceKind(std::string_view cliWord);

// A goods column by its name: PriceIn is 进价, RetailPrice, PricePre1..3, PriceLow and PriceHigh
// are 售价.
PriceKind GoodsColumnPriceKind(std::string_view column);
