#include "RecorderOptions.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace {

RunError usage(const QString& why)
{
    return RunError::of(ErrNo::InvalidCall,
                        why + QStringLiteral("\nUsage: HistoryRecorder [--db FILE] [--retention DAYS] [--deadband X] "
                                             "[--min-interval MS] [--progress] PROJECT.prj|LISTFILE..."));
}

QString findFile(const QString& name, const QString& appFolder)
{
    for (const QString& candidate : {name, appFolder + QStringLiteral("Struct/DDEData/") + name, appFolder + name})
        if (QFileInfo(candidate).isFile())
            return candidate;
    return name;
}

template <class T>
bool readNumber(const QCommandLineParser& parser, const QString& name, T& value)
{
    if (!parser.isSet(name))
        return true;
    const std::optional<T> number = RecorderTopics::optionNumber<T>(parser.value(name));
    if (number)
        value = *number;
    return number.has_value();
}

}  // namespace

Result<RecorderOptions> RecorderOptions::parse(const QStringList& arguments, const QString& appFolder)
{
    QCommandLineParser parser;
    parser.addOptions({{QStringLiteral("db"), QStringLiteral("SQLite file"), QStringLiteral("file")},
                       {QStringLiteral("retention"), QStringLiteral("days kept"), QStringLiteral("days")},
                       {QStringLiteral("deadband"), QStringLiteral("default deadband"), QStringLiteral("x")},
                       {QStringLiteral("min-interval"), QStringLiteral("default interval"), QStringLiteral("ms")},
                       {QStringLiteral("progress"), QStringLiteral("print committed counts")}});
    if (!parser.parse(arguments))
        return usage(parser.errorText());
    RecorderOptions options;
    RecordedTopic defaults;
    if (!readNumber(parser, QStringLiteral("retention"), options.retentionDays) ||
        !readNumber(parser, QStringLiteral("deadband"), defaults.deadband) ||
        !readNumber(parser, QStringLiteral("min-interval"), defaults.minIntervalMs))
        return usage(QStringLiteral("A number is needed"));
    options.progress = parser.isSet(QStringLiteral("progress"));
    if (parser.positionalArguments().isEmpty())
        return usage(QStringLiteral("No project or list file given"));

    if (parser.isSet(QStringLiteral("db"))) {
        options.store.path = QDir::current().absoluteFilePath(parser.value(QStringLiteral("db")));
    } else {
        auto config = history::readStoreConfig(appFolder);
        if (!config)
            return config.error();
        options.store = *config;
    }
    for (const QString& name : parser.positionalArguments()) {
        const auto topics = RecorderTopics::read(findFile(name, appFolder), defaults);
        if (!topics)
            return topics.error();
        RecorderTopics::merge(options.topics, *topics);
    }
    return options;
}
