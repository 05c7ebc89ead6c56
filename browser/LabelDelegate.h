#pragma once

#include <QStyledItemDelegate>

class SSTree;

// Draws the account tree's nodes and edits their labels in place: a label
// is stored whatever its length, only once the tree's label-edit handler
// has let it through, and the drop target is drawn as a selected node is.
class LabelDelegate : public QStyledItemDelegate {
public:
    explicit LabelDelegate(SSTree *tree);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    void setModelData(
        QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    SSTree *m_tree;
};
