// Drives the DDE link core against the DDE test server, each in its own process under Wine.
//
//   dde_client_test start   no server runs; the server program sits at the fixed install path
//   dde_client_test serve   the server runs (started by the test script)
//
// Prints each failed check and "N passed, M failed"; exits 0 only when nothing failed.

#include "DdeLinkCore.h"
#include "ProgramStart.h"

#ifndef NOMINMAX
#define NOMINMAX // std::min and std::max, not the macros
#endif
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

int g_passed = 0;
int g_failed = 0;
const char* g_case = "";

void check(bool ok, const char* what, int line)
{
    if (ok) {
        ++g_passed;
        return;
    }
    ++g_failed;
    std::printf("FAILED [%s] line %d: %s\n", g_case, line, what);
}

#define CHECK(condition) check((condition), #condition, __LINE__)

void section(const char* name)
{
    g_case = name;
    std::printf("-- %s\n", name);
}

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Runs the message loop, as the program's event loop would, until done() or the time is up.
bool pumpUntil(const std::function<bool()>& done, int ms)
{
    const auto start = Clock::now();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (done())
            return true;
        const long long left = ms - msSince(start);
        if (left <= 0)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<long long>(left, 50)),
                                  QS_ALLINPUT);
    }
}

void pumpFor(int ms)
{
    pumpUntil([] { return false; }, ms);
}

struct Received {
    std::string topic, item, value;
};

// What the core handed out, in order.
struct Recorder {
    std::vector<Received> data;
    std::vector<Received> lost;

    explicit Recorder(dde::DdeLinkCore& core)
    {
        core.setDataHandler([this](const std::string& t, const std::string& i, const std::string& v) {
            data.push_back({t, i, v});
        });
        core.setLostHandler([this](const std::string& t, const std::string& i) {
            lost.push_back({t, i, {}});
        });
    }
    int count(const std::string& item, const std::string& value = {}) const
    {
        int n = 0;
        for (const Received& r : data)
            n += r.item == item && (value.empty() || r.value == value);
        return n;
    }
};

constexpr int Normal = 5000; // LinkTimeout 50, as the programs set it
constexpr int Short = 500;   // LinkTimeout 5
constexpr int ServerDelay = 2000;

// A failure where success was expected, to see why.
void show(const char* what, const dde::DdeOutcome& outcome)
{
    if (!outcome)
        std::printf("   %s: %d %s\n", what, outcome.failure->number, outcome.failure->description.c_str());
}

bool failedWith(const dde::DdeOutcome& outcome, int number)
{
    return !outcome && outcome.failure->number == number && !outcome.failure->description.empty();
}

// Stops the server; its one link, on Line1 N7:0, must be reported lost. Whether the end was seen already
// or is found by the next poke, that poke's answer is 282.
void quitServerDropsTheLink(dde::DdeLinkCore& core, Recorder& seen)
{
    section("a server that ends drops the links it carried");
    seen.lost.clear();
    CHECK(core.poke("Control", "Quit", "1", Normal).ok());
    pumpFor(500);
    CHECK(failedWith(core.poke("Line1", "N7:0", "1", Normal), dde::NoForeignApplication));
    CHECK(pumpUntil([&] { return !seen.lost.empty(); }, 5000));
    CHECK(seen.lost.size() == 1 && seen.lost[0].topic == "Line1" && seen.lost[0].item == "N7:0");
    CHECK(core.linkCount() == 0);
}

void startPhase()
{
    dde::DdeLinkCore core("RSLinx");
    Recorder seen(core);

    section("no server is 282 for links and pokes, and leaves nothing behind");
    CHECK(failedWith(core.advise("Line1", "N7:0", Normal), dde::NoForeignApplication));
    CHECK(failedWith(core.poke("Line1", "N7:0", "1", Normal), dde::NoForeignApplication));
    CHECK(core.linkCount() == 0);
    CHECK(core.conversationCount() == 0);

    section("a server program that is missing is reported, not started");
    const std::string missing = "C:\\No Such Folder\\RSLinx.exe";
    const std::optional<dde::DdeFailure> failure = dde::startHidden(missing);
    CHECK(failure && failure->number == 53);
    CHECK(failure && failure->description.find(missing) != std::string::npos);

    section("starting the server at the fixed path lets links succeed");
    CHECK(!dde::startHidden(dde::ServerProgramPath));
    dde::DdeOutcome linked = dde::DdeOutcome::fail({});
    // The caller does not wait for the server; here the test polls until it answers.
    pumpUntil(
        [&] {
            linked = core.advise("Line1", "N7:0", Normal);
            return linked.ok();
        },
        30000);
    show("advise after the start", linked);
    CHECK(linked && linked.value == "42");

    quitServerDropsTheLink(core, seen);
}

// Advise loops the server runs for the test topics, asked over a link of its own.
int serverLinks(dde::DdeLinkCore& core)
{
    const dde::DdeOutcome links = core.advise("Control", "Links", Normal);
    core.unadvise("Control", "Links", Normal);
    return links ? std::atoi(links.value.c_str()) : -1;
}

void servePhase()
{
    dde::DdeLinkCore core("RSLinx");
    Recorder seen(core);

    section("an automatic link gets the current value at once");
    dde::DdeOutcome first = core.advise("Line1", "N7:0", Normal);
    CHECK(first && first.value == "42");
    // The same item spelled otherwise shares the conversation and the server's advise loop.
    dde::DdeOutcome second = core.advise("LINE1", "n7:0", Normal);
    show("second advise", second);
    CHECK(second && second.value == "42");
    CHECK(core.linkCount() == 2);
    CHECK(core.conversationCount() == 1);
    CHECK(serverLinks(core) == 1);

    section("a poke round trip comes back once, under the first spelling");
    CHECK(core.poke("Line1", "N7:0", "-17", Normal).ok());
    CHECK(pumpUntil([&] { return seen.count("N7:0", "-17") > 0; }, 5000));
    pumpFor(300);
    CHECK(seen.count("N7:0", "-17") == 1);
    CHECK(!seen.data.empty() && seen.data.back().topic == "Line1");

    section("a later change is pushed");
    // Its own topic: Wine's client ends any wait on a conversation at the first message, pushes included.
    const dde::DdeOutcome ramp = core.advise("Line2", "Ramp", Normal);
    CHECK(ramp.ok());
    CHECK(pumpUntil(
        [&] {
            for (const Received& r : seen.data)
                if (r.item == "Ramp" && r.value != ramp.value)
                    return true;
            return false;
        },
        5000));

    section("dropping a link stops its pushes, held ones included, and ends the server's loop");
    core.unadvise("Line2", "Ramp", Normal);
    seen.data.clear();
    pumpFor(600);
    CHECK(seen.count("Ramp") == 0);
    CHECK(core.conversationCount() == 1);
    CHECK(core.advise("Line1", "N7:1", Normal).ok());
    CHECK(serverLinks(core) == 2);
    core.unadvise("Line1", "N7:1", Normal);
    CHECK(serverLinks(core) == 1);
    CHECK(core.poke("Line1", "N7:1", "9", Normal).ok());
    // One of two counts dropped: the item still comes.
    core.unadvise("LINE1", "N7:0", Normal);
    CHECK(core.poke("Line1", "N7:0", "5", Normal).ok());
    CHECK(pumpUntil([&] { return seen.count("N7:0", "5") == 1; }, 5000));
    CHECK(seen.count("N7:1") == 0);
    core.unadvise("Line1", "N7:0", Normal);
    CHECK(core.linkCount() == 0);
    CHECK(core.conversationCount() == 0);
    CHECK(serverLinks(core) == 0);
    CHECK(core.poke("Line1", "N7:0", "6", Normal).ok());
    pumpFor(300);
    CHECK(seen.count("N7:0", "6") == 0);

    section("an item the server cannot parse links with its error text and refuses pokes");
    const dde::DdeOutcome bad = core.advise("Line1", "7:bad", Normal);
    CHECK(bad && bad.value.rfind("Server error", 0) == 0);
    const dde::DdeOutcome refused = core.poke("Line1", "7:bad", "1", Normal);
    // A refusal keeps the library's own number: neither no server nor a time-out, and never success.
    CHECK(!refused && refused.failure->number != dde::NoForeignApplication &&
          refused.failure->number != dde::Timeout && refused.failure->number > 0);
    if (!refused)
        std::printf("   refused poke: %d %s\n", refused.failure->number,
                    refused.failure->description.c_str());
    core.unadvise("Line1", "7:bad", Normal);

    section("a slow server is 286 within the link's time-out, for advise and for poke");
    CHECK(core.advise("Line1", "N7:0", Normal).ok());
    CHECK(core.poke("Control", "Delay", std::to_string(ServerDelay), Normal).ok());
    auto start = Clock::now();
    const dde::DdeOutcome slowAdvise = core.advise("Slow", "N7:1", Short);
    const long long adviseMs = msSince(start);
    CHECK(failedWith(slowAdvise, dde::Timeout));
    CHECK(adviseMs >= Short - 50 && adviseMs < ServerDelay - 200);
    CHECK(core.linkCount() == 1);
    start = Clock::now();
    const dde::DdeOutcome slowPoke = core.poke("Line1", "N7:0", "77", Short);
    const long long pokeMs = msSince(start);
    CHECK(failedWith(slowPoke, dde::Timeout));
    CHECK(pokeMs >= Short - 50 && pokeMs < ServerDelay - 200);
    std::printf("   time-outs after %lld ms (advise) and %lld ms (poke)\n", adviseMs, pokeMs);

    section("late answers do not disturb the link that stays");
    CHECK(core.poke("Control", "Delay", "0", 4 * ServerDelay).ok());
    CHECK(pumpUntil([&] { return seen.count("N7:0", "77") == 1; }, 5000));
    CHECK(core.poke("Line1", "N7:0", "78", Normal).ok());
    CHECK(pumpUntil([&] { return seen.count("N7:0", "78") == 1; }, 5000));
    const dde::DdeOutcome again = core.advise("line1", "N7:0", Normal);
    CHECK(again && again.value == "78");
    core.unadvise("line1", "N7:0", Normal);

    quitServerDropsTheLink(core, seen);
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const std::string phase = argc > 1 ? argv[1] : "";
    if (phase == "start")
        startPhase();
    else if (phase == "serve")
        servePhase();
    else {
        std::printf("usage: dde_client_test start|serve\n");
        return 2;
    }
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 && g_passed > 0 ? 0 : 1;
}
