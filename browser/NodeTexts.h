#pragma once

#include <QStringView>

#include <memory>
#include <unordered_map>
#include <vector>

// The texts of a tree's nodes. Short ones are packed one after another into
// blocks that never move, instead of each being a string of its own with its
// own header and allocation: the tree of a large table holds as many names
// as it has rows. A long one has memory of its own, given back as soon as it
// is released.
class NodeTexts {
public:
    // A copy of the text, in place until it is released or the texts are
    // cleared; nullptr for an empty text.
    const char16_t *keep(QStringView text);
    // The copy is no longer used; a short one's memory goes at the next clear.
    void release(const char16_t *kept);
    void clear();

private:
    static constexpr qsizetype blockSize = 16384; // characters
    static constexpr qsizetype longText = 256;

    std::vector<std::unique_ptr<char16_t[]>> m_blocks;
    char16_t *m_next = nullptr;
    qsizetype m_left = 0;
    std::unordered_map<const char16_t *, std::unique_ptr<char16_t[]>> m_long;
};
