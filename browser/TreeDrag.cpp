#include "TreeDrag.h"

#include "browser/AccountList.h"
#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "ui/Failures.h"
#include "ui/MessageBox.h"

#include <QScopeGuard>

#include <cmath>

namespace {

// Hit tests take whole numbers; halves go to the even neighbour.
int nearest(double coordinate)
{
    return int(std::nearbyint(coordinate));
}

// The text of a node that must be there; none is a failure like any other.
QString textOf(const SSNode *node)
{
    if (!node)
        throw TreeError(QStringLiteral("Object variable not set: no node"));
    return node->text();
}

} // namespace

TreeDrag::TreeDrag(AccountList &list)
    : m_list(list)
{
}

void TreeDrag::attach(SSTree *tree)
{
    m_tree = tree;
    reset();
}

void TreeDrag::reset()
{
    m_dragNode.clear();
    m_isDragging = false;
}

SSNode *TreeDrag::dragNode() const
{
    return m_dragNode.isEmpty() ? nullptr : m_tree->findNode(m_dragNode);
}

void TreeDrag::SSTree1_MouseDown(int, int, double x, double y)
{
    SSNode *pressed = m_tree->hitTest(nearest(x), nearest(y));
    m_dragNode = pressed ? pressed->key() : QString();
    if (pressed)
        m_tree->setSelectedNode(pressed);
}

void TreeDrag::SSTree1_MouseMove(int Button, int, double, double)
{
    SSNode *dragged = dragNode();
    if (Button != 1 || !dragged)
        return;
    m_isDragging = true;
    SSNode *selected = m_tree->selectedNode();
    m_tree->setDragIcon(selected ? selected->dragImage() : dragged->dragImage());
    m_tree->beginDrag();
}

void TreeDrag::SSTree1_DragOver(double x, double y, int)
{
    if (!m_isDragging)
        return;
    // Any failure while following the pointer just ends the step quietly.
    runOn([&] {
        SSNode *under = m_tree->hitTest(nearest(x), nearest(y));
        m_tree->setDropHighlight(under);
        scrollWhileDragging(under);
    });
}

// On the last visible line the view moves down a line; on the top line it
// moves up a line, into the last expanded descendant of the previous sibling.
void TreeDrag::scrollWhileDragging(SSNode *under)
{
    SSTree *tree = m_tree;
    const QString underText = textOf(under);
    if (textOf(tree->nodeOnLine(tree->visibleCount())) == underText)
        tree->setTopNode(tree->nodeOnLine(2));
    SSNode *top = tree->topNode();
    if (textOf(top) != underText || (!top->previousSibling() && !top->parentNode()))
        return;
    SSNode *above = top->previousSibling();
    if (!above) {
        tree->setTopNode(top->parentNode());
        return;
    }
    while (above->expanded()) {
        if (!above->firstChild())
            throw TreeError(
                QStringLiteral("Object variable not set: an expanded node without children"));
        above = above->firstChild()->lastSibling();
    }
    tree->setTopNode(above);
}

void TreeDrag::SSTree1_DragDrop(double, double)
{
    SSTree *tree = m_tree;
    // However the drop ends, the highlight goes and the drag is over.
    const auto endDrag = qScopeGuard([&] {
        tree->setDropHighlight(nullptr);
        m_isDragging = false;
    });
    SSNode *target = tree->dropHighlight();
    SSNode *dragged = dragNode();
    if (!target || textOf(target) == textOf(dragged))
        return;
    moveNode(dragged, target);
}

void TreeDrag::moveNode(SSNode *dragged, SSNode *target)
{
    switch (m_list.checkMove(dragged, target)) {
    case AccountList::MoveCheck::Ignored:
        return;
    case AccountList::MoveCheck::Refused:
        MessageBox::show(QStringLiteral("この場所への移動はできません"));
        return;
    case AccountList::MoveCheck::Allowed:
        toldIfGone(m_list.move(dragged, target));
        return;
    }
}
