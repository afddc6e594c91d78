// Times the heavy paths of the tag import on generated exports of 100,000 tags (RSLogix5000, with 100,000
// comments) and 100,000 addresses (RSLogix500): the import into the tree widget, the converter, Save_Tags,
// Load_Tags and the import viewer's load. Each figure stands beside a plain read-and-split of the same file
// timed in the same run. Every case runs in its own process, so its peak memory is its own.
// Then the converter on RSLogix500 exports whose addresses have 32 short parts, the most a line may have:
// their structure file is some hundred times the export, and the converter's peak memory is set beside it
// ("--large" adds a 10 MB export, whose structure file is about 1 GB).

#include "ImportViewer.h"
#include "KeyedTree.h"
#include "PLCData.h"
#include "PLCTagHandler.h"
#include "Proc500.h"
#include "SharedVars.h"
#include "TagRoutines.h"
#include "TextFile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int Tags = 100000;

QByteArray rslogix5000Export() {
    QByteArray out = "remark,\"CSV-Import-Export\"\r\n"
                     "remark,\"Date = Mon Jan 06 10:00:00 2025\"\r\n"
                     "remark,\"Version = 20.01\"\r\n"
                     "remark,\"Owner = Plant engineering\"\r\n"
                     "remark,\"Company = \"\r\n"
                     "0.3\r\n"
                     "TYPE,SCOPE,NAME,DESCRIPTION,DATATYPE,SPECIFIER,ATTRIBUTES\r\n";
    const char* types[] = {"DINT", "BOOL", "TIMER", "MOTOR_T", "REAL"};
    // Controller tags first, then four programs, as exports list them by scope.
    for (int t = 0; t < Tags; ++t) {
        const QByteArray scope =
            t < 60000 ? QByteArray() : "Line" + QByteArray::number((t - 60000) / 10000 + 1);
        const QByteArray name = (t % 3 == 0   ? "Tank_Level_"
                                 : t % 3 == 1 ? "Conveyor_"
                                              : "Valve_") +
                                QByteArray::number(t).rightJustified(6, '0');
        const QByteArray type = types[t % 5];
        out += "TAG," + scope + ',' + name + ",\"Tag " + QByteArray::number(t) + "$Nsecond line\",\"" + type +
               "\",\"\",\"(RADIX := Decimal, Constant := false, ExternalAccess := Read/Write)\"\r\n";
        const QByteArray member = t % 4 == 0   ? ".Status." + QByteArray::number(t % 32)
                                  : t % 4 == 1 ? "[" + QByteArray::number(t % 10) + "].Speed"
                                  : t % 4 == 2 ? "." + QByteArray::number(t % 32)
                                               : ".Cfg.Limit.High";
        out += "COMMENT," + scope + ',' + name + ",\"$Qcomment$Q  for member " + QByteArray::number(t) +
               "\",\"" + type + "\",\"" + name + member + "\"\r\n";
    }
    return out;
}

QByteArray rslogix500Export() {
    QByteArray out = "\"Address\",\"Symbol\",\"Scope\",\"Description\",\"\",\"\",\"\",\"\"\r\n";
    for (int a = 0; a < Tags; ++a) {
        QByteArray address;
        switch (a % 4) {
        case 0:
            address = "B3:" + QByteArray::number(a / 64) + "/" + QByteArray::number(a % 16);
            break;
        case 1:
            address = "N7:" + QByteArray::number(a / 4);
            break;
        case 2:
            address = "T4:" + QByteArray::number(a / 8) + (a % 8 < 4 ? ".ACC" : ".PRE");
            break;
        default:
            address = "I:" + QByteArray::number(a / 400) + "." + QByteArray::number(a % 4) + "/" +
                      QByteArray::number(a % 16);
        }
        out += address + ",,LBL_" + QByteArray::number(a) + ",\"Description of " + QByteArray::number(a) +
               "\",\"second line\",\"\",\"\",\"\"\r\n";
    }
    return out;
}

// 32 KB exports whose one hostile line has a path of 16,000 parts, beside a good line.
QByteArray hostile500Export() {
    return "Address,Symbol\r\nN7:0,,,\"good\",,,,\r\nB3" + QByteArray("/1").repeated(16000) +
           ",,,\"hostile\",,,,\r\n";
}

QByteArray hostile5000Export() {
    return "remark,\"CSV-Import-Export\"\r\nTYPE,SCOPE,NAME,DESCRIPTION,DATATYPE,SPECIFIER\r\n"
           "TAG,,Motor,\"\",\"DINT\",\"\"\r\nCOMMENT,,Motor,\"good\",\"DINT\",\"Motor.1\"\r\n"
           "COMMENT,,Motor,\"hostile\",\"DINT\",\"Motor" +
           QByteArray(".1").repeated(16000) + "\"\r\n";
}

// Addresses of 32 parts, each line differing from the one before in its first part, so every part of every
// line is a node; about `bytes` bytes.
QByteArray parts32Export(qsizetype bytes) {
    QByteArray out = "\"Address\",\"Symbol\",\"Scope\",\"Description\",\"\",\"\",\"\",\"\"\r\n";
    for (int a = 0; out.size() < bytes; ++a)
        out += "B" + QByteArray::number(a + 3) + QByteArray("/1").repeated(31) + ",,LBL,\"d" +
               QByteArray::number(a) + "\",,,,\r\n";
    return out;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// --- child side -----------------------------------------------------------------------------------------

// Reads the file and splits it into lines and fields, keeping the table as a reader of it would.
qint64 readAndSplit(const QString& path, char separator) {
    QElapsedTimer timer;
    timer.start();
    const Result<QStringList> lines = TextFile::readLines(path);
    QList<QStringList> table;
    table.reserve(lines->size());
    for (const QString& line : *lines)
        table << line.split(QLatin1Char(separator));
    const qint64 ms = timer.elapsed();
    std::fprintf(stderr, "  (%lld lines)\n", static_cast<long long>(table.size()));
    return ms;
}

void setRecord() {
    PLCRecord.name = QStringLiteral("Bench");
    PLCRecord.topic = QStringLiteral("BENCH");
}

int child(const QStringList& args) {
    const QString what = args.value(0), file = args.value(1);
    SharedVars::Init_Constants();
    SharedVars::Init_Paths(args.value(2));
    QElapsedTimer timer;
    qint64 ms = -1;
    if (what == "split-csv")
        ms = readAndSplit(file, ',');
    else if (what == "split-stc")
        ms = readAndSplit(file, '\t');
    else if (what == "import" || what == "reimport") {
        KeyedTree tree;
        tree.show();
        if (what == "reimport")
            (void)Proc500::Import_Listing(file, tree);
        timer.start();
        (void)Proc500::Import_Listing(file, tree);
        ms = timer.elapsed();
    } else if (what == "save") {
        KeyedTree tree;
        tree.show();
        (void)Proc500::Import_Listing(file, tree);
        setRecord();
        timer.start();
        if (!TagRoutines::Save_Tags(tree))
            return 1;
        ms = timer.elapsed();
    } else if (what == "load") {
        KeyedTree tree;
        tree.show();
        timer.start();
        if (!PLCTagHandler::Load_Tags(file, tree))
            return 1;
        ms = timer.elapsed();
    } else if (what == "viewer") {
        ImportViewer viewer;
        viewer.show();
        timer.start();
        if (!viewer.Load_Listing(file))
            return 1;
        ms = timer.elapsed();
    }
    std::printf("%lld\n", static_cast<long long>(ms));
    return ms < 0 ? 1 : 0;
}

// --- parent side ----------------------------------------------------------------------------------------

struct Measure {
    qint64 ms = -1;  // as the child timed it, or the wall time of a program run whole
    long peakKb = 0; // the child's peak resident memory
};

// Runs a program to its end; its first stdout line is its own timing when timed is set.
Measure runChild(const QStringList& args, bool timed) {
    std::vector<QByteArray> bytes;
    for (const QString& a : args)
        bytes.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);

    int out[2];
    if (pipe(out) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    QElapsedTimer wall;
    wall.start();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return {};
    }
    QByteArray output;
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, n);
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Measure m;
    m.peakKb = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return m;
    m.ms = timed ? output.split('\n').value(0).trimmed().toLongLong() : wall.elapsed();
    return m;
}

void printRow(const char* what, const Measure& op, const Measure& base) {
    const double ratio = base.ms > 0 ? double(op.ms) / double(base.ms) : 0;
    std::printf("%-44s %8lld %8lld %7.2f  %8.1f %8.1f %7.2f%s\n", what, static_cast<long long>(op.ms),
                static_cast<long long>(base.ms), ratio, op.peakKb / 1024.0, base.peakKb / 1024.0,
                base.peakKb ? double(op.peakKb) / double(base.peakKb) : 0.0,
                op.ms < 0    ? "  FAILED"
                : ratio > 10 ? "  over 10x"
                             : "");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && QByteArray(argv[1]) == "--child") {
        qputenv("QT_QPA_PLATFORM",
                qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
        QApplication app(argc, argv);
        return child(app.arguments().mid(2));
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString folder = dir.path() + '/';
    QDir(folder).mkpath("Struct/TStruct");
    const QString big5000 = folder + "Big5000.csv", big500 = folder + "Big500.csv";
    if (!writeFile(big5000, rslogix5000Export()) || !writeFile(big500, rslogix500Export())) {
        std::fprintf(stderr, "import_bench: cannot write the generated exports to %s\n", qPrintable(folder));
        return 1;
    }
    // "--generate folder" only writes the exports there, for profiling by hand.
    if (argc > 2 && QByteArray(argv[1]) == "--generate")
        return QFile::copy(big5000, QString::fromLocal8Bit(argv[2]) + "/Big5000.csv") &&
                       QFile::copy(big500, QString::fromLocal8Bit(argv[2]) + "/Big500.csv")
                   ? 0
                   : 1;
    const QString self = QCoreApplication::applicationFilePath();
    const QString converter = QStringLiteral(HMI_BIN_DIR "/TagConvert");
    auto run = [&](const QString& what, const QString& file) {
        return runChild({self, "--child", what, file, folder}, true);
    };

    std::printf(
        "Exports: RSLogix5000 %d tags + %d comments (%lld bytes), RSLogix500 %d addresses (%lld bytes)\n",
        Tags, Tags, static_cast<long long>(QFile(big5000).size()), Tags,
        static_cast<long long>(QFile(big500).size()));
    std::printf("Baseline: read the same file and split it into lines and fields, in its own process.\n");
    std::printf("Converter times are whole program runs, start-up included.\n\n");
    std::printf("%-44s %8s %8s %7s  %8s %8s %7s\n", "case", "ms", "base ms", "ratio", "peak MB", "base MB",
                "ratio");

    int failures = 0;
    for (const auto& [label, csv, stc] :
         {std::tuple{"RSLogix5000", big5000, folder + "Struct/TStruct/Big5000.stc"},
          std::tuple{"RSLogix500", big500, folder + "Struct/TStruct/Big500.stc"}}) {
        const Measure splitCsv = run("split-csv", csv);
        const QByteArray name(label);
        auto row = [&](const char* what, const Measure& op, const Measure& base) {
            printRow((name + " " + what).constData(), op, base);
            failures += op.ms < 0 || (base.ms > 0 && op.ms > 10 * base.ms);
        };
        row("import into the tree widget", run("import", csv), splitCsv);
        row("converter (TagConvert)", runChild({converter, "-f", folder, csv}, false), splitCsv);
        row("Save_Tags", run("save", csv), run("split-stc", stc));
        row("Load_Tags into the tree widget", run("load", stc), run("split-stc", stc));
        row("import viewer load with widths", run("viewer", csv), splitCsv);
        const Measure again = run("reimport", csv);
        printRow((name + " second import into the same tree (info)").constData(), again, splitCsv);
    }
    // A file of kilobytes must cost what a file of kilobytes costs, not seconds and gigabytes.
    for (const auto& [label, bytes] :
         {std::pair{"RSLogix500", hostile500Export()}, std::pair{"RSLogix5000", hostile5000Export()}}) {
        const QString csv = folder + "Hostile" + QString::fromLatin1(label).mid(8) + ".csv";
        if (!writeFile(csv, bytes))
            return 1;
        const Measure op = runChild({converter, "-f", folder, csv}, false);
        printRow((QByteArray(label) + " 32 KB, 16,000 parts: converter").constData(), op,
                 run("split-csv", csv));
        const qint64 stc = QFileInfo(folder + "Struct/TStruct/" + QFileInfo(csv).baseName() + ".stc").size();
        std::printf("  export %lld bytes, structure file %lld bytes\n", static_cast<long long>(bytes.size()),
                    static_cast<long long>(stc));
        failures += op.ms < 0 || stc > 100 * bytes.size();
    }
    std::printf("\n%-44s %8s %8s %9s %7s\n", "converter (TagConvert), whole run", "ms", "peak MB", "stc MB",
                "peak/stc");
    const bool large = argc > 1 && QByteArray(argv[1]) == "--large";
    for (const qsizetype bytes : {qsizetype(1070000), qsizetype(10800000)}) {
        if (bytes > 2000000 && !large)
            continue;
        const QString csv = folder + "Parts32.csv", stc = folder + "Struct/TStruct/Parts32.stc";
        if (!writeFile(csv, parts32Export(bytes)))
            return 1;
        const Measure op = runChild({converter, "-f", folder, csv}, false);
        const double stcMb = double(QFileInfo(stc).size()) / (1024 * 1024), peakMb = op.peakKb / 1024.0;
        const double ratio = stcMb > 0 ? peakMb / stcMb : 0;
        const QByteArray label =
            "RSLogix500 32 parts, " + QByteArray::number(double(bytes) / 1e6, 'f', 2) + " MB export";
        std::printf("%-44s %8lld %8.1f %9.1f %7.2f%s\n", label.constData(), static_cast<long long>(op.ms),
                    peakMb, stcMb, ratio,
                    op.ms < 0     ? "  FAILED"
                    : ratio > 2.0 ? "  over 2x"
                                  : "");
        std::fflush(stdout);
        failures += op.ms < 0 || ratio > 2.0;
        QFile::remove(stc);
    }
    std::printf("\n%s\n", failures ? "Some cases are over 10 times their baseline, or their peak memory over "
                                     "twice their structure file."
                                   : "Every case is within 10 times its baseline, and peak memory within "
                                     "twice the structure file.");
    return failures ? 1 : 0;
}
