#pragma once

#include "browser/ChildSlots.h"

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>

class SSTree;
class TreeModel;

// A keyed node of SSTree. Nodes are made only by SSTree::addNode and live in
// the tree's own storage: a node stays where it is until it is removed or
// the tree is cleared, after which nothing may use it; whoever keeps a node
// longer keeps its key. The image keys are looked up in the tree's image
// list whenever the node is drawn.
class SSNode {
public:
    QString key() const;
    QString markerText() const;

    QString text() const
    {
        return QString(reinterpret_cast<const QChar *>(m_text), qsizetype(m_textSize));
    }
    void setText(const QString &text);

    QString image() const;
    void setImage(const QString &key);
    QString expandedImage() const;
    void setExpandedImage(const QString &key);

    void setFontSize(double points);
    void setFontBold(bool bold);
    // The attributes the node set itself; the others are the tree's.
    QFont font() const;
    void setForeColor(const QColor &color);
    // Invalid when never set: the text is drawn in the tree's colour.
    QColor foreColor() const;

    bool expanded() const { return m_expanded; }
    void setExpanded(bool expanded);
    bool isSelected() const;

    SSNode *parentNode() const;
    // Moves the node with its subtree to the end of newParent's children
    // (nullptr: to the top level), or to the row among them when one is
    // given. Throws TreeError when newParent is the node itself or lies
    // beneath it.
    void setParentNode(SSNode *newParent, int row = -1);
    SSNode *previousSibling() const { return sibling(-1); }
    SSNode *nextSibling() const { return sibling(1); }
    SSNode *firstChild() const;
    SSNode *lastSibling() const;
    SSNode *rootNode() const;
    int childCount() const { return int(m_children.size()); }
    // Its place among its parent's children, from 0.
    int row() const { return int(m_row); }

    // The node's icon and text, as the pointer shows it while the node is
    // dragged; at most a screen wide.
    QPixmap dragImage() const;
    // The start of a label that any screen can show: laying out a name of a
    // million characters in full would take gigabytes to draw a screenful.
    static QString shownPart(const QString &text);
    static constexpr int maxShownLength = 2048;

private:
    friend class SSTree;
    friend class TreeModel;

    enum class Marker : quint8 { None, Zero, Key, Other };

    SSTree *tree() const;
    SSNode *sibling(int offset) const;

    TreeModel *m_model = nullptr;
    const char16_t *m_text = nullptr; // kept by the model's NodeTexts
    ChildSlots m_children;
    qint64 m_key = 0; // the key, when it is a whole number's text
    quint32 m_textSize = 0;
    quint32 m_slot = 0;
    quint32 m_parent = 0; // slot 0 is the tree's invisible top
    quint32 m_row = 0; // among the parent's children
    quint16 m_image = 0;
    quint16 m_expandedImage = 0;
    quint16 m_font = 0;
    quint16 m_foreColor = 0;
    Marker m_marker = Marker::None;
    bool m_textKey = false; // the key is kept as text, by the model
    bool m_expanded = false;
    bool m_alive = false;
};
