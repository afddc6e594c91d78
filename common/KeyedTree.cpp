#include "KeyedTree.h"

#include "TreeIcons.h"

#include <algorithm>

KeyedTree::KeyedTree(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::currentItemChanged, this, &KeyedTree::showSelectedImage);
    connect(this, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item, int) { Q_EMIT nodeClicked(indexOfItem(item)); });
}

Status KeyedTree::addNode(const QString& parentKey, const QString& key, const QString& text, const QString& image,
                          const QString& selectedImage)
{
    const Status added = m_nodes.addNode(parentKey, key, text, image, selectedImage);
    if (!added)
        return added;
    const int parentIndex = m_nodes.parent(count());
    auto* item = parentIndex > 0 ? new QTreeWidgetItem(m_items[static_cast<size_t>(parentIndex - 1)])
                                 : new QTreeWidgetItem(this);
    item->setText(0, text);
    item->setIcon(0, TreeIcons::icon(image));
    m_items.push_back(item);
    return {};
}

void KeyedTree::setText(int index, const QString& text)
{
    m_nodes.setText(index, text);
    m_items.at(static_cast<size_t>(index - 1))->setText(0, text);
}

int KeyedTree::indexOfItem(const QTreeWidgetItem* item) const
{
    const auto it = std::find(m_items.begin(), m_items.end(), item);
    return it == m_items.end() ? 0 : static_cast<int>(it - m_items.begin()) + 1;
}

int KeyedTree::selectedIndex() const { return indexOfItem(currentItem()); }

void KeyedTree::select(int index)
{
    setCurrentItem(index > 0 && index <= count() ? m_items[static_cast<size_t>(index - 1)] : nullptr);
}

void KeyedTree::ensureVisible(int index) { scrollToItem(m_items.at(static_cast<size_t>(index - 1))); }

void KeyedTree::removeNode(int index)
{
    QTreeWidgetItem* top = m_items.at(static_cast<size_t>(index - 1));
    for (int i : m_nodes.removeWithin(index))
        m_items[static_cast<size_t>(i - 1)] = nullptr;
    // One pass, not one erase per node: a large subtree would make that quadratic.
    m_items.erase(std::remove(m_items.begin() + (index - 1), m_items.end(), nullptr), m_items.end());
    delete top; // takes its child items with it
}

void KeyedTree::clear()
{
    m_nodes.clear();
    m_items.clear();
    QTreeWidget::clear();
}

void KeyedTree::showSelectedImage(QTreeWidgetItem* current, QTreeWidgetItem* previous)
{
    if (const int p = indexOfItem(previous))
        previous->setIcon(0, TreeIcons::icon(m_nodes.image(p)));
    // A node without a selected image keeps its own when selected, so the row neither goes blank nor shifts.
    if (const int c = indexOfItem(current)) {
        const QString selected = m_nodes.selectedImage(c);
        current->setIcon(0, TreeIcons::icon(selected.isEmpty() ? m_nodes.image(c) : selected));
    }
}
