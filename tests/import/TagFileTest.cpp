#include "CheckedWriter.h"
#include "ImportTestData.h"
#include "KeyedTree.h"
#include "Messages.h"
#include "NodeList.h"
#include "PLCData.h"
#include "PLCTagHandler.h"
#include "Proc500.h"
#include "TagRoutines.h"
#include "TempAppFolder.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace ImportTestData;
using PLCTagHandler::Load_Tags;
using TagRoutines::Save_Tags;

namespace {

// Saves the tree of an export as the designer would after the engineer named it.
NodeList importAndSave(const TempAppFolder& app, const QString& file, const QByteArray& csv) {
    TempAppFolder::write(app.path() + file, csv);
    NodeList tree;
    (void)Proc500::Import_Listing(app.path() + file, tree);
    PLCRecord.name = "Line 1 press";
    PLCRecord.topic = "PRESS1";
    EXPECT_TRUE(Save_Tags(tree).ok());
    return tree;
}

} // namespace

TEST(TagFile, SaveThenLoadKeepsKeysTextsTagsAndShape) {
    TempAppFolder app;
    MessageRecorder messages;
    for (const auto& [file, csv] :
         {std::pair{QString("Line1.csv"), rslogix500()}, {"Plc5k.csv", rslogix5000()}}) {
        const NodeList saved = importAndSave(app, file, csv);
        const PLCData record = PLCRecord;
        const QString path = TagRoutines::StructureFile(record);
        EXPECT_TRUE(path.endsWith(QString(file).replace(".csv", ".stc")));

        KeyedTree loaded;
        RecordingProgress progress;
        ASSERT_TRUE(Load_Tags(path, loaded, &progress).ok());
        EXPECT_EQ(LoadedPLC, record);
        EXPECT_EQ(progress.captions, QStringList{"Loading Tags..."});
        ASSERT_EQ(loaded.count(), saved.count());
        for (int i = 1; i <= saved.count(); ++i) {
            EXPECT_EQ(loaded.key(i), saved.key(i));
            EXPECT_EQ(loaded.text(i), saved.text(i));
            EXPECT_EQ(loaded.parentKey(i), saved.parentKey(i));
            const bool root = saved.parent(i) == 0;
            // Roots come back with their key as tag and the controller image; the rest with "c".
            EXPECT_EQ(loaded.tag(i), root ? saved.key(i) : saved.tag(i));
            EXPECT_EQ(loaded.image(i), root ? "PLC5000" : "c");
        }
    }
    EXPECT_EQ(PLCTagHandler::LoadedScopeUpper, 1);
    EXPECT_EQ(PLCTagHandler::LoadedScopes, QStringList({"Controller_Tags", "MainProgram"}));
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

TEST(TagFile, SavedFileIsHeaderThenOneLinePerNode) {
    TempAppFolder app;
    NodeList tree;
    ASSERT_TRUE(tree.addNode("", "RSLogix500", "RSLogix500", "PLC500", "PLC500").ok());
    tree.setTag(1, "RSLogix500");
    ASSERT_TRUE(tree.addNode("RSLogix500", "RSLogix5001.", "B3", "C", "O").ok());
    tree.setTag(2, "000Start");
    PLCRecord = {"Press", "RSLogix500", "PRESS1", "Line1.v2.csv", "0\tController_Tags\t"};
    ASSERT_TRUE(Save_Tags(tree).ok());
    EXPECT_EQ(TempAppFolder::read(app.tstruct("Line1.stc")),
              QByteArray("Press\r\nRSLogix500\r\nPRESS1\r\nLine1.v2.csv\r\n0\tController_Tags\t\r\n"
                         "\tRSLogix500\tRSLogix500\tRSLogix500\t\r\n"
                         "RSLogix500\tRSLogix5001.\tB3\t000Start\t\r\n"));
}

TEST(TagFile, SaveRefusesBadRecordsAndKeepsTheEarlierFile) {
    TempAppFolder app;
    MessageRecorder messages;
    NodeList tree;
    ASSERT_TRUE(tree.addNode("", "RSLogix500", "RSLogix500", "PLC500", "PLC500").ok());
    TempAppFolder::write(app.tstruct("Line1.stc"), "earlier");
    const PLCData good{"Press", "RSLogix500", "PRESS1", "Line1.csv", "0\tController_Tags\t"};
    for (QString PLCData::*field :
         {&PLCData::name, &PLCData::type, &PLCData::topic, &PLCData::listingFile, &PLCData::scopeList}) {
        messages.clear();
        PLCRecord = good;
        PLCRecord.*field = "";
        EXPECT_FALSE(Save_Tags(tree).ok());
        EXPECT_EQ(messages.texts(), QStringList{"Error in user data save aborted."});
    }
    PLCRecord = good;
    PLCRecord.name = "two\r\nlines";
    EXPECT_FALSE(Save_Tags(tree).ok());

    for (const QString listing : {"..csv", ".csv", "a:b.csv", "CON.csv", "Line1.csv."}) {
        messages.clear();
        PLCRecord = good;
        PLCRecord.listingFile = listing;
        EXPECT_FALSE(Save_Tags(tree).ok());
        EXPECT_EQ(messages.texts(),
                  QStringList{"Save_Tags: The listing file name \"" + listing +
                              "\" does not name a structure file in the structure folder. # 52"});
    }

    // Names the PLC list could not find again: outside Latin-1 (written as "?"), or without ".".
    const QString omega = QString::fromUtf8("\u03a9mega");
    const struct {
        QString PLCData::*field;
        QString value;
        QString says;
    } unsavable[] = {
        {&PLCData::listingFile, omega + ".csv",
         "The imported file name \"" + omega + ".csv\" holds characters"},
        {&PLCData::name, omega, "The PLC name \"" + omega + "\" holds characters"},
        {&PLCData::topic, "T" + omega, "The DDE topic \"T" + omega + "\" holds characters"},
        {&PLCData::listingFile, "NoDot", "The imported file name \"NoDot\" has no extension"},
    };
    for (const auto& c : unsavable) {
        messages.clear();
        PLCRecord = good;
        PLCRecord.*c.field = c.value;
        EXPECT_FALSE(Save_Tags(tree).ok());
        ASSERT_EQ(messages.texts().size(), 1);
        EXPECT_TRUE(messages.texts()[0].startsWith(c.says)) << messages.texts()[0].toStdString();
    }
    EXPECT_EQ(QDir(app.tstruct("")).entryList(QDir::Files), QStringList{"Line1.stc"});

    // The roots of an import that found nothing would replace the controller with an empty one.
    messages.clear();
    PLCRecord = good;
    EXPECT_FALSE(Save_Tags(tree).ok());
    EXPECT_EQ(messages.texts(), QStringList{"No tags were found in Line1.csv; the structure file " +
                                            app.tstruct("Line1.stc") + " was left as it was."});

    // A write that fails half-way leaves the earlier file as it was.
    messages.clear();
    PLCRecord = good;
    for (int i = 0; i < 2000; ++i)
        ASSERT_TRUE(tree.addNode("RSLogix500", QString("K%1").arg(i), "B3:0/1", "C", "O").ok());
    {
        FileSizeLimit limit(4096);
        EXPECT_FALSE(Save_Tags(tree).ok());
    }
    EXPECT_EQ(messages.texts(),
              QStringList{"Save_Tags: Path/File access error # 75 (" + app.tstruct("Line1.stc") + ")"});
    EXPECT_EQ(TempAppFolder::read(app.tstruct("Line1.stc")), QByteArray("earlier"));

    // So does a failing write or sync, which a buffered save used to report as a good save of an empty file.
    for (const int nth : {1, 2}) {
        CheckedWriter::Faults::failFrom(nth, false);
        EXPECT_FALSE(Save_Tags(tree).ok());
        CheckedWriter::Faults::clear();
        EXPECT_EQ(TempAppFolder::read(app.tstruct("Line1.stc")), QByteArray("earlier"));
    }
}

TEST(TagFile, HeaderOnlyFileLoadsEmptyTreeWithScopes) {
    TempAppFolder app;
    MessageRecorder messages;
    TempAppFolder::write(
        app.tstruct("Empty.stc"),
        "Press\r\nRSLogix5000\r\nPRESS1\r\nEmpty.csv\r\n2\tController_Tags\tMain\tSafety\t\r\n");
    NodeList tree;
    ASSERT_TRUE(tree.addNode("", "Old", "Old", "PLC5000", "").ok());
    ASSERT_TRUE(tree.addNode("Old", "Child", "Child", "c", "o").ok());
    EXPECT_TRUE(Load_Tags(app.tstruct("Empty.stc"), tree).ok());
    EXPECT_EQ(tree.count(), 0);
    EXPECT_EQ(LoadedPLC,
              (PLCData{"Press", "RSLogix5000", "PRESS1", "Empty.csv", "2\tController_Tags\tMain\tSafety\t"}));
    EXPECT_EQ(PLCTagHandler::LoadedScopeUpper, 2);
    EXPECT_EQ(PLCTagHandler::LoadedScopes, QStringList({"Controller_Tags", "Main", "Safety"}));
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST(TagFile, DamagedFilesLoadWhatTheyCan) {
    TempAppFolder app;
    MessageRecorder messages;
    // LF-only line ends, a line for an unknown parent, a repeated key, a line cut short, a blank line, and a
    // scope count larger than the names given.
    TempAppFolder::write(app.tstruct("Bad.stc"), "Press\nRSLogix500\nPRESS1\nBad.csv\n3\tController_Tags\t\n"
                                                 "\tRSLogix500\tRSLogix500\tRSLogix500\t\n"
                                                 "Nobody\tX1.\tB3\t000B3\t\n"
                                                 "RSLogix500\tR1.\tB3\t000B3\t\n"
                                                 "RSLogix500\tR1.\tN7\t000N7\t\n"
                                                 "R1.\tR1.1.\tB3:0\n"
                                                 "\n");
    NodeList tree;
    EXPECT_TRUE(Load_Tags(app.tstruct("Bad.stc"), tree).ok());
    EXPECT_EQ(dump(tree), QStringList({"|RSLogix500|RSLogix500|RSLogix500|PLC5000",
                                       "RSLogix500|R1.|B3|000B3|c", "R1.|R1.1.|||c"}));
    EXPECT_EQ(messages.texts(),
              QStringList{"Load_Tags: 2 damaged node lines of " + app.tstruct("Bad.stc") + " were skipped."});
    EXPECT_EQ(PLCTagHandler::LoadedScopes, QStringList({"Controller_Tags", "", "", ""}));

    messages.clear();
    EXPECT_FALSE(Load_Tags(app.tstruct("Missing.stc"), tree).ok());
    EXPECT_EQ(messages.texts(),
              QStringList{"Load_Tags: File not found # 53 (" + app.tstruct("Missing.stc") + ")"});
    // What was loaded before must not stay shown as if it were this file.
    EXPECT_EQ(tree.count(), 0);
    EXPECT_EQ(LoadedPLC, PLCData{});
    EXPECT_TRUE(PLCTagHandler::LoadedScopes.isEmpty());

    messages.clear();
    ASSERT_TRUE(Load_Tags(app.tstruct("Bad.stc"), tree).ok());
    TempAppFolder::write(app.tstruct("Cut.stc"), "Press\r\nRSLogix500\r\n");
    EXPECT_FALSE(Load_Tags(app.tstruct("Cut.stc"), tree).ok());
    EXPECT_EQ(messages.texts().last(),
              "Load_Tags: Input past end of file # 62 (" + app.tstruct("Cut.stc") + ")");
    EXPECT_EQ(tree.count(), 0);
    EXPECT_EQ(LoadedPLC, PLCData{});
}
