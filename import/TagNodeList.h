#pragma once

#include "NodeCollection.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QStringList>

#include <vector>

// The node collection the converter imports into. The imports build a node's key and text, and often its
// tag, from its parent's, so with many parts per address these strings grow with the square of the parts
// while the export does not. Each is kept here as the parent's string followed by the rest, so the tree
// costs memory in proportion to the export, not to the structure file written from it.
class TagNodeList : public NodeCollection {
public:
    TagNodeList();

    Status addNode(const QString& parentKey, const QString& key, const QString& text, const QString& image,
                   const QString& selectedImage) override;
    int count() const override { return static_cast<int>(m_nodes.size()); }
    int indexOf(const QString& key) const override;

    QString key(int index) const override { return stringOf(at(index).key); }
    QString text(int index) const override { return stringOf(at(index).text); }
    QString tag(int index) const override { return stringOf(at(index).tag); }
    QString image(int index) const override { return m_images.at(at(index).image); }
    int parent(int index) const override { return at(index).parent; }

    void setText(int index, const QString& text) override;
    void setTag(int index, const QString& tag) override;

    int selectedIndex() const override { return m_selected; }
    void select(int index) override { m_selected = index > 0 && index <= count() ? index : 0; }
    void ensureVisible(int) override {}

    // Linear in the nodes removed when they are the last ones (as when emptying from the last root),
    // otherwise in the whole tree.
    void removeNode(int index) override;

private:
    // A string: piece base's string (none when -1) followed by the arena's bytes from offset, length in all.
    struct Piece {
        qint64 offset;
        qint32 base;
        qint32 length;
    };
    struct Node {
        qint32 parent;
        qint32 key, text, tag;
        quint32 hash;
        qint32 image;
    };

    Node& at(int index) { return m_nodes.at(static_cast<size_t>(index - 1)); }
    const Node& at(int index) const { return m_nodes.at(static_cast<size_t>(index - 1)); }
    qint32 store(const QString& value, qint32 base);
    QByteArray bytesOf(qint32 piece) const;
    QString stringOf(qint32 piece) const { return QString::fromUtf8(bytesOf(piece)); }
    // True when the piece's string is these bytes; compared in place.
    bool equals(qint32 piece, QByteArrayView bytes) const;
    qint32 imageOf(const QString& image);

    // Open addressing by key hash: slot holds a node index, 0 when free.
    int find(const QByteArray& key, quint32 hash) const;
    void insertSlot(int index);
    void eraseSlot(int index);
    void rebuildSlots();

    std::vector<Piece> m_pieces;
    QByteArray m_arena;
    std::vector<Node> m_nodes;
    std::vector<qint32> m_slots;
    QStringList m_images;
    QHash<QString, qint32> m_imageIndex;
    int m_selected = 0;
};
