#include "Proc500.h"
#include "ExportKind.h"
#include "ImportLimits.h"
#include "ImportTestData.h"
#include "KeyedTree.h"
#include "Messages.h"
#include "NodeList.h"
#include "PLCData.h"
#include "SharedVars.h"
#include "TempAppFolder.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace ImportTestData;
using Proc500::Import_RSLogix500;

namespace {

// Imports lines of an export into a fresh tree.
NodeList import500(const TempAppFolder& app, const QByteArray& csv, ImportOutcome* outcome = nullptr) {
    TempAppFolder::write(app.path() + "Line1.csv", csv);
    NodeList tree;
    const ImportOutcome result = Import_RSLogix500(app.path() + "Line1.csv", tree);
    if (outcome)
        *outcome = result;
    return tree;
}

} // namespace

TEST(Proc500, WorkedExportGivesAddressTreeAndRecord) {
    TempAppFolder app;
    MessageRecorder messages;
    TempAppFolder::write(app.path() + "Line1.csv", rslogix500());
    NodeList tree;
    RecordingProgress progress;
    const ImportOutcome outcome = Import_RSLogix500(app.path() + "Line1.csv", tree, &progress);

    EXPECT_TRUE(outcome.clean());
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(dump(tree), QStringList({
                              "|RSLogix500|RSLogix500|RSLogix500|PLC500",
                              "RSLogix500|RSLogix5001.|B3|000B3|C",
                              "RSLogix5001.|RSLogix5001.1.|B3:0|000B3:0|C",
                              "RSLogix5001.1.|RSLogix5001.1.1.|B3:0/0|000START:  Start button|C",
                              "RSLogix5001.1.|RSLogix5001.1.2.|B3:0/1|000STOP:  Stop, red|C",
                              "RSLogix500|RSLogix5002.|N7|000N7|C",
                              "RSLogix5002.|RSLogix5002.2.|N7:0|000Speed set point|C",
                              "RSLogix500|RSLogix5003.|T4|000T4|C",
                              "RSLogix5003.|RSLogix5003.3.|T4:0|000T4:0|C",
                              "RSLogix5003.3.|RSLogix5003.3.3.|T4:0.ACC|000Fill timer|C",
                              "RSLogix500|RSLogix5004.|I|000I|C",
                              "RSLogix5004.|RSLogix5004.4.|I:0|000I:0|C",
                              "RSLogix5004.4.|RSLogix5004.4.4.|I:0.0|000I:0.0|C",
                              "RSLogix5004.4.4.|RSLogix5004.4.4.1.|I:0.0/0|000No Info|C",
                              "RSLogix500|RSLogix5005.|S2|000S2|C",
                              "RSLogix5005.|RSLogix5005.5.|S2:1|000S2:1|C",
                              "RSLogix5005.5.|RSLogix5005.5.5.|S2:1/15|000First scan|C",
                              "RSLogix500|RSLogix5006.|Q9|000Q9|C",
                              "RSLogix5006.|RSLogix5006.6.|Q9:3|000Queue|C",
                          }));
    EXPECT_EQ(tree.selectedImage(2), "O");
    EXPECT_EQ(PLCRecord,
              (PLCData{"Line1.csv", "RSLogix500", "No Topic Defined", "Line1.csv", "0\tController_Tags\t"}));
    EXPECT_EQ(progress.captions, QStringList({"Loading File Step 1 of 6", "Loading File Step 2 of 6",
                                              "Loading File Step 3 of 6", "Loading File Stage 4 of 6",
                                              "Loading File Stage 5 of 6", "Loading File Stage 6 of 6"}));
    EXPECT_EQ(progress.percents, QList<int>({0, 16, 33, 50, 66, 83, 100}));
    EXPECT_TRUE(stagedLeft().isEmpty());
}

TEST(Proc500, OutlineSharesOnlyWithTheLineBefore) {
    TempAppFolder app;
    MessageRecorder messages;
    const NodeList tree = import500(app, "B3:0/0,,,\"first\",,,,\r\n"
                                         "B3:0/0,,,\"again\",,,,\r\n"
                                         "N7:0,,,\"n\",,,,\r\n"
                                         "B3:0/1,,,\"second B3\",,,,\r\n"
                                         "B3:0/1/2,,,\"deeper\",,,,\r\n"
                                         "B3:0/1,,,\"back up\",,,,\r\n"
                                         "C5,,,\"single part\",,,,\r\n");
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(dump(tree),
              QStringList({
                  "|RSLogix500|RSLogix500|RSLogix500|PLC500",
                  "RSLogix500|RSLogix5001.|B3|000B3|C",
                  "RSLogix5001.|RSLogix5001.1.|B3:0|000B3:0|C",
                  // The repeated address makes no node; its description replaces the first.
                  "RSLogix5001.1.|RSLogix5001.1.1.|B3:0/0|000again|C",
                  "RSLogix500|RSLogix5002.|N7|000N7|C",
                  "RSLogix5002.|RSLogix5002.2.|N7:0|000n|C",
                  // Not merged with the first B3.
                  "RSLogix500|RSLogix5003.|B3|000B3|C",
                  "RSLogix5003.|RSLogix5003.3.|B3:0|000B3:0|C",
                  // A shorter address after a longer one describes its own node, not the deeper one.
                  "RSLogix5003.3.|RSLogix5003.3.2.|B3:0/1|000back up|C",
                  "RSLogix5003.3.2.|RSLogix5003.3.2.1.|B3:0/1/2|000deeper|C",
                  "RSLogix500|RSLogix5004.|C5|000single part|C",
              }));
}

TEST(Proc500, ShortLinesAreConvertedWithOneMessage) {
    TempAppFolder app;
    MessageRecorder messages;
    ImportOutcome outcome;
    const NodeList tree = import500(app, "B3:0/0,,START\r\nN7:0\r\nN7:1,,,\"ok\",,,,\r\n", &outcome);
    EXPECT_EQ(messages.texts(), QStringList{"Step_3: Subscript out of range # 9 (Line1.csv, line 1)"});
    EXPECT_FALSE(outcome.failed);
    EXPECT_EQ(tree.tag(nodeWithText(tree, "B3:0/0")), "000START:");
    EXPECT_EQ(tree.tag(nodeWithText(tree, "N7:0")), "000No Info");
    EXPECT_EQ(tree.tag(nodeWithText(tree, "N7:1")), "000ok");
    EXPECT_TRUE(stagedLeft().isEmpty());
}

TEST(Proc500, BadInputEndsWithWhatCouldBeReadAndNoStagedFiles) {
    TempAppFolder app;
    MessageRecorder messages;
    struct Case {
        const char* what;
        QByteArray csv;
        int nodes;
        QStringList texts;
    };
    const QByteArray longLine = "B3:0/0,,,\"" + QByteArray(40000, 'x') + "\",,,,\r\n";
    const Case cases[] = {
        {"empty", "", 1, {}},
        {"binary", QByteArray("\x00\x01\x02\xff\xfe\r\n\x89PNG\x1a", 11) + QByteArray(300, '\0'), 1, {}},
        {"LF only and mixed", "N7:0,,,\"a\",,,,\nN7:1,,,\"b\",,,,\rN7:2,,,\"c\",,,,\r\n", 5, {}},
        {"over 32,767 characters",
         longLine + "N7:0,,,\"a\",,,,\r\n",
         3,
         {"Step 1: Overflow # 6 (Line1.csv, line 1)"}},
        {"neither kind", "name;value\r\nalpha;1\r\n", 1, {}},
    };
    for (const Case& c : cases) {
        messages.clear();
        // A staged file of an interrupted run (or of another import) must not be read as this run's.
        TempAppFolder::write(app.tstruct("Step_4.txt"), "stale\tB3\t:9\t\r\n");
        const NodeList tree = import500(app, c.csv);
        EXPECT_EQ(tree.count(), c.nodes) << c.what;
        EXPECT_EQ(messages.texts(), c.texts) << c.what;
        EXPECT_EQ(stagedLeft(), QStringList{"Step_4.txt"}) << c.what;
    }

    messages.clear();
    QFile::remove(app.tstruct("Step_4.txt"));
    NodeList tree;
    const ImportOutcome outcome = Import_RSLogix500(app.path() + "missing.csv", tree);
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(messages.texts(), QStringList{"Step 1: File not found # 53 (" + app.path() + "missing.csv)"});
    EXPECT_EQ(tree.count(), 1);
    EXPECT_TRUE(stagedLeft().isEmpty());
}

TEST(Proc500, StagedFileFailuresGiveOneMessageAndLeaveNothing) {
    {
        TempAppFolder app(TempAppFolder::Folders::None);
        MessageRecorder messages;
        ImportOutcome outcome;
        const NodeList tree = import500(app, rslogix500(), &outcome);
        EXPECT_TRUE(outcome.failed);
        EXPECT_EQ(messages.texts(), QStringList{"Step 1: Path not found # 76 (" + app.tstruct("") + ")"});
        EXPECT_EQ(tree.count(), 1);
    }
    TempAppFolder app;
    MessageRecorder messages;
    QByteArray csv;
    for (int i = 0; i < 400; ++i)
        csv += "N7:" + QByteArray::number(i) + ",,,value,,,,\r\n";
    TempAppFolder::write(app.path() + "Line1.csv", csv);
    NodeList tree;
    ImportOutcome outcome;
    {
        // Step_1.txt fits, Step_2.txt (a TAB longer per line) does not.
        FileSizeLimit limit(csv.size() + 100);
        outcome = Import_RSLogix500(app.path() + "Line1.csv", tree);
    }
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(messages.texts(), QStringList{"Convert_CSV_to_TXT: Path/File access error # 75 (Step_2.txt)"});
    EXPECT_TRUE(stagedLeft().isEmpty());
}

TEST(Proc500, AddressesOfThousandsOfPartsAreLeftOutWithTheirLine) {
    TempAppFolder app;
    MessageRecorder messages;
    // 32 KB: one address of 16,000 parts would make nodes whose texts add up to a gigabyte.
    QByteArray hostile = "B3";
    for (int i = 0; i < 16000; ++i)
        hostile += "/1";
    const QByteArray csv = "N7:0,,,\"kept\",,,,\r\n" + hostile + ",,,\"x\",,,,\r\n" + hostile +
                           "/2,,,,,,,\r\n" + "B3:0" + QByteArray("/9").repeated(ImportLimits::MaxParts - 2) +
                           ",,,\"deepest kept\",,,,\r\n";
    ImportOutcome outcome;
    const NodeList tree = import500(app, csv, &outcome);
    EXPECT_FALSE(outcome.failed);
    EXPECT_EQ(messages.texts(),
              QStringList{"Step 1: Address of more than 32 parts left out # 6 (Line1.csv, line 2)"});
    // The root, N7, N7:0 and the 32 levels of the address at the limit.
    EXPECT_EQ(tree.count(), 3 + ImportLimits::MaxParts);
    EXPECT_EQ(tree.tag(tree.count()), "000deepest kept");
}

TEST(Proc500, ImportsRunningAtTheSameTimeReadOnlyTheirOwnStagedFiles) {
    TempAppFolder app;
    MessageRecorder messages;
    TempAppFolder::write(app.path() + "Other.csv", "N7:0,,,\"other\",,,,\r\n");
    TempAppFolder::write(app.path() + "Line1.csv", rslogix500());
    NodeList alone;
    (void)Import_RSLogix500(app.path() + "Line1.csv", alone);

    // A second import (the converter, say) runs in the middle of the first and ends before it.
    struct Interleaved : RecordingProgress {
        QString other;
        NodeList otherTree;
        void caption(const QString& text) override {
            if (text.startsWith("Loading File Step 3"))
                (void)Import_RSLogix500(other, otherTree);
        }
    } progress;
    progress.other = app.path() + "Other.csv";
    NodeList tree;
    const ImportOutcome outcome = Import_RSLogix500(app.path() + "Line1.csv", tree, &progress);
    EXPECT_TRUE(outcome.clean()) << outcome.messages.join('\n').toStdString();
    EXPECT_EQ(dump(tree), dump(alone));
    EXPECT_EQ(dump(progress.otherTree).size(), 3);
    EXPECT_TRUE(stagedLeft().isEmpty());
}

TEST(Proc500, SecondImportIntoTheSameTreeReplacesTheFirst) {
    TempAppFolder app;
    MessageRecorder messages;
    KeyedTree tree;
    TempAppFolder::write(app.path() + "Line1.csv", rslogix500());
    (void)Import_RSLogix500(app.path() + "Line1.csv", tree);
    const QStringList first = dump(tree);
    (void)Import_RSLogix500(app.path() + "Line1.csv", tree);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(dump(tree), first);
    EXPECT_EQ(tree.topLevelItemCount(), 1);
    EXPECT_EQ(tree.topLevelItem(0)->childCount(), 6);
}

TEST(Proc500, ImportTypeFromTheFirstLineOnly) {
    TempAppFolder app;
    const struct {
        QByteArray bytes;
        int type;
    } cases[] = {
        {"remark,\"CSV-Import-Export\"\r\nTAG,,a\r\n", 1},
        {"x,\"remark\"\n", 1},
        {"Remark,x\r\n", 2},
        {"TYPE,SCOPE\r\nremark,x\r\n", 2},
        {"TYPE,SCOPE\rremark,x\r", 2},
        {"", 2},
    };
    for (const auto& c : cases) {
        TempAppFolder::write(app.path() + "t.csv", c.bytes);
        EXPECT_EQ(Proc500::Get_Import_Type(app.path() + "t.csv"), c.type) << c.bytes.constData();
    }
    EXPECT_EQ(Proc500::Get_Import_Type(app.path() + "missing.csv"), 2);
}

TEST(Proc500, OnlyFilesWithAnExportsHeaderAreTagExports) {
    using namespace ExportKind;
    const struct {
        QByteArray bytes;
        Kind kind;
    } cases[] = {
        {rslogix500(), RSLogix500},
        {rslogix5000(), RSLogix5000},
        {"address list\r\n\r\n address ,Symbol\rN7:0,,,x\r", RSLogix500},
        {"Name,Value,Unit\r\nTank,3,%\r\n", Unknown},
        // The header must come before the addresses it heads.
        {"N7:0,,,x\r\nAddress,Symbol\r\n", Unknown},
        {"\"Addresses\",\"Symbol\"\r\n", Unknown},
        {"", Unknown},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExportKind::of(c.bytes), c.kind) << c.bytes.constData();
}
