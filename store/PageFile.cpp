#include "PageFile.h"

#include "DamagedFile.h"
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

QString flag(bool value) { return value ? QStringLiteral("1") : QStringLiteral("0"); }

// Fills the table from the page file's lines; stops at the first line it cannot take, keeping those before it.
Status readTopics(const QStringList& lines)
{
    if (lines.size() > MaxTopics)
        return RunError::of(ErrNo::Overflow).inFile(CurrentPageFile, MaxTopics + 1);
    if (lines.isEmpty())
        return {};
    Topics.assign(static_cast<size_t>(lines.size()), TopicRecord{});
    for (const QString& line : lines) {
        FileIO::Parse_Line(line);
        const auto topic = Topic_FromFields(FileIO::ParsedFields);
        if (!topic)
            return topic.error().inFile(CurrentPageFile, TopicCount + 1);
        Topics[static_cast<size_t>(TopicCount)] = *topic;
        ++TopicCount;
    }
    return {};
}

} // namespace

bool PageFile_Read()
{
    resetTable();
    if (CurrentPageFile.isEmpty())
        return true;
    const auto lines = TextFile::readLines(CurrentPageFile);
    const int number = lines ? 0 : lines.error().number;
    // The root page owns no file; neither does a page whose folder is gone.
    if (number == ErrNo::FileNotFound || number == ErrNo::PathNotFound) {
        DamagedFile::Release(CurrentPageFile);
        return true;
    }
    const Status read = lines ? readTopics(*lines) : Status(lines.error().inFile(CurrentPageFile));
    if (read) {
        DamagedFile::Release(CurrentPageFile);
        return true;
    }
    Messages::report(QStringLiteral("PageFile_Read"), read.error());
    DamagedFile::Keep(CurrentPageFile);
    return false;
}

bool PageFile_Add(const MarkedRows& grid, const QString& ddeTopic, const QString& programScope,
                  const RowLabeller& label)
{
    const QString name = QStringLiteral("PageFile_Add");
    QStringList added;
    for (int row = 1; row < grid.rowCount(); ++row) {
        if (grid.cell(row, 0) != MarkedRow)
            continue;
        const QString tag = grid.cell(row, 2);
        const QString specifier =
            programScope.isEmpty() ? tag : QStringLiteral("Program:") + programScope + QLatin1Char('.') + tag;
        const RowLabel shown = label ? label(row) : RowLabel{grid.cell(row, 3)};
        added << FileIO::Join_Fields({LinkApplication + ddeTopic, specifier, shown.description, flag(true),
                                      flag(true), flag(shown.isBool)});
    }
    if (added.isEmpty())
        return true;
    if (CurrentPageFile.isEmpty())
        return fail(name, RunError::of(ErrNo::BadFileName));

    // The page is rewritten whole with the new lines after the old ones, so a failed write leaves it as it was.
    QStringList lines;
    if (const auto old = TextFile::readLines(CurrentPageFile))
        lines = *old;
    else if (old.error().number != ErrNo::FileNotFound)
        return fail(name, old.error().inFile(CurrentPageFile));
    // A page beyond the table's limit could no longer be read, so it is refused before writing.
    if (lines.size() + added.size() > MaxTopics)
        return fail(name, RunError::of(ErrNo::Overflow).inFile(CurrentPageFile));
    if (const Status written = TextFile::writeLines(CurrentPageFile, lines + added); !written)
        return fail(name, written.error().withNote(QStringLiteral("nothing was added")).inFile(CurrentPageFile));
    return true;
}

bool PageFile_Remove(const MarkedRows& grid)
{
    const QString name = QStringLiteral("PageFile_Remove");
    const auto lines = TextFile::readLines(CurrentPageFile);
    if (!lines)
        return fail(name, lines.error().inFile(CurrentPageFile));
    if (lines->isEmpty())
        return true;

    QStringList kept;
    for (int i = 0; i < lines->size(); ++i) {
        // A grid shorter than the file cannot say which lines to keep: the file stays as it was.
        if (i + 1 >= grid.rowCount())
            return fail(name, RunError::of(ErrNo::SubscriptOutOfRange).inFile(CurrentPageFile, i + 1));
        if (grid.cell(i + 1, 0) == UnmarkedRow)
            kept << lines->at(i);
    }
    if (const Status written = TextFile::writeLines(CurrentPageFile, kept); !written)
        return fail(name, written.error().inFile(CurrentPageFile));
    return true;
}

bool PageFile_Update()
{
    const QString name = QStringLiteral("PageFile_Update");
    if (CurrentPageFile.isEmpty())
        return fail(name, RunError::of(ErrNo::BadFileName));
    if (const Status allowed = DamagedFile::Check_Rewrite(CurrentPageFile); !allowed)
        return fail(name, allowed.error());
    if (TopicCount < 0 || static_cast<size_t>(TopicCount) > Topics.size())
        return fail(name, RunError::of(ErrNo::SubscriptOutOfRange).inFile(CurrentPageFile));
    QStringList lines;
    for (int i = 0; i < TopicCount; ++i)
        lines << FileIO::Join_Fields(Topic_ToFields(Topics[static_cast<size_t>(i)]));
    if (const Status written = TextFile::writeLines(CurrentPageFile, lines); !written)
        return fail(name, written.error().inFile(CurrentPageFile));
    return true;
}

} // namespace DDEBuilder
