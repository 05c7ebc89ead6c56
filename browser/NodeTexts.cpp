#include "NodeTexts.h"

#include <algorithm>

const char16_t *NodeTexts::keep(QStringView text)
{
    const qsizetype size = text.size();
    if (size == 0)
        return nullptr;
    char16_t *copy = nullptr;
    if (size > longText) {
        auto own = std::make_unique<char16_t[]>(size_t(size));
        copy = own.get();
        m_long.emplace(copy, std::move(own));
    } else {
        if (m_left < size) {
            m_blocks.push_back(std::make_unique<char16_t[]>(blockSize));
            m_next = m_blocks.back().get();
            m_left = blockSize;
        }
        copy = m_next;
        m_next += size;
        m_left -= size;
    }
    std::copy_n(text.utf16(), size, copy);
    return copy;
}

void NodeTexts::release(const char16_t *kept)
{
    if (kept)
        m_long.erase(kept);
}

void NodeTexts::clear()
{
    m_blocks.clear();
    m_long.clear();
    m_next = nullptr;
    m_left = 0;
}
