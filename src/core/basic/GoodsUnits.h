#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CDataStore;

// A goods item's further units (箱, 包…): each one `Factor` base units (whole, at least 2), with
// its own barcode and prices. Stock, cost and every quantity in reports stay in the goods'
// base unit (`ferix_product.Unit`); a bill line keeps the unit it was entered in and its
// quantity in base units beside it.
struct GoodsUnit {
    std::string Product_ID; // the goods code
    std::string Unit;
    std::int64_t Factor = 1;
    std::string BarCode;           // empty: none
    std::string PriceIn, PriceOut; // empty: the base price × factor
};

// The units of one goods item, smallest factor first. Nothing when the read failed
// (store.LastError()).
std::optional<std::vector<GoodsUnit>> ListGoodsUnits(CDataStore& store,
                                                     const std::string& productId);
// The unit whose own barcode this is; nothing when none is (or the read failed: `failed` set).
std::optional<GoodsUnit> FindGoodsUnitByBarcode(CDataStore& store, const std::string& barcode,
                                                bool* failed = nullptr);
// How many base units one `unit` of goods `productId` holds: 1 for the base unit (`baseUnit`,
// and an empty unit), the unit's factor for one of its units, nothing for a unit the goods item
// does not have (or when the read failed: `failed` set).
std::optional<std::int64_t> UnitFactor(CDataStore& store, const std::string& productId,
                                       const std::string& baseUnit, const std::string& unit,
                                       bool* failed = nullptr);
