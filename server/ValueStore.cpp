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
    const QString key = keyOf(topic, address);
    auto it = m_values.find(key);
    const bool same = it != m_values.end() ? *it == n.value : n.value == address.initialValue();
    if (it == m_values.end())
        m_values.insert(key, n.value);
    else
        *it = n.value;
    if (announce == Announce::Always || !same)
        Q_EMIT changed(key, n.value);
    return {true, n.value, {}};
}

void ValueStore::set(const QString& key, const QString& value, Announce announce)
{
    auto it = m_values.find(key);
    // Nobody has seen a value before the first: whoever asked for it has it in the answer.
    if (it == m_values.end()) {
        m_values.insert(key, value);
        return;
    }
    if (*it == value && announce == Announce::OnChange)
        return;
    *it = value;
    Q_EMIT changed(key, value);
}
