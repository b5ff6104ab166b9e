#include "GoodsSearch.h"

#include "BusinessUnits.h"
#include "GoodsList.h"
#include "GoodsStore.h"
#include "basic/ClassTree.h"
#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "store/CDataStore.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace {
bool IsBlankAt(std::string_view s, size_t i, size_t& length) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f') {
        length = 1;
        return true;
    }
    // U+3000, the ideographic space a Chinese input method types.
    if (s.substr(i, 3) == "\xE3\x80\x80") {
        length = 3;
        return true;
    }
    return false;
}

void AppendFolded(std::string& out, std::string_view text) {
    for (char c : text) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        else if (c == '\0')
            c = ' '; // '\0' separates the texts of a row in the index
        out += c;
    }
}

bool AnyContains(const std::vector<std::string_view>& texts, const std::string& key) {
    if (key.empty())
        return true;
    for (std::string_view t : texts)
        if (FoldSearchText(t).find(key) != std::string::npos)
            return true;
    return false;
}

template <class Columns, class Member>
std::vector<int> ColumnsOf(const Columns& columns, std::initializer_list<Member> members) {
    std::vector<int> out;
    for (Member m : members)
        for (size_t i = 0; i < columns.size(); ++i)
            if (columns[i].field == m)
                out.push_back(int(i));
    return out;
}
} // namespace

std::string_view TrimSearchText(std::string_view typed) {
    size_t length = 0;
    while (!typed.empty() && IsBlankAt(typed, 0, length))
        typed.remove_prefix(length);
    for (bool trimmed = true; trimmed && !typed.empty();) {
        trimmed = false;
        for (size_t n : {size_t(1), size_t(3)}) {
            if (typed.size() >= n && IsBlankAt(typed, typed.size() - n, length) && length == n) {
                typed.remove_suffix(n);
                trimmed = true;
                break;
            }
        }
    }
    return typed;
}

std::string SearchKey(std::string_view typed) {
    return FoldSearchText(TrimSearchText(typed));
}

std::string FoldSearchText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendFolded(out, text);
    return out;
}

std::vector<std::string_view> GoodsSearchTexts(const GoodsRecord& g) {
    return {g.Code, g.ProductName, g.SmartName, g.BarCode};
}

std::vector<std::string_view> BusinessUnitSearchTexts(const BusinessUnitRecord& u) {
    return {u.CustomerCode, u.CustomerName, u.CustomerContact, u.CustomerMobile, u.CustomerTel};
}

bool GoodsMatches(const GoodsRecord& goods, std::string_view typed) {
    return AnyContains(GoodsSearchTexts(goods), SearchKey(typed));
}

bool BusinessUnitMatches(const BusinessUnitRecord& unit, std::string_view typed) {
    return AnyContains(BusinessUnitSearchTexts(unit), SearchKey(typed));
}

const std::vector<int>& GoodsSearchColumns() {
    using G = GoodsRecord;
    static const std::vector<int> columns =
        ColumnsOf(GoodsListColumns(), {&G::Code, &G::ProductName, &G::SmartName, &G::BarCode});
    return columns;
}

const std::vector<int>& BusinessUnitSearchColumns() {
    using U = BusinessUnitRecord;
    static const std::vector<int> columns =
        ColumnsOf(UnitListColumns(), {&U::CustomerCode, &U::CustomerName, &U::CustomerContact,
                                      &U::CustomerMobile, &U::CustomerTel});
    return columns;
}

// ---- CSearchIndex

void CSearchIndex::Clear() {
    m_text.clear();
    m_starts.clear();
    m_ends.clear();
    m_haveFound = false;
}

void CSearchIndex::AddRow(const std::vector<std::string_view>& texts) {
    m_starts.push_back(m_text.size());
    for (std::string_view t : texts) {
        AppendFolded(m_text, t);
        m_text += '\0';
    }
    m_ends.push_back(m_text.size());
    m_haveFound = false;
}

const std::vector<size_t>& CSearchIndex::Find(std::string_view typed) {
    const std::string key = SearchKey(typed);
    const bool narrowing = m_haveFound && key.find(m_foundKey) != std::string::npos;
    if (key.empty()) {
        m_found.resize(m_starts.size());
        for (size_t i = 0; i < m_found.size(); ++i)
            m_found[i] = i;
    } else if (narrowing) {
        size_t kept = 0;
        for (size_t row : m_found) {
            std::string_view text(m_text.data() + m_starts[row], m_ends[row] - m_starts[row]);
            if (text.find(key) != std::string_view::npos)
                m_found[kept++] = row;
        }
        m_found.resize(kept);
    } else {
        m_found.clear();
        const std::string_view all(m_text);
        for (size_t row = 0; row < m_starts.size(); ++row)
            if (all.substr(m_starts[row], m_ends[row] - m_starts[row]).find(key) !=
                std::string_view::npos)
                m_found.push_back(row);
    }
    m_foundKey = key;
    m_haveFound = true;
    return m_found;
}

void CSearchIndex::RemoveRow(size_t row) {
    if (row >= m_starts.size())
        return;
    // Its texts stay in the buffer until the list is filled again.
    m_starts.erase(m_starts.begin() + std::ptrdiff_t(row));
    m_ends.erase(m_ends.begin() + std::ptrdiff_t(row));
    m_haveFound = false;
}

bool IndexStockRows(const std::vector<std::vector<std::string>>& rows, CSearchIndex& index) {
    index.Clear();
    CDataStore store;
    if (!store.ConnectMain())
        return false;
    std::unordered_map<std::string, std::pair<std::string, std::string>> goods;
    if (!ForEachGoods(store, kAllGoods, [&](const GoodsRecord& g) {
            goods.emplace(g.Code, std::pair(g.SmartName, g.BarCode));
        }))
        return false;
    static const std::pair<std::string, std::string> none;
    for (const auto& r : rows) {
        auto it = goods.find(r[0]);
        const auto& [smartName, barCode] = it == goods.end() ? none : it->second;
        index.AddRow({r[0], r[1], smartName, barCode});
    }
    return true;
}

// ---- quick entry

std::string QuickEntryNotFoundText(const std::string& typed) {
    return "没有找到条码或编码为“" + typed + "”的商品！";
}

bool CGoodsFinder::Load() {
    CDataStore store;
    if (!store.ConnectMain())
        return false;
    m_byCode.clear();
    m_bySmartName.clear();
    m_codes.clear();
    bool ok = ForEachGoods(store, kAllGoods, [&](const GoodsRecord& g) {
        const size_t i = m_codes.size();
        m_codes.push_back(g.Code);
        m_byCode.emplace(FoldSearchText(g.Code), i);
        if (!g.BarCode.empty() && g.BarCode != g.Code)
            m_byCode.emplace(FoldSearchText(g.BarCode), i);
        if (!g.SmartName.empty())
            m_bySmartName.emplace(FoldSearchText(g.SmartName), i);
    });
    m_loaded = ok;
    return ok;
}

std::vector<std::string> CGoodsFinder::Codes(const std::string& key) const {
    std::set<std::string> codes; // one goods item found by its code and by its barcode is one
    auto [first, last] = m_byCode.equal_range(key);
    if (first == last)
        std::tie(first, last) = m_bySmartName.equal_range(key);
    for (auto it = first; it != last; ++it)
        codes.insert(m_codes[it->second]);
    return {codes.begin(), codes.end()};
}

QuickEntryResult CGoodsFinder::Find(std::string_view typed) {
    QuickEntryResult result;
    result.key = std::string(TrimSearchText(typed));
    const std::string key = FoldSearchText(result.key);
    if (key.empty())
        return result;
    result.kind = QuickEntryResult::Kind::Failed;
    // A further unit's barcode, as typed, names its goods item and the unit; units' barcodes
    // are never a goods code or barcode, so nothing else could be meant.
    {
        CDataStore store;
        if (!store.ConnectMain())
            return result;
        bool failed = false;
        if (auto unit = FindGoodsUnitByBarcode(store, result.key, &failed)) {
            if (auto goods = FindGoods(store, unit->Product_ID)) {
                result.kind = QuickEntryResult::Kind::One;
                result.goods = std::move(*goods);
                result.unit = std::move(unit);
                return result;
            }
        }
        if (failed) {
            Messages().Inform(ConnectFailureText(store.LastError()));
            return result;
        }
    }
    bool fresh = false;
    if (!m_loaded) {
        if (!Load())
            return result;
        fresh = true;
    }
    for (;;) {
        const std::vector<std::string> codes = Codes(key);
        if (codes.size() == 1) {
            CDataStore store;
            if (!store.ConnectMain())
                return result;
            if (auto goods = FindGoods(store, codes.front())) {
                result.kind = QuickEntryResult::Kind::One;
                result.goods = std::move(*goods);
                return result;
            }
        }
        // Several goods are said only as read just now: one of them may be gone since.
        if (codes.size() > 1 && fresh) {
            result.kind = QuickEntryResult::Kind::Several;
            return result;
        }
        if (fresh)
            break; // just read: reading again would find nothing new
        if (!Load())
            return result;
        fresh = true;
    }
    result.kind = QuickEntryResult::Kind::NotFound;
    return result;
}
