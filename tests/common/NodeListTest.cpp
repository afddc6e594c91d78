#include "CntrlTree.h"
#include "KeyedTree.h"
#include "NodeList.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {

// Both sides of the node collection must behave alike.
template <class Tree>
void checkCollection()
{
    Tree tree;
    ASSERT_TRUE(tree.addNode("", "Main", "Main Page", "i", "i").ok());
    ASSERT_TRUE(tree.addNode("Main", "A", "Pump", "c", "o").ok());
    ASSERT_TRUE(tree.addNode("A", "B", "Inlet", "c", "o").ok());
    ASSERT_TRUE(tree.addNode("Main", "C", "Pump 2", "c", "o").ok());
    EXPECT_EQ(tree.addNode("Nowhere", "D", "x", "c", "o").error().number, 35601);
    EXPECT_EQ(tree.addNode("Main", "A", "x", "c", "o").error().number, 35602);

    EXPECT_EQ(tree.count(), 4);
    EXPECT_EQ(tree.fullPath(3), QStringLiteral("Main Page\\Pump\\Inlet"));
    EXPECT_EQ(tree.parentKey(3), QStringLiteral("A"));
    EXPECT_EQ(tree.indexOf("C"), 4);

    tree.select(4);
    tree.removeNode(2);
    EXPECT_EQ(tree.count(), 2);
    EXPECT_EQ(tree.selectedIndex(), 2);
    EXPECT_EQ(tree.indexOf("B"), 0);
    EXPECT_EQ(tree.indexOf("C"), 2);
    EXPECT_EQ(tree.parentKey(2), QStringLiteral("Main"));
    // A removed key can be used again.
    EXPECT_TRUE(tree.addNode("C", "A", "Again", "c", "o").ok());
}

} // namespace

TEST(NodeCollection, PlainAndWidgetSidesAgree)
{
    checkCollection<NodeList>();
    checkCollection<KeyedTree>();
}

TEST(NodeCollection, WidgetMirrorsNodes)
{
    KeyedTree tree;
    ASSERT_TRUE(tree.addNode("", "Main", "Main Page", "i", "i").ok());
    ASSERT_TRUE(tree.addNode("Main", "S1", "Pumps", "c", "o").ok());
    EXPECT_EQ(tree.topLevelItemCount(), 1);
    EXPECT_EQ(tree.topLevelItem(0)->child(0)->text(0), QStringLiteral("Pumps"));
    tree.setText(2, "Valves");
    EXPECT_EQ(tree.topLevelItem(0)->child(0)->text(0), QStringLiteral("Valves"));
    tree.select(2);
    EXPECT_EQ(tree.selectedIndex(), 2);
    tree.removeNode(1);
    EXPECT_EQ(tree.topLevelItemCount(), 0);
    EXPECT_EQ(tree.count(), 0);
}

TEST(NodeCollection, LargeTreesEmptyInLinearTime)
{
    // Removing node by node from the last was quadratic: 100,000 nodes took minutes.
    auto fill = [](NodeCollection& tree, int nodes) {
        for (int r = 0; r < 100; ++r)
            ASSERT_TRUE(tree.addNode("", QString::number(r), "root", "c", "o").ok());
        for (int i = 100; i < nodes; ++i)
            ASSERT_TRUE(tree.addNode(QString::number(i % 100), QString::number(i), "tag", "c", "o").ok());
    };
    QElapsedTimer timer;
    NodeList list;
    fill(list, 100000);
    timer.start();
    for (int i = list.count(); i >= 1; --i)
        list.removeNode(i);
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.indexOf("5"), 0);
    EXPECT_LT(timer.elapsed(), 5000);

    KeyedTree tree;
    fill(tree, 30000);
    tree.select(tree.indexOf("150"));
    timer.restart();
    CntrlTree::Clear_Tree(tree);
    EXPECT_EQ(tree.count(), 0);
    EXPECT_EQ(tree.topLevelItemCount(), 0);
    EXPECT_EQ(tree.selectedIndex(), 0);
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST(NodeCollection, ClearEmptiesNodesKeysAndItems)
{
    KeyedTree tree;
    ASSERT_TRUE(tree.addNode("", "Main", "Main Page", "i", "i").ok());
    ASSERT_TRUE(tree.addNode("Main", "A", "Pump", "c", "o").ok());
    ASSERT_TRUE(tree.addNode("", "Second", "Second", "i", "i").ok());
    // Removing a subtree from the middle keeps the later nodes and their items in step.
    ASSERT_TRUE(tree.addNode("A", "B", "Inlet", "c", "o").ok());
    tree.removeNode(2);
    EXPECT_EQ(tree.count(), 2);
    EXPECT_EQ(tree.key(2), "Second");
    tree.select(2);
    EXPECT_EQ(tree.currentItem()->text(0), "Second");

    tree.clear();
    EXPECT_EQ(tree.count(), 0);
    EXPECT_EQ(tree.topLevelItemCount(), 0);
    EXPECT_EQ(tree.indexOf("Main"), 0);
    EXPECT_TRUE(tree.addNode("", "Main", "Again", "i", "i").ok());
    EXPECT_EQ(tree.topLevelItem(0)->text(0), "Again");
}
