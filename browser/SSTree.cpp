#include "SSTree.h"

#include "browser/LabelDelegate.h"
#include "ui/EventMasks.h"
#include "ui/ImageList.h"
#include "ui/Twips.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QSet>

#include <utility>

namespace {

[[noreturn]] void fail(const char *description)
{
    throw TreeError(QString::fromUtf8(description));
}

// The roots and every item beneath them, each after its parent. Breadth
// first over a growing list, since a tree may be thousands of levels deep.
QList<QTreeWidgetItem *> parentsFirst(const QList<QTreeWidgetItem *> &roots)
{
    QList<QTreeWidgetItem *> items = roots;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QTreeWidgetItem *item = items.at(i);
        for (int row = 0; row < item->childCount(); ++row)
            items.append(item->child(row));
    }
    return items;
}

// QTreeWidgetItem deletes its children recursively; emptying the items from
// the deepest up keeps every delete flat, whatever the depth. The roots must
// already be out of the view, so that nothing of this reaches the model.
void deleteTrees(const QList<QTreeWidgetItem *> &roots)
{
    const QList<QTreeWidgetItem *> items = parentsFirst(roots);
    for (auto item = items.crbegin(); item != items.crend(); ++item)
        qDeleteAll((*item)->takeChildren());
    qDeleteAll(roots);
}

} // namespace

SSTree::SSTree(QWidget *parent)
    : QTreeWidget(parent)
{
    setColumnCount(1);
    setHeaderHidden(true);
    // The top line, the line count and the node on a line all rest on whole
    // lines of one height.
    setUniformRowHeights(true);
    setVerticalScrollMode(ScrollPerItem);
    setSelectionMode(SingleSelection);
    setEditTriggers(SelectedClicked | EditKeyPressed);
    setItemDelegate(new LabelDelegate(this));
    viewport()->setMouseTracking(true);
    connect(this, &QTreeWidget::itemPressed, this,
        [this](QTreeWidgetItem *item) { m_itemPressed = item; });
}

SSTree::~SSTree()
{
    // QTreeWidget's own teardown deletes the nodes recursively, which a deep
    // tree would not survive; and no handler should hear of this clearing.
    blockSignals(true);
    clearNodes();
}

SSNode *SSTree::addNode(const QString &relativeKey, int relationship, const QString &key,
    const QString &text, const QString &image, const QString &expandedImage,
    const QString &markerText)
{
    if (m_byKey.contains(key))
        fail("Key is not unique in collection");
    const Place place = placeFor(relativeKey, relationship);
    auto *node = new SSNode(key, text, image, expandedImage, markerText);
    place.holder->insertChild(place.row, node);
    m_byKey.insert(key, node);
    m_order.push_back(node);
    return node;
}

SSTree::Place SSTree::placeFor(const QString &relativeKey, int relationship) const
{
    if (relativeKey.isEmpty())
        return {invisibleRootItem(), topLevelItemCount()};
    SSNode *relative = node(relativeKey);
    if (relationship == tvwChild)
        return {relative, relative->childCount()};
    QTreeWidgetItem *holder = relative->holder();
    switch (relationship) {
    case tvwFirst:
        return {holder, 0};
    case tvwLast:
        return {holder, holder->childCount()};
    case tvwNext:
        return {holder, indexFromItem(relative).row() + 1};
    case tvwPrevious:
        return {holder, indexFromItem(relative).row()};
    }
    fail("Invalid relationship");
}

void SSTree::removeNode(const QString &key)
{
    SSNode *doomed = node(key);
    const QList<QTreeWidgetItem *> subtree = parentsFirst({doomed});
    forget(subtree);
    collapseQuietly(subtree);
    QTreeWidgetItem *holder = doomed->holder();
    deleteTrees({holder->takeChild(indexFromItem(doomed).row())});
}

void SSTree::clearNodes()
{
    m_byKey.clear();
    m_order.clear();
    m_dropHighlight = nullptr;
    collapseAll();
    deleteTrees(invisibleRootItem()->takeChildren());
}

// The view keeps each expanded node as a persistent index, and the model
// walks every such index up to the top on each removal: taking out an
// expanded chain thousands deep would cost seconds. With the layout
// postponed, collapsing only drops the indexes.
void SSTree::collapseQuietly(const QList<QTreeWidgetItem *> &items)
{
    scheduleDelayedItemsLayout();
    for (QTreeWidgetItem *item : items)
        item->setExpanded(false);
}

// The creation order is closed up once for the whole subtree, so that
// removing a large subtree stays linear.
void SSTree::forget(const QList<QTreeWidgetItem *> &items)
{
    QSet<const SSNode *> gone;
    for (QTreeWidgetItem *item : items) {
        const SSNode *node = SSNode::cast(item);
        if (!node)
            continue;
        gone.insert(node);
        m_byKey.remove(node->key());
        if (node == m_dropHighlight)
            m_dropHighlight = nullptr;
    }
    std::erase_if(m_order, [&gone](const SSNode *node) { return gone.contains(node); });
}

SSNode *SSTree::node(const QString &key) const
{
    SSNode *found = findNode(key);
    if (!found)
        fail("Element not found");
    return found;
}

SSNode *SSTree::nodeAt(int position) const
{
    if (position < 1 || position > nodeCount())
        fail("Index out of bounds");
    return m_order[size_t(position - 1)];
}

// Equal fonts may still differ in which attributes they set themselves, and
// a node must keep following the tree's font in the others.
QFont SSTree::changedFont(const QFont &from, SSNode::FontAttribute attribute, double value)
{
    for (const FontChange &known : m_fontChanges)
        if (known.attribute == attribute && known.value == value && known.from == from
            && known.from.resolveMask() == from.resolveMask())
            return known.to;
    QFont to = from;
    if (attribute == SSNode::FontAttribute::Size)
        to.setPointSizeF(value);
    else
        to.setBold(value != 0);
    if (m_fontChanges.size() < maxShared)
        m_fontChanges.push_back({from, attribute, value, to});
    return to;
}

QBrush SSTree::sharedBrush(const QColor &color)
{
    for (const QBrush &kept : m_brushes)
        if (kept.color() == color)
            return kept;
    const QBrush brush(color);
    if (m_brushes.size() < maxShared)
        m_brushes.push_back(brush);
    return brush;
}

void SSTree::moveUnder(SSNode *node, SSNode *newParent, int row)
{
    for (const SSNode *above = newParent; above; above = above->parentNode()) {
        if (above == node)
            fail("A node cannot be moved beneath itself");
    }
    // Taking the node out of the view forgets the expanded states beneath it.
    QList<QTreeWidgetItem *> open = parentsFirst({node});
    open.removeIf([](const QTreeWidgetItem *item) { return !item->isExpanded(); });
    SSNode *selected = selectedNode();

    collapseQuietly(open);
    node->holder()->takeChild(indexFromItem(node).row());
    QTreeWidgetItem *holder = newParent ? newParent : invisibleRootItem();
    holder->insertChild(row < 0 ? holder->childCount() : std::min(row, holder->childCount()), node);
    // Still postponed: one layout afterwards instead of one per restored node.
    for (QTreeWidgetItem *item : std::as_const(open))
        item->setExpanded(true);
    if (selected)
        setSelectedNode(selected);
}

void SSTree::setImageList(const ImageList *images)
{
    m_imageList = images;
    setIconSize(images ? images->imageSize() : QSize());
    viewport()->update();
}

void SSTree::setRedraw(bool on)
{
    setUpdatesEnabled(on);
}

void SSTree::setNodeIndentation(double twips)
{
    setIndentation(twipsToPixels(qRound(twips)));
}

void SSTree::setTopNode(SSNode *node)
{
    if (node)
        scrollToItem(node, PositionAtTop);
}

SSNode *SSTree::selectedNode() const
{
    const QList<QTreeWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? nullptr : SSNode::cast(selected.first());
}

void SSTree::setSelectedNode(SSNode *node)
{
    // No scrolling: a press handler selects the node under the pointer, and a
    // scroll would slide another node under it before the view sees the press.
    const bool scrolls = hasAutoScroll();
    setAutoScroll(false);
    setCurrentItem(node);
    setAutoScroll(scrolls);
}

void SSTree::setDropHighlight(SSNode *node)
{
    m_dropHighlight = node;
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
    return SSNode::cast(itemAt(x, y));
}

// With uniform row heights every line is as high as the first top-level node.
int SSTree::lineHeight() const
{
    return topLevelItemCount() > 0 ? indexRowSizeHint(indexFromItem(topLevelItem(0))) : 0;
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

    // The view reports through itemPressed only a press that went to a node,
    // not one on an expand arrow.
    m_itemPressed = nullptr;
    QTreeWidget::mousePressEvent(event);
    SSNode *pressed = SSNode::cast(std::exchange(m_itemPressed, nullptr));
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
        QTreeWidget::mouseMoveEvent(event);
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
        QTreeWidget::mouseReleaseEvent(event);
        return;
    }
    endDrag();
    const QPointF at = event->position();
    if (event->button() == Qt::LeftButton && viewport()->rect().contains(at.toPoint()))
        Q_EMIT dragDrop(at.x(), at.y());
}

void SSTree::keyPressEvent(QKeyEvent *event)
{
    const QTreeWidgetItem *before = currentItem();
    QTreeWidget::keyPressEvent(event);
    SSNode *after = SSNode::cast(currentItem());
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
        Q_EMIT contextMenu(node, viewport()->mapToGlobal(visualItemRect(node).bottomLeft()));
}

bool SSTree::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    // A mouseDown handler may select the pressed node before the view sees
    // the press, so "clicked on the selected node" is judged from before it.
    if (trigger == SelectedClicked && !m_pressOnSelected)
        return false;
    return QTreeWidget::edit(index, trigger, event);
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
    Q_EMIT afterLabelEdit(SSNode::cast(itemFromIndex(index)), &cancel, newText);
    return !cancel;
}
