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
#include <QProcess>

#include <gtest/gtest.h>

using namespace ImportTestData;

namespace {

struct ConvertRun {
    int exitCode;
    QString out, err;
};

ConvertRun tagConvert(const QStringList& args) {
    QProcess p;
    // The programs' folder, or where the build puts it beside the test programs.
    const QString bin =
        qEnvironmentVariable("HMI_BIN_DIR", QCoreApplication::applicationDirPath() + "/../bin");
    p.start(bin + "/TagConvert", args);
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
    TempAppFolder::write(app.path() + "notes.csv", "name;value\r\nalpha;1\r\n");
    TempAppFolder::write(app.path() + "Line1.csv", rslogix500());
    const struct {
        QStringList args;
        int exitCode;
        QString says;
    } cases[] = {
        {{"-f", app.path(), app.path() + "missing.csv"}, 1, "cannot read the export"},
        {{"-f", app.path(), app.path() + "notes.csv"}, 1, "no tags found"},
        {{"-f", app.path() + "nowhere", app.path() + "Line1.csv"}, 1, "does not exist"},
        {{"-f", app.path(), "-n", "x", app.path() + "Line1.csv", app.path() + "notes.csv"},
         2,
         "single export"},
        {{"-f", app.path()}, 2, "no export given"},
        {{"-f", app.path(), app.path() + "Line1.csv", app.path() + "Line1.csv"}, 1, "already written"},
    };
    for (const auto& c : cases) {
        const ConvertRun run = tagConvert(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
    }
    EXPECT_FALSE(TempAppFolder::exists(app.tstruct("notes.stc")));
}
