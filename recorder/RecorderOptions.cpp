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

bool readNumber(const QCommandLineParser& parser, const QString& name, double& value)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    value = parser.value(name).toDouble(&ok);
    return ok && value >= 0;
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
    double retention = options.retentionDays;
    double interval = 0;
    if (!readNumber(parser, QStringLiteral("retention"), retention) ||
        !readNumber(parser, QStringLiteral("deadband"), defaults.deadband) ||
        !readNumber(parser, QStringLiteral("min-interval"), interval))
        return usage(QStringLiteral("A number is needed"));
    options.retentionDays = static_cast<int>(retention);
    defaults.minIntervalMs = static_cast<int>(interval);
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
