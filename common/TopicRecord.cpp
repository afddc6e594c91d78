#include "TopicRecord.h"

#include <cmath>

std::optional<bool> Parse_Flag(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool numeric = false;
    const double value = t.toDouble(&numeric);
    // "nan" and "inf" parse as numbers but are no flag.
    if (!numeric || !std::isfinite(value))
        return std::nullopt;
    return value != 0;
}

Result<TopicRecord> Topic_FromFields(const QStringList& fields)
{
    if (fields.size() < 6)
        return RunError::of(ErrNo::SubscriptOutOfRange);
    TopicRecord topic{fields[0], fields[1], fields[2]};
    bool* flags[] = {&topic.ReadOnly, &topic.Protected, &topic.Bool};
    for (int i = 0; i < 3; ++i) {
        const auto flag = Parse_Flag(fields[3 + i]);
        if (!flag)
            return RunError::of(ErrNo::TypeMismatch);
        *flags[i] = *flag;
    }
    return topic;
}

QStringList Topic_ToFields(const TopicRecord& topic)
{
    auto flag = [](bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); };
    return {topic.DDETopic, topic.Specifier, topic.Description, flag(topic.ReadOnly), flag(topic.Protected),
            flag(topic.Bool)};
}
