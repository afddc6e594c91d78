#include "WorkspaceSwap.h"
#include "CheckedWriter.h"
#include "Project.h"
#include "SharedVars.h"
#include "TempAppFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <thread>

namespace {

using Files = QMap<QString, QByteArray>;

const Files Empty{{"PageList.txt", ""}};
const Files A{{"PageList.txt", "Main\tS1\tPumps\tPumps\t\r\nS1\tS2\tInlet\tInlet\t\r\n"},
              {"S1.txt", "topic\r\n"},
              {"S2.txt", "A two\r\n"}};
const Files B{{"PageList.txt", "Main\tS1\tTanks\tTanks\t\r\nMain\tS3\tValves\tValves\t\r\n"},
              {"S1.txt", "topic\r\n"},
              {"S3.txt", "B three\r\n"}};

QByteArray project(const Files& files) {
    QByteArray out = files["PageList.txt"] + "Begin Topics\r\n";
    for (auto it = files.begin(); it != files.end(); ++it)
        if (it.key() != "PageList.txt")
            out += "#" + it.key().chopped(4).toLatin1() + "\r\n" + it.value();
    return out;
}

// The workspace folder as the programs see it: every file but the projects and the writer's
// half-written files of a kill, which nothing reads.
struct Workspace {
    TempAppFolder app;
    QString folder = SharedVars::DDEDataFolder;

    Workspace() {
        TempAppFolder::write(folder + "A.prj", project(A));
        TempAppFolder::write(folder + "B.prj", project(B));
    }
    void set(const Files& files) const {
        for (const QString& name : QDir(folder).entryList(QDir::Files))
            if (!name.endsWith(".prj"))
                QFile::remove(folder + name);
        for (auto it = files.begin(); it != files.end(); ++it)
            TempAppFolder::write(folder + it.key(), it.value());
    }
    Files files() const {
        Files out;
        for (const QString& name : QDir(folder).entryList(QDir::Files))
            if (!name.endsWith(".prj") && !name.contains(".part-"))
                out.insert(name, TempAppFolder::read(folder + name));
        return out;
    }
};

} // namespace

// Every write, sync, close and rename of a Load or a Create New fails in turn, once and from then on. The
// message says the workspace was left as it was only when it was, and the next start makes it whole old or
// whole new without losing a copy.
TEST(WorkspaceSwap, FailingCallsNeverLeaveAMixAndTheMessageSaysWhatIsTrue) {
    Workspace ws;
    const struct {
        const char* what;
        Files target;
        std::function<Status()> run;
    } ops[] = {{"Load", B, [&] { return Project::LoadProject(ws.folder, "B.prj"); }},
               {"Create New", Empty, [&] { return Project::New_Workspace(ws.folder); }}};
    for (const auto& op : ops) {
        ws.set(A);
        CheckedWriter::Faults::clear();
        ASSERT_TRUE(op.run().ok());
        const int calls = CheckedWriter::Faults::calls();
        int runs = 0, injected = 0, failedRuns = 0;
        for (const bool fromThenOn : {false, true})
            for (int nth = 1; nth <= calls; ++nth, ++runs) {
                ws.set(A);
                CheckedWriter::Faults::failFrom(nth, fromThenOn);
                const Status done = op.run();
                injected += CheckedWriter::Faults::failed();
                CheckedWriter::Faults::clear();
                const std::string where =
                    std::string(op.what) + " " + std::to_string(nth) + (fromThenOn ? "+" : "");
                if (done.ok()) {
                    EXPECT_EQ(ws.files(), op.target) << where;
                } else {
                    ++failedRuns;
                    if (done.error().description.contains("left as it was")) {
                        EXPECT_EQ(ws.files().keys(), A.keys()) << where;
                        EXPECT_EQ(ws.files(), A) << where << ": " << done.error().text().toStdString();
                    }
                }
                ASSERT_TRUE(Project::Recover_Workspace(ws.folder).ok()) << where;
                const Files after = ws.files();
                EXPECT_TRUE(after == A || after == op.target)
                    << where << ": " << done.error().text().toStdString();
            }
        std::cout << op.what << ": " << calls << " calls, " << runs << " runs with " << injected
                  << " injected failures, " << failedRuns << " reported failed\n";
    }
}

TEST(WorkspaceSwap, OldFileWithoutARecordIsKeptAndStopsTheSwap) {
    Workspace ws;
    ws.set(A);
    TempAppFolder::write(ws.folder + "PageList.txt.old", "only copy\r\n");
    const Status loaded = Project::LoadProject(ws.folder, "B.prj");
    ASSERT_FALSE(loaded.ok());
    EXPECT_TRUE(loaded.error().description.contains("PageList.txt.old is left from a Load or Create New"));
    ASSERT_TRUE(Project::Recover_Workspace(ws.folder).ok());
    EXPECT_EQ(ws.files().value("PageList.txt.old"), "only copy\r\n");
}

namespace {

// What the churn child's step n turns the workspace into.
Files after(long n, Files files) {
    switch (n % 5) {
    case 0:
        return A;
    case 2:
        return B;
    case 4:
        return Empty;
    default:
        files["S1.txt"] = "topic\r\nsave " + QByteArray::number(static_cast<qlonglong>(n)) + "\r\n";
        return files;
    }
}

struct KillCounts {
    int old = 0, fresh = 0, mixed = 0, inSwap = 0;
};

// Kills the child once at a random instant and restarts; the workspace it finds is compared with the one
// before and after the step under way.
void killOnce(Workspace& ws, Files& state, KillCounts& counts) {
    QProcess child;
    child.start(QCoreApplication::applicationDirPath() + "/workspace_churn", {ws.folder});
    ASSERT_TRUE(child.waitForStarted());
    while (!child.canReadLine())
        ASSERT_TRUE(child.waitForReadyRead(10000));
    std::this_thread::sleep_for(std::chrono::microseconds(QRandomGenerator::global()->bounded(200000)));
    child.kill();
    child.waitForFinished();
    ASSERT_EQ(child.exitStatus(), QProcess::CrashExit) << "the child stopped on its own";
    long underWay = -1;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        if (line.startsWith("b "))
            underWay = line.mid(2).toLong();
        if (line.startsWith("e ")) {
            state = after(underWay, state);
            underWay = -1;
        }
    }
    ASSERT_TRUE(Project::Recover_Workspace(ws.folder).ok());
    const Files found = ws.files();
    if (found == state) {
        ++counts.old;
    } else if (underWay >= 0 && found == after(underWay, state)) {
        ++counts.fresh;
        state = found;
    } else {
        ++counts.mixed;
        ADD_FAILURE() << "a mix after a kill in step " << underWay;
        ws.set(state);
    }
    counts.inSwap += underWay >= 0 && underWay % 5 % 2 == 0;
}

} // namespace

// HMI_KILLS sets the number of kills (scripts/crash-workspace.sh asks for 1,000).
TEST(WorkspaceCrash, EveryKillLeavesTheWholeOldOrTheWholeNewWorkspace) {
    Workspace ws;
    ws.set(Empty);
    Files state = Empty;
    const int kills = qEnvironmentVariableIsSet("HMI_KILLS") ? qEnvironmentVariableIntValue("HMI_KILLS") : 50;
    KillCounts counts;
    for (int i = 0; i < kills && !HasFatalFailure(); ++i)
        killOnce(ws, state, counts);
    std::cout << kills << " kills: old " << counts.old << ", new " << counts.fresh << ", mixed "
              << counts.mixed << "; " << counts.inSwap << " during a Load or Create New\n";
    EXPECT_EQ(counts.mixed, 0);
}
