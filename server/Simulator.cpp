#include "Simulator.h"

#include "ItemAddress.h"
#include "LinkProtocol.h"
#include "ValueStore.h"

#include <QRandomGenerator>
#include <QTimer>

#include <cmath>
#include <numbers>

namespace {

// A sine completes one cycle in this many ticks.
constexpr int SineSteps = 36;
// Faster timers would only burn the machine.
constexpr int MinPeriodMs = 10;

QString number(double v)
{
    return QString::number(std::round(v * 100) / 100, 'g', 12);
}

} // namespace

Simulator::Simulator(ValueStore& store, QObject* parent) : QObject(parent), m_store(store) {}

Simulator::Loaded Simulator::parse(const QStringList& lines)
{
    static const QHash<QString, SimRule::Kind> kinds = {{"ramp", SimRule::Kind::Ramp},
                                                        {"toggle", SimRule::Kind::Toggle},
                                                        {"random", SimRule::Kind::Random},
                                                        {"sine", SimRule::Kind::Sine},
                                                        {"constant", SimRule::Kind::Constant}};
    Loaded out;
    for (int n = 0; n < lines.size(); ++n) {
        const QString& line = lines[n];
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#')))
            continue;
        const QStringList f = LinkProtocol::decodeLine(line.toLatin1());
        auto refuse = [&](const QString& why) {
            out.warnings << QStringLiteral("line %1: %2").arg(n + 1).arg(why);
        };
        if (f.size() < 3) {
            refuse(QStringLiteral("needs topic, item and rule"));
            continue;
        }
        SimRule r;
        r.topic = f[0].trimmed();
        r.item = f[1].trimmed();
        const QString kind = f[2].trimmed().toLower();
        if (r.topic.isEmpty() || !kinds.contains(kind)) {
            refuse(QStringLiteral("unknown rule '%1'").arg(f[2]));
            continue;
        }
        r.kind = kinds.value(kind);
        const ItemAddress address = ItemAddress::parse(r.item);
        if (!address.valid) {
            refuse(address.error);
            continue;
        }
        if (r.kind == SimRule::Kind::Constant) {
            r.constant = f.value(3).trimmed();
            if (!address.normalize(r.constant).ok) {
                refuse(QStringLiteral("'%1' does not fit %2").arg(r.constant, r.item));
                continue;
            }
            out.rules << r;
            continue;
        }
        bool ok = false;
        r.periodMs = f.value(3).trimmed().toInt(&ok);
        if (!ok || r.periodMs < MinPeriodMs) {
            refuse(QStringLiteral("period must be %1 ms or more").arg(MinPeriodMs));
            continue;
        }
        const bool toggle = r.kind == SimRule::Kind::Toggle;
        bool okMin = true, okMax = true;
        r.min = f.size() > 4 && !f[4].trimmed().isEmpty() ? f[4].trimmed().toDouble(&okMin) : 0;
        r.max =
            f.size() > 5 && !f[5].trimmed().isEmpty() ? f[5].trimmed().toDouble(&okMax) : (toggle ? 1 : 100);
        if (!okMin || !okMax || !(r.min < r.max)) {
            refuse(QStringLiteral("min must be a number below max"));
            continue;
        }
        out.rules << r;
    }
    return out;
}

void Simulator::start(const QList<SimRule>& rules)
{
    m_rules = rules;
    m_phase = QList<int>(rules.size(), 0);
    for (int i = 0; i < m_rules.size(); ++i) {
        const SimRule& r = m_rules[i];
        const QString first = r.kind == SimRule::Kind::Constant ? r.constant
                              : r.kind == SimRule::Kind::Sine   ? number((r.min + r.max) / 2)
                                                                : number(r.min);
        (void)m_store.write(r.topic, r.item, first, ValueStore::Announce::OnChange);
        if (r.kind == SimRule::Kind::Constant)
            continue;
        auto* timer = new QTimer(this);
        timer->setInterval(r.periodMs);
        connect(timer, &QTimer::timeout, this, [this, i] { step(i); });
        timer->start();
        m_timers << timer;
    }
}

void Simulator::step(int i)
{
    if (i < 0 || i >= m_rules.size())
        return;
    const SimRule& r = m_rules[i];
    bool numeric = false;
    const double current = m_store.read(r.topic, r.item).toDouble(&numeric);
    double next = r.min;
    switch (r.kind) {
    case SimRule::Kind::Ramp:
        // Continues from whatever was last written, so a poke moves the ramp.
        next = numeric && current >= r.min && current + 1 <= r.max ? current + 1 : r.min;
        break;
    case SimRule::Kind::Toggle:
        next = numeric && current == r.min ? r.max : r.min;
        break;
    case SimRule::Kind::Random:
        next = r.min + QRandomGenerator::global()->bounded(r.max - r.min);
        break;
    case SimRule::Kind::Sine:
        m_phase[i] = (m_phase[i] + 1) % SineSteps;
        next = (r.min + r.max) / 2 +
               (r.max - r.min) / 2 * std::sin(2 * std::numbers::pi * m_phase[i] / SineSteps);
        break;
    case SimRule::Kind::Constant:
        return;
    }
    (void)m_store.write(r.topic, r.item, number(next), ValueStore::Announce::OnChange);
}
