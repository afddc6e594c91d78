#include "DdeLinkCore.h"

#ifndef NOMINMAX
#define NOMINMAX // std::min and std::max, not the macros
#endif
#include <windows.h>

#include <ddeml.h>

#include <algorithm>
#include <cctype>
#include <deque>
#include <map>
#include <optional>
#include <vector>

namespace dde {

namespace {

constexpr UINT DeliverMessage = WM_APP + 0x44;
constexpr DWORD StrayAckWaitMs = 500;
const char NotifyClass[] = "HmiDdeLinkNotify";

// DDE string handles compare without regard to case; the maps here do the same.
std::string folded(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string textOf(HDDEDATA data)
{
    if (!data)
        return {};
    const DWORD size = DdeGetData(data, nullptr, 0, 0);
    std::string text(size, '\0');
    if (size)
        DdeGetData(data, reinterpret_cast<LPBYTE>(text.data()), size, 0);
    text.resize(std::min(text.size(), text.find('\0')));
    // Some servers end a text value with a line break.
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        text.pop_back();
    return text;
}

HDDEDATA CALLBACK ddeCallback(UINT type, UINT format, HCONV conv, HSZ topic, HSZ item, HDDEDATA data,
                              ULONG_PTR, ULONG_PTR);
LRESULT CALLBACK notifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace

struct DdeLinkCore::Impl {
    struct Link {
        std::string item;
        int refs = 0;
        // Tells a link apart from a later one of the same name, so held pushes never reach it.
        std::uint64_t id = 0;
    };
    struct Conversation {
        HCONV handle = nullptr;
        std::string topic;
        std::map<std::string, Link> links;
    };
    struct Event {
        bool lost = false;
        std::uint64_t linkId = 0;
        // Keys for a pushed value, names as linked for a lost link.
        std::string topic;
        std::string item;
        std::string value;
    };
    struct Reply {
        HDDEDATA data = nullptr;
        UINT error = DMLERR_NO_ERROR;
    };

    std::string application;
    DWORD instance = 0;
    bool initialized = false;
    bool underWine = false;
    HSZ applicationName = nullptr;
    HWND notifyWindow = nullptr;
    std::map<std::string, Conversation> conversations;
    std::deque<Event> events;
    int busy = 0;
    bool posted = false;
    std::uint64_t nextLinkId = 1;
    DataHandler onData;
    LostHandler onLost;

    // DDEML callbacks carry no pointer of the caller's; conversations tell the instances apart.
    static thread_local std::vector<Impl*> live;

    std::optional<DdeFailure> init();
    void shutdown();
    Conversation* find(const std::string& topicKey);
    Conversation* byHandle(HCONV handle);
    std::optional<DdeFailure> connect(const std::string& topic, int timeoutMs);
    bool alive(HCONV handle) const;
    void dropConversation(const std::string& topicKey);
    void disconnect(const std::string& topicKey);
    Reply transact(HCONV handle, const std::string* payload, const std::string& item, UINT type,
                   int timeoutMs);
    HWND clientWindow(HCONV handle) const;
    void settle(HCONV handle);
    Reply request(HCONV handle, const std::string& item, int timeoutMs);
    DdeOutcome run(const std::string& topic, int timeoutMs,
                   const std::function<DdeOutcome(Conversation&, bool* dead)>& step);
    HDDEDATA callback(UINT type, UINT format, HCONV handle, HSZ item, HDDEDATA data);
    void schedule();
    void drain();
};

thread_local std::vector<DdeLinkCore::Impl*> DdeLinkCore::Impl::live;

namespace {

HDDEDATA CALLBACK ddeCallback(UINT type, UINT format, HCONV conv, HSZ, HSZ item, HDDEDATA data, ULONG_PTR,
                              ULONG_PTR)
{
    for (DdeLinkCore::Impl* core : DdeLinkCore::Impl::live)
        if (core->byHandle(conv))
            return core->callback(type, format, conv, item, data);
    // A conversation already let go: take its data so the server does not wait on us.
    return type == XTYP_ADVDATA ? reinterpret_cast<HDDEDATA>(DDE_FACK) : nullptr;
}

LRESULT CALLBACK notifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == DeliverMessage) {
        if (auto* core = reinterpret_cast<DdeLinkCore::Impl*>(GetWindowLongPtrA(window, GWLP_USERDATA))) {
            core->posted = false;
            core->drain();
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

std::optional<DdeFailure> DdeLinkCore::Impl::init()
{
    if (initialized)
        return std::nullopt;
    DWORD id = 0;
    const UINT error = DdeInitializeA(
        &id, ddeCallback, APPCMD_CLIENTONLY | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS, 0);
    if (error != DMLERR_NO_ERROR)
        return failureOf(error, 0);
    instance = id;
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    underWine = ntdll && GetProcAddress(ntdll, "wine_get_version");

    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = notifyProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = NotifyClass;
    RegisterClassExA(&windowClass); // fails harmlessly when a second instance registered it already
    notifyWindow = CreateWindowExA(0, NotifyClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    if (!notifyWindow) {
        DdeUninitialize(instance);
        instance = 0;
        return DdeFailure{75, "Cannot create the DDE notification window (Windows error " +
                                  std::to_string(GetLastError()) + ")"};
    }
    SetWindowLongPtrA(notifyWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    applicationName = DdeCreateStringHandleA(instance, application.c_str(), CP_WINANSI);
    live.push_back(this);
    initialized = true;
    return std::nullopt;
}

void DdeLinkCore::Impl::shutdown()
{
    if (!initialized)
        return;
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    conversations.clear();
    events.clear();
    DestroyWindow(notifyWindow);
    DdeFreeStringHandle(instance, applicationName);
    // Ends every conversation, and with them the server's advise loops.
    DdeUninitialize(instance);
    initialized = false;
}

DdeLinkCore::Impl::Conversation* DdeLinkCore::Impl::find(const std::string& topicKey)
{
    const auto it = conversations.find(topicKey);
    return it == conversations.end() ? nullptr : &it->second;
}

DdeLinkCore::Impl::Conversation* DdeLinkCore::Impl::byHandle(HCONV handle)
{
    for (auto& [key, conv] : conversations)
        if (conv.handle == handle)
            return &conv;
    return nullptr;
}

std::optional<DdeFailure> DdeLinkCore::Impl::connect(const std::string& topic, int timeoutMs)
{
    const std::string key = folded(topic);
    if (find(key))
        return std::nullopt;
    HSZ topicName = DdeCreateStringHandleA(instance, topic.c_str(), CP_WINANSI);
    DdeGetLastError(instance);
    ++busy;
    HCONV handle = DdeConnect(instance, applicationName, topicName, nullptr);
    const UINT error = handle ? DMLERR_NO_ERROR : DdeGetLastError(instance);
    --busy;
    DdeFreeStringHandle(instance, topicName);
    if (!handle)
        return failureOf(error == DMLERR_NO_ERROR ? DMLERR_NO_CONV_ESTABLISHED : error, timeoutMs);
    Conversation& conv = conversations[key];
    conv.handle = handle;
    conv.topic = topic;
    return std::nullopt;
}

bool DdeLinkCore::Impl::alive(HCONV handle) const
{
    CONVINFO info{};
    info.cb = sizeof info;
    return DdeQueryConvInfo(handle, QID_SYNC, &info) && (info.wStatus & ST_CONNECTED);
}

void DdeLinkCore::Impl::dropConversation(const std::string& topicKey)
{
    const auto it = conversations.find(topicKey);
    if (it == conversations.end())
        return;
    // Lost links are reported by their names as linked, since they are gone from the maps by then.
    for (const auto& [itemKey, link] : it->second.links)
        events.push_back({true, link.id, it->second.topic, link.item, {}});
    conversations.erase(it);
    schedule();
}

void DdeLinkCore::Impl::disconnect(const std::string& topicKey)
{
    const auto it = conversations.find(topicKey);
    if (it == conversations.end())
        return;
    HCONV handle = it->second.handle;
    // Out of the map first: whatever arrives for it while the terminate is acknowledged is dropped.
    conversations.erase(it);
    ++busy;
    DdeDisconnect(handle);
    --busy;
    schedule();
}

DdeLinkCore::Impl::Reply DdeLinkCore::Impl::transact(HCONV handle, const std::string* payload,
                                                     const std::string& item, UINT type, int timeoutMs)
{
    ++busy;
    settle(handle);
    HSZ itemName = DdeCreateStringHandleA(instance, item.c_str(), CP_WINANSI);
    DdeGetLastError(instance);
    // Stays as set when the library leaves it alone; a library that reports a refusal here instead of
    // failing the call (Wine's does for pokes) clears DDE_FACK.
    DWORD status = 0xDEAD0000 | DDE_FACK;
    Reply reply;
    reply.data = DdeClientTransaction(payload ? reinterpret_cast<LPBYTE>(const_cast<char*>(payload->c_str()))
                                              : nullptr,
                                      payload ? static_cast<DWORD>(payload->size() + 1) : 0, handle, itemName,
                                      CF_TEXT, type, static_cast<DWORD>(std::max(1, timeoutMs)), &status);
    reply.error = reply.data ? DMLERR_NO_ERROR : DdeGetLastError(instance);
    if (reply.data && type != XTYP_REQUEST && !(status & DDE_FACK)) {
        reply.data = nullptr;
        reply.error = (status & DDE_FBUSY) ? DMLERR_BUSY : DMLERR_NOTPROCESSED;
    }
    --busy;
    DdeFreeStringHandle(instance, itemName);
    schedule();
    return reply;
}

HWND DdeLinkCore::Impl::clientWindow(HCONV handle) const
{
    CONVINFO info{};
    info.cb = sizeof info;
    return DdeQueryConvInfo(handle, QID_SYNC, &info) ? info.hwnd : nullptr;
}

// Hands the conversation's waiting messages to the library before a transaction starts, so a late
// acknowledgement (of a transaction that timed out, say) is not taken for the new one's answer.
void DdeLinkCore::Impl::settle(HCONV handle)
{
    HWND window = clientWindow(handle);
    MSG message;
    while (window && PeekMessageA(&message, window, WM_DDE_FIRST, WM_DDE_LAST, PM_REMOVE))
        DispatchMessageA(&message);
}

DdeLinkCore::Impl::Reply DdeLinkCore::Impl::request(HCONV handle, const std::string& item, int timeoutMs)
{
    Reply reply = transact(handle, nullptr, item, XTYP_REQUEST, timeoutMs);
    // Wine's DDE server acknowledges a request after sending its data; the next transaction on the
    // conversation would take that acknowledgement for its own answer. It comes at once, so wait for it.
    HWND window = reply.data && underWine ? clientWindow(handle) : nullptr;
    if (!window)
        return reply;
    ++busy;
    const DWORD start = GetTickCount();
    MSG message{};
    bool taken = false;
    while (!(taken = PeekMessageA(&message, window, WM_DDE_ACK, WM_DDE_ACK, PM_REMOVE)) &&
           GetTickCount() - start < StrayAckWaitMs)
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_POSTMESSAGE);
    if (taken)
        DispatchMessageA(&message);
    --busy;
    return reply;
}

// Runs step on the topic's conversation. A conversation that turns out dead (the server went away
// and came back, say) is dropped and the step tried once more on a new one.
DdeOutcome DdeLinkCore::Impl::run(const std::string& topic, int timeoutMs,
                                  const std::function<DdeOutcome(Conversation&, bool* dead)>& step)
{
    if (std::optional<DdeFailure> failure = init())
        return DdeOutcome::fail(*failure);
    const std::string key = folded(topic);
    for (int attempt = 0;; ++attempt) {
        const bool existed = find(key) != nullptr;
        if (std::optional<DdeFailure> failure = connect(topic, timeoutMs))
            return DdeOutcome::fail(*failure);
        bool dead = false;
        DdeOutcome outcome = step(*find(key), &dead);
        if (outcome || !dead)
            return outcome;
        dropConversation(key);
        if (!existed || attempt > 0)
            return outcome;
    }
}

HDDEDATA DdeLinkCore::Impl::callback(UINT type, UINT format, HCONV handle, HSZ item, HDDEDATA data)
{
    Conversation* conv = byHandle(handle);
    switch (type) {
    case XTYP_ADVDATA: {
        if (format != CF_TEXT)
            return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
        const DWORD length = DdeQueryStringA(instance, item, nullptr, 0, CP_WINANSI);
        std::string name(length + 1, '\0');
        DdeQueryStringA(instance, item, name.data(), length + 1, CP_WINANSI);
        name.resize(length);
        const auto link = conv->links.find(folded(name));
        if (link != conv->links.end()) {
            events.push_back({false, link->second.id, folded(conv->topic), link->first, textOf(data)});
            schedule();
        }
        return reinterpret_cast<HDDEDATA>(DDE_FACK);
    }
    case XTYP_DISCONNECT:
        dropConversation(folded(conv->topic));
        return nullptr;
    default:
        return nullptr;
    }
}

void DdeLinkCore::Impl::schedule()
{
    // Never from inside a transaction: its end schedules again.
    if (events.empty() || busy > 0 || posted || !notifyWindow)
        return;
    posted = PostMessageA(notifyWindow, DeliverMessage, 0, 0) != 0;
}

void DdeLinkCore::Impl::drain()
{
    // A handler may link, unlink, poke or let window messages run; each event is taken before it is
    // handed out and its link looked up afresh.
    while (busy == 0 && !events.empty()) {
        Event event = std::move(events.front());
        events.pop_front();
        if (event.lost) {
            if (onLost)
                onLost(event.topic, event.item);
            continue;
        }
        Conversation* conv = find(event.topic);
        if (!conv)
            continue;
        const auto link = conv->links.find(event.item);
        if (link == conv->links.end() || link->second.id != event.linkId)
            continue;
        if (onData)
            onData(conv->topic, link->second.item, event.value);
    }
}

DdeLinkCore::DdeLinkCore(std::string application) : m(std::make_unique<Impl>())
{
    m->application = std::move(application);
}

DdeLinkCore::~DdeLinkCore()
{
    m->shutdown();
}

void DdeLinkCore::setDataHandler(DataHandler handler)
{
    m->onData = std::move(handler);
}

void DdeLinkCore::setLostHandler(LostHandler handler)
{
    m->onLost = std::move(handler);
}

DdeOutcome DdeLinkCore::advise(const std::string& topic, const std::string& item, int timeoutMs)
{
    const std::string itemKey = folded(item);
    return m->run(topic, timeoutMs, [&](Impl::Conversation& conv, bool* dead) {
        const HCONV handle = conv.handle;
        const std::string topicKey = folded(conv.topic);
        const bool fresh = conv.links.find(itemKey) == conv.links.end();
        if (fresh) {
            const Impl::Reply started = m->transact(handle, nullptr, item, XTYP_ADVSTART, timeoutMs);
            if (!started.data) {
                *dead = !m->alive(handle);
                return DdeOutcome::fail(failureOf(started.error, timeoutMs));
            }
        }
        // The advise loop sends changes only; the current value is asked for once.
        const Impl::Reply current = m->request(handle, item, timeoutMs);
        if (!current.data) {
            *dead = !m->alive(handle);
            const DdeFailure failure = failureOf(current.error, timeoutMs);
            // A server too slow to answer would be too slow to end the loop as well.
            if (fresh && !*dead && failure.number != Timeout)
                m->transact(handle, nullptr, item, XTYP_ADVSTOP, timeoutMs);
            return DdeOutcome::fail(failure);
        }
        std::string value = textOf(current.data);
        DdeFreeDataHandle(current.data);
        // Callbacks during the waits may have ended the conversation.
        Impl::Conversation* now = m->find(topicKey);
        if (!now || now->handle != handle) {
            *dead = true;
            return DdeOutcome::fail(failureOf(DMLERR_NO_CONV_ESTABLISHED, timeoutMs));
        }
        Impl::Link& link = now->links[itemKey];
        if (link.refs++ == 0) {
            link.item = item;
            link.id = m->nextLinkId++;
        }
        return DdeOutcome::of(std::move(value));
    });
}

void DdeLinkCore::unadvise(const std::string& topic, const std::string& item, int timeoutMs)
{
    const std::string topicKey = folded(topic);
    Impl::Conversation* conv = m->find(topicKey);
    if (!conv)
        return;
    const auto link = conv->links.find(folded(item));
    if (link == conv->links.end() || --link->second.refs > 0)
        return;
    conv->links.erase(link);
    // The conversation ends with its last link; the server then ends its loops by itself.
    if (conv->links.empty())
        m->disconnect(topicKey);
    else
        m->transact(conv->handle, nullptr, item, XTYP_ADVSTOP, timeoutMs);
}

DdeOutcome DdeLinkCore::poke(const std::string& topic, const std::string& item, const std::string& value,
                             int timeoutMs)
{
    return m->run(topic, timeoutMs, [&](Impl::Conversation& conv, bool* dead) {
        const HCONV handle = conv.handle;
        const Impl::Reply reply = m->transact(handle, &value, item, XTYP_POKE, timeoutMs);
        if (!reply.data) {
            *dead = !m->alive(handle);
            return DdeOutcome::fail(failureOf(reply.error, timeoutMs));
        }
        return DdeOutcome::of(value);
    });
}

int DdeLinkCore::linkCount() const
{
    int n = 0;
    for (const auto& [key, conv] : m->conversations)
        for (const auto& [itemKey, link] : conv.links)
            n += link.refs;
    return n;
}

int DdeLinkCore::conversationCount() const
{
    return static_cast<int>(m->conversations.size());
}

} // namespace dde
