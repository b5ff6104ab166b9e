#pragma once
#include "GoodsSearch.h"
#include "ListColumn.h"
#include "store/AllEntries.h"
#include "store/Records.h"

#include <optional>
#include <string>
#include <vector>

// A column of the goods list: header and the record member it shows (100 pixels each).
struct GoodsListColumn {
    const char* header;
    std::string GoodsRecord::*field;
};
const std::vector<GoodsListColumn>& GoodsListColumns();
constexpr int kGoodsColumnWidth = 100;

// What the goods window's list holds and does, without the window. Rows are kept in the
// store's order and shown reversed, so the highest Id comes first without copying.
class CGoodsListState {
public:
    // The goods of a class ("所有商品": all goods) when the text is not empty and a connection
    // opens; false (the list unchanged) otherwise. Goods of sub-classes are not included.
    bool ShowClass(const std::string& className);
    // All goods, whatever class the tree shows (after an add).
    bool ShowAll();

    // The search box "查找：": only the goods the typed text finds (GoodsSearch.h) are listed,
    // within the class shown; an empty text lists them all. Kept when the class changes.
    void Search(const std::string& typed);

    size_t RowCount() const { return m_shown.size(); }
    std::string Cell(size_t row, int column) const;

    // The stored goods item of the given list row, to be changed in the add form; nothing after
    // a message when no row is selected or the item is gone.
    std::optional<GoodsRecord> ItemToChange(std::optional<size_t> row) const;
    // The class shown read again, the search kept (after a change).
    bool Reload() { return ShowClass(m_class); }

    // Deletes the goods item of the given list row after the question and the in-use check.
    // True when it went; its row is then gone from the list (which is not read again).
    bool Delete(std::optional<size_t> row);

private:
    void Clear();
    // The store-order row of a list row, and the index in m_ends of its first cell.
    size_t StoreRow(size_t row) const { return m_shown[m_shown.size() - 1 - row]; }
    size_t FirstCell(size_t row) const { return m_rows[StoreRow(row)]; }

    // The shown texts kept compact, for lists of hundreds of thousands of goods: every cell's
    // text one after another in m_text, the end of each in m_ends (row after row, the columns
    // of GoodsListColumns), and per row in the store's order the index of its first cell.
    std::string m_class = kAllGoods;
    std::string m_text;
    std::vector<size_t> m_ends;
    std::vector<size_t> m_rows;
    // The searched texts of the rows, the text typed, and the store-order rows it finds.
    CSearchIndex m_index;
    std::string m_search;
    std::vector<size_t> m_shown;
};

// The add window's checks, in order: code, name, class, then the two prices (non-negative
// decimals, or empty). Shows the first message and answers false when refused.
bool CheckGoodsForm(const GoodsRecord& goods);
// An empty 助记码 (SmartName) becomes the pinyin initials of the name; a typed one is kept.
void FillSmartName(GoodsRecord& goods);
// Whether a price field holds an empty text or a non-negative decimal ("12", "3.5", ".25").
bool IsPresetPriceText(const std::string& text);
// Stores a new goods item. False when the store refused it (its message was shown), so the add
// window can stay open with what was typed.
bool StoreNewGoods(const GoodsRecord& goods);
// Stores the changed goods item of goods.Code (the form's checks made before). False, after a
// message, when it could not be stored, so the form can stay open as typed.
bool StoreChangedGoods(const GoodsRecord& goods);
// The check box's value as stored.
inline const char* AvailableText(bool checked) {
    return checked ? "是" : "否";
}
