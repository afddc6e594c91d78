#include "NodeCollection.h"

QString NodeCollection::fullPath(int index) const
{
    QString path = text(index);
    for (int p = parent(index); p > 0; p = parent(p))
        path = text(p) + PathSeparator + path;
    return path;
}

QString NodeCollection::parentKey(int index) const
{
    const int p = parent(index);
    return p > 0 ? key(p) : QString();
}

bool NodeCollection::isWithin(int index, int ancestor) const
{
    for (int i = index; i > 0; i = parent(i))
        if (i == ancestor)
            return true;
    return false;
}

int NodeCollection::depth(int index) const
{
    int level = 0;
    for (int i = index; i > 0; i = parent(i))
        ++level;
    return level;
}

Status NodeCollection::checkDepth(const QString& parentKey) const
{
    if (depth(indexOf(parentKey)) < MaxDepth)
        return {};
    return RunError::of(ErrNo::Overflow, QStringLiteral("Overflow: nested more than %1 levels deep").arg(MaxDepth));
}
