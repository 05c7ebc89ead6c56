#pragma once

#include "browser/SSNode.h"
#include "store/Failure.h"

#include <QHash>
#include <QPixmap>
#include <QString>
#include <QTreeWidget>

#include <vector>

class ImageList;

// Every failure of the tree: an unknown key, a taken key, a bad position.
class TreeError : public Failure {
public:
    using Failure::Failure;
};

// The account tree control: a keyed node collection with the settings and
// events the account windows use. Drags run on the tree's own mouse events
// (mouseDown, mouseMove, then dragOver and dragDrop once a handler has called
// beginDrag), so they work without a platform drag and drop.
class SSTree : public QTreeWidget {
    Q_OBJECT
public:
    enum Relationship { tvwFirst = 0, tvwLast = 1, tvwNext = 2, tvwPrevious = 3, tvwChild = 4 };
    // The state argument of dragOver.
    enum DragState { DragEnter = 0, DragOver = 2 };

    explicit SSTree(QWidget *parent = nullptr);
    ~SSTree() override;

    // An empty relativeKey makes a top-level node; otherwise relationship
    // places the node relative to the node with relativeKey. Throws TreeError
    // when key is taken or relativeKey is unknown.
    SSNode *addNode(const QString &relativeKey, int relationship, const QString &key,
        const QString &text, const QString &image = {}, const QString &expandedImage = {},
        const QString &markerText = {});
    // Removes the node and every node beneath it.
    void removeNode(const QString &key);
    void clearNodes();
    // Throws TreeError when no node has the key.
    SSNode *node(const QString &key) const;
    SSNode *findNode(const QString &key) const { return m_byKey.value(key); }
    // 1 is the node created first, nodeCount() the node created last.
    SSNode *nodeAt(int position) const;
    int nodeCount() const { return int(m_byKey.size()); }

    const ImageList *imageList() const { return m_imageList; }
    void setImageList(const ImageList *images);
    bool treeOption() const { return m_treeOption; }
    void setTreeOption(bool on) { m_treeOption = on; }
    void setRedraw(bool on);
    void setNodeIndentation(double twips);

    SSNode *topNode() const { return nodeOnLine(1); }
    // Scrolls so that node is on the top line, as far as the scroll range allows.
    void setTopNode(SSNode *node);
    SSNode *selectedNode() const;
    // Selects without scrolling; nullptr clears the selection.
    void setSelectedNode(SSNode *node);
    SSNode *dropHighlight() const { return m_dropHighlight; }
    void setDropHighlight(SSNode *node);

    // Lines that fit whole into the view, whether or not nodes fill them.
    int visibleCount() const;
    // Line 1 is the top line; nullptr past the last node.
    SSNode *nodeOnLine(int line) const;
    // The node on the line at viewport point (x, y), or nullptr below the last node.
    SSNode *hitTest(int x, int y) const;

    void setDragIcon(const QPixmap &icon);
    // Asks for the selected node's context menu, as the keyboard does.
    void askMenuOfSelected();
    // Turns the moves until the next button release into dragOver events.
    void beginDrag();
    bool isDragActive() const { return m_dragActive; }

    using QTreeWidget::edit;
    // Takes a label being edited as a click elsewhere would: through the
    // label-edit handler, which stores or refuses it.
    void finishLabelEdit();

Q_SIGNALS:
    // A node pressed or selected with any mouse button, or made current with
    // the keyboard.
    void nodeClick(SSNode *node);
    // button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl, 4 Alt;
    // x and y in viewport pixels.
    void mouseDown(int button, int shift, double x, double y);
    void mouseMove(int button, int shift, double x, double y);
    void dragOver(double x, double y, int state);
    void dragDrop(double x, double y);
    // A context menu asked for on a node: by a right press on it, or from the
    // keyboard for the selected node. At globalPos.
    void contextMenu(SSNode *node, QPoint globalPos);
    // Sent before a finished label edit is stored; *cancel = true keeps the old text.
    void afterLabelEdit(SSNode *node, bool *cancel, const QString &newString);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;

private:
    friend class SSNode;
    friend class LabelDelegate;

    struct Place {
        QTreeWidgetItem *holder;
        int row;
    };

    Place placeFor(const QString &relativeKey, int relationship) const;
    // Nodes carry a few distinct fonts and colours: each is made once here
    // and shared by the nodes, instead of one copy per node.
    QFont changedFont(const QFont &from, SSNode::FontAttribute attribute, double value);
    QBrush sharedBrush(const QColor &color);
    void forget(const QList<QTreeWidgetItem *> &items);
    void collapseQuietly(const QList<QTreeWidgetItem *> &items);
    void moveUnder(SSNode *node, SSNode *newParent, int row);
    bool acceptLabel(const QModelIndex &index, const QString &newText);
    int lineHeight() const;
    void followDrag(QPointF at);
    void showDragCursor();
    void endDrag();

    QHash<QString, SSNode *> m_byKey;
    // Creation order.
    std::vector<SSNode *> m_order;
    static constexpr size_t maxShared = 16;
    struct FontChange {
        QFont from;
        SSNode::FontAttribute attribute;
        double value;
        QFont to;
    };
    std::vector<FontChange> m_fontChanges;
    std::vector<QBrush> m_brushes;
    const ImageList *m_imageList = nullptr;
    bool m_treeOption = false;
    SSNode *m_dropHighlight = nullptr;
    QPixmap m_dragIcon;
    bool m_dragActive = false;
    bool m_pointerInside = false;
    bool m_pressOnSelected = false;
    QTreeWidgetItem *m_itemPressed = nullptr;
};
