#pragma once

#include "NodeCollection.h"

#include <QHash>

#include <memory>
#include <vector>

// The plain-data node collection: what tests, the converter and the tree widget keep their nodes in.
class NodeList : public NodeCollection {
public:
    Status addNode(const QString& parentKey, const QString& key, const QString& text, const QString& image,
                   const QString& selectedImage) override;
    int count() const override { return static_cast<int>(m_nodes.size()); }
    int indexOf(const QString& key) const override;

    QString key(int index) const override { return at(index).key; }
    QString text(int index) const override { return at(index).text; }
    QString tag(int index) const override { return at(index).tag; }
    QString image(int index) const override { return at(index).image; }
    QString selectedImage(int index) const { return at(index).selectedImage; }
    int parent(int index) const override;

    void setText(int index, const QString& text) override { at(index).text = text; }
    void setTag(int index, const QString& tag) override { at(index).tag = tag; }

    int selectedIndex() const override;
    void select(int index) override;
    void ensureVisible(int) override {}

    void removeNode(int index) override { removeWithin(index); }
    // Removes the node and its descendants; returns their indices, highest first. Linear in the nodes from
    // index on, so removing from the last node down is linear for the whole tree.
    std::vector<int> removeWithin(int index);
    // Removes every node at once.
    void clear();

private:
    struct Node {
        QString key, text, tag, image, selectedImage;
        Node* parent = nullptr;
        int pos = 0;
    };

    Node& at(int index) { return *m_nodes.at(static_cast<size_t>(index - 1)); }
    const Node& at(int index) const { return *m_nodes.at(static_cast<size_t>(index - 1)); }

    std::vector<std::unique_ptr<Node>> m_nodes;
    QHash<QString, Node*> m_byKey;
    Node* m_selected = nullptr;
};
