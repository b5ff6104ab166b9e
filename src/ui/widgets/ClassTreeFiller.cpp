#include "ClassTreeFiller.h"

#include "app/Cferix_razazApp.h"

#include <QTreeWidget>

namespace {
void AddChildren(QTreeWidgetItem* parent, const std::vector<ClassTreeNode>& nodes) {
    for (const auto& n : nodes) {
        auto* item = new QTreeWidgetItem(parent, {QString::fromStdString(n.name)});
        AddChildren(item, n.children);
    }
}
} // namespace

void FillClassTree(QTreeWidget* tree, const std::vector<ClassTreeNode>& roots) {
    tree->clear();
    for (const auto& n : roots) {
        auto* item = new QTreeWidgetItem(tree, {QString::fromStdString(n.name)});
        AddChildren(item, n.children);
    }
}

void FillClassTree(QTreeWidget* tree) {
    App().ReloadGoodsClasses();
    FillClassTree(tree, BuildClassTree(App().m_goodsClasses));
}
