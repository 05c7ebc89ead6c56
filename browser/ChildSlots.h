#pragma once

#include <QtGlobal>

#include <memory>
#include <vector>

// A node's children, by the slots of their records, in order. Most nodes of
// a large tree are accounts without children, and hold nothing but a null
// pointer here.
class ChildSlots {
public:
    size_t size() const { return m_slots ? m_slots->size() : 0; }
    quint32 operator[](size_t row) const { return (*m_slots)[row]; }
    const quint32 *begin() const { return m_slots ? m_slots->data() : nullptr; }
    const quint32 *end() const { return m_slots ? m_slots->data() + m_slots->size() : nullptr; }

    void insert(size_t row, quint32 slot)
    {
        if (!m_slots)
            m_slots = std::make_unique<std::vector<quint32>>();
        m_slots->insert(m_slots->begin() + qsizetype(row), slot);
    }
    void erase(size_t row)
    {
        m_slots->erase(m_slots->begin() + qsizetype(row));
        if (m_slots->empty())
            m_slots.reset();
    }
    void clear() { m_slots.reset(); }

private:
    std::unique_ptr<std::vector<quint32>> m_slots;
};
