#pragma once
#include "store/AllEntries.h"
#include "store/Records.h"

#include <string>
#include <vector>

// The goods-class tree as every class tree of the program shows it.
struct ClassTreeNode {
    std::string name;
    std::vector<ClassTreeNode> children;
};

// The fixed first root item is kAllGoods; it stands for "no class" and is never stored.

// Builds the tree from the class rows in the order the store returned them: "所有商品" first,
// then each row as the last child of the first item (depth-first, in tree order) whose text
// equals its parent name, or as the last root item when there is none.
std::vector<ClassTreeNode> BuildClassTree(const std::vector<GoodsClassRecord>& rows);
