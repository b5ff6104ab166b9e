#pragma once
#include "basic/GoodsUnits.h"
#include "store/Records.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Finding goods and business units by a typed text. One rule everywhere (the picker, the goods,
// business-unit and stock windows, ferix-cli): the text, without surrounding blanks and with
// ASCII letter case ignored, is a part of one of the searched texts; goods are searched by code,
// name, 助记码 (SmartName) and barcode, business units by code, name, contact and telephones.
// Every character is plain: '%', '_' and quotes are found as typed. An empty text finds all.

// The typed text as it is looked for: blanks (ASCII and the ideographic space) at both ends
// removed, ASCII letters in lower case.
std::string SearchKey(std::string_view typed);
// The typed text without its surrounding blanks, as messages show it.
std::string_view TrimSearchText(std::string_view typed);
// A searched text as the key is compared with: ASCII letters in lower case.
std::string FoldSearchText(std::string_view text);

bool GoodsMatches(const GoodsRecord& goods, std::string_view typed);
bool BusinessUnitMatches(const BusinessUnitRecord& unit, std::string_view typed);

// The searched texts of a goods item / business unit, in a fixed order.
std::vector<std::string_view> GoodsSearchTexts(const GoodsRecord& goods);
std::vector<std::string_view> BusinessUnitSearchTexts(const BusinessUnitRecord& unit);
// Which columns of the goods list (GoodsListColumns) and of the unit list (UnitListColumns)
// hold the searched texts.
const std::vector<int>& GoodsSearchColumns();
const std::vector<int>& BusinessUnitSearchColumns();

// The searched texts of a list's rows, kept folded in one buffer, so that narrowing a list of
// 100,000 rows by one more typed character is one pass over memory. Rows keep the order in
// which they were added.
class CSearchIndex {
public:
    void Clear();
    void AddRow(const std::vector<std::string_view>& texts);
    size_t RowCount() const { return m_starts.size(); }
    // The rows found by the typed text, in row order (all rows for an empty text). A text that
    // holds the previous one (one more character typed) is looked for among the previous rows
    // only.
    const std::vector<size_t>& Find(std::string_view typed);
    // Forgets a row (its goods item was deleted); the rows after it move up by one.
    void RemoveRow(size_t row);

private:
    // Each row's texts, folded, each followed by '\0' so that a match never runs from one text
    // into the next (a folded key holds no '\0').
    std::string m_text;
    std::vector<size_t> m_starts, m_ends;
    bool m_haveFound = false;
    std::string m_foundKey;
    std::vector<size_t> m_found;
};

// The stock view's rows (its cells: the goods code first, then its name), indexed by their
// goods item's code, name, 助记码 and barcode (the 助记码 and barcode read from the goods list;
// a row whose goods item is gone by its own code and name). False, after the store's message,
// when the goods could not be read.
bool IndexStockRows(const std::vector<std::vector<std::string>>& rows, CSearchIndex& index);

// ---- quick entry of the bill windows ("条码/编码：")

// Shown when a quick-entry text names no goods item.
std::string QuickEntryNotFoundText(const std::string& typed);

// What a scanned barcode or a typed code or 助记码 names.
struct QuickEntryResult {
    // Empty: nothing typed; Failed: the data file could not be read (its message was shown).
    enum class Kind { Empty, Failed, NotFound, One, Several };
    Kind kind = Kind::Empty;
    GoodsRecord goods; // the goods item, read from the data file, for One
    // For One found by a further unit's own barcode: that unit (one of it is what was scanned).
    std::optional<GoodsUnit> unit;
    std::string key; // the typed text without surrounding blanks
};

// The goods' codes, barcodes and 助记码, read once and kept for lookups: a scanner sends one
// barcode after another. Goods are only ever added or deleted, never changed: a text not
// found, a goods item gone since, or several goods found read the goods again first.
class CGoodsFinder {
public:
    // A barcode or code equal to the text (ASCII case ignored) wins over an equal 助记码.
    // One goods item is read whole from the data file; several (a barcode shared, a 助记码
    // of two goods) are left to the picker.
    QuickEntryResult Find(std::string_view typed);

private:
    bool Load();
    // The codes of the goods the key names: by barcode or code, else by 助记码.
    std::vector<std::string> Codes(const std::string& key) const;

    bool m_loaded = false;
    std::unordered_multimap<std::string, size_t> m_byCode; // folded code or barcode → goods
    std::unordered_multimap<std::string, size_t> m_bySmartName;
    std::vector<std::string> m_codes;
};
