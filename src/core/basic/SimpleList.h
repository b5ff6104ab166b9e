#pragma once
#include "ListColumn.h"

#include <string>
#include <vector>

// The seven simple reference lists of the configuration file and the one mechanism that
// maintains them: a list of entries (newest first), an add window with a name and a note, and a
// delete by the name last selected.
enum class SimpleListKind { Area, Bank, Bumen, Unit, Warehouse, Shouru, Zhichu };

struct SimpleListInfo {
    SimpleListKind kind;
    const char* windowClass;
    const char* caption;
    std::vector<ListColumn> columns; // one column (name) or two (name, note)
    const char* addButton;           // "添加" or "增加"
    const char* addWindowClass;
    const char* addCaption;
    const char* nameLabel;
    const char* noteLabel;
    const char* emptyNameMessage; // nullptr: an empty name is accepted
    const char* listKey;          // configuration list key; "employees" for departments
    const char* icon;             // resource name of the window's icon
};

const std::vector<SimpleListInfo>& SimpleListInfos();
const SimpleListInfo& SimpleListInfoOf(SimpleListKind kind);

struct ListEntry {
    std::string name, note;
};

// The add window's check: shows the kind's empty-name message and answers false when refused.
bool CheckSimpleListName(const SimpleListInfo& info, const std::string& name);
// The names of a configuration list, sorted, for the drop-down lists that offer them.
std::vector<std::string> SortedConfigNames(const std::string& listKey);

// What a simple list window holds and does, without the window.
class CSimpleListState {
public:
    explicit CSimpleListState(SimpleListKind kind);

    const SimpleListInfo& Info() const { return m_info; }

    // Reads the list again: the entries in reverse file order, the newest first.
    void Fill();
    const std::vector<ListEntry>& Rows() const { return m_rows; }
    // Text of a cell: column 0 the name, column 1 the note.
    std::string Cell(size_t row, int column) const;

    // The first-column text of the row last selected; empty when none was.
    void Select(const std::string& name) { m_selectedName = name; }
    const std::string& SelectedName() const { return m_selectedName; }

    // Appends the entry to the file and fills the list again. No duplicate check.
    void Add(const std::string& name, const std::string& note);
    // Removes every entry named as the selected name and fills the list again; no question is
    // asked. The selected name stays, so a second delete finds nothing.
    void Delete();

private:
    const SimpleListInfo& m_info;
    std::vector<ListEntry> m_rows;
    std::string m_selectedName;
};
