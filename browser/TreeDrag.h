#pragma once

#include <QPointer>
#include <QString>

class AccountList;
class SSNode;
class SSTree;

// Dragging a node of the account tree onto a folder or the root. The node
// under the last press is the one dragged; any move with the left button
// alone held starts the drag; the node under the pointer is drawn as the
// drop target, and the view scrolls a line at its edge lines; a drop asks
// the list to move the node.
class TreeDrag {
public:
    explicit TreeDrag(AccountList &list);

    void attach(SSTree *tree);
    // A fresh tree: nothing pressed, nothing dragged.
    void reset();

    void SSTree1_MouseDown(int Button, int Shift, double x, double y);
    void SSTree1_MouseMove(int Button, int Shift, double x, double y);
    void SSTree1_DragOver(double x, double y, int State);
    void SSTree1_DragDrop(double x, double y);

private:
    SSNode *dragNode() const;
    void moveNode(SSNode *dragged, SSNode *target);
    void scrollWhileDragging(SSNode *under);

    AccountList &m_list;
    QPointer<SSTree> m_tree;
    // The node under the last press, by its key, so that a node removed
    // meanwhile is gone rather than dangling.
    QString m_dragNode;
    bool m_isDragging = false;
};
