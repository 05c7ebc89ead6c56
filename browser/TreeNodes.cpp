#include "TreeNodes.h"

#include "SSNode.h"
#include "SSTree.h"

#include "store/StoredRows.h"

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

SSNode *addLoadedNode(SSTree *tree, const QString &kind, const KeyText &parentKey,
    const KeyText &key, const QString &name)
{
    if (kind == u"F")
        return addFolderNode(tree, parentKey, key, name);
    if (kind == u"A")
        return addAccountNode(tree, parentKey, key, name, key);
    return nullptr;
}

SSNode *addStoredNode(SSTree *tree, const StoredRow &row)
{
    const auto text
        = [&row](const char *column) { return shownText(row.value(QLatin1String(column))); };
    return addLoadedNode(
        tree, text("KIND"), text("P_ACCOUNT_NO"), text("ACCOUNT_NO"), text("NAME"));
}

NodePlace placeOf(const SSNode *node)
{
    const SSNode *parent = node->parentNode();
    if (!parent)
        return {};
    return {parent->key(), node->row()};
}

void putAt(SSTree *tree, SSNode *node, const NodePlace &place)
{
    node->setParentNode(tree->node(place.parentKey), place.row);
}
