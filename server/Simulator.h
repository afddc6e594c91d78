#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class ValueStore;
class QTimer;

// One line of the rules file: an item kept moving on its own, as a running process would.
struct SimRule {
    enum class Kind { Ramp, Toggle, Random, Sine, Constant };
    QString topic;
    QString item;
    Kind kind = Kind::Constant;
    int periodMs = 0;
    double min = 0;
    double max = 0;
    QString constant; // Constant: the value as written
};

// Reads the rules and drives the store from timers, one per rule.
class Simulator : public QObject {
    Q_OBJECT
public:
    explicit Simulator(ValueStore& store, QObject* parent = nullptr);

    struct Loaded {
        QList<SimRule> rules;
        QStringList warnings; // refused lines, with their line numbers
    };
    // Field lines: topic, item, rule, period in ms, optional min and max. Blank lines and '#' lines are
    // skipped.
    static Loaded parse(const QStringList& lines);

    // Sets each item's starting value and starts the timers.
    void start(const QList<SimRule>& rules);
    // One tick of rule i; the timers call it.
    void step(int i);

    const QList<SimRule>& rules() const { return m_rules; }

private:
    ValueStore& m_store;
    QList<SimRule> m_rules;
    QList<int> m_phase;
    QList<QTimer*> m_timers;
};
