#include "KeyIndex.h"

// Fibonacci hashing: consecutive keys, the usual case, spread evenly.
size_t KeyIndex::home(qint64 key) const
{
    return size_t((quint64(key) * 0x9E3779B97F4A7C15ULL) >> m_shift);
}

// Where the key is, or the free place where its search ends.
size_t KeyIndex::placeOf(qint64 key) const
{
    const size_t mask = m_places.size() - 1;
    size_t place = home(key);
    while (m_places[place] != 0 && m_keyOf(m_nodes, m_places[place]) != key)
        place = (place + 1) & mask;
    return place;
}

quint32 KeyIndex::find(qint64 key) const
{
    return m_places.empty() ? 0 : m_places[placeOf(key)];
}

void KeyIndex::insert(qint64 key, quint32 slot)
{
    if (2 * (m_count + 1) > m_places.size())
        grow();
    m_places[placeOf(key)] = slot;
    ++m_count;
}

void KeyIndex::grow()
{
    std::vector<quint32> old(m_places.empty() ? 16 : 2 * m_places.size(), 0);
    old.swap(m_places);
    m_shift = 64;
    for (size_t size = m_places.size(); size > 1; size /= 2)
        --m_shift;
    for (const quint32 slot : old)
        if (slot != 0)
            m_places[placeOf(m_keyOf(m_nodes, slot))] = slot;
}

// The places after the removed one that the search would no longer reach
// are moved up into the gap.
void KeyIndex::remove(qint64 key)
{
    if (m_places.empty())
        return;
    const size_t mask = m_places.size() - 1;
    size_t gap = placeOf(key);
    if (m_places[gap] == 0)
        return;
    for (size_t next = (gap + 1) & mask; m_places[next] != 0; next = (next + 1) & mask) {
        const size_t wanted = home(m_keyOf(m_nodes, m_places[next]));
        // Whether `wanted` lies cyclically in (gap, next]: then it stays.
        const bool stays
            = gap < next ? (wanted > gap && wanted <= next) : (wanted > gap || wanted <= next);
        if (!stays) {
            m_places[gap] = m_places[next];
            gap = next;
        }
    }
    m_places[gap] = 0;
    --m_count;
}

void KeyIndex::clear()
{
    m_places = {};
    m_count = 0;
    m_shift = 64;
}
