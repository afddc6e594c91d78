#include "NodeList.h"

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
    std::vector<int> removed;
    // Descendants always stand after their ancestor.
    for (int i = count(); i >= index; --i)
        if (isWithin(i, index))
            removed.push_back(i);
    for (int i : removed) {
        Node* node = &at(i);
        if (!node->key.isEmpty())
            m_byKey.remove(node->key);
        if (m_selected == node)
            m_selected = nullptr;
        node->pos = -1;
    }
    std::erase_if(m_nodes, [](const std::unique_ptr<Node>& n) { return n->pos < 0; });
    for (int i = index - 1; i < count(); ++i)
        m_nodes[static_cast<size_t>(i)]->pos = i;
    return removed;
}
