#include "LabelDelegate.h"

#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "ui/TextFilter.h"

#include <QLineEdit>
#include <QMetaProperty>

#include <limits>

LabelDelegate::LabelDelegate(SSTree *tree)
    : QStyledItemDelegate(tree)
    , m_tree(tree)
{
}

// The box does not cut a label at Qt's default limit.
QWidget *LabelDelegate::createEditor(
    QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto *box = qobject_cast<QLineEdit *>(editor)) {
        box->setMaxLength(std::numeric_limits<int>::max());
        keepStorable(box);
    }
    return editor;
}

void LabelDelegate::setModelData(
    QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    const QString newText = editor->metaObject()->userProperty().read(editor).toString();
    if (m_tree->acceptLabel(index, newText))
        QStyledItemDelegate::setModelData(editor, model, index);
}

void LabelDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->text = SSNode::shownPart(option->text);
    if (const SSNode *target = m_tree->dropHighlight();
        target && m_tree->nodeFromIndex(index) == target)
        option->state |= QStyle::State_Selected;
}
