#include "SSNode.h"

#include "browser/SSTree.h"
#include "browser/TreeModel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QScreen>

QString SSNode::key() const
{
    return m_model->keyText(this);
}

QString SSNode::markerText() const
{
    return m_model->markerText(this);
}

void SSNode::setText(const QString &text)
{
    m_model->setText(this, text);
}

QString SSNode::image() const
{
    return m_model->looks().imageKey(m_image);
}

void SSNode::setImage(const QString &key)
{
    m_image = m_model->looks().image(key);
    m_model->changed(this);
}

QString SSNode::expandedImage() const
{
    return m_model->looks().imageKey(m_expandedImage);
}

void SSNode::setExpandedImage(const QString &key)
{
    m_expandedImage = m_model->looks().image(key);
    m_model->changed(this);
}

void SSNode::setFontSize(double points)
{
    m_font = m_model->looks().changedFont(m_font, NodeLooks::FontAttribute::Size, points);
    m_model->changed(this);
}

void SSNode::setFontBold(bool bold)
{
    m_font = m_model->looks().changedFont(m_font, NodeLooks::FontAttribute::Bold, bold ? 1 : 0);
    m_model->changed(this);
}

QFont SSNode::font() const
{
    return m_model->looks().font(m_font);
}

void SSNode::setForeColor(const QColor &color)
{
    m_foreColor = m_model->looks().colour(color);
    m_model->changed(this);
}

QColor SSNode::foreColor() const
{
    return m_foreColor ? m_model->looks().colourOf(m_foreColor) : QColor();
}

void SSNode::setExpanded(bool expanded)
{
    tree()->setNodeExpanded(this, expanded);
}

bool SSNode::isSelected() const
{
    return tree()->isNodeSelected(this);
}

SSNode *SSNode::parentNode() const
{
    return m_model->parentOf(this);
}

void SSNode::setParentNode(SSNode *newParent, int row)
{
    tree()->moveUnder(this, newParent, row);
}

SSNode *SSNode::firstChild() const
{
    return m_model->child(this, 0);
}

SSNode *SSNode::lastSibling() const
{
    const SSNode *parent = parentNode();
    return m_model->child(parent, m_model->childCount(parent) - 1);
}

SSNode *SSNode::sibling(int offset) const
{
    return m_alive ? m_model->child(parentNode(), int(m_row) + offset) : nullptr;
}

SSNode *SSNode::rootNode() const
{
    const SSNode *top = this;
    while (const SSNode *above = top->parentNode())
        top = above;
    return const_cast<SSNode *>(top);
}

SSTree *SSNode::tree() const
{
    return m_model->tree();
}

QPixmap SSNode::dragImage() const
{
    const SSTree *view = tree();
    const QIcon icon = m_model->iconOf(this);
    const QSize iconSize = icon.isNull() ? QSize(0, 0) : view->iconSize();
    const int gap = icon.isNull() ? 0 : 4;
    const QFont labelFont = font().resolve(view->font());
    const QFontMetrics metrics(labelFont);
    const QString shown = shownPart(text());
    const int textWidth
        = std::min(metrics.horizontalAdvance(shown) + 2, view->screen()->geometry().width());
    const int height = qMax(iconSize.height(), metrics.height());

    QPixmap picture(iconSize.width() + gap + textWidth, height);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    icon.paint(&painter, QRect(QPoint(0, (height - iconSize.height()) / 2), iconSize));
    const QColor color = foreColor();
    painter.setPen(color.isValid() ? color : view->palette().color(QPalette::Text));
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
