// Prints what the Linux build reads from the history of an application folder, through the same reader the
// trend windows use, so the Wine test can compare it with what the DDE test server served.
//
// Usage: history_readback APP_FOLDER TOPIC ITEM [TOPIC ITEM]...
// One line per sample: topic TAB item TAB time in ms TAB quality (good, link lost, server error) TAB value.

#include "HistoryAccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <limits>

namespace {

const char* qualityName(history::Quality quality)
{
    switch (quality) {
    case history::Quality::Good:
        return "good";
    case history::Quality::LinkLost:
        return "link lost";
    case history::Quality::ServerError:
        return "server error";
    }
    return "unknown";
}

void print(const history::SeriesKey& key, const history::Sample& sample)
{
    const QString value = sample.isNumber ? QString::number(sample.number) : QString::fromStdString(sample.text);
    std::printf("%s\t%s\t%lld\t%s\t%s\n", key.topic.c_str(), key.item.c_str(),
                static_cast<long long>(sample.timeMs), qualityName(sample.quality), qPrintable(value));
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "Usage: history_readback APP_FOLDER TOPIC ITEM [TOPIC ITEM]...\n");
        return 2;
    }
    const auto reader = history::openHistoryReader(QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + '/');
    if (!reader) {
        std::fprintf(stderr, "history_readback: no history in %s\n", argv[1]);
        return 1;
    }
    for (int i = 2; i < argc; i += 2) {
        const history::SeriesKey key{argv[i], argv[i + 1]};
        for (const auto& sample : reader->samples(key, 0, std::numeric_limits<std::int64_t>::max()))
            print(key, sample);
    }
    return 0;
}
