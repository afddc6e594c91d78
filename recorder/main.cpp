#include "HistoryStoreWriter.h"
#include "Recorder.h"
#include "RecorderOptions.h"
#include "SharedVars.h"

#include <QApplication>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

std::atomic<bool> s_stopWanted{false};

void wantStop(int) { s_stopWanted = true; }

#ifdef Q_OS_WIN
std::atomic<bool> s_stopped{false};

// Ctrl+Break, closing the console window, logging off and shutting down reach a console program here, not
// as signals. For the last three Windows ends the process when this returns (after about five seconds at
// the latest), so it waits for the last batch to be written.
BOOL WINAPI consoleEvent(DWORD event)
{
    s_stopWanted = true;
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        for (int waited = 0; !s_stopped && waited < 4500; waited += 50)
            Sleep(50);
    return TRUE;
}
#endif

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
    std::signal(SIGINT, wantStop);
    std::signal(SIGTERM, wantStop);
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(consoleEvent, TRUE);
#endif
    QTimer stopCheck;
    QObject::connect(&stopCheck, &QTimer::timeout, &app, [] {
        if (s_stopWanted)
            QCoreApplication::quit();
    });
    stopCheck.start(100);

    int status = 0;
    {
        history::HistoryStoreWriter writer(writing);
        std::fprintf(stderr, "HistoryRecorder: recording %zu topics into %s\n", options->topics.size(),
                     qPrintable(options->store.describe()));
        Recorder recorder(options->topics, writer);
        QTimer::singleShot(0, &recorder, &Recorder::start);
        status = app.exec();
    }
#ifdef Q_OS_WIN
    // The writer has written what it held.
    s_stopped = true;
#endif
    return status;
}
