#include "ImportTestData.h"
#include "Messages.h"
#include "NodeList.h"
#include "PLCData.h"
#include "Proc500.h"
#include "TagRoutines.h"
#include "TempAppFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>

#include <gtest/gtest.h>

using namespace ImportTestData;

namespace {

struct ConvertRun {
    int exitCode;
    QString out, err;
};

// The programs' folder, or where the build puts it beside the test programs.
QString tagConvertProgram() {
    return qEnvironmentVariable("HMI_BIN_DIR", QCoreApplication::applicationDirPath() + "/../bin") +
           "/TagConvert";
}

ConvertRun tagConvert(const QStringList& args) {
    QProcess p;
    p.start(tagConvertProgram(), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

} // namespace

TEST(TagConvert, WritesTheFileTheDesignerWouldSave) {
    TempAppFolder app;
    MessageRecorder messages;
    TempAppFolder::write(app.path() + "Line1.csv", rslogix500());
    TempAppFolder::write(app.path() + "Plc5k.csv", rslogix5000());
    QByteArray expected[2];
    int i = 0;
    for (const QString file : {"Line1.csv", "Plc5k.csv"}) {
        NodeList tree;
        (void)Proc500::Import_Listing(app.path() + file, tree);
        PLCRecord.topic = "PRESS1";
        ASSERT_TRUE(TagRoutines::Save_Tags(tree).ok());
        const QString stc = TagRoutines::StructureFile(PLCRecord);
        expected[i++] = TempAppFolder::read(stc);
        QFile::remove(stc);
    }

    const ConvertRun run = tagConvert(
        {"--folder", app.path(), "--topic", "PRESS1", app.path() + "Line1.csv", app.path() + "Plc5k.csv"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(TempAppFolder::read(app.tstruct("Line1.stc")), expected[0]);
    EXPECT_EQ(TempAppFolder::read(app.tstruct("Plc5k.stc")), expected[1]);
    EXPECT_EQ(run.out.split('\n', Qt::SkipEmptyParts).size(), 2);
    EXPECT_TRUE(run.err.contains("Loading File Stage 10 of 10"));
    EXPECT_TRUE(stagedLeft().isEmpty());

    const ConvertRun named = tagConvert({"-f", app.path(), "-n", "Press line", app.path() + "Line1.csv"});
    EXPECT_EQ(named.exitCode, 0);
    EXPECT_TRUE(TempAppFolder::read(app.tstruct("Line1.stc"))
                    .startsWith("Press line\r\nRSLogix500\r\nNo Topic Defined\r\n"));
}

TEST(TagConvert, FailuresExitNonZeroWithAClearMessage) {
    TempAppFolder app;
    const QString omega = QString::fromUtf8("\u03a9mega");
    TempAppFolder::write(app.path() + "notes.csv", "name;value\r\nalpha;1\r\n");
    TempAppFolder::write(app.path() + "NoAddresses.csv", "\"Address\",\"Symbol\"\r\n");
    TempAppFolder::write(app.path() + "Line1.csv", rslogix500());
    TempAppFolder::write(app.path() + omega + ".csv", rslogix500());
    TempAppFolder::write(app.path() + "NoDot", rslogix500());
    const struct {
        QStringList args;
        int exitCode;
        QString says;
    } cases[] = {
        {{"-f", app.path(), app.path() + "missing.csv"}, 1, "cannot read the export"},
        {{"-f", app.path(), app.path() + "notes.csv"}, 1, "notes.csv is not a tag export"},
        {{"-f", app.path(), app.path() + "NoAddresses.csv"}, 1, "no tags found"},
        {{"-f", app.path() + "nowhere", app.path() + "Line1.csv"}, 1, "does not exist"},
        {{"-f", app.path(), "-n", "x", app.path() + "Line1.csv", app.path() + "notes.csv"},
         2,
         "single export"},
        {{"-f", app.path()}, 2, "no export given"},
        {{"-f", app.path(), app.path() + "Line1.csv", app.path() + "Line1.csv"}, 1, "already written"},
        // Names a structure file cannot keep, so the PLC list would never find the file again.
        {{"-f", app.path(), app.path() + omega + ".csv"},
         1,
         "The imported file name \"" + omega + ".csv\" holds"},
        {{"-f", app.path(), "-n", omega, app.path() + "Line1.csv"},
         1,
         "The PLC name \"" + omega + "\" holds"},
        {{"-f", app.path(), "-t", "T" + omega, app.path() + "NoDot"},
         1,
         "The DDE topic \"T" + omega + "\" holds"},
        {{"-f", app.path(), app.path() + "NoDot"}, 1, "The imported file name \"NoDot\" has no extension"},
    };
    for (const auto& c : cases) {
        const ConvertRun run = tagConvert(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
    }
    // Only the first Line1.csv of the run was written.
    EXPECT_EQ(QDir(app.tstruct("")).entryList(QDir::Files), QStringList{"Line1.stc"});
}

TEST(TagConvert, ASheetThatIsNotAnExportNeverReplacesAGoodStructureFile) {
    TempAppFolder app;
    TempAppFolder::write(app.path() + "Line2.csv", rslogix500());
    ASSERT_EQ(tagConvert({"-f", app.path(), app.path() + "Line2.csv"}).exitCode, 0);
    const QByteArray good = TempAppFolder::read(app.tstruct("Line2.stc"));

    // Its first column starts with the letters of data files, as addresses do.
    TempAppFolder::write(app.path() + "Line2.csv",
                         "Name,Value,Unit\r\nTank level,42,%\r\nSpeed,1200,rpm\r\nFlow,3,l/s\r\n");
    const ConvertRun run = tagConvert({"-f", app.path(), app.path() + "Line2.csv"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("Line2.csv is not a tag export")) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("Step")) << run.err.toStdString();
    EXPECT_EQ(TempAppFolder::read(app.tstruct("Line2.stc")), good);
}

TEST(TagConvert, TwoConvertersInOneFolderEachWriteTheirOwnExports) {
    TempAppFolder app;
    // Exports large enough that the two runs overlap; every address says which export it came from.
    QStringList runs[2];
    for (int run = 0; run < 2; ++run)
        for (int k = 0; k < 4; ++k) {
            const QByteArray name = QByteArray(run ? "B" : "A") + QByteArray::number(k);
            QByteArray csv = "Address,Symbol\r\n";
            for (int i = 0; i < 6000; ++i)
                csv += "N7:" + QByteArray::number(i) + ",,,\"" + name + "\",,,,\r\n";
            TempAppFolder::write(app.path() + name + ".csv", csv);
            runs[run] << app.path() + name + ".csv";
        }
    QProcess converters[2];
    for (int run = 0; run < 2; ++run)
        converters[run].start(tagConvertProgram(), QStringList{"-f", app.path()} + runs[run]);
    for (QProcess& p : converters) {
        ASSERT_TRUE(p.waitForFinished(120000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    }
    for (const QStringList& exports : runs)
        for (const QString& csv : exports) {
            const QString name = QFileInfo(csv).baseName();
            const QByteArray stc = TempAppFolder::read(app.tstruct(name + ".stc"));
            EXPECT_EQ(stc.count("\t000" + name.toLatin1() + "\t"), 6000) << name.toStdString();
        }
    EXPECT_TRUE(stagedLeft().isEmpty());
}

TEST(TagConvert, TheNextImportRemovesTheFolderOfAKilledOneButNotOfARunningOne) {
    TempAppFolder app;
    // An import still running in this process holds its lock.
    QLockFile running(app.tstruct("Import-live.lock"));
    ASSERT_TRUE(running.tryLock(0));
    ASSERT_TRUE(QDir().mkpath(app.tstruct("Import-live")));

    QByteArray csv = "Address,Symbol\r\n";
    for (int i = 0; i < 50000; ++i)
        csv += "N7:" + QByteArray::number(i) + ",,,\"x\",,,,\r\n";
    TempAppFolder::write(app.path() + "Big.csv", csv);
    QProcess converter;
    converter.setProcessChannelMode(QProcess::MergedChannels);
    converter.start(tagConvertProgram(), {"-f", app.path(), app.path() + "Big.csv"});
    QByteArray said;
    while (!said.contains("Step 2 of 6") && converter.waitForReadyRead(60000))
        said += converter.readAll();
    converter.kill();
    ASSERT_TRUE(converter.waitForFinished(60000));
    ASSERT_EQ(converter.exitStatus(), QProcess::CrashExit) << said.constData();
    // Its folder beside the running one.
    ASSERT_EQ(QDir(app.tstruct("")).entryList({"Import-*"}, QDir::Dirs).size(), 2) << said.constData();

    TempAppFolder::write(app.path() + "Line1.csv", rslogix500());
    NodeList tree;
    EXPECT_TRUE(Proc500::Import_Listing(app.path() + "Line1.csv", tree).clean());
    EXPECT_EQ(stagedLeft(), QStringList({"Import-live", "Import-live.lock"}));
}
