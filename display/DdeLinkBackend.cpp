#include "DdeLinkBackend.h"

#include "LinkBox.h"
#include "LinkProtocol.h"

#include <QCoreApplication>

#include <utility>

namespace {

QPointer<DdeLinkBackend> s_instance;

// DDE text is in the system's ANSI code page, which is what local 8-bit means on Windows.
std::string toText(const QString& s)
{
    return s.toLocal8Bit().toStdString();
}

QString fromText(const std::string& s)
{
    return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size()));
}

RunError errorOf(const dde::DdeFailure& failure)
{
    // The two codes the logic tells apart read as they do on every platform.
    if (failure.number == dde::NoForeignApplication || failure.number == dde::Timeout)
        return RunError::of(failure.number);
    return RunError::of(failure.number, fromText(failure.description));
}

} // namespace

DdeLinkBackend& DdeLinkBackend::instance()
{
    if (!s_instance)
        s_instance = new DdeLinkBackend(QCoreApplication::instance());
    return *s_instance;
}

DdeLinkBackend* DdeLinkBackend::existing()
{
    return s_instance.data();
}

DdeLinkBackend::DdeLinkBackend(QObject* parent) : QObject(parent), m_core(LinkProtocol::ApplicationName)
{
    m_core.setDataHandler([this](const std::string& topic, const std::string& item,
                                 const std::string& value) { received(topic, item, value); });
    m_core.setLostHandler([this](const std::string& topic, const std::string& item) { lost(topic, item); });
}

DdeLinkBackend::~DdeLinkBackend()
{
    const auto links = std::exchange(m_links, {});
    for (const auto& boxes : links)
        for (const QPointer<LinkBox>& box : boxes)
            if (box)
                dropLink(box);
}

int DdeLinkBackend::linkCount() const
{
    int n = 0;
    for (const auto& boxes : m_links)
        n += static_cast<int>(boxes.size());
    return n;
}

Result<QString> DdeLinkBackend::advise(LinkBox* box, const QString& topic, const QString& item, int timeoutMs)
{
    QPointer<LinkBox> guard(box);
    const dde::DdeOutcome outcome = m_core.advise(toText(topic), toText(item), timeoutMs);
    if (!outcome)
        return errorOf(*outcome.failure);
    if (!guard) {
        m_core.unadvise(toText(topic), toText(item), timeoutMs);
        return RunError::of(ErrNo::ElementNotFound);
    }
    m_links[keyOf(topic, item)].append(guard);
    return fromText(outcome.value);
}

void DdeLinkBackend::unadvise(LinkBox* box, const QString& topic, const QString& item)
{
    const auto it = m_links.find(keyOf(topic, item));
    if (it == m_links.end())
        return;
    // Boxes gone without unlinking still hold a count each.
    const qsizetype counts = it->removeIf([box](const QPointer<LinkBox>& b) { return !b || b == box; });
    if (it->isEmpty())
        m_links.erase(it);
    for (qsizetype i = 0; i < counts; ++i)
        m_core.unadvise(toText(topic), toText(item), box->timeoutMs());
}

Result<QString> DdeLinkBackend::poke(const QString& topic, const QString& item, const QString& value,
                                     int timeoutMs)
{
    const dde::DdeOutcome outcome = m_core.poke(toText(topic), toText(item), toText(value), timeoutMs);
    if (!outcome)
        return errorOf(*outcome.failure);
    return value;
}

void DdeLinkBackend::received(const std::string& topic, const std::string& item, const std::string& value)
{
    const auto it = m_links.constFind(keyOf(fromText(topic), fromText(item)));
    if (it == m_links.cend())
        return;
    // Copy: a change handler may link, unlink or delete boxes.
    const QList<QPointer<LinkBox>> boxes = *it;
    const QString text = fromText(value);
    for (const QPointer<LinkBox>& box : boxes)
        if (box)
            deliverValue(box, text);
}

void DdeLinkBackend::lost(const std::string& topic, const std::string& item)
{
    // The core has let the link go already; the boxes wait for the server to come back.
    const QList<QPointer<LinkBox>> boxes = m_links.take(keyOf(fromText(topic), fromText(item)));
    for (const QPointer<LinkBox>& box : boxes)
        if (box)
            loseLink(box);
    reportConnectionLost();
}
