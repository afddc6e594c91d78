#pragma once

#include "Cip.h"
#include "RunError.h"

#include <QByteArray>

// One Read Tag whose reply may not fit the connection: a reply of status "partial transfer" carries the
// data so far, and Read Tag Fragmented asks for the rest from the bytes received, until a whole reply.
class FragmentedRead {
public:
    FragmentedRead(const QByteArray& path, quint16 count) : m_path(path), m_count(count) {}

    const QByteArray& path() const { return m_path; }
    quint16 count() const { return m_count; }
    // The request that goes on from the bytes received, and the service its reply answers.
    QByteArray request() const;
    quint8 service() const;

    enum class Step { More, Done };
    // Takes a reply of status 0 or "partial transfer" to request(). Refuses a piece of another type, a
    // partial reply that brings nothing or everything, and data beyond the elements asked for.
    Result<Step> take(const Cip::Reply& reply);
    // The type and every byte received, as a whole Read Tag reply carries them.
    QByteArray replyData() const { return m_type + m_data; }

private:
    QByteArray m_path;
    quint16 m_count;
    QByteArray m_type;
    QByteArray m_data;
};
