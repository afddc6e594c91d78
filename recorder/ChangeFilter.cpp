#include "ChangeFilter.h"

#include <algorithm>
#include <cmath>

using history::Quality;
using history::Sample;

Sample sampleOfText(const QString& text, std::int64_t timeMs)
{
    Sample s;
    s.timeMs = timeMs;
    if (text.startsWith(QStringLiteral("Server error"))) {
        s.quality = Quality::ServerError;
        s.text = text.toStdString();
        return s;
    }
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (ok && std::isfinite(number)) {
        s.isNumber = true;
        s.number = number;
    } else {
        s.text = text.toStdString();
    }
    return s;
}

Sample gapSample(const QString& reason, std::int64_t timeMs)
{
    Sample s;
    s.timeMs = timeMs;
    s.quality = Quality::LinkLost;
    s.text = reason.toStdString();
    return s;
}

bool ChangeFilter::isNew(const Sample& sample) const
{
    if (!m_last || m_last->quality != sample.quality || m_last->isNumber != sample.isNumber)
        return true;
    if (sample.isNumber)
        return m_deadband > 0 ? std::abs(sample.number - m_last->number) > m_deadband
                              : sample.number != m_last->number;
    return sample.text != m_last->text;
}

std::vector<Sample> ChangeFilter::offer(const Sample& sample)
{
    std::vector<Sample> stored;
    if (m_last && m_last->quality != sample.quality) {
        if (m_held)
            stored.push_back(*std::exchange(m_held, std::nullopt));
    } else if (!isNew(sample)) {
        // Back within the deadband of what is stored: a held excursion is no longer the latest value.
        m_held.reset();
        return stored;
    } else if (m_last && sample.timeMs - m_last->timeMs < m_minIntervalMs) {
        m_held = sample;
        return stored;
    }
    m_held.reset();
    stored.push_back(sample);
    m_last = sample;
    return stored;
}

std::optional<Sample> ChangeFilter::due(std::int64_t nowMs)
{
    if (!m_held || !m_last || nowMs - m_last->timeMs < m_minIntervalMs)
        return std::nullopt;
    // Stored as the value that holds now, so stored times keep their interval.
    m_last = *std::exchange(m_held, std::nullopt);
    m_last->timeMs = nowMs;
    return m_last;
}

std::int64_t ChangeFilter::latestMs() const
{
    return std::max(m_last ? m_last->timeMs : 0, m_held ? m_held->timeMs : 0);
}
