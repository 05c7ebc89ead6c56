#include "TreeNodes.h"

#include "SSNode.h"
#include "SSTree.h"

#include <QColor>

NodeKind kindOf(const SSNode *node)
{
    if (wholeNumber(node->key()) == 0)
        return NodeKind::Root;
    return node->image() == u"account" ? NodeKind::Account : NodeKind::Folder;
}

SSNode *addRootNode(SSTree *tree)
{
    SSNode *root = tree->addNode(QString(), 0, QStringLiteral("0"), QStringLiteral("ｱｶｳﾝﾄ"),
        QString(), QString(), QStringLiteral("0"));
    root->setFontBold(false);
    root->setFontSize(10);
    root->setForeColor(QColor(200, 160, 50));
    root->setImage(QStringLiteral("root"));
    root->setExpandedImage(QStringLiteral("root"));
    return root;
}

SSNode *addFolderNode(
    SSTree *tree, const KeyText &parentKey, const KeyText &key, const QString &name)
{
    SSNode *node = tree->addNode(
        parentKey, SSTree::tvwChild, key, name, QString(), QString(), QStringLiteral("0"));
    node->setFontBold(false);
    node->setFontSize(10);
    node->setForeColor(QColor(0, 0, 255));
    node->setImage(QStringLiteral("close"));
    node->setExpandedImage(QStringLiteral("open"));
    node->parentNode()->setExpanded(true);
    return node;
}

SSNode *addAccountNode(SSTree *tree, const KeyText &parentKey, const KeyText &key,
    const QString &name, const KeyText &markerText)
{
    SSNode *node
        = tree->addNode(parentKey, SSTree::tvwChild, key, name, QString(), QString(), markerText);
    node->setFontSize(10);
    node->setFontBold(false);
    node->setForeColor(QColor(0, 80, 0));
    node->parentNode()->setExpanded(true);
    node->setImage(QStringLiteral("account"));
    return node;
}
