#include "TagNodeList.h"

#include <algorithm>

namespace {

constexpr qint32 EmptyPiece = 0;

quint32 hashOf(const QByteArray& key) {
    return static_cast<quint32>(qHash(key));
}

} // namespace

TagNodeList::TagNodeList() {
    m_pieces.push_back({0, -1, 0});
}

Status TagNodeList::addNode(const QString& parentKey, const QString& key, const QString& text,
                            const QString& image, const QString& selectedImage) {
    int parentIndex = 0;
    if (!parentKey.isEmpty()) {
        const QByteArray bytes = parentKey.toUtf8();
        parentIndex = find(bytes, hashOf(bytes));
        if (parentIndex == 0)
            return Status::fail(ErrNo::ElementNotFound);
    }
    const QByteArray keyBytes = key.toUtf8();
    const quint32 hash = hashOf(keyBytes);
    if (!key.isEmpty() && find(keyBytes, hash) != 0)
        return Status::fail(ErrNo::KeyNotUnique);
    const Node* parentNode = parentIndex ? &at(parentIndex) : nullptr;
    Node node{parentIndex,
              store(key, parentNode ? parentNode->key : -1),
              store(text, parentNode ? parentNode->text : -1),
              EmptyPiece,
              hash,
              imageOf(image)};
    // Nothing reads a selected image through the collection, so it is not kept.
    Q_UNUSED(selectedImage);
    m_nodes.push_back(node);
    if (!key.isEmpty())
        insertSlot(count());
    return {};
}

int TagNodeList::indexOf(const QString& key) const {
    const QByteArray bytes = key.toUtf8();
    return key.isEmpty() ? 0 : find(bytes, hashOf(bytes));
}

void TagNodeList::setText(int index, const QString& text) {
    const int p = at(index).parent;
    at(index).text = store(text, p ? at(p).text : -1);
}

void TagNodeList::setTag(int index, const QString& tag) {
    const int p = at(index).parent;
    at(index).tag = store(tag, p ? at(p).tag : -1);
}

qint32 TagNodeList::store(const QString& value, qint32 base) {
    if (value.isEmpty())
        return EmptyPiece;
    const QByteArray bytes = value.toUtf8();
    qsizetype shared = 0;
    if (base > EmptyPiece && m_pieces[size_t(base)].length <= bytes.size() &&
        equals(base, QByteArrayView(bytes).first(m_pieces[size_t(base)].length)))
        shared = m_pieces[size_t(base)].length;
    else
        base = -1;
    m_pieces.push_back({m_arena.size(), base, static_cast<qint32>(bytes.size())});
    m_arena.append(bytes.constData() + shared, bytes.size() - shared);
    return static_cast<qint32>(m_pieces.size() - 1);
}

QByteArray TagNodeList::bytesOf(qint32 piece) const {
    // Strings of pieces are never changed, so a piece's string stays what it was when stored.
    QByteArray out(m_pieces[size_t(piece)].length, Qt::Uninitialized);
    for (qint32 p = piece; p >= 0; p = m_pieces[size_t(p)].base) {
        const Piece& part = m_pieces[size_t(p)];
        const qint32 from = part.base >= 0 ? m_pieces[size_t(part.base)].length : 0;
        std::copy_n(m_arena.constData() + part.offset, part.length - from, out.data() + from);
    }
    return out;
}

bool TagNodeList::equals(qint32 piece, QByteArrayView bytes) const {
    if (m_pieces[size_t(piece)].length != bytes.size())
        return false;
    for (qint32 p = piece; p >= 0; p = m_pieces[size_t(p)].base) {
        const Piece& part = m_pieces[size_t(p)];
        const qint32 from = part.base >= 0 ? m_pieces[size_t(part.base)].length : 0;
        if (QByteArrayView(m_arena.constData() + part.offset, part.length - from) !=
            bytes.sliced(from, part.length - from))
            return false;
    }
    return true;
}

qint32 TagNodeList::imageOf(const QString& image) {
    const auto found = m_imageIndex.constFind(image);
    if (found != m_imageIndex.constEnd())
        return found.value();
    m_images << image;
    return m_imageIndex[image] = static_cast<qint32>(m_images.size() - 1);
}

int TagNodeList::find(const QByteArray& key, quint32 hash) const {
    if (m_slots.empty())
        return 0;
    const size_t mask = m_slots.size() - 1;
    for (size_t s = hash & mask; m_slots[s] != 0; s = (s + 1) & mask) {
        const Node& node = at(m_slots[s]);
        if (node.hash == hash && equals(node.key, key))
            return m_slots[s];
    }
    return 0;
}

void TagNodeList::insertSlot(int index) {
    if (m_nodes.size() * 2 > m_slots.size()) {
        rebuildSlots();
        return;
    }
    const size_t mask = m_slots.size() - 1;
    size_t s = at(index).hash & mask;
    while (m_slots[s] != 0)
        s = (s + 1) & mask;
    m_slots[s] = index;
}

void TagNodeList::eraseSlot(int index) {
    const size_t mask = m_slots.size() - 1;
    size_t s = at(index).hash & mask;
    while (m_slots[s] != index)
        s = (s + 1) & mask;
    // Moves back every later entry of the run that would no longer be found past the gap.
    for (size_t next = (s + 1) & mask; m_slots[next] != 0; next = (next + 1) & mask) {
        const size_t home = at(m_slots[next]).hash & mask;
        if (((next - home) & mask) >= ((next - s) & mask)) {
            m_slots[s] = m_slots[next];
            s = next;
        }
    }
    m_slots[s] = 0;
}

void TagNodeList::rebuildSlots() {
    size_t size = 16;
    while (size < m_nodes.size() * 2 + 2)
        size *= 2;
    m_slots.assign(size, 0);
    const size_t mask = size - 1;
    for (int i = 1; i <= count(); ++i) {
        if (at(i).key == EmptyPiece)
            continue;
        size_t s = at(i).hash & mask;
        while (m_slots[s] != 0)
            s = (s + 1) & mask;
        m_slots[s] = i;
    }
}

void TagNodeList::removeNode(int index) {
    if (index < 1 || index > count())
        return;
    // Descendants stand after their ancestor, so one pass from it marks them: a node goes with its parent.
    std::vector<bool> gone(m_nodes.size() - size_t(index - 1), false);
    gone[0] = true;
    bool tail = true;
    for (int i = index + 1; i <= count(); ++i) {
        const int p = at(i).parent;
        gone[size_t(i - index)] = p >= index && gone[size_t(p - index)];
        tail = tail && gone[size_t(i - index)];
    }
    if (tail) {
        for (int i = count(); i >= index; --i)
            if (at(i).key != EmptyPiece)
                eraseSlot(i);
        m_nodes.resize(size_t(index - 1));
        if (m_selected >= index)
            m_selected = 0;
        // Strings are kept until the tree is empty: a later node may have been built on any of them.
        if (m_nodes.empty()) {
            m_pieces.resize(1);
            m_arena.clear();
        }
        return;
    }
    // New positions of the nodes that stay.
    std::vector<int> moved(m_nodes.size() + 1, 0);
    int kept = index - 1;
    for (int i = 1; i < index; ++i)
        moved[size_t(i)] = i;
    for (int i = index; i <= count(); ++i)
        if (!gone[size_t(i - index)])
            moved[size_t(i)] = ++kept;
    std::vector<Node> nodes;
    nodes.reserve(size_t(kept));
    for (int i = 1; i <= count(); ++i)
        if (moved[size_t(i)] != 0) {
            Node node = at(i);
            node.parent = moved[size_t(node.parent)];
            nodes.push_back(node);
        }
    m_nodes = std::move(nodes);
    m_selected = moved[size_t(m_selected)];
    rebuildSlots();
}
