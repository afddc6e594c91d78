#include "RecorderTopics.h"

#include "FileIO.h"
#include "TextFile.h"
#include "TopicRecord.h"

#include <QSet>

namespace RecorderTopics {

namespace {

const QString BeginTopics = QStringLiteral("Begin Topics");

bool isSkipped(const QString& line) { return line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')); }

// An option field: empty keeps the default.
template <class T>
bool readOption(const QString& field, T& value)
{
    if (field.trimmed().isEmpty())
        return true;
    const std::optional<T> number = optionNumber<T>(field);
    if (number)
        value = *number;
    return number.has_value();
}

}  // namespace

Result<std::vector<RecordedTopic>> fromProject(const QStringList& lines, const QString& file,
                                               const RecordedTopic& defaults)
{
    std::vector<RecordedTopic> topics;
    qsizetype begin = 0;
    while (begin < lines.size() && !lines[begin].startsWith(BeginTopics))
        ++begin;
    if (begin == lines.size())
        return RunError::of(ErrNo::InputPastEnd, QStringLiteral("No \"Begin Topics\" line")).inFile(file);
    for (qsizetype i = begin + 1; i < lines.size(); ++i) {
        if (isSkipped(lines[i]))
            continue;
        FileIO::Parse_Line(lines[i]);
        const auto topic = Topic_FromFields(FileIO::ParsedFields);
        if (!topic)
            return topic.error().inFile(file, static_cast<int>(i + 1));
        RecordedTopic recorded = defaults;
        recorded.linkTopic = topic->DDETopic;
        recorded.item = topic->Specifier;
        topics.push_back(recorded);
    }
    return topics;
}

Result<std::vector<RecordedTopic>> fromList(const QStringList& lines, const QString& file,
                                            const RecordedTopic& defaults)
{
    std::vector<RecordedTopic> topics;
    for (int i = 0; i < lines.size(); ++i) {
        if (isSkipped(lines[i]))
            continue;
        FileIO::Parse_Line(lines[i]);
        const QStringList& f = FileIO::ParsedFields;
        RecordedTopic recorded = defaults;
        recorded.linkTopic = f.value(0).trimmed();
        recorded.item = f.value(1).trimmed();
        if (recorded.linkTopic.isEmpty() || recorded.item.isEmpty())
            return RunError::of(ErrNo::SubscriptOutOfRange, QStringLiteral("A topic and an item are needed"))
                .inFile(file, i + 1);
        if (!readOption(f.value(2), recorded.deadband) || !readOption(f.value(3), recorded.minIntervalMs))
            return RunError::of(ErrNo::TypeMismatch, QStringLiteral("Bad deadband or interval")).inFile(file, i + 1);
        topics.push_back(recorded);
    }
    return topics;
}

Result<std::vector<RecordedTopic>> read(const QString& path, const RecordedTopic& defaults)
{
    const auto lines = TextFile::readLines(path);
    if (!lines)
        return lines.error().inFile(path);
    if (path.endsWith(QStringLiteral(".prj"), Qt::CaseInsensitive))
        return fromProject(*lines, path, defaults);
    return fromList(*lines, path, defaults);
}

void merge(std::vector<RecordedTopic>& all, const std::vector<RecordedTopic>& more)
{
    QSet<QString> seen;
    const auto keyOf = [](const RecordedTopic& t) { return t.linkTopic.toLower() + QLatin1Char('\t') + t.item; };
    for (const RecordedTopic& t : all)
        seen.insert(keyOf(t));
    for (const RecordedTopic& t : more)
        if (!seen.contains(keyOf(t))) {
            seen.insert(keyOf(t));
            all.push_back(t);
        }
}

}  // namespace RecorderTopics
