#pragma once

#include <QBrush>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QTreeWidgetItem>

#include <optional>

class SSTree;

// A keyed node of SSTree. Nodes are made only by SSTree::addNode; the image
// keys are looked up in the tree's image list whenever the node is drawn.
class SSNode : public QTreeWidgetItem {
public:
    static constexpr int Type = QTreeWidgetItem::UserType + 1;

    // The node behind an item of an SSTree, or nullptr for any other item.
    static SSNode *cast(QTreeWidgetItem *item);

    QString key() const { return m_key; }
    QString markerText() const { return m_markerText; }

    using QTreeWidgetItem::setText;
    using QTreeWidgetItem::text;
    QString text() const { return QTreeWidgetItem::text(0); }
    void setText(const QString &text) { QTreeWidgetItem::setText(0, text); }

    QString image() const { return m_image; }
    void setImage(const QString &key);
    QString expandedImage() const { return m_expandedImage; }
    void setExpandedImage(const QString &key);

    void setFontSize(double points);
    void setFontBold(bool bold);
    void setForeColor(const QColor &color);

    bool expanded() const { return isExpanded(); }

    SSNode *parentNode() const { return cast(parent()); }
    // Moves the node with its subtree to the end of newParent's children
    // (nullptr: to the top level), or to the row among them when one is
    // given. Throws TreeError when newParent is the node itself or lies
    // beneath it.
    void setParentNode(SSNode *newParent, int row = -1);
    SSNode *previousSibling() const { return sibling(-1); }
    SSNode *nextSibling() const { return sibling(1); }
    SSNode *firstChild() const { return cast(child(0)); }
    SSNode *lastSibling() const;
    SSNode *rootNode() const;

    // The node's icon and text, as the pointer shows it while the node is
    // dragged; at most a screen wide.
    QPixmap dragImage() const;
    // The start of a label that any screen can show: laying out a name of a
    // million characters in full would take gigabytes to draw a screenful.
    static QString shownPart(const QString &text);
    static constexpr int maxShownLength = 2048;

    QVariant data(int column, int role) const override;

    static void *operator new(size_t size);
    static void operator delete(void *node, size_t size);

private:
    friend class SSTree;

    SSNode(const QString &key, const QString &text, const QString &image,
        const QString &expandedImage, const QString &markerText);

    SSTree *tree() const;
    QTreeWidgetItem *holder() const;
    SSNode *sibling(int offset) const;
    QIcon shownIcon() const;
    enum class FontAttribute { Size, Bold };
    void changeFont(FontAttribute attribute, double value);

    const QString m_key;
    const QString m_markerText;
    QString m_image;
    QString m_expandedImage;
    std::optional<QFont> m_font;
    std::optional<QBrush> m_foreColor;
};
