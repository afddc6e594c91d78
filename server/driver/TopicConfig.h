#pragma once

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

    bool usesPccc() const
    {
        return driver == Driver::Slc500 || driver == Driver::MicroLogix || driver == Driver::Plc5;
    }

    struct Loaded {
        QList<TopicConfig> topics;
        QStringList warnings; // refused lines, with their line numbers
    };
    // Field lines: topic, driver, host, port, path, interval ms, time-out ms. Blank and '#' lines are
    // skipped.
    static Loaded parse(const QStringList& lines);
};
