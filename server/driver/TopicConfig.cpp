#include "TopicConfig.h"

#include "Cip.h"
#include "LinkProtocol.h"

#include <QHash>

#include <algorithm>

namespace {

// Empty: the default; else a whole number within the range.
bool number(const QString& field, int low, int high, int* value)
{
    if (field.trimmed().isEmpty())
        return true;
    bool ok = false;
    const int n = field.trimmed().toInt(&ok);
    if (!ok || n < low || n > high)
        return false;
    *value = n;
    return true;
}

// In the order of TopicConfig::Driver.
const QStringList& driverNames()
{
    static const QStringList names = {"Logix", "SLC500", "MicroLogix", "PLC5", "Micro800", "Sim"};
    return names;
}

int driverIndex(const QString& name)
{
    for (int i = 0; i < driverNames().size(); ++i)
        if (driverNames()[i].compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace

QString TopicConfig::describe() const
{
    if (driver == Driver::Sim)
        return QStringLiteral("%1: simulated").arg(topic);
    return QStringLiteral("%1: %2 at %3:%4%5, polled every %6 ms, time-out %7 ms")
        .arg(topic, driverNames().at(static_cast<int>(driver)), host)
        .arg(port)
        .arg(path.isEmpty() ? QString() : QStringLiteral(", path ") + path)
        .arg(intervalMs)
        .arg(timeoutMs);
}

TopicConfig::Loaded TopicConfig::parse(const QStringList& lines)
{
    Loaded out;
    QHash<QString, int> seen; // line of each accepted topic
    for (int n = 0; n < lines.size(); ++n) {
        const QString& line = lines[n];
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#')))
            continue;
        const QStringList f = LinkProtocol::decodeLine(line.toLatin1());
        TopicConfig t;
        t.topic = f.value(0).trimmed();
        t.line = n + 1;
        auto refuse = [&](const QString& why) { out.refused.append({t.line, t.topic, why}); };
        const int driver = driverIndex(f.value(1));
        if (t.topic.isEmpty() || driver < 0) {
            refuse(QStringLiteral("needs a topic and a driver (%1)")
                       .arg(driverNames().join(QStringLiteral(", "))));
            continue;
        }
        if (const int first = seen.value(t.topic.toUpper())) {
            refuse(QStringLiteral("topic '%1' is listed already on line %2").arg(t.topic).arg(first));
            continue;
        }
        t.driver = static_cast<Driver>(driver);
        t.host = f.value(2).trimmed();
        t.path = f.value(4).trimmed();
        int port = t.port;
        if (t.driver != Driver::Sim && t.host.isEmpty()) {
            refuse(QStringLiteral("topic '%1' needs a host").arg(t.topic));
            continue;
        }
        if (!number(f.value(3), 1, 65535, &port) || !number(f.value(5), 10, 3600000, &t.intervalMs) ||
            !number(f.value(6), 100, 600000, &t.timeoutMs)) {
            refuse(QStringLiteral("port 1 to 65535, interval 10 ms and up, time-out 100 ms and up"));
            continue;
        }
        t.port = static_cast<quint16>(port);
        if (const Result<QByteArray> route = Cip::route(t.path); !route) {
            refuse(route.error().description);
            continue;
        }
        seen.insert(t.topic.toUpper(), t.line);
        out.topics << t;
    }
    for (const Refusal& r : std::as_const(out.refused))
        if (!r.topic.isEmpty() && !out.refusedTopics.contains(r.topic.toUpper()))
            out.refusedTopics.insert(r.topic.toUpper(), r);
    out.topics.removeIf([&](const TopicConfig& t) {
        const auto it = out.refusedTopics.constFind(t.topic.toUpper());
        if (it == out.refusedTopics.cend())
            return false;
        out.refused.append(
            {t.line, t.topic, QStringLiteral("topic '%1' is refused on line %2").arg(t.topic).arg(it->line)});
        return true;
    });
    std::sort(out.refused.begin(), out.refused.end(),
              [](const Refusal& a, const Refusal& b) { return a.line < b.line; });
    return out;
}
