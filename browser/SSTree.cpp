#include "SSTree.h"

#include "browser/LabelDelegate.h"
#include "browser/TreeModel.h"
#include "ui/EventMasks.h"
#include "ui/ImageList.h"
#include "ui/Twips.h"

#include <QContextMenuEvent>
#include <QMouseEvent>

#include <utility>

namespace {

[[noreturn]] void fail(const char *description)
{
    throw TreeError(QString::fromUtf8(description));
}

} // namespace

SSTree::SSTree(QWidget *parent)
    : QTreeView(parent)
    , m_model(new TreeModel(this))
{
    setModel(m_model);
    setHeaderHidden(true);
    // The top line, the line count and the node on a line all rest on whole
    // lines of one height.
    setUniformRowHeights(true);
    setVerticalScrollMode(ScrollPerItem);
    setSelectionMode(SingleSelection);
    setEditTriggers(SelectedClicked | EditKeyPressed);
    setItemDelegate(new LabelDelegate(this));
    viewport()->setMouseTracking(true);
    connect(this, &QAbstractItemView::pressed, this,
        [this](const QModelIndex &index) { m_pressed = index; });
    connect(this, &QTreeView::expanded, this,
        [this](const QModelIndex &index) { m_model->setExpandedFlag(nodeFromIndex(index), true); });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex &index) {
        m_model->setExpandedFlag(nodeFromIndex(index), false);
    });
}

// No handler should hear of the nodes going.
SSTree::~SSTree()
{
    blockSignals(true);
}

SSNode *SSTree::addNode(const KeyText &relativeKey, int relationship, const KeyText &key,
    const QString &text, const QString &image, const QString &expandedImage,
    const KeyText &markerText)
{
    if (findNode(key))
        fail("Key is not unique in collection");
    SSNode *holder = nullptr;
    int row = m_model->childCount(nullptr);
    if (!relativeKey.isEmpty()) {
        SSNode *relative = node(relativeKey);
        holder = relationship == tvwChild ? relative : relative->parentNode();
        switch (relationship) {
        case tvwChild:
        case tvwLast:
            row = m_model->childCount(holder);
            break;
        case tvwFirst:
            row = 0;
            break;
        case tvwNext:
            row = int(relative->m_row) + 1;
            break;
        case tvwPrevious:
            row = int(relative->m_row);
            break;
        default:
            fail("Invalid relationship");
        }
    }
    SSNode *added = m_model->add(holder, row, key, text, markerText);
    if (!image.isEmpty())
        added->setImage(image);
    if (!expandedImage.isEmpty())
        added->setExpandedImage(expandedImage);
    return added;
}

void SSTree::removeNode(const KeyText &key)
{
    SSNode *doomed = node(key);
    collapseQuietly(doomed);
    m_model->remove(doomed);
}

void SSTree::clearNodes()
{
    m_currentWhenShown.reset();
    m_model->clear();
}

// The view keeps each expanded node as a persistent index, and the model
// walks every such index up to the top on each removal: taking out an
// expanded chain thousands deep would cost seconds. With the layout
// postponed, collapsing only drops the indexes. With drawing off the view
// holds no index to drop.
void SSTree::collapseQuietly(SSNode *top)
{
    if (m_model->isSuspended())
        return;
    scheduleDelayedItemsLayout();
    for (SSNode *node : m_model->subtree(top))
        if (node->expanded())
            collapse(indexFromNode(node));
}

SSNode *SSTree::node(const KeyText &key) const
{
    SSNode *found = findNode(key);
    if (!found)
        fail("Element not found");
    return found;
}

SSNode *SSTree::findNode(const KeyText &key) const
{
    return m_model->find(key);
}

SSNode *SSTree::nodeAt(int position) const
{
    if (position < 1 || position > nodeCount())
        fail("Index out of bounds");
    return m_model->created(position);
}

int SSTree::nodeCount() const
{
    return m_model->count();
}

SSNode *SSTree::nodeFromIndex(const QModelIndex &index) const
{
    return m_model->nodeOf(index);
}

QModelIndex SSTree::indexFromNode(const SSNode *node) const
{
    return m_model->indexOf(node);
}

QRect SSTree::nodeRect(const SSNode *node) const
{
    return visualRect(indexFromNode(node));
}

void SSTree::scrollToNode(const SSNode *node)
{
    scrollTo(indexFromNode(node));
}

void SSTree::setNodeExpanded(SSNode *node, bool expanded)
{
    m_model->setExpandedFlag(node, expanded);
    if (!m_model->isSuspended())
        setExpanded(indexFromNode(node), expanded);
}

bool SSTree::isNodeSelected(const SSNode *node) const
{
    return selectionModel()->isSelected(indexFromNode(node));
}

void SSTree::moveUnder(SSNode *node, SSNode *newParent, int row)
{
    for (const SSNode *above = newParent; above; above = above->parentNode()) {
        if (above == node)
            fail("A node cannot be moved beneath itself");
    }
    m_model->move(node, newParent, row);
}

void SSTree::setImageList(const ImageList *images)
{
    m_model->looks().setImageList(images);
    setIconSize(images ? images->imageSize() : QSize());
    viewport()->update();
}

void SSTree::setRedraw(bool on)
{
    if (on && m_model->isSuspended()) {
        showAgain();
    } else if (!on && !m_model->isSuspended()) {
        if (const SSNode *current = currentNode())
            m_currentWhenShown = current->key();
        m_model->suspend();
    }
    setUpdatesEnabled(on);
}

// The view has forgotten everything: which nodes are open, which is
// current, what is on the top line. It learns which are open from the nodes,
// and lays them out when it is first drawn or asked where a node is.
void SSTree::showAgain()
{
    m_model->resume();
    m_layoutPending = true;
    m_model->forEachNode([this](const SSNode *node) {
        if (node->expanded())
            setExpanded(indexFromNode(node), true);
    });
    if (SSNode *current = m_currentWhenShown ? findNode(*m_currentWhenShown) : nullptr)
        setSelectedNode(current);
    m_currentWhenShown.reset();
}

// Laying out an open chain of folders costs Qt's view time in the square of
// its depth; it is done once, when the nodes are shown, not for each step of
// the load that names a top node.
void SSTree::doItemsLayout()
{
    QTreeView::doItemsLayout();
    if (m_model->isSuspended())
        return;
    m_layoutPending = false;
    const std::optional<QString> top = std::exchange(m_topWhenLaidOut, std::nullopt);
    if (SSNode *node = top ? findNode(*top) : nullptr)
        scrollTo(indexFromNode(node), PositionAtTop);
}

void SSTree::setNodeIndentation(double twips)
{
    setIndentation(twipsToPixels(qRound(twips)));
}

void SSTree::setTopNode(SSNode *node)
{
    if (!node)
        return;
    if (m_model->isSuspended() || m_layoutPending)
        m_topWhenLaidOut = node->key();
    else
        scrollTo(indexFromNode(node), PositionAtTop);
}

SSNode *SSTree::selectedNode() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? nullptr : nodeFromIndex(selected.first());
}

void SSTree::setSelectedNode(SSNode *node)
{
    // No scrolling: a press handler selects the node under the pointer, and a
    // scroll would slide another node under it before the view sees the press.
    const bool scrolls = hasAutoScroll();
    setAutoScroll(false);
    setCurrentIndex(indexFromNode(node));
    setAutoScroll(scrolls);
}

void SSTree::setDropHighlight(SSNode *node)
{
    m_dropHighlight = indexFromNode(node);
    viewport()->update();
}

int SSTree::visibleCount() const
{
    const int height = lineHeight();
    return height > 0 ? viewport()->height() / height : 0;
}

SSNode *SSTree::nodeOnLine(int line) const
{
    const int height = lineHeight();
    if (line < 1 || line > nodeCount() || height == 0)
        return nullptr;
    return hitTest(0, (line - 1) * height);
}

SSNode *SSTree::hitTest(int x, int y) const
{
    return nodeFromIndex(indexAt(QPoint(x, y)));
}

// With uniform row heights every line is as high as the first top-level node.
int SSTree::lineHeight() const
{
    const QModelIndex first = m_model->index(0, 0);
    return first.isValid() ? indexRowSizeHint(first) : 0;
}

void SSTree::setDragIcon(const QPixmap &icon)
{
    m_dragIcon = icon;
    if (m_dragActive)
        showDragCursor();
}

void SSTree::beginDrag()
{
    m_dragActive = true;
    m_pointerInside = false;
    showDragCursor();
}

void SSTree::showDragCursor()
{
    viewport()->setCursor(m_dragIcon.isNull() ? QCursor(Qt::DragMoveCursor) : QCursor(m_dragIcon));
}

void SSTree::endDrag()
{
    m_dragActive = false;
    viewport()->unsetCursor();
}

void SSTree::mousePressEvent(QMouseEvent *event)
{
    const QPointF at = event->position();
    const QPoint point = at.toPoint();
    const SSNode *hit = hitTest(point.x(), point.y());
    m_pressOnSelected = hit && hit->isSelected();
    const SSNode *before = selectedNode();
    Q_EMIT mouseDown(buttonMask(event->button()), shiftMask(event->modifiers()), at.x(), at.y());

    // The view reports through pressed() only a press that went to a node,
    // not one on an expand arrow.
    m_pressed = QPersistentModelIndex();
    QTreeView::mousePressEvent(event);
    SSNode *pressed = nodeFromIndex(std::exchange(m_pressed, QPersistentModelIndex()));
    // Whichever button made it, the node a press leaves selected is the one
    // the commands act on; Ctrl must not leave it unselected.
    if (pressed && !pressed->isSelected())
        setSelectedNode(pressed);
    SSNode *selected = selectedNode();
    if (selected && (pressed || selected != before))
        Q_EMIT nodeClick(selected);
}

void SSTree::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF at = event->position();
    if (m_dragActive) {
        followDrag(at);
        return;
    }
    Q_EMIT mouseMove(buttonMask(event->buttons()), shiftMask(event->modifiers()), at.x(), at.y());
    // With a button held the view would drag a selection across the nodes.
    if (event->buttons() == Qt::NoButton)
        QTreeView::mouseMoveEvent(event);
}

void SSTree::followDrag(QPointF at)
{
    const bool entering = !m_pointerInside;
    m_pointerInside = viewport()->rect().contains(at.toPoint());
    if (m_pointerInside)
        Q_EMIT dragOver(at.x(), at.y(), entering ? DragEnter : DragOver);
}

void SSTree::mouseReleaseEvent(QMouseEvent *event)
{
    // A drop is not a click: the view must not treat it as one (and, say,
    // start editing the label under the pointer).
    if (!m_dragActive) {
        QTreeView::mouseReleaseEvent(event);
        return;
    }
    endDrag();
    const QPointF at = event->position();
    if (event->button() == Qt::LeftButton && viewport()->rect().contains(at.toPoint()))
        Q_EMIT dragDrop(at.x(), at.y());
}

void SSTree::keyPressEvent(QKeyEvent *event)
{
    const SSNode *before = currentNode();
    QTreeView::keyPressEvent(event);
    SSNode *after = currentNode();
    if (after && after != before)
        Q_EMIT nodeClick(after);
}

void SSTree::contextMenuEvent(QContextMenuEvent *event)
{
    if (event->reason() != QContextMenuEvent::Mouse)
        return askMenuOfSelected();
    if (SSNode *node = hitTest(event->pos().x(), event->pos().y()))
        Q_EMIT contextMenu(node, event->globalPos());
}

void SSTree::askMenuOfSelected()
{
    if (SSNode *node = selectedNode())
        Q_EMIT contextMenu(node, viewport()->mapToGlobal(nodeRect(node).bottomLeft()));
}

bool SSTree::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    // A mouseDown handler may select the pressed node before the view sees
    // the press, so "clicked on the selected node" is judged from before it.
    if (trigger == SelectedClicked && !m_pressOnSelected)
        return false;
    return QTreeView::edit(index, trigger, event);
}

void SSTree::finishLabelEdit()
{
    if (state() != EditingState)
        return;
    if (QWidget *editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

bool SSTree::acceptLabel(const QModelIndex &index, const QString &newText)
{
    bool cancel = false;
    Q_EMIT afterLabelEdit(nodeFromIndex(index), &cancel, newText);
    return !cancel;
}
