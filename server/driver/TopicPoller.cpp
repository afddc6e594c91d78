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
    connect(&m_link, &ControllerLink::idle, this, &TopicPoller::linkIdle);
    m_timer.start();
    m_freshTimer.setSingleShot(true);
    connect(&m_freshTimer, &QTimer::timeout, this, &TopicPoller::readFresh);
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
        if (i.waiting.isEmpty())
            m_fresh << key;
        i.waiting << std::move(done);
        if (!m_freshTimer.isActive())
            m_freshTimer.start(0);
        return;
    }
    release(key);
}

void TopicPoller::readFresh()
{
    QStringList keys;
    for (const QString& key : std::exchange(m_fresh, {})) {
        const auto it = m_items.constFind(key);
        if (it != m_items.cend() && it->refused.isEmpty() && !it->waiting.isEmpty())
            keys << key;
    }
    if (keys.isEmpty())
        return;
    // Once up, the link's first poll reads them.
    if (!m_link.isUp())
        return m_link.open();
    m_urgentReads = true;
    readItems(keys);
    m_urgentReads = false;
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
    m_cycleStart.start();
    readItems(keys);
}

void TopicPoller::send(const QByteArray& cip, ControllerLink::Done done)
{
    ++m_outstanding;
    ++m_stats.requests;
    auto answered = [this, done = std::move(done)](const Result<QByteArray>& reply) {
        done(reply);
        requestDone();
    };
    if (m_urgentReads)
        m_link.sendUrgent(cip, std::move(answered));
    else
        m_link.send(cip, std::move(answered));
}

void TopicPoller::requestDone()
{
    if (--m_outstanding > 0)
        return;
    // A cycle longer than the interval missed its tick: the next one starts now rather than at the next.
    if (m_cycleStart.isValid() && m_cycleStart.elapsed() >= m_config.intervalMs)
        return poll();
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
    QString refused = itemFor(key, item).refused;
    if (refused.isEmpty() && !m_link.isUp())
        refused = m_link.failure();
    if (refused.isEmpty() && m_writes >= MaxWrites)
        refused = QStringLiteral("%1 writes are already waiting for the controller").arg(MaxWrites);
    if (!refused.isEmpty()) {
        release(key);
        return done(false, refused);
    }
    ++m_writes;
    // Answered once: by the controller within the time-out, else as not written when it runs out.
    auto once = std::make_shared<WriteDone>(std::move(done));
    const int ms = m_config.timeoutMs;
    QTimer::singleShot(ms, Qt::PreciseTimer, this, [once, ms] {
        if (const WriteDone late = std::exchange(*once, nullptr))
            late(false, QStringLiteral("not written within %1 ms").arg(ms));
    });
    writeItem(key, value, QDeadlineTimer(ms), [this, key, once](bool ok, const QString& stored) {
        --m_writes;
        if (const WriteDone done = std::exchange(*once, nullptr))
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

// Nothing linked and nothing asked: the connection is ended rather than kept alive.
void TopicPoller::linkIdle()
{
    if (m_items.isEmpty() && m_link.isIdle())
        m_link.close();
}

Result<bool> TopicPoller::bitOf(const QString& value)
{
    bool number = false;
    const double v = value.trimmed().toDouble(&number);
    if (!number)
        return RunError::of(ErrNo::TypeMismatch, QStringLiteral("'%1' is not a number").arg(value.left(40)));
    return v != 0;
}
