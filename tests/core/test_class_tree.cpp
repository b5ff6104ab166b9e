#include "basic/ClassTree.h"

#include <gtest/gtest.h>

namespace {
std::string Dump(const std::vector<ClassTreeNode>& nodes) {
    std::string out;
    for (const auto& n : nodes) {
        out += n.name;
        if (!n.children.empty())
            out += "(" + Dump(n.children) + ")";
        out += ";";
    }
    return out;
}
GoodsClassRecord Row(const char* parent, const char* name) {
    return {"", parent, name, ""};
}
} // namespace

TEST(ClassTree, ParentsAreFoundByNameInTreeOrder) {
    // Food twice: the sub-class of the second one shows under the first one.
    auto tree = BuildClassTree({Row("", "Food"), Row("", "Drink"), Row("Drink", "Food"),
                                Row("Food", "Fruit"), Row("Fruit", "Apple")});
    EXPECT_EQ(Dump(tree), "所有商品;Food(Fruit(Apple;););Drink(Food;);");
}

TEST(ClassTree, LateOrMissingParentsPutTheClassAtTheRoot) {
    auto tree = BuildClassTree({Row("Later", "Child"), Row("", "Later"), Row("Gone", "Orphan"),
                                Row("所有商品", "UnderAll")});
    EXPECT_EQ(Dump(tree), "所有商品(UnderAll;);Child;Later;Orphan;");
    EXPECT_EQ(Dump(BuildClassTree({})), "所有商品;");
}
