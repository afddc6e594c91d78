// A DDE server for the link core's tests, run under Wine: it serves the application "RSLinx" as the
// stand-in server does on the socket, on the Windows DDE management library and nothing else.
//
// Any non-empty topic is served. Items are text values, "0" until poked; "N7:0" of "Line1" starts at "42";
// "Ramp" of any topic counts up every 100 ms and is pushed. An item that does not parse gets a value
// beginning "Server error" and refuses pokes. The topic "Control" switches the server: a poke to "Delay"
// holds every later advise, request and poke of the other topics that many milliseconds (to provoke
// time-outs), a poke to "Quit" ends the server; its item "Links" is the number of advise loops the
// server runs for the other topics.
//
// Usage: dde_test_server [--exit-after-ms N]   prints "ready" once it serves.

#ifndef NOMINMAX
#define NOMINMAX // std::min and std::max, not the macros
#endif
#include <windows.h>

#include <ddeml.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr UINT PushMessage = WM_APP + 1;
constexpr UINT_PTR RampTimer = 1;
constexpr UINT_PTR ExitTimer = 2;
const char Application[] = "RSLinx";
const char ControlTopic[] = "control";
const char RampItem[] = "ramp";

DWORD g_instance = 0;
HSZ g_application = nullptr;
HWND g_window = nullptr;
std::map<std::string, std::string> g_values;    // folded topic TAB folded item -> value
std::set<std::string> g_rampTopics;             // spelled as first advised
std::map<HCONV, std::set<std::string>> g_links; // advise loops per conversation
std::vector<std::pair<std::string, std::string>> g_pushes;
long g_ramp = 0;
int g_delayMs = 0;
bool g_quitting = false;

std::string folded(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string nameOf(HSZ handle)
{
    const DWORD length = DdeQueryStringA(g_instance, handle, nullptr, 0, CP_WINANSI);
    std::string name(length + 1, '\0');
    DdeQueryStringA(g_instance, handle, name.data(), length + 1, CP_WINANSI);
    name.resize(length);
    return name;
}

// Addresses and tags: a letter or '_' first, then letters, digits and the punctuation they use.
bool parses(const std::string& item)
{
    if (item.empty() || !(std::isalpha(static_cast<unsigned char>(item[0])) || item[0] == '_'))
        return false;
    return std::all_of(item.begin(), item.end(), [](unsigned char c) {
        return std::isalnum(c) || std::strchr("_:./[],", c) != nullptr;
    });
}

std::string valueOf(const std::string& topic, const std::string& item)
{
    if (folded(topic) == ControlTopic && folded(item) == "links") {
        size_t n = 0;
        for (const auto& [conv, items] : g_links)
            n += items.size();
        return std::to_string(n);
    }
    if (!parses(item))
        return "Server error: cannot parse the item \"" + item + "\"";
    if (folded(item) == RampItem)
        return std::to_string(g_ramp);
    const auto it = g_values.find(folded(topic) + '\t' + folded(item));
    return it == g_values.end() ? "0" : it->second;
}

HDDEDATA textData(const std::string& text, HSZ item)
{
    return DdeCreateDataHandle(g_instance, reinterpret_cast<LPBYTE>(const_cast<char*>(text.c_str())),
                               static_cast<DWORD>(text.size() + 1), 0, item, CF_TEXT, 0);
}

std::string textOf(HDDEDATA data)
{
    const DWORD size = DdeGetData(data, nullptr, 0, 0);
    std::string text(size, '\0');
    if (size)
        DdeGetData(data, reinterpret_cast<LPBYTE>(text.data()), size, 0);
    text.resize(std::min(text.size(), text.find('\0')));
    return text;
}

void hold(const std::string& topic)
{
    if (g_delayMs > 0 && folded(topic) != ControlTopic)
        Sleep(static_cast<DWORD>(g_delayMs));
}

HDDEDATA poke(const std::string& topic, const std::string& item, HDDEDATA data)
{
    const std::string value = textOf(data);
    if (folded(topic) == ControlTopic) {
        if (folded(item) == "delay")
            g_delayMs = std::max(0, std::atoi(value.c_str()));
        else if (folded(item) == "quit") {
            g_quitting = true;
            PostMessageA(g_window, WM_CLOSE, 0, 0);
        } else
            return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
        return reinterpret_cast<HDDEDATA>(DDE_FACK);
    }
    hold(topic);
    if (!parses(item) || folded(item) == RampItem)
        return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
    g_values[folded(topic) + '\t' + folded(item)] = value;
    // Pushed once this callback has returned: a data message sent inside it would be taken by some
    // clients for the poke's acknowledgement.
    g_pushes.emplace_back(topic, item);
    PostMessageA(g_window, PushMessage, 0, 0);
    return reinterpret_cast<HDDEDATA>(DDE_FACK);
}

HDDEDATA CALLBACK callback(UINT type, UINT format, HCONV conv, HSZ topicName, HSZ itemName, HDDEDATA data,
                           ULONG_PTR, ULONG_PTR)
{
    switch (type) {
    case XTYP_CONNECT:
        return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(
            !g_quitting && DdeCmpStringHandles(itemName, g_application) == 0 && !nameOf(topicName).empty()));
    case XTYP_ADVSTART: {
        const std::string topic = nameOf(topicName);
        hold(topic);
        if (format != CF_TEXT)
            return nullptr;
        const std::string item = nameOf(itemName);
        if (folded(item) == RampItem)
            g_rampTopics.insert(topic);
        if (folded(topic) != ControlTopic)
            g_links[conv].insert(folded(item));
        return reinterpret_cast<HDDEDATA>(TRUE);
    }
    case XTYP_ADVSTOP:
        g_links[conv].erase(folded(nameOf(itemName)));
        return nullptr;
    case XTYP_DISCONNECT:
        g_links.erase(conv);
        return nullptr;
    case XTYP_REQUEST:
        hold(nameOf(topicName));
        [[fallthrough]];
    case XTYP_ADVREQ:
        if (format != CF_TEXT)
            return nullptr;
        return textData(valueOf(nameOf(topicName), nameOf(itemName)), itemName);
    case XTYP_POKE:
        if (format != CF_TEXT)
            return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
        return poke(nameOf(topicName), nameOf(itemName), data);
    default:
        return nullptr;
    }
}

void postAdvise(const std::string& topic, const std::string& item)
{
    HSZ topicName = DdeCreateStringHandleA(g_instance, topic.c_str(), CP_WINANSI);
    HSZ itemName = DdeCreateStringHandleA(g_instance, item.c_str(), CP_WINANSI);
    DdePostAdvise(g_instance, topicName, itemName);
    DdeFreeStringHandle(g_instance, itemName);
    DdeFreeStringHandle(g_instance, topicName);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case PushMessage: {
        const auto pushes = std::exchange(g_pushes, {});
        for (const auto& [topic, item] : pushes)
            postAdvise(topic, item);
        return 0;
    }
    case WM_TIMER:
        if (wParam == RampTimer) {
            ++g_ramp;
            for (const std::string& topic : g_rampTopics)
                postAdvise(topic, "Ramp");
        } else if (wParam == ExitTimer) {
            std::fprintf(stderr, "dde_test_server: ending after its time limit\n");
            PostMessageA(window, WM_CLOSE, 0, 0);
        }
        return 0;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

int main(int argc, char** argv)
{
    int exitAfterMs = 0;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--exit-after-ms") == 0 && i + 1 < argc)
            exitAfterMs = std::atoi(argv[++i]);

    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "DdeTestServer";
    RegisterClassExA(&windowClass);
    g_window = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               windowClass.hInstance, nullptr);
    if (!g_window) {
        std::fprintf(stderr, "dde_test_server: no window (error %lu)\n", GetLastError());
        return 2;
    }
    const UINT error = DdeInitializeA(
        &g_instance, callback,
        APPCLASS_STANDARD | CBF_FAIL_EXECUTES | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS, 0);
    if (error != DMLERR_NO_ERROR) {
        std::fprintf(stderr, "dde_test_server: DdeInitialize failed (0x%04X)\n", error);
        return 2;
    }
    g_application = DdeCreateStringHandleA(g_instance, Application, CP_WINANSI);
    if (!DdeNameService(g_instance, g_application, nullptr, DNS_REGISTER)) {
        std::fprintf(stderr, "dde_test_server: cannot register the service (0x%04X)\n",
                     DdeGetLastError(g_instance));
        return 2;
    }
    g_values["line1\tn7:0"] = "42";
    SetTimer(g_window, RampTimer, 100, nullptr);
    if (exitAfterMs > 0)
        SetTimer(g_window, ExitTimer, static_cast<UINT>(exitAfterMs), nullptr);
    std::printf("ready\n");
    std::fflush(stdout);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    g_quitting = true;
    DdeNameService(g_instance, g_application, nullptr, DNS_UNREGISTER);
    DdeFreeStringHandle(g_instance, g_application);
    // Ends the conversations; clients see their links lost.
    DdeUninitialize(g_instance);
    return 0;
}
