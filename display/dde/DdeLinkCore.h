#pragma once

#include "DdeFailure.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace dde {

// The client side of the links to one DDE server application, on the Windows DDE management library.
// Plain C++ with no toolkit, so it builds with any Windows compiler and runs under Wine.
//
// One conversation per topic carries every link of that topic. Links are counted per topic and item
// (both without regard to case, as DDE string handles compare): the first advise starts the server's
// advise loop, the last unadvise ends it, and the conversation ends with its last link.
//
// Must live on a thread that pumps window messages (a Qt GUI thread does). Values pushed by the server
// and lost links are reported from that message loop, never from inside a call of this class, so a
// handler may link, unlink and poke freely.
class DdeLinkCore {
public:
    // topic and item as the first advise spelled them.
    using DataHandler =
        std::function<void(const std::string& topic, const std::string& item, const std::string& value)>;
    // The conversation ended from the server's side; the link is gone.
    using LostHandler = std::function<void(const std::string& topic, const std::string& item)>;

    explicit DdeLinkCore(std::string application);
    ~DdeLinkCore();
    DdeLinkCore(const DdeLinkCore&) = delete;
    DdeLinkCore& operator=(const DdeLinkCore&) = delete;

    void setDataHandler(DataHandler handler);
    void setLostHandler(LostHandler handler);

    // Opens or counts the link and returns the item's current value. Each step waits at most timeoutMs:
    // no server is 282, no answer in time 286, anything else the library's own error.
    DdeOutcome advise(const std::string& topic, const std::string& item, int timeoutMs);
    // Drops one count of the link. Its pushes stop at once, those already received included. The last
    // count ends the server's advise loop (waiting at most timeoutMs), or the whole conversation when it
    // was the topic's last link.
    void unadvise(const std::string& topic, const std::string& item, int timeoutMs);
    // Writes a value; a server that refuses it is a failure, not a success.
    DdeOutcome poke(const std::string& topic, const std::string& item, const std::string& value,
                    int timeoutMs);

    int linkCount() const;
    int conversationCount() const;

    struct Impl;

private:
    std::unique_ptr<Impl> m;
};

} // namespace dde
