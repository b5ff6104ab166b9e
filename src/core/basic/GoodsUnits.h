#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
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

// The largest factor a unit may have: plenty for any box, and small enough that a bill's
// quantity in such units stays far inside the range stock is counted in.
inline constexpr std::int64_t kMaxUnitFactor = 1000000;

// The units of one goods item, smallest factor first. Nothing when the read failed
// (store.LastError()).
std::optional<std::vector<GoodsUnit>> ListGoodsUnits(CDataStore& store,
                                                     const std::string& productId);
// The unit whose own barcode this is; nothing when none is (or the read failed: `failed` set).
std::optional<GoodsUnit> FindGoodsUnitByBarcode(CDataStore& store, const std::string& barcode,
                                                bool* failed = nullptr);

struct GoodsRecord;

// ---- Changes, each behind the goods function's rights; a refusal shows its message and
// writes nothing. A unit's barcode is unique among units' barcodes and equal to no goods
// item's barcode; its prices are readable money or empty; its factor a whole number ≥ 2.

// Adds a unit to goods item unit.Product_ID.
bool AddGoodsUnit(CDataStore& store, const GoodsUnit& unit);
// Changes the factor, barcode and prices of the goods item's unit of that name. The factor of a
// unit that a bill line names cannot change; its barcode and prices can.
bool ChangeGoodsUnit(CDataStore& store, const GoodsUnit& unit);
// Removes the goods item's unit of that name, refused while a bill line names it.
bool RemoveGoodsUnit(CDataStore& store, const std::string& productId, const std::string& unit);
// The goods form's save: the units of `goods` become `units` (added, changed, removed), in one
// transaction, all or nothing. The goods item must be stored already.
bool SaveGoodsUnits(CDataStore& store, const GoodsRecord& goods,
                    const std::vector<GoodsUnit>& units);
// The checks SaveGoodsUnits makes, for the goods as typed (before the goods item itself is
// stored): the refusal, or nothing. Nothing but a failed read is shown.
std::optional<std::string> CheckGoodsUnits(CDataStore& store, const GoodsRecord& goods,
                                           const std::vector<GoodsUnit>& units,
                                           bool* failed = nullptr);
// A goods item's own barcode may not be a unit's: the refusal, or nothing (an empty barcode,
// none taken). `failed` set when the read failed.
std::optional<std::string> GoodsBarcodeTakenByUnit(CDataStore& store, const std::string& barcode,
                                                   bool* failed = nullptr);
// A new goods item's code may not be a unit's barcode either: the quick entry reads a unit's
// barcode first. The refusal, or nothing; `failed` set when the read failed.
std::optional<std::string> GoodsCodeTakenByUnit(CDataStore& store, const std::string& code,
                                                bool* failed = nullptr);
// A factor as typed: its whole number; more digits than any count holds give the largest one
// (refused as too large), anything else 0 (refused as no factor).
std::int64_t UnitFactorOf(const std::string& typed);
// "单位“箱”已被单据使用，不能修改换算！"
std::string UnitInUseText(const std::string& unit);

// ---- 折合: a quantity in base units told in the goods' units, largest first ("12箱3个").

// `units` in any order; parts that are zero are left out, zero is "0个", a negative quantity
// has "-" before the whole ("-1箱2个").
std::string PackedQuantity(std::int64_t baseQuantity, const std::vector<GoodsUnit>& units,
                           const std::string& baseUnit);

// The base unit and further units of every goods item, read in two statements for a whole list
// (the stock view's 60,000 rows), to tell each row's quantity packed.
class CGoodsPacking {
public:
    bool Load(CDataStore& store);
    // The units of the goods whose codes and base units are given (read with a list of them).
    bool Load(CDataStore& store, std::vector<std::pair<std::string, std::string>> baseUnits);
    // The packed text of a quantity of goods `code`; the plain quantity with no unit for goods
    // the list does not know.
    std::string Packed(const std::string& code, std::int64_t baseQuantity) const;
    // The units of one goods item, smallest factor first (empty when none).
    const std::vector<GoodsUnit>& UnitsOf(const std::string& code) const;

private:
    // The base unit of every goods item, by code (a sorted list: 20,000 goods are read for
    // each stock list), and the units of the goods that have any.
    const std::string* BaseUnitOf(const std::string& code) const;
    std::vector<std::pair<std::string, std::string>> m_baseUnits;
    std::unordered_map<std::string, std::vector<GoodsUnit>> m_units; // smallest factor first
};

// The goods add and change paths' one check: true, after the message, when a goods item's own
// barcode is a unit's (or the read failed).
bool RefuseGoodsBarcodeOfUnit(CDataStore& store, const std::string& barcode);
// The same for a new goods item's code.
bool RefuseGoodsCodeOfUnit(CDataStore& store, const std::string& code);
