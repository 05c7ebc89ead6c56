#pragma once

#include "browser/KeyText.h"
#include "browser/SSNode.h"
#include "browser/TreeError.h"

#include <QPersistentModelIndex>
#include <QPixmap>
#include <QString>
#include <QTreeView>

#include <optional>
#include <vector>

class ImageList;
class TreeModel;

// The account tree control: a keyed node collection with the settings and
// events the account windows use, a view over a model of its own
// (TreeModel). Drags run on the tree's own mouse events (mouseDown,
// mouseMove, then dragOver and dragDrop once a handler has called
// beginDrag), so they work without a platform drag and drop.
class SSTree : public QTreeView {
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
    SSNode *addNode(const KeyText &relativeKey, int relationship, const KeyText &key,
        const QString &text, const QString &image = {}, const QString &expandedImage = {},
        const KeyText &markerText = {});
    // Removes the node and every node beneath it.
    void removeNode(const KeyText &key);
    void clearNodes();
    // Throws TreeError when no node has the key.
    SSNode *node(const KeyText &key) const;
    SSNode *findNode(const KeyText &key) const;
    // 1 is the node created first, nodeCount() the node created last.
    SSNode *nodeAt(int position) const;
    int nodeCount() const;

    // The node a model index of the view stands for, and back.
    SSNode *nodeFromIndex(const QModelIndex &index) const;
    QModelIndex indexFromNode(const SSNode *node) const;
    // The node's line in viewport coordinates.
    QRect nodeRect(const SSNode *node) const;
    // Scrolls as little as it takes to show the node's line whole.
    void scrollToNode(const SSNode *node);

    void setImageList(const ImageList *images);
    bool treeOption() const { return m_treeOption; }
    void setTreeOption(bool on) { m_treeOption = on; }
    // Off: nothing is drawn, and the view learns of the nodes' changes only
    // when drawing is on again.
    void setRedraw(bool on);
    void setNodeIndentation(double twips);

    SSNode *topNode() const { return nodeOnLine(1); }
    // Scrolls so that node is on the top line, as far as the scroll range allows.
    void setTopNode(SSNode *node);
    SSNode *selectedNode() const;
    // Selects without scrolling; nullptr clears the selection.
    void setSelectedNode(SSNode *node);
    // The node the keyboard acts on.
    SSNode *currentNode() const { return nodeFromIndex(currentIndex()); }
    SSNode *dropHighlight() const { return nodeFromIndex(m_dropHighlight); }
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

    // Applies the top node asked for before the view was laid out.
    void doItemsLayout() override;

    using QTreeView::edit;
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

    void setNodeExpanded(SSNode *node, bool expanded);
    bool isNodeSelected(const SSNode *node) const;
    void moveUnder(SSNode *node, SSNode *newParent, int row);
    void collapseQuietly(SSNode *top);
    void showAgain();
    bool acceptLabel(const QModelIndex &index, const QString &newText);
    int lineHeight() const;
    void followDrag(QPointF at);
    void showDragCursor();
    void endDrag();

    TreeModel *m_model;
    bool m_treeOption = false;
    // Persistent, so that a removed node is gone rather than dangling.
    QPersistentModelIndex m_dropHighlight;
    // The node that was current when drawing went off, by key.
    std::optional<QString> m_currentWhenShown;
    // Until the view lays the nodes out again after drawing was off: the top
    // node asked for meanwhile, by key.
    bool m_layoutPending = false;
    std::optional<QString> m_topWhenLaidOut;
    QPixmap m_dragIcon;
    bool m_dragActive = false;
    bool m_pointerInside = false;
    bool m_pressOnSelected = false;
    QPersistentModelIndex m_pressed;
};
