#include <gtest/gtest.h>

#include "catalogue/GroupTree.h"
#include "operator/Error.h"

namespace wwweksports {
namespace {

using Path = std::vector<int32_t>;

TEST(GroupTree, PathsRunFromTheTopLevelAncestorToTheGroup) {
    GroupTree tree;
    tree.addGroup(10, 0);
    tree.addGroup(11, 10);
    tree.addGroup(12, 11);
    tree.addGroup(13, -1);
    tree.addGroup(20, 99);  // a parent without a row of its own
    tree.addGroup(11, 77);  // a repeated ID: the first row counts
    EXPECT_EQ(tree.pathOf(10), (Path{10}));
    EXPECT_EQ(tree.pathOf(12), (Path{10, 11, 12}));
    EXPECT_EQ(tree.GroupDepth(12), 2);
    EXPECT_EQ(tree.GroupDepth(11), 1);
    EXPECT_EQ(tree.pathOf(13), (Path{13}));
    EXPECT_EQ(tree.pathOf(20), (Path{99, 20}));
    EXPECT_EQ(tree.pathOf(55), (Path{55}));  // not in the tree at all
}

TEST(GroupTree, ACycleIsAnErrorNamingItsGroups) {
    GroupTree tree;
    tree.setSource(QStringLiteral("/x/Grupas_web.xlsx, sheet \"GRUPAS\""));
    tree.addGroup(1, 2);
    tree.addGroup(2, 3);
    tree.addGroup(3, 2);
    tree.addGroup(4, 4);
    try {
        tree.pathOf(1);
        FAIL() << "no cycle found";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("3 > 2 > 3") || e.message().contains("2 > 3 > 2"))
            << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("GRUPAS")) << e.message().toStdString();
    }
    EXPECT_THROW(tree.pathOf(4), Error);
}

}  // namespace
}  // namespace wwweksports
