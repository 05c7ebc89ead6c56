#include "SSNode.h"

#include "browser/SSTree.h"
#include "ui/ImageList.h"

#include <QFontMetrics>
#include <QPainter>

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

void SSNode::setParentNode(SSNode *newParent)
{
    tree()->moveUnder(this, newParent);
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
    const int textWidth = metrics.horizontalAdvance(text()) + 2;
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
        Qt::AlignLeft | Qt::AlignVCenter, text());
    return picture;
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
