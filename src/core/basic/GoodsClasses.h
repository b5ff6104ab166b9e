#pragma once
#include "basic/ClassTree.h"

#include <optional>
#include <string>
#include <vector>

// The goods classes in table order, read from the main data file (empty after the store's
// message when that fails).
std::vector<GoodsClassRecord> ReadGoodsClasses();

// What the goods class window holds and does, without the window.
class CGoodsClassState {
public:
    // Refills the application's class list from the store and builds the tree from it.
    std::vector<ClassTreeNode> Fill();

    // The text of the item last selected in the tree.
    void Select(const std::string& text) { m_selectedClass = text; }
    const std::string& SelectedClass() const { return m_selectedClass; }
    // "选择" or a double-click with the current item's text: true (the window closes as
    // confirmed with that class) unless the text is empty.
    bool Choose(const std::string& currentText);

    // The parent a new sub-class goes under: nothing after "请选中要添加小类的商品类目！" when
    // no class is selected; empty (a top-level class) for "所有商品"; else the selected class.
    std::optional<std::string> SubClassParent() const;
    // Stores a new class. False when the store refused it (its message was shown), so the add
    // window can stay open with what was typed.
    bool AddClass(const std::string& name, const std::string& parent);
    // Asks "要删除类目“%s”吗？" and deletes the selected class. True when the class was
    // deleted (the tree is then filled again). Sub-classes and goods are left as they are.
    bool DeleteSelected();

private:
    std::string m_selectedClass;
};

// The add window's check: "请正确填写类名！" and false for an empty name.
bool CheckClassName(const std::string& name);
