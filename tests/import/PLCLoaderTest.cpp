#include "PLCLoader.h"
#include "ImportTestData.h"
#include "KeyedTree.h"
#include "Messages.h"
#include "NodeList.h"
#include "PLCData.h"
#include "SharedVars.h"
#include "TempAppFolder.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace PLCLoader;

namespace {

QByteArray header(const QString& name, const QString& type, const QString& listing,
                  const QString& topic = "No Topic Defined") {
    return QStringList{name, type, topic, listing, "0\tController_Tags\t", ""}.join("\r\n").toLatin1();
}

QByteArray nodeLines(int count) {
    QByteArray out = "\tRSLogix500\tRSLogix500\tRSLogix500\t\r\n";
    for (int i = 1; i < count; ++i)
        out += "RSLogix500\tK" + QByteArray::number(i) + "\tB3:" + QByteArray::number(i) + "\t000Bit " +
               QByteArray::number(i) + "\t\r\n";
    return out;
}

// Children of a node as "key|text|image".
QStringList childrenOf(const NodeCollection& tree, const QString& key) {
    QStringList out;
    for (int i = 1; i <= tree.count(); ++i)
        if (tree.parentKey(i) == key)
            out << tree.key(i) + '|' + tree.text(i) + '|' + tree.image(i);
    return out;
}

} // namespace

TEST(PLCLoader, ListsEachControllerUnderItsTypeInNameOrder) {
    TempAppFolder app;
    KeyedTree tree;
    // An empty folder gives the two roots only, RSLogix5000 first.
    EXPECT_EQ(Load_PLC_List(tree), 0);
    EXPECT_EQ(ImportTestData::dump(tree),
              QStringList({"|RSLogix5000|RSLogix5000||PLC5000", "|RSLogix500|RSLogix500||PLC500"}));

    TempAppFolder::write(app.tstruct("b.stc"), header("Line 1", "RSLogix500", "b.csv") + nodeLines(300));
    TempAppFolder::write(app.tstruct("A.STC"), header("Line 1", "RSLogix5000", "A.csv", "PLC_A"));
    TempAppFolder::write(app.tstruct("c.stc"), header("Press", "RSLogix500", "c.csv"));
    TempAppFolder::write(app.tstruct("notes.txt"), header("Notes", "RSLogix500", "notes.csv"));
    EXPECT_EQ(Load_PLC_List(tree), 3);
    EXPECT_EQ(PLCListCount, 3);
    // Same friendly name, different keys; the count runs over both roots in file name order.
    EXPECT_EQ(childrenOf(tree, "RSLogix5000"), QStringList{"1Line 1|Line 1|PLC5000"});
    EXPECT_EQ(childrenOf(tree, "RSLogix500"), QStringList({"2Line 1|Line 1|PLC500", "3Press|Press|PLC500"}));
    EXPECT_EQ(tree.tag(tree.indexOf("1Line 1")), "Line 1\tRSLogix5000\tPLC_A\tA.csv\t0\tController_Tags\t");
    for (const QString& field : ListingHeader)
        EXPECT_TRUE(field.isEmpty());

    // Keys are recomputed at every fill.
    QFile::remove(app.tstruct("A.STC"));
    EXPECT_EQ(Load_PLC_List(tree), 2);
    EXPECT_EQ(childrenOf(tree, "RSLogix500"), QStringList({"1Line 1|Line 1|PLC500", "2Press|Press|PLC500"}));
    EXPECT_EQ(tree.count(), 4);
}

TEST(PLCLoader, DamagedHeadersAreSkipped) {
    TempAppFolder app;
    MessageRecorder messages;
    TempAppFolder::write(app.tstruct("a_short.stc"), "Line 1\r\nRSLogix500\r\nTOPIC\r\n");
    TempAppFolder::write(app.tstruct("b_empty.stc"), "");
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 37) % 256);
    TempAppFolder::write(app.tstruct("c_binary.stc"), binary);
    TempAppFolder::write(app.tstruct("d_type.stc"), header("Odd", "RSLogix5", "d.csv"));
    TempAppFolder::write(app.tstruct("e_tab.stc"), header("Tab\tName", "RSLogix500", "e.csv"));
    TempAppFolder::write(app.tstruct("f_escape.stc"), header("Escape", "RSLogix500", "../../outside.csv"));
    TempAppFolder::write(app.tstruct("g_good.stc"),
                         header("Good", "RSLogix500", "g_good.csv") + nodeLines(5));
    // A file of one huge line is no structure file either.
    TempAppFolder::write(app.tstruct("h_huge.stc"), QByteArray(3 << 20, 'x'));
    NodeList tree;
    EXPECT_EQ(Load_PLC_List(tree), 1);
    EXPECT_EQ(childrenOf(tree, "RSLogix500"), QStringList{"1Good|Good|PLC500"});
    EXPECT_TRUE(messages.texts().isEmpty());

    EXPECT_FALSE(Read_PLC_Header("a_short.stc").ok());
    EXPECT_FALSE(Read_PLC_Header("missing.stc").ok());
    EXPECT_TRUE(ListingHeader[0].isEmpty());
}

TEST(PLCLoader, KeysStayUniqueWhenCountAndNameRunTogether) {
    TempAppFolder app;
    // The first file makes "1" + "1Line", the eleventh "11" + "Line": the same text.
    for (int i = 1; i <= 11; ++i) {
        const QString file = QString("f%1").arg(i, 2, 10, QChar('0'));
        const QString name = i == 1 ? "1Line" : i == 11 ? "Line" : "X";
        TempAppFolder::write(app.tstruct(file + ".stc"), header(name, "RSLogix500", file + ".csv"));
    }
    NodeList tree;
    EXPECT_EQ(Load_PLC_List(tree), 11);
    EXPECT_EQ(tree.count(), 13);
    EXPECT_EQ(tree.text(tree.indexOf("11Line")), "1Line");
    EXPECT_GT(tree.indexOf("11Line#"), 0);
}

TEST(PLCLoader, StructureFileStaysInsideTheStructureFolder) {
    TempAppFolder app;
    EXPECT_EQ(StructureFileOf("Line1.csv").value(), app.tstruct("Line1.stc"));
    EXPECT_EQ(StructureFileOf("Line1.backup.csv").value(), app.tstruct("Line1.stc"));
    // Without a "." the whole name is used, as Save_Tags names the file.
    EXPECT_EQ(StructureFileOf("Line1").value(), app.tstruct("Line1.stc"));
    for (const QString bad :
         {"../Line1.csv", "..\\Line1.csv", "sub/Line1.csv", "C:\\x\\Line1.csv", "C:Line1.csv", "/etc/passwd",
          "x..csv", ".csv", "", "Li\tne.csv",
          // Devices and names Windows would cut short.
          "CON.csv", "nul", "Com1.csv", "lpt9.backup.csv", "aux .csv", "PRN", "Line1.csv.", "Line1.csv "}) {
        const auto path = StructureFileOf(bad);
        EXPECT_EQ(path.ok() ? 0 : path.error().number, ErrNo::BadFileName) << bad.toStdString();
    }
    for (const QString fine : {"CONSOLE.csv", "COM10.csv", "Com.csv"})
        EXPECT_TRUE(StructureFileOf(fine).ok()) << fine.toStdString();
    // A file listed without regard to case is found the same way.
    TempAppFolder::write(app.tstruct("LINE2.STC"), header("Two", "RSLogix500", "Line2.csv"));
    EXPECT_EQ(StructureFileOf("Line2.csv").value(), app.tstruct("LINE2.STC"));
}

TEST(PLCLoader, UpdateFileRewritesTheHeaderAndKeepsTheNodes) {
    TempAppFolder app;
    MessageRecorder messages;
    const QString path = app.tstruct("Line1.stc");
    const QByteArray nodes = nodeLines(300);
    TempAppFolder::write(path, header("Line 1", "RSLogix500", "Line1.csv") + nodes);
    LoadedPLC = {"Press 2", "RSLogix500", "PRESS2", "Line1.csv", "0\tController_Tags\t"};
    ASSERT_TRUE(UpdateFile(path).ok());
    EXPECT_EQ(TempAppFolder::read(path), header("Press 2", "RSLogix500", "Line1.csv", "PRESS2") + nodes);
    EXPECT_TRUE(messages.texts().isEmpty());
    // No copy is left anywhere.
    EXPECT_FALSE(QFile::exists(app.path() + "temp.txt"));
    EXPECT_EQ(QDir(SharedVars::TStructFolder).entryList(QDir::Files), QStringList{"Line1.stc"});
}

TEST(PLCLoader, UpdateFileFailureLeavesTheOldFileWhole) {
    TempAppFolder app;
    MessageRecorder messages;
    const QString path = app.tstruct("Line1.stc");
    const QByteArray before = header("Line 1", "RSLogix500", "Line1.csv") + nodeLines(2000);
    TempAppFolder::write(path, before);
    LoadedPLC = {"Press 2", "RSLogix500", "PRESS2", "Line1.csv", "0\tController_Tags\t"};
    {
        FileSizeLimit limit(4096);
        EXPECT_FALSE(UpdateFile(path).ok());
    }
    EXPECT_EQ(messages.texts(), QStringList{"UpdateFile: Path/File access error 75 (" + path + ")"});
    EXPECT_EQ(TempAppFolder::read(path), before);
    EXPECT_EQ(QDir(SharedVars::TStructFolder).entryList(QDir::Files), QStringList{"Line1.stc"});

    // A name that would split the header is refused before anything is written.
    messages.clear();
    LoadedPLC.name = "two\r\nlines";
    EXPECT_FALSE(UpdateFile(path).ok());
    EXPECT_EQ(messages.texts(),
              QStringList{"UpdateFile: Invalid procedure call or argument 5 (" + path + ")"});
    EXPECT_EQ(TempAppFolder::read(path), before);

    // Another controller's record (the one loaded before a failed load) is not written into this file.
    messages.clear();
    LoadedPLC = {"Alpha", "RSLogix500", "No Topic Defined", "Alpha.csv", "0\tController_Tags\t"};
    EXPECT_FALSE(UpdateFile(path).ok());
    EXPECT_EQ(messages.texts(),
              QStringList{"UpdateFile: " + path +
                          " no longer holds the controller imported "
                          "from Alpha.csv; it was left as it was. Load the controller again."});
    // Nor a name Latin-1 cannot hold: it would come back as "?".
    messages.clear();
    LoadedPLC = {QString::fromUtf8("\u03a9mega"), "RSLogix500", "T", "Line1.csv", "0\tController_Tags\t"};
    EXPECT_FALSE(UpdateFile(path).ok());
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(
        messages.texts()[0].startsWith(QString::fromUtf8("The PLC name \"\u03a9mega\" holds characters")));
    EXPECT_EQ(TempAppFolder::read(path), before);

    // A file that is gone is reported and not made again.
    messages.clear();
    LoadedPLC = {"Press 2", "RSLogix500", "PRESS2", "Line1.csv", "0\tController_Tags\t"};
    EXPECT_FALSE(UpdateFile(app.tstruct("Gone.stc")).ok());
    EXPECT_EQ(messages.texts(),
              QStringList{"UpdateFile: File not found 53 (" + app.tstruct("Gone.stc") + ")"});
    EXPECT_FALSE(QFile::exists(app.tstruct("Gone.stc")));
}
