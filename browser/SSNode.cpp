#include "SSNode.h"

#include "browser/SSTree.h"
#include "ui/ImageList.h"

#include <QFontMetrics>
#include <QPainter>
#include <QScreen>

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

SSNode::SSNode(const QString &key, const QString &text, const QString &image,
    const QString &expandedImage, const QString &markerText)
    : QTreeWidgetItem(Type)
    , m_key(key)
    , m_markerText(markerText)
    , m_image(image)
    , m_expandedImage(expandedImage)
{
    setText(text);
    setFlags(flags() | Qt::ItemIsEditable);
}

namespace {

// Nodes come from blocks of their own rather than one by one from the heap.
// A load makes a node per row between its statements' short-lived
// allocations; taken from the heap there, the nodes scatter it, and every
// later allocation gets slower (the 100 000-row load took 12 to 14 times the
// 10 000-row one, against 10.5 to 12 with the blocks). The blocks go back
// once the last node is gone.
class NodePool {
public:
    void *take()
    {
        if (!m_free)
            addBlock();
        FreeSlot *slot = m_free;
        m_free = slot->next;
        ++m_live;
        return slot;
    }

    void give(void *node)
    {
        m_free = new (node) FreeSlot {m_free};
        if (--m_live == 0) {
            m_free = nullptr;
            m_blocks.clear();
        }
    }

private:
    struct FreeSlot {
        FreeSlot *next;
    };
    struct alignas(SSNode) Slot {
        std::byte bytes[sizeof(SSNode)];
    };
    static constexpr size_t slotsPerBlock = 256;

    void addBlock()
    {
        const auto &block = m_blocks.emplace_back(std::make_unique<Slot[]>(slotsPerBlock));
        for (size_t i = slotsPerBlock; i-- > 0;)
            m_free = new (&block[i]) FreeSlot {m_free};
    }

    FreeSlot *m_free = nullptr;
    size_t m_live = 0;
    std::vector<std::unique_ptr<Slot[]>> m_blocks;
};

// Never destroyed: a window instance that outlives main may still delete
// its nodes while the process exits.
NodePool &nodePool()
{
    static auto *pool = new NodePool;
    return *pool;
}

} // namespace

void *SSNode::operator new(size_t size)
{
    return size == sizeof(SSNode) ? nodePool().take() : ::operator new(size);
}

void SSNode::operator delete(void *node, size_t size)
{
    if (size == sizeof(SSNode))
        nodePool().give(node);
    else
        ::operator delete(node, size);
}

SSNode *SSNode::cast(QTreeWidgetItem *item)
{
    return item && item->type() == Type ? static_cast<SSNode *>(item) : nullptr;
}

void SSNode::setImage(const QString &key)
{
    m_image = key;
    emitDataChanged();
}

void SSNode::setExpandedImage(const QString &key)
{
    m_expandedImage = key;
    emitDataChanged();
}

void SSNode::setFontSize(double points)
{
    changeFont(FontAttribute::Size, points);
}

void SSNode::setFontBold(bool bold)
{
    changeFont(FontAttribute::Bold, bold ? 1 : 0);
}

// Only the changed attributes are marked as set, so the rest still follows
// the tree's own font.
void SSNode::changeFont(FontAttribute attribute, double value)
{
    m_font = tree()->changedFont(font(0), attribute, value);
    emitDataChanged();
}

void SSNode::setForeColor(const QColor &color)
{
    m_foreColor = tree()->sharedBrush(color);
    emitDataChanged();
}

void SSNode::setParentNode(SSNode *newParent, int row)
{
    tree()->moveUnder(this, newParent, row);
}

SSNode *SSNode::lastSibling() const
{
    const QTreeWidgetItem *siblings = holder();
    return cast(siblings->child(siblings->childCount() - 1));
}

SSNode *SSNode::rootNode() const
{
    QTreeWidgetItem *top = parent();
    if (!top)
        return const_cast<SSNode *>(this);
    while (top->parent())
        top = top->parent();
    return cast(top);
}

QPixmap SSNode::dragImage() const
{
    const QIcon icon = shownIcon();
    const QSize iconSize = icon.isNull() ? QSize(0, 0) : tree()->iconSize();
    const int gap = icon.isNull() ? 0 : 4;
    const QFont labelFont = font(0).resolve(tree()->font());
    const QFontMetrics metrics(labelFont);
    const QString shown = shownPart(text());
    const int textWidth
        = std::min(metrics.horizontalAdvance(shown) + 2, tree()->screen()->geometry().width());
    const int height = qMax(iconSize.height(), metrics.height());

    QPixmap picture(iconSize.width() + gap + textWidth, height);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    icon.paint(&painter, QRect(QPoint(0, (height - iconSize.height()) / 2), iconSize));
    const QVariant color = data(0, Qt::ForegroundRole);
    painter.setPen(
        color.isValid() ? color.value<QBrush>().color() : tree()->palette().color(QPalette::Text));
    painter.setFont(labelFont);
    painter.drawText(QRect(iconSize.width() + gap, 0, textWidth, height),
        Qt::AlignLeft | Qt::AlignVCenter, shown);
    return picture;
}

QString SSNode::shownPart(const QString &text)
{
    if (text.size() <= maxShownLength)
        return text;
    QString part = text.left(maxShownLength);
    if (part.back().isHighSurrogate())
        part.chop(1);
    return part;
}

// The key, font and colour are the node's own members rather than item
// data: a load makes a node per row, and each role held as item data costs
// the item a list of its own.
QVariant SSNode::data(int column, int role) const
{
    if (column != 0)
        return QTreeWidgetItem::data(column, role);
    switch (role) {
    case Qt::DecorationRole:
        if (const QIcon icon = shownIcon(); !icon.isNull())
            return icon;
        break;
    case Qt::UserRole:
        return m_key;
    case Qt::FontRole:
        if (m_font)
            return *m_font;
        break;
    case Qt::ForegroundRole:
        if (m_foreColor)
            return *m_foreColor;
        break;
    case Qt::AccessibleDescriptionRole:
        // What a screen reader says of the node, told as the window tells it.
        return m_key == u"0"        ? QStringLiteral("ルート")
            : m_image == u"account" ? QStringLiteral("アカウント")
                                    : QStringLiteral("フォルダ");
    }
    return QTreeWidgetItem::data(column, role);
}

SSTree *SSNode::tree() const
{
    return static_cast<SSTree *>(treeWidget());
}

QTreeWidgetItem *SSNode::holder() const
{
    return parent() ? parent() : treeWidget()->invisibleRootItem();
}

// Through the model index, whose row is cached, rather than a search of the
// siblings: a folder may hold many thousands of nodes.
SSNode *SSNode::sibling(int offset) const
{
    const QModelIndex index = treeWidget()->indexFromItem(this);
    return cast(treeWidget()->itemFromIndex(index.siblingAtRow(index.row() + offset)));
}

QIcon SSNode::shownIcon() const
{
    const ImageList *images = tree() ? tree()->imageList() : nullptr;
    if (!images)
        return {};
    const bool open = !m_expandedImage.isEmpty() && isExpanded();
    return images->icon(open ? m_expandedImage : m_image);
}
