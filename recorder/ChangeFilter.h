#pragma once

#include "HistorySample.h"

#include <QString>

#include <optional>
#include <vector>

// The sample a value box's text stands for at a time: a number where the text is one, a "Server error"
// with its text, else the text.
history::Sample sampleOfText(const QString& text, std::int64_t timeMs);
// The gap sample of a lost link, or of a recorder that stops.
history::Sample gapSample(const QString& reason, std::int64_t timeMs);

// Decides which changes of one series are stored: not a value equal to the last stored one, not a number
// within the deadband of it, and at most one per minimum interval; a change held back by the interval is
// stored, as the value holding then, when the interval is over, unless a later change took its place. A
// change of quality is stored at once, after a held change with its own time: the last value before a gap
// is kept, even within the interval.
class ChangeFilter {
public:
    ChangeFilter(double deadband, int minIntervalMs) : m_deadband(deadband), m_minIntervalMs(minIntervalMs) {}

    // The samples to store now.
    std::vector<history::Sample> offer(const history::Sample& sample);
    // A held change whose interval is over by nowMs.
    std::optional<history::Sample> due(std::int64_t nowMs);
    // The time of the last sample stored or held; 0 before the first.
    std::int64_t latestMs() const;
    // The last stored quality (Good before the first).
    history::Quality quality() const { return m_last ? m_last->quality : history::Quality::Good; }

private:
    bool isNew(const history::Sample& sample) const;

    double m_deadband;
    int m_minIntervalMs;
    std::optional<history::Sample> m_last;
    std::optional<history::Sample> m_held;
};
