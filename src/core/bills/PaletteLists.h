#pragma once
#include "BillKind.h"
#include "basic/ClassTree.h"
#include "store/Records.h"

#include <optional>
#include <string>
#include <vector>

// What the picker ("请在列表中选择") lists for each picker kind: its columns, its rows, the tree
// that filters them, and which cell is the choice.

enum class PaletteTree { None, UnitTypes, Departments, GoodsClasses };

struct PaletteColumn {
    const char* header;
    int width;
};

struct PaletteKindInfo {
    const char* kind; // palette_wanglaidanwei ...
    std::vector<PaletteColumn> columns;
    bool gridLines;
    int chosenColumn; // the column whose text is the chosen name
    bool goods;       // the choice is a goods record (by the code in column 0)
    PaletteTree tree;
    // The business-unit pickers of receipts and payments list only the units that bill takes
    // (FundBillTakesUnitType); nothing: every unit.
    std::optional<BillKind> unitsFor = std::nullopt;
};

// The business-unit picker of a bill of `kind`: palette_kehu (customers) for receipts,
// palette_gongyingshang (suppliers) for payments, palette_wanglaidanwei (all) otherwise.
const char* UnitPaletteKind(BillKind kind);

// Shown when a picker is opened without a kind.
extern const char* const kPaletteNoKind; // "没设置选项内容"

// The kind's description; nullptr for an empty, unknown or list-less kind (palette_hetong).
const PaletteKindInfo* FindPaletteKind(const std::string& kind);

// The rows of the kind, one text per column. `treeItem` is the text of the selected tree item;
// nothing for the whole list as shown on opening.
std::vector<std::vector<std::string>> PaletteRows(const PaletteKindInfo& info,
                                                  const std::optional<std::string>& treeItem);
// The items of the kind's filter tree (empty for kinds without one).
std::vector<ClassTreeNode> PaletteTreeItems(const PaletteKindInfo& info);

// The columns the picker's search box "查找：" looks in: code, name, 助记码 and barcode of goods,
// code, name, contact and telephones of business units, the name (column 0) otherwise.
std::vector<int> PaletteSearchColumns(const PaletteKindInfo& info);

// The goods item a click on a goods row chooses: the application's goods list is refilled and
// the last record with that code wins. Nothing when no record has the code.
std::optional<GoodsRecord> ChooseGoodsByCode(const std::string& code);

// The search box's hint: what the kind's list is searched by ("编码、名称、助记码或条码" for
// goods, "名称" for warehouses, departments and accounts).
std::string PaletteSearchHint(const PaletteKindInfo& info);
