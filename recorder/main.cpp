#include "HistoryStoreWriter.h"
#include "Recorder.h"
#include "RecorderOptions.h"
#include "SharedVars.h"

#include <QApplication>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>

namespace {

std::atomic<bool> s_stopWanted{false};

void wantStop(int) { s_stopWanted = true; }

void toStderr(const QString& text) { std::fprintf(stderr, "HistoryRecorder: %s\n", qPrintable(text)); }

}  // namespace

int main(int argc, char* argv[])
{
#ifndef Q_OS_WIN
    // Headless: the link layer's value boxes are widgets that are never shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QApplication app(argc, argv);
    SharedVars::Init_Constants();
    SharedVars::Init_Paths();
    const auto options = RecorderOptions::parse(app.arguments(), SharedVars::AppFolder);
    if (!options) {
        toStderr(options.error().description);
        return 2;
    }
    history::HistoryStoreWriter::Options writing;
    writing.config = options->store;
    writing.retentionDays = options->retentionDays;
    writing.report = toStderr;
    if (options->progress)
        writing.committed = [](std::uint64_t n) {
            std::printf("committed %llu\n", static_cast<unsigned long long>(n));
            std::fflush(stdout);
        };
    history::HistoryStoreWriter writer(writing);
    std::fprintf(stderr, "HistoryRecorder: recording %zu topics into %s\n", options->topics.size(),
                 qPrintable(options->store.describe()));

    std::signal(SIGINT, wantStop);
    std::signal(SIGTERM, wantStop);
    QTimer stopCheck;
    QObject::connect(&stopCheck, &QTimer::timeout, &app, [] {
        if (s_stopWanted)
            QCoreApplication::quit();
    });
    stopCheck.start(100);

    int status = 0;
    {
        Recorder recorder(options->topics, writer);
        QTimer::singleShot(0, &recorder, &Recorder::start);
        status = app.exec();
    }
    return status;
}
