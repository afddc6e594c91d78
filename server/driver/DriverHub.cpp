#include "DriverHub.h"

#include "ItemAddress.h"
#include "LogixPoller.h"
#include "PcccPoller.h"
#include "ValueStore.h"

DriverHub::DriverHub(ValueStore& store, const QList<TopicConfig>& topics, QObject* parent) : QObject(parent)
{
    for (const TopicConfig& t : topics) {
        if (t.usesPccc())
            m_pollers.insert(t.topic.toUpper(), new PcccPoller(t, store, this));
        else if (t.driver != TopicConfig::Driver::Sim)
            m_pollers.insert(t.topic.toUpper(), new LogixPoller(t, store, this));
    }
}

DriverHub::~DriverHub() = default;

TopicPoller* DriverHub::poller(const QString& topic) const
{
    return m_pollers.value(topic.toUpper());
}

void DriverHub::refuse(const QString& topic, const QString& why)
{
    m_refused.insert(topic.toUpper(), why);
}

bool DriverHub::serves(const QString& topic) const
{
    return poller(topic) != nullptr || m_refused.contains(topic.toUpper());
}

void DriverHub::link(const QString& key, const QString& topic, const QString& item)
{
    if (TopicPoller* p = poller(topic))
        p->link(key, item);
}

void DriverHub::unlink(const QString& key)
{
    if (TopicPoller* p = poller(key.section(QLatin1Char('\t'), 0, 0)))
        p->unlink(key);
}

void DriverHub::read(const QString& topic, const QString& item, TopicPoller::ReadDone done)
{
    if (const auto refused = m_refused.constFind(topic.toUpper()); refused != m_refused.cend())
        return done(ValueStore::serverError(*refused));
    const ItemAddress address = ItemAddress::parse(item);
    if (!address.valid)
        return done(ValueStore::serverError(address.error));
    poller(topic)->read(ValueStore::keyOf(topic, address), item, std::move(done));
}

void DriverHub::write(const QString& topic, const QString& item, const QString& value,
                      TopicPoller::WriteDone done)
{
    if (const auto refused = m_refused.constFind(topic.toUpper()); refused != m_refused.cend())
        return done(false, *refused);
    const ItemAddress address = ItemAddress::parse(item);
    if (!address.valid)
        return done(false, address.error);
    poller(topic)->write(ValueStore::keyOf(topic, address), item, value, std::move(done));
}
