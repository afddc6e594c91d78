#include "TopicConfig.h"

#include "Cip.h"
#include "LinkProtocol.h"

#include <QHash>
#include <QSet>

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

} // namespace

TopicConfig::Loaded TopicConfig::parse(const QStringList& lines)
{
    static const QHash<QString, Driver> drivers = {
        {"logix", Driver::Logix}, {"slc500", Driver::Slc500},     {"micrologix", Driver::MicroLogix},
        {"plc5", Driver::Plc5},   {"micro800", Driver::Micro800}, {"sim", Driver::Sim},
    };
    Loaded out;
    QSet<QString> seen;
    for (int n = 0; n < lines.size(); ++n) {
        const QString& line = lines[n];
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#')))
            continue;
        auto refuse = [&](const QString& why) {
            out.warnings << QStringLiteral("line %1: %2").arg(n + 1).arg(why);
        };
        const QStringList f = LinkProtocol::decodeLine(line.toLatin1());
        TopicConfig t;
        t.topic = f.value(0).trimmed();
        const QString driver = f.value(1).trimmed().toLower();
        if (t.topic.isEmpty() || !drivers.contains(driver)) {
            refuse(QStringLiteral(
                "needs a topic and a driver (Logix, SLC500, MicroLogix, PLC5, Micro800 or Sim)"));
            continue;
        }
        if (seen.contains(t.topic.toUpper())) {
            refuse(QStringLiteral("topic '%1' is listed already").arg(t.topic));
            continue;
        }
        t.driver = drivers.value(driver);
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
        seen.insert(t.topic.toUpper());
        out.topics << t;
    }
    return out;
}
