#pragma once
#include "GoodsSearch.h"
#include "ListColumn.h"
#include "store/AllEntries.h"
#include "store/Records.h"

#include <optional>
#include <string>
#include <vector>

class CDataStore;

// The type filter kAllUnitTypes stands for all units; it is never offered in the type list.

// A column of the unit list: header and the record member it shows (120 pixels each).
struct UnitListColumn {
    const char* header;
    std::string BusinessUnitRecord::*field;
};
const std::vector<UnitListColumn>& UnitListColumns();
constexpr int kUnitColumnWidth = 120;
const ListColumn& UnitTypeColumn();
// The rows of the type list: "供应商", then "客户".
const std::vector<std::string>& UnitTypeRows();
// The add window's type choice, sorted.
std::vector<std::string> UnitTypeChoices();

// What the business-unit window holds and does, without the window. Rows are kept in the
// store's order and shown reversed (highest Id first).
class CBusinessUnitsState {
public:
    // Opens a connection and, when it opens, lists all units.
    void Open();
    // A type row was selected: the filter becomes its text; an empty text stops there,
    // otherwise the units of that type are listed. There is no way back to all units.
    void SelectType(const std::string& type);
    const std::string& TypeFilter() const { return m_typeFilter; }
    void SelectUnit(const std::string& code) { m_selectedCode = code; }
    const std::string& SelectedCode() const { return m_selectedCode; }

    // The search box "查找：": only the units the typed text finds (GoodsSearch.h) are listed,
    // within the type shown; an empty text lists them all. Kept when the list is read again.
    void Search(const std::string& typed);

    size_t RowCount() const { return m_shown.size(); }
    const BusinessUnitRecord& Row(size_t row) const {
        return m_units[m_shown[m_shown.size() - 1 - row]];
    }
    std::string Cell(size_t row, int column) const;

    // Stores a new unit and lists the current filter again. False when the connection failed
    // or the store refused it (its message was shown), so the add window can stay open.
    bool Add(const BusinessUnitRecord& unit);
    // Stores the changed unit (StoreChangedBusinessUnit) and lists the current filter again.
    // False when it was refused (its message was shown), so the form can stay open.
    bool Change(const BusinessUnitRecord& unit);
    // The stored unit of the selected code, to be changed in the add form; nothing after a
    // message when none is selected or it is gone.
    std::optional<BusinessUnitRecord> UnitToChange() const;
    // Asks "删除单位编码为 %s 的客户吗？" and deletes the selected code; the list is read
    // again. The selected code stays. True when the list was read again.
    bool Delete();

private:
    void Fill(CDataStore& store);

    std::string m_typeFilter = kAllUnitTypes;
    std::string m_selectedCode;
    std::vector<BusinessUnitRecord> m_units;
    CSearchIndex m_index;
    std::string m_search;
    std::vector<size_t> m_shown; // rows of m_units the search finds, in store order
};

// The add window's checks, in order: code, name, type. Shows the first message and answers
// false when refused.
bool CheckBusinessUnitForm(const BusinessUnitRecord& unit);
