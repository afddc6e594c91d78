#include "TagTree.h"

#include "NodeCollection.h"

#include <vector>

namespace TagTree {

namespace {

const QString CrLf = QStringLiteral("\r\n");

// A root such as "RSLogix500" carries no three-digit scope index.
bool HasScope(const QString& tag) {
    return tag.size() >= 3 && tag[0].isDigit() && tag[1].isDigit() && tag[2].isDigit();
}

int Descendants(const NodeCollection& tree, int index) {
    // A parent always stands before its children, so one pass marks every node below this one; the
    // descendants need not stand together (scope roots come first, their tags after all of them).
    const int n = tree.count();
    std::vector<bool> below(size_t(n) + 1, false);
    below[size_t(index)] = true;
    int count = 0;
    for (int i = index + 1; i <= n; ++i) {
        const int parent = tree.parent(i);
        if (parent >= index && below[size_t(parent)]) {
            below[size_t(i)] = true;
            ++count;
        }
    }
    return count;
}

} // namespace

std::vector<int> Children(const NodeCollection& tree, int index) {
    // Children always stand after their parent, but not necessarily next to it: a later import step may add
    // under an earlier node, so the whole tail is looked at.
    std::vector<int> children;
    for (int i = index + 1, n = tree.count(); i <= n; ++i)
        if (tree.parent(i) == index)
            children.push_back(i);
    return children;
}

int NextSibling(const NodeCollection& tree, int index) {
    const int parent = tree.parent(index);
    for (int i = index + 1, n = tree.count(); i <= n; ++i)
        if (tree.parent(i) == parent)
            return i;
    return 0;
}

QString Detail(const QString& tag) {
    return HasScope(tag) ? tag.mid(3) : tag;
}

int ScopeOf(const QString& tag) {
    int scope = 0;
    for (const QChar c : QStringView(tag).left(3)) {
        if (!c.isDigit())
            break;
        scope = scope * 10 + c.digitValue();
    }
    return scope;
}

QString Node_Details(const NodeCollection& tree, int index) {
    if (index < 1 || index > tree.count())
        return {};
    const QString tag = tree.tag(index);
    QString text = QStringLiteral("Tag: ") + tree.text(index);
    if (!tag.isEmpty())
        text += QStringLiteral(" :: ") + Detail(tag);
    text += CrLf + QStringLiteral("Sub Elements :: ") + QString::number(Children(tree, index).size()) + CrLf;
    if (NextSibling(tree, index))
        text += QStringLiteral("Total Sub Elements :: ") + QString::number(Descendants(tree, index)) + CrLf;
    if (const int parent = tree.parent(index))
        text += QStringLiteral("Parent :: ") + tree.text(parent) + CrLf;
    return text;
}

QString Child_Details(const NodeCollection& tree, int index) {
    if (index < 1 || index > tree.count())
        return {};
    QString text = QStringLiteral("Subelements :: ") + CrLf;
    for (const int child : Children(tree, index))
        text += tree.text(child) + QStringLiteral(" :: ") + Detail(tree.tag(child)) + CrLf;
    return text;
}

} // namespace TagTree
