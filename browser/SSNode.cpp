#include "SSNode.h"

#include "browser/SSTree.h"
#include "ui/ImageList.h"

#include <QFontMetrics>
#include <QPainter>

SSNode::SSNode(const QString &key, const QString &text, const QString &image,
    const QString &expandedImage, const QString &markerText, quint64 serial)
    : QTreeWidgetItem(Type)
    , m_key(key)
    , m_markerText(markerText)
    , m_serial(serial)
    , m_image(image)
    , m_expandedImage(expandedImage)
{
    setText(text);
    setData(0, Qt::UserRole, key);
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
    changeFont([points](QFont &font) { font.setPointSizeF(points); });
}

void SSNode::setFontBold(bool bold)
{
    changeFont([bold](QFont &font) { font.setBold(bold); });
}

// Only the changed attributes are marked as set, so the rest still follows
// the tree's own font.
void SSNode::changeFont(const std::function<void(QFont &)> &change)
{
    QFont changed = font(0);
    change(changed);
    setFont(0, changed);
}

void SSNode::setForeColor(const QColor &color)
{
    setForeground(0, color);
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

QVariant SSNode::data(int column, int role) const
{
    if (column == 0 && role == Qt::DecorationRole) {
        const QIcon icon = shownIcon();
        if (!icon.isNull())
            return icon;
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
