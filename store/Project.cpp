#include "Project.h"

#include "FileIO.h"
#include "FileList.h"
#include "PageStructure.h"
#include "TextFile.h"

#include <vector>

namespace Project {

namespace {

const QString PageFileSuffix = QStringLiteral(".txt");

RunError badPageKey(const QString& key)
{
    QString shown = key.left(60);
    for (QChar& c : shown)
        if (c.unicode() < 32)
            c = QLatin1Char(' ');
    QString description = QStringLiteral("Bad file name or number (page key \"%1\"").arg(shown.trimmed());
    // The older format carries further fields after the key.
    if (key.contains(QLatin1Char('\t')))
        description += QStringLiteral("; an older project must be imported first");
    return RunError::of(ErrNo::BadFileName, description + QLatin1Char(')'));
}

// A "#" key names a page file: it must stay in the folder and must not stand for the page list.
bool isPageKey(const QString& key)
{
    return TextFile::isPlainFileName(key) &&
           key.compare(QStringLiteral("PageList"), Qt::CaseInsensitive) != 0;
}

struct OutputFile {
    QString name;
    QStringList lines;
};

// Splits a project into the files it unpacks to; the page list comes first.
Result<std::vector<OutputFile>> unpack(const QStringList& project)
{
    std::vector<OutputFile> files{{DDEBuilder::PageListName, {}}};
    int state = 0;
    for (const QString& line : project) {
        if (line.startsWith(BeginTopics))
            state = 1;
        if (state == 0) {
            files.back().lines << line;
        } else if (state == 1) {
            state = 2;
        } else if (line.startsWith(QLatin1Char('#'))) {
            const QString key = line.mid(1);
            if (!isPageKey(key))
                return badPageKey(key);
            files.push_back({key + PageFileSuffix, {}});
        } else {
            files.back().lines << line;
        }
    }
    return files;
}

Status removeWorkspace(const QString& folder)
{
    for (const QString& file : List_Files(folder, QStringLiteral("*.txt")))
        if (const Status removed = TextFile::remove(folder + file); !removed)
            return removed;
    return {};
}

} // namespace

bool isValidName(const QString& name) { return TextFile::isPlainFileName(name); }

Status New_Workspace(const QString& folder)
{
    if (const Status removed = removeWorkspace(folder); !removed)
        return removed;
    return TextFile::createEmpty(folder + DDEBuilder::PageListName);
}

Status SaveProject(const QString& folder, const QString& name)
{
    if (!isValidName(name))
        return Status::fail(ErrNo::BadFileName);
    const auto pageList = TextFile::readLines(folder + DDEBuilder::PageListName);
    if (!pageList)
        return pageList.error();
    QStringList project = *pageList;
    project << BeginTopics;
    for (const QString& file : List_Files(folder, QStringLiteral("*.txt"))) {
        if (!file.startsWith(QLatin1Char('S')))
            continue;
        const auto page = TextFile::readLines(folder + file);
        if (!page)
            return page.error();
        project << QLatin1Char('#') + file.left(file.size() - PageFileSuffix.size());
        project << *page;
    }
    return TextFile::writeLines(folder + name + QStringLiteral(".prj"), project);
}

Status LoadProject(const QString& folder, const QString& fileName)
{
    if (!TextFile::isPlainFileName(fileName))
        return Status::fail(ErrNo::BadFileName);
    const auto project = TextFile::readLines(folder + fileName);
    if (!project)
        return project.error();
    const auto files = unpack(*project);
    if (!files)
        return files.error();

    if (const Status removed = removeWorkspace(folder); !removed)
        return removed;
    for (const OutputFile& file : *files)
        if (const Status written = TextFile::writeLines(folder + file.name, file.lines); !written)
            return written;
    return {};
}

Status ImportProject(const QString& folder, const QString& fileName)
{
    if (!TextFile::isPlainFileName(fileName))
        return Status::fail(ErrNo::BadFileName);
    const QString path = folder + fileName;
    const auto lines = TextFile::readLines(path);
    if (!lines)
        return lines.error();
    QStringList converted;
    for (const QString& line : *lines) {
        if (line.startsWith(QLatin1Char('#'))) {
            FileIO::Parse_Line(line);
            converted << FileIO::ParsedFields.value(0);
        } else {
            converted << line + QLatin1Char('\t');
        }
    }
    // Rewritten beside the original and renamed over it, so a failure leaves the old project.
    return TextFile::writeLines(path, converted);
}

} // namespace Project
