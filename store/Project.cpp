#include "Project.h"

#include "FileIO.h"
#include "FileList.h"
#include "PageStructure.h"
#include "TextFile.h"
#include "WorkspaceSwap.h"

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

// Splits a project into the files it unpacks to; the page list comes first.
Result<std::vector<OutputFile>> unpack(const QStringList& project, const QString& path)
{
    std::vector<OutputFile> files{{DDEBuilder::PageListName, {}}};
    int state = 0;
    for (int i = 0; i < project.size(); ++i) {
        const QString& line = project[i];
        if (line.startsWith(BeginTopics))
            state = 1;
        if (state == 0) {
            files.back().lines << line;
        } else if (state == 1) {
            state = 2;
        } else if (line.startsWith(QLatin1Char('#'))) {
            const QString key = line.mid(1);
            if (!isPageKey(key))
                return badPageKey(key).inFile(path, i + 1);
            files.push_back({key + PageFileSuffix, {}});
        } else {
            files.back().lines << line;
        }
    }
    return files;
}

} // namespace

bool isValidName(const QString& name) { return TextFile::isPlainFileName(name); }

Status New_Workspace(const QString& folder) { return Replace_Workspace(folder, {{DDEBuilder::PageListName, {}}}); }

Status SaveProject(const QString& folder, const QString& name)
{
    if (!isValidName(name))
        return RunError::of(ErrNo::BadFileName).inFile(name);
    const QString listPath = folder + DDEBuilder::PageListName;
    const auto pageList = TextFile::readLines(listPath);
    if (!pageList)
        return pageList.error().inFile(listPath);
    QStringList project = *pageList;
    project << BeginTopics;
    for (const QString& file : List_Files(folder, QStringLiteral("*.txt"))) {
        if (!file.startsWith(QLatin1Char('S')))
            continue;
        const auto page = TextFile::readLines(folder + file);
        if (!page)
            return page.error().inFile(folder + file);
        project << QLatin1Char('#') + file.left(file.size() - PageFileSuffix.size());
        project << *page;
    }
    const QString path = folder + name + QStringLiteral(".prj");
    if (const Status written = TextFile::writeLines(path, project); !written)
        return written.error().inFile(path);
    return {};
}

Status LoadProject(const QString& folder, const QString& fileName)
{
    if (!TextFile::isPlainFileName(fileName))
        return RunError::of(ErrNo::BadFileName).inFile(fileName);
    const QString path = folder + fileName;
    const auto project = TextFile::readLines(path);
    if (!project)
        return project.error().inFile(path);
    const auto files = unpack(*project, path);
    if (!files)
        return files.error();
    // The page list part is read the way the page tree will read it: a list read only in part would be
    // rewritten from that part by the next page edit.
    if (const Status sound = DDEBuilder::PageList_Check(files->front().lines, path); !sound)
        return sound;
    return Replace_Workspace(folder, *files);
}

Status ImportProject(const QString& folder, const QString& fileName)
{
    if (!TextFile::isPlainFileName(fileName))
        return RunError::of(ErrNo::BadFileName).inFile(fileName);
    const QString path = folder + fileName;
    const auto lines = TextFile::readLines(path);
    if (!lines)
        return lines.error().inFile(path);
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
    if (const Status written = TextFile::writeLines(path, converted); !written)
        return written.error().inFile(path);
    return {};
}

} // namespace Project
