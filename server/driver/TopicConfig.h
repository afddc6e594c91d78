#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// One line of "CommTopics.txt": a topic served by a controller instead of the simulation.
struct TopicConfig {
    enum class Driver { Logix, Slc500, MicroLogix, Plc5, Micro800, Sim };
    QString topic;
    Driver driver = Driver::Sim;
    QString host;
    quint16 port = 44818;
    QString path; // "1,0": backplane, slot 0
    int intervalMs = 250;
    int timeoutMs = 2000;
    int line = 0; // of the topics file, from 1

    // "PLC1: Logix at 10.0.0.5:44818, path 1,0, polled every 250 ms, time-out 2000 ms".
    QString describe() const;

    bool usesPccc() const
    {
        return driver == Driver::Slc500 || driver == Driver::MicroLogix || driver == Driver::Plc5;
    }

    struct Refusal {
        int line = 0;
        QString topic; // empty when the line names none
        QString why;
        QString text() const { return QStringLiteral("line %1: %2").arg(line).arg(why); }
    };
    struct Loaded {
        QList<TopicConfig> topics;
        QList<Refusal> refused; // in line order
        // The first refusal of each topic a refused line names, by upper-case name: such a topic is
        // neither simulated nor served, since nobody can tell which controller was meant.
        QHash<QString, Refusal> refusedTopics;
    };
    // Field lines: topic, driver, host, port, path, interval ms, time-out ms. Blank and '#' lines are
    // skipped. A line naming a topic that another line refuses is refused too.
    static Loaded parse(const QStringList& lines);
};
