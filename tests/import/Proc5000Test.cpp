#include "Proc5000.h"
#include "ImportLimits.h"
#include "ImportTestData.h"
#include "Messages.h"
#include "NodeList.h"
#include "PLCData.h"
#include "TempAppFolder.h"

#include <gtest/gtest.h>

using namespace ImportTestData;
using Proc5000::Import_RSLogix5000;

namespace {

const QByteArray Header =
    "remark,\"CSV-Import-Export\"\r\nTYPE,SCOPE,NAME,DESCRIPTION,DATATYPE,SPECIFIER\r\n";

NodeList import5000(const TempAppFolder& app, const QByteArray& csv, ImportOutcome* outcome = nullptr) {
    TempAppFolder::write(app.path() + "Plc5k.csv", csv);
    NodeList tree;
    const ImportOutcome result = Import_RSLogix5000(app.path() + "Plc5k.csv", tree);
    if (outcome)
        *outcome = result;
    return tree;
}

} // namespace

TEST(Proc5000, WorkedExportGivesScopesTagsAndMembers) {
    TempAppFolder app;
    MessageRecorder messages;
    TempAppFolder::write(app.path() + "Plc5k.csv", rslogix5000());
    NodeList tree;
    RecordingProgress progress;
    const ImportOutcome outcome = Import_RSLogix5000(app.path() + "Plc5k.csv", tree, &progress);

    EXPECT_TRUE(outcome.clean()) << outcome.messages.join('\n').toStdString();
    EXPECT_EQ(dump(tree), QStringList({
                              "|Controller_Tags|Controller_Tags|000Controller_Tags|PLC5000",
                              "|MainProgram|MainProgram|001MainProgram|SPT",
                              // The tag's own DESCRIPTION column and its comment on itself are not carried.
                              "Controller_Tags|:1.|Motor|000MOTOR_T|C",
                              ":1.|:1.1.|Motor.Status|000Status word|C",
                              ":1.1.|:1.1.1.|Motor.Status.3|000 hot water|C",
                              ":1.1.|:1.1.2.|Motor.Status.4|000Overload|C",
                              "MainProgram|:2.|Rack|001RACK_T[4]|C",
                              ":2.|:2.2.|Rack[2]|001Speed of two|C",
                              ":2.2.|:2.2.3.|Rack[2].Speed|001Speed of two|C",
                              "Controller_Tags|:3.|Level|000REAL|C",
                          }));
    EXPECT_EQ(Proc5000::ScopeNames, QStringList({"Controller_Tags", "MainProgram"}));
    EXPECT_EQ(PLCRecord, (PLCData{"Plc5k.csv", "RSLogix5000", "No Topic Defined", "Plc5k.csv",
                                  "1\tController_Tags\tMainProgram\t"}));
    ASSERT_EQ(progress.captions.size(), 10);
    EXPECT_EQ(progress.captions[4], "Loading File Step 5 of 10");
    EXPECT_EQ(progress.captions[5], "Loading File Stage 6 of 10");
    EXPECT_EQ(progress.captions[9], "Loading File Stage 10 of 10");
    EXPECT_EQ(progress.percents.last(), 100);
    EXPECT_TRUE(stagedLeft().isEmpty());
}

TEST(Proc5000, MemberDescriptionsLandOnTheirOwnNodes) {
    TempAppFolder app;
    MessageRecorder messages;
    const NodeList tree =
        import5000(app, Header + "TAG,,Pump,\"\",\"PUMP_T\",\"\"\r\n"
                                 "COMMENT,,Pump,\"bit three\",\"PUMP_T\",\"Pump.Status.3\"\r\n"
                                 "COMMENT,,Pump,\"the word\",\"PUMP_T\",\"Pump.Status\"\r\n"
                                 "COMMENT,,Pump,\"  \",\"PUMP_T\",\"Pump.Run\"\r\n"
                                 "COMMENT,,Pump,\"1\",\"PUMP_T\",\"Pump.Stop\"\r\n"
                                 "COMMENT,,Pump,\"first\",\"PUMP_T\",\"Pump.Stop\"\r\n"
                                 "COMMENT,,Pump,\"later\",\"PUMP_T\",\"Pump.Stop\"\r\n"
                                 "TAG,,Valve,\"\",\"BOOL\",\"\"\r\n"
                                 "COMMENT,,Valve,\"open\",\"BOOL\",\"Valve.Status\"\r\n");
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(tree.tag(nodeWithText(tree, "Pump.Status.3")), "000bit three");
    // A comment on a member made earlier by a deeper comment describes that member.
    EXPECT_EQ(tree.tag(nodeWithText(tree, "Pump.Status")), "000the word");
    EXPECT_EQ(tree.tag(nodeWithText(tree, "Pump.Run")), "000No Info");
    EXPECT_EQ(tree.tag(nodeWithText(tree, "Pump.Stop")), "000later");
    // The member outline restarts after every tag line: Valve.Status is not taken for Pump.Status.
    const int valveStatus = nodeWithText(tree, "Valve.Status");
    EXPECT_EQ(tree.text(tree.parent(valveStatus)), "Valve");
    EXPECT_EQ(tree.count(), 1 + 5 + 2);
}

TEST(Proc5000, CommentsThatFitNoTagMakeNoNode) {
    TempAppFolder app;
    MessageRecorder messages;
    ImportOutcome outcome;
    const NodeList tree = import5000(app,
                                     Header + "COMMENT,,Motor,\"before any tag\",\"DINT\",\"Motor.1\"\r\n"
                                              "TAG,,Motor,\"\",\"DINT\",\"\"\r\n"
                                              "COMMENT,,Motor,\"short\",\"DINT\",\"Mot\"\r\n"
                                              "COMMENT,,Motor,\"other name\",\"DINT\",\"Pump.1\"\r\n"
                                              "COMMENT,,Motor,\"longer name\",\"DINT\",\"MotorX.1\"\r\n"
                                              "COMMENT,,Motor,\"fine\",\"DINT\",\"Motor.2\"\r\n"
                                              "TAG,,Pump,\"\",\"DINT\",\"\"\r\n"
                                              "COMMENT,,Motor,\"after another tag\",\"DINT\",\"Motor.3\"\r\n"
                                              "COMMENT,P1,Pump,\"other scope\",\"DINT\",\"Pump.3\"\r\n",
                                     &outcome);
    EXPECT_FALSE(outcome.failed);
    EXPECT_EQ(messages.texts(), QStringList({"Step 8: Element not found # 35601 (Plc5k.csv)",
                                             "Step 8: Invalid procedure call or argument # 5 (Plc5k.csv)"}));
    EXPECT_EQ(dump(tree), QStringList({
                              "|Controller_Tags|Controller_Tags|000Controller_Tags|PLC5000",
                              "|P1|P1|001P1|SPT",
                              "Controller_Tags|:1.|Motor|000DINT|C",
                              ":1.|:1.1.|Motor.2|000fine|C",
                              "Controller_Tags|:2.|Pump|000DINT|C",
                          }));
    EXPECT_TRUE(stagedLeft().isEmpty());
}

TEST(Proc5000, MemberPathsOfThousandsOfPartsAreLeftOutWithTheirLine) {
    TempAppFolder app;
    MessageRecorder messages;
    // 32 KB of ".1": member nodes whose texts would add up to a gigabyte.
    const QByteArray deep = "Motor" + QByteArray(".1").repeated(16000);
    const QByteArray atLimit = "Motor" + QByteArray("[2]").repeated(ImportLimits::MaxParts - 1);
    const QByteArray csv = Header + "TAG,,Motor,\"\",\"DINT\",\"\"\r\n" +
                           "COMMENT,,Motor,\"deep\",\"DINT\",\"" + deep + "\"\r\n" +
                           "COMMENT,,Motor,\"at the limit\",\"DINT\",\"" + atLimit + "\"\r\n";
    const NodeList tree = import5000(app, csv);
    EXPECT_EQ(messages.texts(),
              QStringList{"Step 1: Member path of more than 32 parts left out # 6 (Plc5k.csv, line 4)"});
    // The scope root, the tag and one node per member of the path at the limit.
    EXPECT_EQ(tree.count(), 2 + ImportLimits::MaxParts - 1);
    EXPECT_EQ(tree.text(tree.count()), atLimit);
}

TEST(Proc5000, NoMoreScopesThanThreeDigitsCanIndex) {
    TempAppFolder app;
    MessageRecorder messages;
    QByteArray csv = Header;
    for (int i = 0; i <= 1000; ++i)
        csv += "TAG,P" + QByteArray::number(i) + ",T,\"\",\"DINT\",\"\"\r\n";
    const NodeList tree = import5000(app, csv);
    ASSERT_FALSE(messages.texts().isEmpty());
    EXPECT_EQ(messages.texts()[0], "Step 5: More than 1000 scopes, the later ones left out # 6 (Plc5k.csv)");
    EXPECT_EQ(Proc5000::ScopeUpper(), 999);
    // Every tag that was kept carries its own scope's three digits.
    EXPECT_EQ(tree.tag(tree.count()), "999DINT");
    EXPECT_EQ(tree.parentKey(tree.count()), "P999");
}

TEST(Proc5000, BadInputEndsWithWhatCouldBeRead) {
    TempAppFolder app;
    MessageRecorder messages;
    struct Case {
        const char* what;
        QByteArray csv;
        QStringList texts;
        int nodes;
    };
    const Case cases[] = {
        {"LF only", "remark,x\nTAG,,A,\"\",\"DINT\",\"\"\nCOMMENT,,A,\"b\",\"DINT\",\"A.1\"\n", {}, 3},
        {"short tag line",
         Header + "TAG,,A\r\nTAG,,B,\"\",\"BOOL\"\r\n",
         {"Step_4: Subscript out of range # 9 (Plc5k.csv, line 3)"},
         3},
        {"header only", Header, {}, 0},
        {"other COM lines", Header + "COMPUTE,,A,b,c,d\r\n", {}, 0},
    };
    for (const Case& c : cases) {
        messages.clear();
        const NodeList tree = import5000(app, c.csv);
        EXPECT_EQ(messages.texts(), c.texts) << c.what;
        EXPECT_EQ(tree.count(), c.nodes) << c.what;
        EXPECT_TRUE(stagedLeft().isEmpty()) << c.what;
    }
    EXPECT_EQ(PLCRecord.scopeList, "-1\t");
}
