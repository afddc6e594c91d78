#pragma once

#include "RunError.h"

#include <QString>
#include <QStringList>

#include <optional>

// One topic of a page: the link topic and item of a value, its description and flags.
struct TopicRecord {
    QString DDETopic;
    QString Specifier;
    QString Description;
    bool ReadOnly = false;
    bool Protected = false;
    bool Bool = false;

    friend bool operator==(const TopicRecord&, const TopicRecord&) = default;
};

// A flag field as text: "1"/"0", True/False in any case, or any number (true when not zero).
std::optional<bool> Parse_Flag(const QString& text);

// A topic from the six fields of a page file line; fails with "Type mismatch" on a bad flag and
// "Subscript out of range" when fields are missing.
Result<TopicRecord> Topic_FromFields(const QStringList& fields);
QStringList Topic_ToFields(const TopicRecord& topic);
