#pragma once
#include "basic/ClassTree.h"

class QTreeWidget;

// Replaces the tree's items with the class tree of the application's class list (refilled
// from the store first). Nothing is expanded or selected.
void FillClassTree(QTreeWidget* tree);
void FillClassTree(QTreeWidget* tree, const std::vector<ClassTreeNode>& roots);
