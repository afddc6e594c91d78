#include "TopicPoller.h"

#include "ValueStore.h"

TopicPoller::TopicPoller(const TopicConfig& config, ValueStore& store, QObject* parent)
    : QObject(parent),
      m_link({config.host, config.port, Cip::route(config.path).value(), config.timeoutMs}, this),
      m_config(config), m_store(store)
{
    m_timer.setInterval(config.intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &TopicPoller::poll);
    connect(&m_link, &ControllerLink::up, this, &TopicPoller::poll);
    connect(&m_link, &ControllerLink::down, this, &TopicPoller::linkDown);
    m_timer.start();
}

QString TopicPoller::serverError(const QString& why) const
{
    return ValueStore::serverError(m_config.topic + QStringLiteral(": ") + why);
}

TopicPoller::Item& TopicPoller::itemFor(const QString& key, const QString& spelling)
{
    auto it = m_items.find(key);
    if (it == m_items.end()) {
        it = m_items.insert(key, Item());
        it->spelling = spelling;
        it->refused = prepare(key, spelling);
    }
    return *it;
}

void TopicPoller::release(const QString& key)
{
    auto it = m_items.find(key);
    if (it == m_items.end() || it->linked > 0 || !it->waiting.isEmpty())
        return;
    forget(key);
    m_items.erase(it);
}

void TopicPoller::link(const QString& key, const QString& item)
{
    Item& i = itemFor(key, item);
    ++i.linked;
    if (!i.refused.isEmpty())
        m_store.set(key, ValueStore::serverError(i.refused));
    else if (!m_link.isUp() && !m_link.failure().isEmpty())
        m_store.set(key, serverError(m_link.failure()));
}

void TopicPoller::unlink(const QString& key)
{
    auto it = m_items.find(key);
    if (it != m_items.end() && --it->linked <= 0)
        release(key);
}

void TopicPoller::read(const QString& key, const QString& item, ReadDone done)
{
    Item& i = itemFor(key, item);
    if (!i.refused.isEmpty()) {
        done(ValueStore::serverError(i.refused));
    } else if (i.linked > 0 && i.known) {
        done(i.value);
    } else if (!m_link.isUp() && !m_link.failure().isEmpty()) {
        done(serverError(m_link.failure()));
    } else {
        i.waiting << std::move(done);
        poll();
        return;
    }
    release(key);
}

void TopicPoller::poll()
{
    if (m_outstanding > 0)
        return;
    QStringList keys;
    for (auto it = m_items.cbegin(); it != m_items.cend(); ++it)
        if (it->refused.isEmpty() && (it->linked > 0 || !it->waiting.isEmpty()))
            keys << it.key();
    if (keys.isEmpty())
        return;
    if (!m_link.isUp()) {
        m_link.open();
        return;
    }
    ++m_stats.cycles;
    readItems(keys);
}

void TopicPoller::send(const QByteArray& cip, ControllerLink::Done done)
{
    ++m_outstanding;
    ++m_stats.requests;
    m_link.send(cip, [this, done = std::move(done)](const Result<QByteArray>& reply) {
        done(reply);
        requestDone();
    });
}

void TopicPoller::requestDone()
{
    if (--m_outstanding > 0)
        return;
    for (const Item& i : std::as_const(m_items))
        if (!i.waiting.isEmpty())
            return poll();
}

void TopicPoller::settle(const QString& key, const QString& value)
{
    auto it = m_items.find(key);
    if (it == m_items.end())
        return;
    ++m_stats.values;
    it->known = true;
    it->value = value;
    const QList<ReadDone> waiting = std::exchange(it->waiting, {});
    const bool linked = it->linked > 0;
    release(key);
    // An advise is answered before the links hear of the value.
    for (const ReadDone& done : waiting)
        done(value);
    if (linked)
        m_store.set(key, value);
}

void TopicPoller::write(const QString& key, const QString& item, const QString& value, WriteDone done)
{
    const QString refused = itemFor(key, item).refused;
    if (!refused.isEmpty() || (!m_link.isUp() && !m_link.failure().isEmpty())) {
        release(key);
        return done(false, refused.isEmpty() ? m_link.failure() : refused);
    }
    writeItem(key, value, [this, key, done = std::move(done)](bool ok, const QString& stored) {
        done(ok, stored);
        auto it = m_items.find(key);
        if (ok && it != m_items.end() && it->linked > 0) {
            it->value = stored;
            m_store.set(key, stored, ValueStore::Announce::Always);
        }
        release(key);
    });
}

void TopicPoller::dropUnlessTransport(const RunError& error)
{
    if (error.number != ErrNo::DdeTimeout)
        m_link.drop(error.description);
}

void TopicPoller::linkDown(const QString& why)
{
    const QStringList keys = m_items.keys();
    for (const QString& key : keys)
        settle(key, serverError(why));
    for (Item& i : m_items)
        i.known = false;
}

Result<bool> TopicPoller::bitOf(const QString& value)
{
    bool number = false;
    const double v = value.trimmed().toDouble(&number);
    if (!number)
        return RunError::of(ErrNo::TypeMismatch, QStringLiteral("'%1' is not a number").arg(value.left(40)));
    return v != 0;
}
