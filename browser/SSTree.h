#pragma once

#include <QTreeWidget>

// The account tree control. (Being filled in: node collection, node
// attributes, settings and events.)
class SSTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit SSTree(QWidget *parent = nullptr);
};
