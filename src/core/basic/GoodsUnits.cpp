// The goods items' further units: reads, changes with their checks, and 折合.
#include "GoodsUnits.h"

#include "GoodsStore.h"
#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "rights/PriceVisibility.h"
#include "store/CDataStore.h"
#include "store/RightCheck.h"
#include "store/Session.h"
#include "text/Money.h"

#include <algorithm>
#include <charconv>
#include <set>

namespace {

constexpr const char* kUnitSelect =
    "select Product_ID, Unit, Factor, BarCode, PriceIn, PriceOut from GoodsUnit";

GoodsUnit ReadUnit(const CStatement& st) {
    GoodsUnit u;
    u.Product_ID = st.Text(0);
    u.Unit = st.Text(1);
    const std::string factor = st.Text(2);
    std::from_chars(factor.data(), factor.data() + factor.size(), u.Factor);
    u.BarCode = st.Text(3);
    u.PriceIn = st.Text(4);
    u.PriceOut = st.Text(5);
    return u;
}

} // namespace

std::optional<std::vector<GoodsUnit>> ListGoodsUnits(CDataStore& store,
                                                     const std::string& productId) {
    std::vector<GoodsUnit> units;
    if (!store.Run(std::string(kUnitSelect) + " where Product_ID = ?", {productId},
                   [&](const CStatement& st) { units.push_back(ReadUnit(st)); }))
        return std::nullopt;
    std::stable_sort(units.begin(), units.end(),
                     [](const GoodsUnit& a, const GoodsUnit& b) { return a.Factor < b.Factor; });
    return units;
}

std::optional<GoodsUnit> FindGoodsUnitByBarcode(CDataStore& store, const std::string& barcode,
                                                bool* failed) {
    std::optional<GoodsUnit> found;
    if (failed)
        *failed = false;
    if (barcode.empty())
        return found;
    if (!store.Run(std::string(kUnitSelect) + " where BarCode = ?", {barcode},
                   [&](const CStatement& st) { found = ReadUnit(st); })) {
        if (failed)
            *failed = true;
        return std::nullopt;
    }
    return found;
}

namespace {

// Every line table keeps the unit its line was entered in: those that move stock, opening
// stock, and the orders, whose open rest is delivered in that unit later.
constexpr const char* kLineTables[] = {
    "EnterStock_Detail", "BackStock_Detail", "EnterSale_Detail",
    "BackSale_Detail",   "BaoSunDan",        "BaoYiDan",
    "YiKuDan",           "QiChuKuCun",       "PurchaseOrder_Detail",
    "SaleOrder_Detail"};

std::optional<bool> UnitInUse(CDataStore& store, const std::string& productId,
                              const std::string& unit) {
    std::string sql = "select 1 where ";
    SqlValues values;
    for (const char* table : kLineTables) {
        if (!values.empty())
            sql += " or ";
        sql += std::string("exists (select 1 from ") + table +
               " where Product_ID = ? and Product_Unit = ?)";
        values.push_back(productId);
        values.push_back(unit);
    }
    bool used = false;
    if (!store.Run(sql, values, [&](const CStatement&) { used = true; }))
        return std::nullopt;
    return used;
}

// A price of a unit as typed: empty, or money not below zero.
bool IsUnitPrice(const std::string& text) {
    if (text.empty())
        return true;
    auto value = CMoney::Parse(text);
    return value && !(*value < CMoney());
}

// What the role may not write: a hidden price that is not the stored one (nothing for a new
// unit).
std::optional<std::string> HiddenPriceWritten(const GoodsUnit& unit, const GoodsUnit* stored) {
    const CRoleRights& rights = Session().rights;
    const std::pair<const char*, std::pair<PriceKind, const std::string GoodsUnit::*>> prices[] = {
        {"PriceIn", {PriceKind::Purchase, &GoodsUnit::PriceIn}},
        {"PriceOut", {PriceKind::Sale, &GoodsUnit::PriceOut}}};
    for (const auto& [name, kindField] : prices) {
        const auto& [kind, field] = kindField;
        const std::string& before = stored ? stored->*field : std::string();
        if (HidesPrice(rights, kind) && unit.*field != before)
            return std::string("“") + name + "”是您的角色看不到的价格，不能修改！";
    }
    return std::nullopt;
}

// The checks of one unit of `goods` that need no reads, in order.
// A blank or an ideographic space at either end.
bool HasOuterBlank(const std::string& text) {
    static const std::string ideographic = "\u3000";
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    return !text.empty() && (blank(text.front()) || blank(text.back()) ||
                             text.starts_with(ideographic) || text.ends_with(ideographic));
}

std::optional<std::string> CheckUnitFields(const GoodsUnit& unit, const GoodsRecord& goods,
                                           const GoodsUnit* stored) {
    if (unit.Unit.empty())
        return "单位不能为空！";
    // " 个" would be a second base unit that looks like the first.
    if (HasOuterBlank(unit.Unit))
        return "单位“" + unit.Unit + "”的前后不能有空格！";
    if (HasOuterBlank(unit.BarCode))
        return "条码“" + unit.BarCode + "”的前后不能有空格！";
    if (unit.Unit == goods.Unit)
        return "“" + unit.Unit + "”是商品的基本单位！";
    if (unit.Factor < 2)
        return std::string("换算必须是不小于2的整数！");
    if (unit.Factor > kMaxUnitFactor)
        return "换算不能大于" + std::to_string(kMaxUnitFactor) + "！";
    if (!IsUnitPrice(unit.PriceIn))
        return "进价“" + unit.PriceIn + "”不是有效的价格！";
    if (!IsUnitPrice(unit.PriceOut))
        return "售价“" + unit.PriceOut + "”不是有效的价格！";
    if (!unit.BarCode.empty() && unit.BarCode == goods.BarCode)
        return "条码“" + unit.BarCode + "”是商品本身的条码！";
    return HiddenPriceWritten(unit, stored);
}

// A unit barcode taken elsewhere: by another goods item, or by a unit other than those of
// `goods` that `ownUnits` says are its own (the ones being replaced).
std::optional<std::string> BarcodeTaken(CDataStore& store, const std::string& barcode,
                                        const std::string& productId,
                                        const std::set<std::string>& ownUnits, bool* failed) {
    if (barcode.empty())
        return std::nullopt;
    // The goods' own code, though the goods item is not stored yet (a new one in its form).
    if (barcode == productId)
        return "条码“" + barcode + "”已是商品“" + productId + "”的编码！";
    std::optional<std::string> taken;
    bool ok = store.Run("select Code from ferix_product where BarCode = ? and Code <> ? limit 1",
                        {barcode, productId}, [&](const CStatement& st) {
                            taken = "条码“" + barcode + "”已是商品“" + st.Text(0) + "”的条码！";
                        });
    // The quick entry takes a unit's barcode before a goods code: a unit barcode that is a code
    // would hide that goods item from it.
    ok = ok && store.Run("select Code from ferix_product where Code = ? limit 1", {barcode},
                         [&](const CStatement& st) {
                             taken = "条码“" + barcode + "”已是商品“" + st.Text(0) + "”的编码！";
                         });
    ok = ok && store.Run("select Product_ID, Unit from GoodsUnit where BarCode = ?", {barcode},
                         [&](const CStatement& st) {
                             if (st.Text(0) == productId && ownUnits.count(st.Text(1)))
                                 return;
                             taken = "条码“" + barcode + "”已是商品“" + st.Text(0) + "”的单位“" +
                                     st.Text(1) + "”的条码！";
                         });
    if (!ok)
        *failed = true;
    return taken;
}

const GoodsUnit* Named(const std::vector<GoodsUnit>& units, const std::string& name) {
    for (const GoodsUnit& u : units) {
        if (u.Unit == name)
            return &u;
    }
    return nullptr;
}

void ShowReadFailure(CDataStore& store) {
    Messages().Inform(DatabaseFailureText("", store.LastError()));
}

// The goods item and its stored units; nothing after a message when it does not exist or the
// read failed.
std::optional<std::pair<GoodsRecord, std::vector<GoodsUnit>>> StoredGoods(CDataStore& store,
                                                                          const std::string& code) {
    auto goods = FindGoods(store, code);
    if (!goods) {
        Messages().Inform(GoodsNotFoundText(code));
        return std::nullopt;
    }
    auto units = ListGoodsUnits(store, code);
    if (!units) {
        ShowReadFailure(store);
        return std::nullopt;
    }
    return std::pair(std::move(*goods), std::move(*units));
}

bool WriteUnit(CDataStore& store, const GoodsUnit& unit, bool fresh) {
    const std::string factor = std::to_string(unit.Factor);
    bool ok = fresh ? store.Run("insert into GoodsUnit(Product_ID, Unit, Factor, BarCode, PriceIn,"
                                " PriceOut) values (?, ?, ?, nullif(?, ''), ?, ?)",
                                {unit.Product_ID, unit.Unit, factor, unit.BarCode, unit.PriceIn,
                                 unit.PriceOut})
                    : store.Run("update GoodsUnit set Factor = ?, BarCode = nullif(?, ''),"
                                " PriceIn = ?, PriceOut = ? where Product_ID = ? and Unit = ?",
                                {factor, unit.BarCode, unit.PriceIn, unit.PriceOut, unit.Product_ID,
                                 unit.Unit});
    if (!ok)
        Messages().Inform(DatabaseFailureText("保存商品单位失败。", store.LastError()));
    return ok;
}

} // namespace

std::string UnitInUseText(const std::string& unit) {
    return "单位“" + unit + "”已被单据使用，不能修改换算！";
}

std::optional<std::string> CheckGoodsUnits(CDataStore& store, const GoodsRecord& goods,
                                           const std::vector<GoodsUnit>& units, bool* failed) {
    bool readFailed = false;
    if (!failed)
        failed = &readFailed;
    *failed = false;
    auto stored = ListGoodsUnits(store, goods.Code);
    if (!stored) {
        *failed = true;
        return std::nullopt;
    }
    std::set<std::string> names, barcodes, own;
    for (const GoodsUnit& u : *stored)
        own.insert(u.Unit);
    for (const GoodsUnit& u : units) {
        const GoodsUnit* before = Named(*stored, u.Unit);
        if (auto problem = CheckUnitFields(u, goods, before))
            return problem;
        if (!names.insert(u.Unit).second)
            return "商品已有单位“" + u.Unit + "”！";
        if (!u.BarCode.empty() && !barcodes.insert(u.BarCode).second)
            return "条码“" + u.BarCode + "”重复！";
        if (auto taken = BarcodeTaken(store, u.BarCode, goods.Code, own, failed))
            return taken;
        // A new unit under a name the goods' lines already use as plain text would read those
        // lines anew: as a changed factor, refused.
        if (!before || before->Factor != u.Factor) {
            auto used = UnitInUse(store, goods.Code, u.Unit);
            if (!used)
                *failed = true;
            else if (*used)
                return UnitInUseText(u.Unit);
        }
        if (*failed)
            return std::nullopt;
    }
    for (const GoodsUnit& u : *stored) {
        if (Named(units, u.Unit))
            continue;
        auto used = UnitInUse(store, goods.Code, u.Unit);
        if (!used) {
            *failed = true;
            return std::nullopt;
        }
        if (*used)
            return UnitInUseText(u.Unit);
    }
    return std::nullopt;
}

bool SaveGoodsUnits(CDataStore& store, const GoodsRecord& goods,
                    const std::vector<GoodsUnit>& units) {
    if (!CheckRight("goods", Action::Enter))
        return false;
    auto stored = ListGoodsUnits(store, goods.Code);
    if (!stored) {
        ShowReadFailure(store);
        return false;
    }
    bool removes = false;
    for (const GoodsUnit& u : *stored)
        removes = removes || !Named(units, u.Unit);
    if (removes && !CheckRight("goods", Action::Delete))
        return false;
    if (!store.Begin()) {
        ShowReadFailure(store);
        return false;
    }
    // On a server the goods row is held until the end: a posting holds it shared while it reads
    // the factors and writes its lines (a file's writers take turns anyway).
    if (store.IsServer() &&
        !store.Run("select Id from ferix_product where Code = ? for update", {goods.Code})) {
        ShowReadFailure(store);
        store.Rollback();
        return false;
    }
    bool failed = false;
    if (auto problem = CheckGoodsUnits(store, goods, units, &failed)) {
        store.Rollback();
        Messages().Inform(*problem);
        return false;
    }
    bool ok = !failed;
    if (failed)
        ShowReadFailure(store);
    // Barcodes may move between the goods' units: the changed ones are written after the old
    // rows let go of theirs.
    for (const GoodsUnit& u : *stored) {
        if (ok && !Named(units, u.Unit))
            ok = store.Run("delete from GoodsUnit where Product_ID = ? and Unit = ?",
                           {goods.Code, u.Unit});
    }
    if (ok)
        ok = store.Run("update GoodsUnit set BarCode = null where Product_ID = ?", {goods.Code});
    if (!ok && !failed)
        ShowReadFailure(store);
    for (GoodsUnit u : units) {
        u.Product_ID = goods.Code;
        ok = ok && WriteUnit(store, u, !Named(*stored, u.Unit));
    }
    if (!ok || !store.Commit()) {
        store.Rollback();
        return false;
    }
    return true;
}

// One unit added, changed or removed is the goods' whole list saved again: the checks and the
// writes in one transaction, so that a bill posted meanwhile never finds a factor the check did
// not see.
bool AddGoodsUnit(CDataStore& store, const GoodsUnit& unit) {
    if (!CheckRight("goods", Action::Enter))
        return false;
    auto goods = StoredGoods(store, unit.Product_ID);
    if (!goods)
        return false;
    if (Named(goods->second, unit.Unit)) {
        Messages().Inform("商品已有单位“" + unit.Unit + "”！");
        return false;
    }
    std::vector<GoodsUnit> units = goods->second;
    units.push_back(unit);
    return SaveGoodsUnits(store, goods->first, units);
}

bool ChangeGoodsUnit(CDataStore& store, const GoodsUnit& unit) {
    if (!CheckRight("goods", Action::Enter))
        return false;
    auto goods = StoredGoods(store, unit.Product_ID);
    if (!goods)
        return false;
    if (!Named(goods->second, unit.Unit)) {
        Messages().Inform("商品没有单位“" + unit.Unit + "”！");
        return false;
    }
    std::vector<GoodsUnit> units = goods->second;
    for (GoodsUnit& u : units) {
        if (u.Unit == unit.Unit)
            u = unit;
    }
    return SaveGoodsUnits(store, goods->first, units);
}

bool RemoveGoodsUnit(CDataStore& store, const std::string& productId, const std::string& unit) {
    if (!CheckRight("goods", Action::Delete))
        return false;
    auto goods = StoredGoods(store, productId);
    if (!goods)
        return false;
    if (!Named(goods->second, unit)) {
        Messages().Inform("商品没有单位“" + unit + "”！");
        return false;
    }
    std::vector<GoodsUnit> units;
    for (const GoodsUnit& u : goods->second) {
        if (u.Unit != unit)
            units.push_back(u);
    }
    return SaveGoodsUnits(store, goods->first, units);
}

std::optional<std::string> GoodsBarcodeTakenByUnit(CDataStore& store, const std::string& barcode,
                                                   bool* failed) {
    auto unit = FindGoodsUnitByBarcode(store, barcode, failed);
    if (!unit)
        return std::nullopt;
    return "条码“" + barcode + "”已是商品“" + unit->Product_ID + "”的单位“" + unit->Unit +
           "”的条码！";
}

std::string PackedQuantity(std::int64_t baseQuantity, const std::vector<GoodsUnit>& units,
                           const std::string& baseUnit) {
    // Largest first, without copying the units: a stock view packs tens of thousands of rows.
    const GoodsUnit* order[8];
    std::vector<const GoodsUnit*> many;
    const GoodsUnit** sorted = order;
    if (units.size() > std::size(order)) {
        many.resize(units.size());
        sorted = many.data();
    }
    for (size_t i = 0; i < units.size(); ++i)
        sorted[i] = &units[i];
    std::sort(sorted, sorted + units.size(),
              [](const GoodsUnit* a, const GoodsUnit* b) { return a->Factor > b->Factor; });
    // The magnitude as unsigned, so the smallest int64 has one too.
    std::uint64_t rest = baseQuantity < 0 ? 0 - static_cast<std::uint64_t>(baseQuantity)
                                          : static_cast<std::uint64_t>(baseQuantity);
    if (baseQuantity == 0)
        return "0" + baseUnit;
    std::string text = baseQuantity < 0 ? "-" : "";
    for (size_t i = 0; i < units.size(); ++i) {
        const auto factor = static_cast<std::uint64_t>(sorted[i]->Factor);
        if (factor < 2 || rest < factor)
            continue;
        text += std::to_string(rest / factor) + sorted[i]->Unit;
        rest %= factor;
    }
    if (rest != 0)
        text += std::to_string(rest) + baseUnit;
    return text;
}

bool CGoodsPacking::Load(CDataStore& store) {
    std::vector<std::pair<std::string, std::string>> baseUnits;
    return store.Run("select Code, Unit from ferix_product", {}, [&](const CStatement& st) {
        baseUnits.emplace_back(st.Text(0), st.Text(1));
    }) && Load(store, std::move(baseUnits));
}

bool CGoodsPacking::Load(CDataStore& store,
                         std::vector<std::pair<std::string, std::string>> baseUnits) {
    m_baseUnits = std::move(baseUnits);
    m_units.clear();
    std::sort(m_baseUnits.begin(), m_baseUnits.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    const bool ok = store.Run(kUnitSelect, {}, [&](const CStatement& st) {
        GoodsUnit u = ReadUnit(st);
        if (BaseUnitOf(u.Product_ID))
            m_units[u.Product_ID].push_back(std::move(u));
    });
    for (auto& [code, units] : m_units)
        std::stable_sort(units.begin(), units.end(), [](const GoodsUnit& a, const GoodsUnit& b) {
            return a.Factor < b.Factor;
        });
    return ok;
}

const std::string* CGoodsPacking::BaseUnitOf(const std::string& code) const {
    auto it =
        std::lower_bound(m_baseUnits.begin(), m_baseUnits.end(), code,
                         [](const auto& entry, const std::string& c) { return entry.first < c; });
    return it != m_baseUnits.end() && it->first == code ? &it->second : nullptr;
}

std::string CGoodsPacking::Packed(const std::string& code, std::int64_t baseQuantity) const {
    const std::string* baseUnit = BaseUnitOf(code);
    if (!baseUnit)
        return std::to_string(baseQuantity);
    auto it = m_units.find(code);
    if (it == m_units.end())
        return std::to_string(baseQuantity) + *baseUnit;
    return PackedQuantity(baseQuantity, it->second, *baseUnit);
}

const std::vector<GoodsUnit>& CGoodsPacking::UnitsOf(const std::string& code) const {
    static const std::vector<GoodsUnit> none;
    auto it = m_units.find(code);
    return it == m_units.end() ? none : it->second;
}

std::optional<std::string> GoodsCodeTakenByUnit(CDataStore& store, const std::string& code,
                                                bool* failed) {
    auto unit = FindGoodsUnitByBarcode(store, code, failed);
    if (!unit)
        return std::nullopt;
    return "编码“" + code + "”已是商品“" + unit->Product_ID + "”的单位“" + unit->Unit + "”的条码！";
}

std::int64_t UnitFactorOf(const std::string& typed) {
    if (const auto whole = ParseWholeNumber(typed))
        return *whole;
    // Digits beyond what a count holds are a factor too large, not one that is no number.
    const size_t from = typed.find_first_not_of(" \t");
    const std::string digits = from == std::string::npos
                                   ? std::string()
                                   : typed.substr(from, typed.find_last_not_of(" \t") + 1 - from);
    const size_t first = !digits.empty() && digits[0] == '+' ? 1 : 0;
    const bool allDigits =
        digits.size() > first && std::all_of(digits.begin() + std::ptrdiff_t(first), digits.end(),
                                             [](char c) { return c >= '0' && c <= '9'; });
    return allDigits ? INT64_MAX : 0;
}

namespace {
// A goods text a unit's barcode already holds: true, after the message, when taken (or the
// read failed).
template <class Taken>
bool RefuseTakenByUnit(CDataStore& store, const std::string& text, Taken taken) {
    bool failed = false;
    const std::optional<std::string> refusal = taken(store, text, &failed);
    if (failed)
        ShowReadFailure(store);
    else if (refusal)
        Messages().Inform(*refusal);
    return failed || refusal;
}
} // namespace

bool RefuseGoodsBarcodeOfUnit(CDataStore& store, const std::string& barcode) {
    return RefuseTakenByUnit(store, barcode, GoodsBarcodeTakenByUnit);
}

bool RefuseGoodsCodeOfUnit(CDataStore& store, const std::string& code) {
    return RefuseTakenByUnit(store, code, GoodsCodeTakenByUnit);
}
