#pragma once

#include "browser/KeyIndex.h"
#include "browser/KeyText.h"
#include "browser/NodeLooks.h"
#include "browser/NodeTexts.h"
#include "browser/SSNode.h"

#include <QAbstractItemModel>
#include <QHash>

#include <memory>
#include <vector>

class SSTree;

// The nodes of an SSTree and the model its view shows them through. Each
// node is one record in blocks that never move: its key as a number where
// the key is one, its text once, its looks as numbers into tables the nodes
// share (NodeLooks), its children as numbers; a key index finds it. While
// the tree's drawing is off (suspend) the nodes change without a word to the
// view, which is told all at once when drawing is on again (resume): a load
// makes a node per row, and telling the view of each was most of its cost.
class TreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // Without a tree the nodes are only data: what a node asks of its view
    // (expanding, selection, its drag picture, moving) needs one.
    explicit TreeModel(SSTree *tree = nullptr);
    ~TreeModel() override;

    SSTree *tree() const { return m_tree; }
    NodeLooks &looks() { return m_looks; }
    const NodeLooks &looks() const { return m_looks; }

    // A new node at `row` among the children of `parent` (nullptr: the top
    // level). The key must not be taken.
    SSNode *add(SSNode *parent, int row, const KeyText &key, const QString &text,
        const KeyText &markerText);
    // The node and every node beneath it.
    void remove(SSNode *node);
    // The node with its subtree, to the row among the children of newParent
    // (nullptr: the top level) that it has once it is taken out of its place;
    // past their end, or with no row, last. newParent must not lie beneath
    // the node.
    void move(SSNode *node, SSNode *newParent, int row = -1);
    void clear();

    SSNode *find(const KeyText &key) const;
    // In creation order, from 1 to count().
    SSNode *created(int position) const;
    int count() const { return m_count; }
    // Each node, in creation order.
    template <typename Visit> void forEachNode(Visit visit) const
    {
        for (quint32 number = 1; number < m_used; ++number)
            if (SSNode *node = slot(number); node->m_alive)
                visit(node);
    }
    // Children of `parent` (nullptr: the top level) by row; nullptr off the ends.
    SSNode *child(const SSNode *parent, int row) const;
    int childCount(const SSNode *parent) const;
    // nullptr at the top level.
    SSNode *parentOf(const SSNode *node) const;
    // The node and everything beneath it, each after its parent.
    std::vector<SSNode *> subtree(SSNode *node) const;
    QString keyText(const SSNode *node) const;
    QString markerText(const SSNode *node) const;
    // The picture of the node as it is now: open or closed.
    QIcon iconOf(const SSNode *node) const;

    QModelIndex indexOf(const SSNode *node) const;
    // nullptr for an index that names no node of this model (any more).
    SSNode *nodeOf(const QModelIndex &index) const;

    void setText(SSNode *node, QStringView text);
    // Tells the view that the node's text or looks changed.
    void changed(SSNode *node);
    void setExpandedFlag(SSNode *node, bool expanded);

    void suspend();
    void resume();
    bool isSuspended() const { return m_suspended; }

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    static constexpr quint32 blockBits = 10;
    static constexpr quint32 blockSize = 1U << blockBits;

    SSNode *slot(quint32 number) const
    {
        return &m_blocks[number >> blockBits][number & (blockSize - 1)];
    }
    // The invisible holder of the top-level nodes.
    SSNode *top() const { return slot(0); }
    SSNode *holderOf(const SSNode *parent) const
    {
        return parent ? const_cast<SSNode *>(parent) : top();
    }
    SSNode *newSlot();
    void renumber(SSNode *holder, size_t from);
    void setKey(SSNode *node, const KeyText &key);
    void setMarker(SSNode *node, const KeyText &key, const KeyText &markerText);
    void forget(SSNode *node);
    static qint64 keyOfSlot(const void *model, quint32 number);

    SSTree *m_tree;
    NodeLooks m_looks;
    NodeTexts m_texts;
    std::vector<std::unique_ptr<SSNode[]>> m_blocks;
    quint32 m_used = 0;
    // Slots are handed out in creation order and a removed node's is not
    // handed out again before a clear: the living ones are in creation order.
    int m_count = 0;
    KeyIndex m_byNumber;
    QHash<QString, quint32> m_byText;
    QHash<quint32, QString> m_textKeys; // by slot: keys that are no number's text
    QHash<quint32, QString> m_markers; // by slot: markers other than "0" or the key
    bool m_suspended = false;
};
