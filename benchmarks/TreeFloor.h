#pragma once

#include <QString>

#include <memory>

class QTreeWidget;

// The tree side of the load with the least database work: one
// "SELECT * FROM ACCOUNT" read to the end through QtSql, and the same tree
// items (text, key, colour, font, images, expanded parents) built in a plain
// QTreeWidget with drawing suspended, scrolled to the top. The caller
// destroys the tree, so that its teardown can stay out of the timing.
std::unique_ptr<QTreeWidget> treeFloor(const QString &connectionString);
