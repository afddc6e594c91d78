#pragma once

#include "NodeList.h"

#include <QTreeWidget>

#include <vector>

// A tree view whose nodes are keyed and indexed like NodeList; keys are found through a hash.
class KeyedTree : public QTreeWidget, public NodeCollection {
    Q_OBJECT
public:
    explicit KeyedTree(QWidget* parent = nullptr);

    Status addNode(const QString& parentKey, const QString& key, const QString& text, const QString& image,
                   const QString& selectedImage) override;
    int count() const override { return m_nodes.count(); }
    int indexOf(const QString& key) const override { return m_nodes.indexOf(key); }

    QString key(int index) const override { return m_nodes.key(index); }
    QString text(int index) const override { return m_nodes.text(index); }
    QString tag(int index) const override { return m_nodes.tag(index); }
    QString image(int index) const override { return m_nodes.image(index); }
    int parent(int index) const override { return m_nodes.parent(index); }

    void setText(int index, const QString& text) override;
    void setTag(int index, const QString& tag) override { m_nodes.setTag(index, tag); }

    int selectedIndex() const override;
    void select(int index) override;
    void ensureVisible(int index) override;
    void removeNode(int index) override;
    // Removes every node and item at once. Hides QTreeWidget::clear, which would leave the nodes behind.
    void clear();

    // Index of a tree item, 0 for none.
    int indexOfItem(const QTreeWidgetItem* item) const;

Q_SIGNALS:
    // A node was clicked (index 1..count).
    void nodeClicked(int index);

private:
    void showSelectedImage(QTreeWidgetItem* current, QTreeWidgetItem* previous);

    NodeList m_nodes;
    std::vector<QTreeWidgetItem*> m_items;
};
