#include "PcccPoller.h"

#include <QMap>

#include <algorithm>

PcccPoller::PcccPoller(const TopicConfig& config, ValueStore& store, QObject* parent)
    : TopicPoller(config, store, parent),
      m_dialect(config.driver == TopicConfig::Driver::Plc5 ? Pccc::Dialect::Plc5 : Pccc::Dialect::Slc)
{
}

QString PcccPoller::prepare(const QString& key, const QString& item)
{
    const Result<Pccc::Address> at = Pccc::parse(item, m_dialect);
    if (!at)
        return at.error().description;
    m_addresses.insert(key, *at);
    return {};
}

void PcccPoller::forget(const QString& key)
{
    m_addresses.remove(key);
}

void PcccPoller::readItems(const QStringList& keys)
{
    // Items of one file by element; I/O slots differ in size, so each is read alone.
    QMap<std::pair<int, int>, QStringList> files;
    for (const QString& key : keys) {
        const Pccc::Address& at = m_addresses[key];
        if (at.slotted)
            readRun({key});
        else
            files[{at.fileType, at.file}] << key;
    }
    for (QStringList& file : files) {
        std::sort(file.begin(), file.end(), [this](const QString& a, const QString& b) {
            return m_addresses[a].element < m_addresses[b].element;
        });
        QStringList run;
        for (const QString& key : std::as_const(file)) {
            const Pccc::Address& at = m_addresses[key];
            if (!run.isEmpty() &&
                (at.element - m_addresses[run.first()].element + 1) * at.elementBytes > MaxReadBytes) {
                readRun(run);
                run.clear();
            }
            run << key;
        }
        readRun(run);
    }
}

void PcccPoller::readRun(const QStringList& keys)
{
    const Pccc::Address first = m_addresses[keys.first()];
    const Pccc::Address& last = m_addresses[keys.last()];
    const int bytes = first.slotted ? 2 : (last.element - first.element + 1) * first.elementBytes;
    const quint16 tns = ++m_tns;
    send(Pccc::read(tns, first, bytes), [this, keys, first, tns](const Result<QByteArray>& cip) {
        answered(keys, first.element, tns, cip);
    });
}

void PcccPoller::answered(const QStringList& keys, int firstElement, quint16 tns,
                          const Result<QByteArray>& cip)
{
    const Result<QByteArray> data = cip ? Pccc::replyData(*cip, tns) : Result<QByteArray>(cip.error());
    if (!data && data.error().number != ErrNo::TypeMismatch)
        return dropUnlessTransport(data.error());
    for (const QString& key : keys) {
        const auto at = m_addresses.constFind(key);
        if (at == m_addresses.cend())
            continue;
        if (!data) {
            settle(key, serverError(data.error().description));
            continue;
        }
        const int offset = at->slotted ? 0 : (at->element - firstElement) * at->elementBytes + 2 * at->word;
        const Result<QString> text = Pccc::text(*at, data->mid(offset));
        if (!text)
            return m_link.drop(text.error().description);
        settle(key, *text);
    }
}

void PcccPoller::writeItem(const QString& key, const QString& value, const QDeadlineTimer& deadline,
                           WriteDone done)
{
    const Pccc::Address at = m_addresses.value(key);
    const quint16 tns = ++m_tns;
    QByteArray request;
    QString stored;
    if (at.bit >= 0) {
        const Result<bool> on = bitOf(value);
        if (!on)
            return done(false, on.error().description);
        const quint32 mask = 1u << at.bit;
        request = Pccc::maskedWrite(tns, at, mask, *on ? mask : 0);
        stored = *on ? QStringLiteral("1") : QStringLiteral("0");
    } else {
        const Result<QByteArray> data = Pccc::encode(at, value);
        if (!data)
            return done(false, data.error().description);
        request = Pccc::write(tns, at, *data);
        stored = Pccc::text(at, *data).value();
    }
    auto written = [tns, stored, done](const Result<QByteArray>& cip) {
        const Result<QByteArray> data = cip ? Pccc::replyData(*cip, tns) : Result<QByteArray>(cip.error());
        if (!data)
            return done(false, data.error().description);
        done(true, stored);
    };
    m_link.sendUrgent(request, written, deadline);
}
