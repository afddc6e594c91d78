#include "NodeList.h"

#include <algorithm>

Status NodeList::addNode(const QString& parentKey, const QString& key, const QString& text, const QString& image,
                         const QString& selectedImage)
{
    Node* parentNode = nullptr;
    if (!parentKey.isEmpty()) {
        parentNode = m_byKey.value(parentKey, nullptr);
        if (!parentNode)
            return Status::fail(ErrNo::ElementNotFound);
    }
    if (!key.isEmpty() && m_byKey.contains(key))
        return Status::fail(ErrNo::KeyNotUnique);
    auto node = std::make_unique<Node>();
    node->key = key;
    node->text = text;
    node->image = image;
    node->selectedImage = selectedImage;
    node->parent = parentNode;
    node->pos = count();
    if (!key.isEmpty())
        m_byKey.insert(key, node.get());
    m_nodes.push_back(std::move(node));
    return {};
}

int NodeList::indexOf(const QString& key) const
{
    const Node* node = m_byKey.value(key, nullptr);
    return node ? node->pos + 1 : 0;
}

int NodeList::parent(int index) const
{
    const Node* p = at(index).parent;
    return p ? p->pos + 1 : 0;
}

int NodeList::selectedIndex() const { return m_selected ? m_selected->pos + 1 : 0; }

void NodeList::select(int index) { m_selected = index > 0 && index <= count() ? &at(index) : nullptr; }

std::vector<int> NodeList::removeWithin(int index)
{
    if (index < 1 || index > count())
        return {};
    // Descendants stand after their ancestor and their parent before them, so one pass over the tail marks
    // them all: a node goes when its parent goes.
    const auto first = static_cast<size_t>(index - 1);
    m_nodes[first]->pos = -1;
    for (size_t i = first + 1; i < m_nodes.size(); ++i)
        if (const Node* p = m_nodes[i]->parent; p && p->pos < 0)
            m_nodes[i]->pos = -1;
    std::vector<int> removed;
    for (size_t i = m_nodes.size(); i-- > first;) {
        Node* node = m_nodes[i].get();
        if (node->pos >= 0)
            continue;
        removed.push_back(static_cast<int>(i) + 1);
        if (!node->key.isEmpty())
            m_byKey.remove(node->key);
        if (m_selected == node)
            m_selected = nullptr;
    }
    m_nodes.erase(std::remove_if(m_nodes.begin() + static_cast<std::ptrdiff_t>(first), m_nodes.end(),
                                 [](const std::unique_ptr<Node>& n) { return n->pos < 0; }),
                  m_nodes.end());
    for (size_t i = first; i < m_nodes.size(); ++i)
        m_nodes[i]->pos = static_cast<int>(i);
    return removed;
}

void NodeList::clear()
{
    m_selected = nullptr;
    m_byKey.clear();
    m_nodes.clear();
}
