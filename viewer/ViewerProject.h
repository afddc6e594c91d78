#pragma once

#include "RunError.h"
#include "TopicRecord.h"

#include <QString>

#include <vector>

class NodeCollection;

// Reading a project file the way the viewer needs it: the page tree, and one page's topic section.
namespace ViewerProject {

// Adds the root (text: the project name, tag "Main Page") and the page lines before "Begin Topics".
// Nodes read before a failure stay.
Status Read_Tree(const QString& projectFile, const QString& projectName, NodeCollection& tree);

struct PageTopics {
    std::vector<TopicRecord> Topics{TopicRecord{}};
    int TopicCount = 0;
};

// Reads the section "#" + key; protected topics are made read-only unless someone is logged on.
// Records read before a failure stay in page.
Status Read_Page(const QString& projectFile, const QString& key, bool loggedOn, PageTopics& page);

} // namespace ViewerProject
