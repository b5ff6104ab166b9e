#include "ClassTree.h"

namespace {
ClassTreeNode* FindFirst(std::vector<ClassTreeNode>& items, const std::string& name) {
    for (auto& item : items) {
        if (item.name == name)
            return &item;
        if (ClassTreeNode* found = FindFirst(item.children, name))
            return found;
    }
    return nullptr;
}
} // namespace

std::vector<ClassTreeNode> BuildClassTree(const std::vector<GoodsClassRecord>& rows) {
    std::vector<ClassTreeNode> roots;
    roots.push_back({kAllGoods, {}});
    for (const auto& row : rows) {
        // Searched before inserting: the vector may grow, so no pointer is kept across inserts.
        if (ClassTreeNode* parent = FindFirst(roots, row.parent_name))
            parent->children.push_back({row.class_name, {}});
        else
            roots.push_back({row.class_name, {}});
    }
    return roots;
}
