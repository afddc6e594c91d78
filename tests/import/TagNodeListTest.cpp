#include "TagNodeList.h"
#include "ImportTestData.h"
#include "Messages.h"
#include "NodeList.h"
#include "Proc500.h"
#include "TempAppFolder.h"

#include <gtest/gtest.h>

using namespace ImportTestData;

TEST(TagNodeList, ImportsGiveTheTreesOfThePlainList) {
    TempAppFolder app;
    MessageRecorder messages;
    QByteArray deep = "Address\r\n";
    for (int i = 0; i < 40; ++i)
        deep += "B" + QByteArray::number(i % 3) + QByteArray("/1").repeated(i % 31) + ",,,\"d\",,,,\r\n";
    for (const QByteArray& csv : {rslogix500(), rslogix5000(), deep}) {
        TempAppFolder::write(app.path() + "t.csv", csv);
        NodeList plain;
        TagNodeList shared;
        (void)Proc500::Import_Listing(app.path() + "t.csv", plain);
        (void)Proc500::Import_Listing(app.path() + "t.csv", shared);
        EXPECT_EQ(dump(shared), dump(plain));
    }
}

TEST(TagNodeList, StringsBuiltOnAParentsStayWhenTheParentChanges) {
    TagNodeList tree;
    ASSERT_TRUE(tree.addNode("", "R", "Root", "PLC500", "PLC500").ok());
    ASSERT_TRUE(tree.addNode("R", "R1.", "Root/a", "C", "O").ok());
    ASSERT_TRUE(tree.addNode("R1.", "R1.1.", "Other", "C", "O").ok());
    ASSERT_TRUE(tree.addNode("R", "", "no key", "C", "O").ok());
    ASSERT_TRUE(tree.addNode("R", "", "no key either", "C", "O").ok());
    EXPECT_EQ(tree.addNode("R", "R1.", "x", "C", "O").error().number, int(ErrNo::KeyNotUnique));
    EXPECT_EQ(tree.addNode("Nowhere", "Z", "x", "C", "O").error().number, int(ErrNo::ElementNotFound));
    tree.setTag(2, "000Root/a");
    tree.setTag(3, "000Root/a: child");
    tree.setTag(2, "000described");
    tree.setText(1, "Renamed");
    EXPECT_EQ(dump(tree),
              QStringList({"|R|Renamed||PLC500", "R|R1.|Root/a|000described|C",
                           "R1.|R1.1.|Other|000Root/a: child|C", "R||no key||C", "R||no key either||C"}));

    // Removing from the middle renumbers the nodes after it; keys of removed nodes are free again.
    tree.select(4);
    tree.removeNode(2);
    EXPECT_EQ(tree.count(), 3);
    EXPECT_EQ(tree.selectedIndex(), 2);
    EXPECT_EQ(tree.indexOf("R1.1."), 0);
    EXPECT_TRUE(tree.addNode("R", "R1.", "again", "C", "O").ok());
    EXPECT_EQ(tree.indexOf("R1."), 4);
    EXPECT_EQ(tree.parent(4), 1);
    tree.removeNode(1);
    EXPECT_EQ(tree.count(), 0);
    EXPECT_EQ(tree.selectedIndex(), 0);
    EXPECT_TRUE(tree.addNode("", "R", "New", "SPT", "SPT").ok());
    EXPECT_EQ(dump(tree), QStringList{"|R|New||SPT"});
}
