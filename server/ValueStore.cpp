#include "ValueStore.h"

QString ValueStore::keyOf(const QString& topic, const ItemAddress& address)
{
    return topic.toUpper() + QLatin1Char('\t') + address.canonical;
}

QString ValueStore::read(const QString& topic, const QString& item)
{
    const ItemAddress address = ItemAddress::parse(item);
    if (!address.valid)
        return serverError(address.error);
    const auto it = m_values.constFind(keyOf(topic, address));
    return it == m_values.cend() ? address.initialValue() : *it;
}

ValueStore::WriteResult ValueStore::write(const QString& topic, const QString& item, const QString& value,
                                          Announce announce)
{
    const ItemAddress address = ItemAddress::parse(item);
    if (!address.valid)
        return {false, {}, address.error};
    const ItemAddress::Normalized n = address.normalize(value);
    if (!n.ok)
        return {false, {}, n.error};
    if (const QString full = refusal(topic, address, n.value); !full.isEmpty())
        return {false, {}, full};
    const QString key = keyOf(topic, address);
    const auto it = m_values.find(key);
    const bool same = it != m_values.end() ? *it == n.value : n.value == address.initialValue();
    // The initial value is what an item without one reads.
    if (n.value == address.initialValue()) {
        if (it != m_values.end())
            erase(it);
    } else if (it == m_values.end()) {
        store(key, n.value);
    } else {
        *it = n.value;
    }
    if (announce == Announce::Always || !same)
        Q_EMIT changed(key, n.value);
    return {true, n.value, {}};
}

void ValueStore::set(const QString& key, const QString& value, Announce announce)
{
    auto it = m_values.find(key);
    // Nobody has seen a value before the first: whoever asked for it has it in the answer.
    if (it == m_values.end()) {
        store(key, value);
        return;
    }
    if (*it == value && announce == Announce::OnChange)
        return;
    *it = value;
    Q_EMIT changed(key, value);
}

QString ValueStore::refusal(const QString& topic, const ItemAddress& address, const QString& value) const
{
    if (topic.size() > MaxTopicLength)
        return QStringLiteral("topic names longer than %1 characters are not served").arg(MaxTopicLength);
    if (value == address.initialValue() || m_values.contains(keyOf(topic, address)))
        return {};
    if (m_values.size() >= MaxItems)
        return QStringLiteral("the server holds values of %1 items, its most").arg(MaxItems);
    if (m_topicItems.size() >= MaxTopics && !m_topicItems.contains(topic.toUpper()))
        return QStringLiteral("the server holds values of %1 topics, its most").arg(MaxTopics);
    return {};
}

void ValueStore::forget(const QString& key)
{
    const auto it = m_values.find(key);
    if (it != m_values.end())
        erase(it);
}

void ValueStore::store(const QString& key, const QString& value)
{
    m_values.insert(key, value);
    ++m_topicItems[key.section(QLatin1Char('\t'), 0, 0)];
}

void ValueStore::erase(QHash<QString, QString>::iterator it)
{
    const auto topic = m_topicItems.find(it.key().section(QLatin1Char('\t'), 0, 0));
    if (topic != m_topicItems.end() && --*topic <= 0)
        m_topicItems.erase(topic);
    m_values.erase(it);
}
