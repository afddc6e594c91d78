#pragma once

#include "HistorySample.h"

#include <QString>

// What a trend pen shows: a value box's topic (without the application) and item, and its description.
struct TrendTopic {
    QString topic;
    QString item;
    QString description;

    history::SeriesKey key() const { return {topic.toStdString(), item.toStdString()}; }
    // "description (topic item)"; the topic and item alone where there is no description.
    QString label() const;
};
