#include "SSTree.h"

SSTree::SSTree(QWidget *parent)
    : QTreeWidget(parent)
{
}
