#pragma once

#include <QtGlobal>

#include <vector>

// The nodes of a tree by their whole-number keys: the nodes' slots in a table
// of open addressing, four bytes a place and at least half of the places
// free, the keys read from the nodes themselves. A general hash table keeps
// a copy of every key beside its value and grows in larger steps: for a
// tree of a hundred thousand rows the difference is a tenth of its memory.
class KeyIndex {
public:
    // The key of the node in the slot.
    using KeyOf = qint64 (*)(const void *nodes, quint32 slot);

    KeyIndex(KeyOf keyOf, const void *nodes)
        : m_keyOf(keyOf)
        , m_nodes(nodes)
    {
    }

    // The slot of the node with the key, or 0 (no node has slot 0).
    quint32 find(qint64 key) const;
    // The key must not be there yet.
    void insert(qint64 key, quint32 slot);
    void remove(qint64 key);
    void clear();

private:
    size_t home(qint64 key) const;
    size_t placeOf(qint64 key) const;
    void grow();

    KeyOf m_keyOf;
    const void *m_nodes;
    std::vector<quint32> m_places;
    size_t m_count = 0;
    int m_shift = 64;
};
