#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <deque>
#include <utility>

// The wire form shared by the communication server and the programs' link layer: one field line per
// message, Latin-1, every field followed by TAB, CR LF at the end. See server/PROTOCOL.md.
namespace LinkProtocol {

// The application name a link topic starts with, before the '|'.
inline constexpr char ApplicationName[] = "RSLinx";

// Longest line either side accepts; longer ones are refused without being kept in memory.
inline constexpr int MaxLineBytes = 8192;

// Socket the server listens on: HMI_LINK_SOCKET when set (tests), else per user and application, in the
// user's runtime folder where there is one.
QString socketName();

// Field escapes keep TAB, CR, LF and backslash inside a field from breaking the line.
QByteArray encodeLine(const QStringList& fields);
QStringList decodeLine(const QByteArray& line);

// Splits "RSLinx|Topic" into application and topic; false without a '|'.
bool splitLinkTopic(const QString& linkTopic, QString* application, QString* topic);

// Collects received bytes and hands out whole lines. A line over MaxLineBytes is reported once as
// overlong with its first bytes (enough for the verb and request id); the rest of it is dropped.
class LineBuffer {
public:
    enum class Kind { None, Line, Overlong };
    void append(const QByteArray& bytes);
    Kind next(QByteArray* line);
    // Bytes held: the unfinished line and lines not yet taken.
    qsizetype buffered() const;

private:
    void finish(QByteArray line);

    std::deque<std::pair<Kind, QByteArray>> m_ready;
    QByteArray m_partial;
    bool m_skipping = false;
};

} // namespace LinkProtocol
