#include "PageFile.h"

#include "FileIO.h"
#include "Messages.h"
#include "TextFile.h"

namespace DDEBuilder {

std::vector<TopicRecord> Topics(1);
qint16 TopicCount = 0;
QString CurrentPageFile;

namespace {

const QString LinkApplication = QStringLiteral("RSLinx|");

void resetTable()
{
    Topics.assign(1, TopicRecord{});
    TopicCount = 0;
}

bool fail(const QString& name, const RunError& error)
{
    Messages::report(name, error);
    return false;
}

// A TAB or line break inside a field would shift every later field of the line.
QString field(QString text)
{
    for (QChar& c : text)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    return text;
}

QString flag(bool value) { return value ? QStringLiteral("1") : QStringLiteral("0"); }

} // namespace

bool PageFile_Read()
{
    const QString name = QStringLiteral("PageFile_Read");
    resetTable();
    if (CurrentPageFile.isEmpty())
        return true;
    const auto lines = TextFile::readLines(CurrentPageFile);
    if (!lines) {
        // The root page owns no file; neither does a page whose folder is gone.
        const int number = lines.error().number;
        return number == ErrNo::FileNotFound || number == ErrNo::PathNotFound ? true : fail(name, lines.error());
    }
    if (lines->isEmpty())
        return true;
    if (lines->size() > MaxTopics)
        return fail(name, RunError::of(ErrNo::Overflow));

    Topics.assign(static_cast<size_t>(lines->size()), TopicRecord{});
    for (const QString& line : *lines) {
        FileIO::Parse_Line(line);
        const auto topic = Topic_FromFields(FileIO::ParsedFields);
        if (!topic)
            return fail(name, topic.error());
        Topics[static_cast<size_t>(TopicCount)] = *topic;
        ++TopicCount;
    }
    return true;
}

bool PageFile_Add(const MarkedRows& grid, const QString& ddeTopic, const QString& programScope,
                  const RowLabeller& label)
{
    const QString name = QStringLiteral("PageFile_Add");
    QStringList lines;
    for (int row = 1; row < grid.rowCount(); ++row) {
        if (grid.cell(row, 0) != MarkedRow)
            continue;
        const QString tag = grid.cell(row, 2);
        const QString specifier =
            programScope.isEmpty() ? tag : QStringLiteral("Program:") + programScope + QLatin1Char('.') + tag;
        const RowLabel shown = label ? label(row) : RowLabel{grid.cell(row, 3)};
        lines << FileIO::Join_Fields({field(LinkApplication + ddeTopic), field(specifier), field(shown.description),
                                      flag(true), flag(true), flag(shown.isBool)});
    }
    if (lines.isEmpty())
        return true;
    if (CurrentPageFile.isEmpty())
        return fail(name, RunError::of(ErrNo::BadFileName));

    // A page beyond the table's limit could no longer be read, so it is refused before writing.
    int existing = 0;
    if (const auto count = TextFile::countLines(CurrentPageFile))
        existing = *count;
    else if (count.error().number != ErrNo::FileNotFound)
        return fail(name, count.error());
    if (existing + lines.size() > MaxTopics)
        return fail(name, RunError::of(ErrNo::Overflow));

    if (const Status appended = TextFile::appendLines(CurrentPageFile, lines); !appended)
        return fail(name, appended.error());
    return true;
}

bool PageFile_Remove(const MarkedRows& grid)
{
    const QString name = QStringLiteral("PageFile_Remove");
    const auto lines = TextFile::readLines(CurrentPageFile);
    if (!lines)
        return fail(name, lines.error());
    if (lines->isEmpty())
        return true;

    QStringList kept;
    for (int i = 0; i < lines->size(); ++i) {
        // A grid shorter than the file cannot say which lines to keep: the file stays as it was.
        if (i + 1 >= grid.rowCount())
            return fail(name, RunError::of(ErrNo::SubscriptOutOfRange));
        if (grid.cell(i + 1, 0) == UnmarkedRow)
            kept << lines->at(i);
    }
    if (const Status written = TextFile::writeLines(CurrentPageFile, kept); !written)
        return fail(name, written.error());
    return true;
}

bool PageFile_Update()
{
    const QString name = QStringLiteral("PageFile_Update");
    if (CurrentPageFile.isEmpty())
        return fail(name, RunError::of(ErrNo::BadFileName));
    if (TopicCount < 0 || static_cast<size_t>(TopicCount) > Topics.size())
        return fail(name, RunError::of(ErrNo::SubscriptOutOfRange));
    QStringList lines;
    for (int i = 0; i < TopicCount; ++i) {
        const TopicRecord& t = Topics[static_cast<size_t>(i)];
        QStringList fields = Topic_ToFields(t);
        for (QString& f : fields)
            f = field(f);
        lines << FileIO::Join_Fields(fields);
    }
    if (const Status written = TextFile::writeLines(CurrentPageFile, lines); !written)
        return fail(name, written.error());
    return true;
}

} // namespace DDEBuilder
