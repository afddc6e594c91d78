#include "ViewerProject.h"

#include "FileIO.h"
#include "NodeCollection.h"
#include "TextFile.h"

namespace ViewerProject {

namespace {

bool isBeginTopics(const QString& line) { return line.left(12) == QLatin1String("Begin Topics"); }

Status addPage(NodeCollection& tree, const QString& line)
{
    if (FileIO::Parse_Line(line) < 3)
        return Status::fail(ErrNo::SubscriptOutOfRange);
    const QStringList f = FileIO::ParsedFields;
    if (const Status shallow = tree.checkDepth(f[0]); !shallow)
        return shallow;
    if (const Status added = tree.addNode(f[0], f[1], f[2], QStringLiteral("c"), QStringLiteral("o")); !added)
        return added;
    tree.setTag(tree.last(), f[3]);
    return {};
}

} // namespace

Status Read_Tree(const QString& projectFile, const QString& projectName, NodeCollection& tree)
{
    const auto lines = TextFile::readLines(projectFile);
    if (!lines)
        return lines.error().inFile(projectFile);
    if (const Status root = tree.addNode(QString(), QStringLiteral("Main"), projectName, QStringLiteral("i"),
                                         QStringLiteral("i"));
        !root)
        return root;
    tree.setTag(tree.last(), QStringLiteral("Main Page"));
    for (int i = 0; i < lines->size() && !isBeginTopics(lines->at(i)); ++i)
        if (const Status added = addPage(tree, lines->at(i)); !added)
            return added.error().inFile(projectFile, i + 1);
    return {};
}

Status Read_Page(const QString& projectFile, const QString& key, bool loggedOn, PageTopics& page)
{
    page = PageTopics{};
    const auto lines = TextFile::readLines(projectFile);
    if (!lines)
        return lines.error();
    const QString header = QStringLiteral("#") + key;
    bool inSection = false;
    for (const QString& line : *lines) {
        // The next line starting with "#" ends the section, page header or not.
        if (inSection && line.startsWith(QLatin1Char('#')))
            inSection = false;
        if (inSection) {
            FileIO::Parse_Line(line);
            auto topic = Topic_FromFields(FileIO::ParsedFields);
            if (!topic)
                return topic.error();
            TopicRecord record = *topic;
            if (!loggedOn && record.Protected)
                record.ReadOnly = true;
            page.Topics[static_cast<size_t>(page.TopicCount)] = record;
            ++page.TopicCount;
            page.Topics.emplace_back();
        }
        if (line == header)
            inSection = true;
    }
    return {};
}

} // namespace ViewerProject
