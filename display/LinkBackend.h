#pragma once

#include "RunError.h"

#include <QDateTime>
#include <QList>
#include <QString>

class LinkBox;

// Carries the links of every LinkBox of the program to the communication server. One backend per
// program: the DDE client where the suite talks to the real server (Windows), else the socket client of
// the stand-in server.
class LinkBackend {
public:
    // Created on first use, owned by the application object.
    static LinkBackend& instance();
    // The backend if one exists; never creates one (for destructors at shutdown).
    static LinkBackend* existing();

    // Opens the link of box to item of topic (topic without the application part) and returns the
    // current value. The box receives every later value once this returns.
    virtual Result<QString> advise(LinkBox* box, const QString& topic, const QString& item,
                                   int timeoutMs) = 0;
    struct AdviseRequest {
        LinkBox* box = nullptr;
        QString topic;
        QString item;
        int timeoutMs = 0;
    };
    // Opens several links as advise() does, one result per request in order. This one asks one after the
    // other; a backend that can sends every request before it waits for the first answer. A box deleted
    // meanwhile gets no link (ElementNotFound).
    virtual QList<Result<QString>> adviseAll(const QList<AdviseRequest>& requests);
    // Drops the box's link to item of topic.
    virtual void unadvise(LinkBox* box, const QString& topic, const QString& item) = 0;
    // Writes a value; returns the value as the server took it.
    virtual Result<QString> poke(const QString& topic, const QString& item, const QString& value,
                                 int timeoutMs) = 0;
    // After a lost connection: reaches the server again if the backend keeps a connection (282 when none
    // answers); a backend whose links each open their own conversation has nothing to do.
    virtual Status reconnect(int timeoutMs) = 0;

protected:
    virtual ~LinkBackend() = default;

    // What backends may do to a box.
    static void deliverValue(LinkBox* box, const QString& value);
    // The program let the link go.
    static void dropLink(LinkBox* box);
    // The server went away under the link; confirmedAt is when the server was last heard from, if known.
    static void loseLink(LinkBox* box, const QDateTime& confirmedAt = {});
    // The connection to the server went away, whether or not links were on it.
    static void reportConnectionLost();
    // The program closed the connection on purpose: nothing is to be brought back.
    static void reportConnectionClosed();
};
