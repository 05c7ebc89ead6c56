#include "NodeLook.h"

#include "SSNode.h"

#include <QColor>

void showAsFolder(SSNode *node)
{
    node->setFontBold(false);
    node->setFontSize(10);
    node->setForeColor(QColor(0, 0, 255));
    node->setImage(QStringLiteral("close"));
    node->setExpandedImage(QStringLiteral("open"));
    node->parentNode()->setExpanded(true);
}

void showAsAccount(SSNode *node)
{
    node->setFontSize(10);
    node->setFontBold(false);
    node->setForeColor(QColor(0, 80, 0));
    node->parentNode()->setExpanded(true);
    node->setImage(QStringLiteral("account"));
}
