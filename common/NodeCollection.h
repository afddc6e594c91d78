#pragma once

#include "RunError.h"

#include <QString>

// A tree of keyed nodes addressed by index 1..count in insertion order, so a parent always precedes its
// children. The page tree, the PLC list and the tag trees are written through this, in windows and in tests.
class NodeCollection {
public:
    virtual ~NodeCollection() = default;

    // Adds a child of the node keyed parentKey (a root when parentKey is empty).
    // Fails with "Element not found" for an unknown parent and "Key is not unique" for a repeated key.
    virtual Status addNode(const QString& parentKey, const QString& key, const QString& text,
                           const QString& image, const QString& selectedImage) = 0;
    virtual int count() const = 0;
    // Index of the node with this key, 0 when there is none.
    virtual int indexOf(const QString& key) const = 0;

    virtual QString key(int index) const = 0;
    virtual QString text(int index) const = 0;
    virtual QString tag(int index) const = 0;
    virtual QString image(int index) const = 0;
    // Index of the parent, 0 for a root.
    virtual int parent(int index) const = 0;

    virtual void setText(int index, const QString& text) = 0;
    virtual void setTag(int index, const QString& tag) = 0;

    // 0 when nothing is selected.
    virtual int selectedIndex() const = 0;
    virtual void select(int index) = 0;
    virtual void ensureVisible(int index) = 0;

    // Removes the node and everything below it.
    virtual void removeNode(int index) = 0;

    // Texts from the root down, joined by the path separator.
    QString fullPath(int index) const;
    QString parentKey(int index) const;
    // True when index is ancestor or the node itself.
    bool isWithin(int index, int ancestor) const;
    // Level of a node: 1 for a root.
    int depth(int index) const;
    // Fails with "Overflow" when a child of the node keyed parentKey would stand deeper than MaxDepth. Trees read
    // from files check this: the tree view lays out and frees its items recursively, so a hostile file could
    // otherwise overflow the stack.
    Status checkDepth(const QString& parentKey) const;
    // The node added last, or 0 for an empty tree.
    int last() const { return count(); }

    static constexpr QChar PathSeparator = QLatin1Char('\\');
    static constexpr int MaxDepth = 100;
};
