#pragma once

#include "browser/KeyText.h"

#include <QString>

class SSNode;
class SSTree;
struct StoredRow;

// The three kinds of node: the root ("0", no row), folders and accounts.
enum class NodeKind { Root, Folder, Account };

// A node's kind, told from the node itself: a key whose value is 0 is the
// root, the image "account" an account, anything else a folder.
NodeKind kindOf(const SSNode *node);

// The nodes of the account tree, each made and given its look wherever it
// is made: at the load, by the folder dialog and by the account editor. A
// folder or an account opens its parent so that it is seen; each is the
// last child of the node with parentKey.
SSNode *addRootNode(SSTree *tree);
// Marker "0": the folder takes drops.
SSNode *addFolderNode(
    SSTree *tree, const KeyText &parentKey, const KeyText &key, const QString &name);
// The load gives an account its own key as marker; a new one gets none.
// Either way it takes no drops.
SSNode *addAccountNode(SSTree *tree, const KeyText &parentKey, const KeyText &key,
    const QString &name, const KeyText &markerText = {});

// A row's node as the load makes it: a folder ("F") or an account ("A"),
// whose marker is its key; none for any other kind.
SSNode *addLoadedNode(SSTree *tree, const QString &kind, const KeyText &parentKey,
    const KeyText &key, const QString &name);
SSNode *addStoredNode(SSTree *tree, const StoredRow &row);

// Where a node stands: under its parent, at its row among the siblings.
struct NodePlace {
    QString parentKey;
    int row = -1;
};
NodePlace placeOf(const SSNode *node);
// Moves the node, with its subtree, to the place; past the last sibling it
// goes last.
void putAt(SSTree *tree, SSNode *node, const NodePlace &place);
