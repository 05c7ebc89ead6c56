#include "AccountListDriver.h"

#include "DialogTest.h"

#include "browser/AccountBrowse.h"
#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "component/Forms.h"
#include "store/Schema.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QToolBar>

// Alpha's sender is empty and its company null; O'Neill has an HTML signature.
void addSampleTree(TestDatabase &table)
{
    table.addRow("0", "F", "Zeta");
    table.db().execute("INSERT INTO ACCOUNT(" + accountColumns().join(u',')
        + ") VALUES(0,'A','Alpha','','alpha@x','smtp.x','587','pop.x','995','alpha','s3cret',"
          "'Regards','<b>html</b>',NULL,'Sec','01','02','A1','A2','090')");
    table.addRow("1", "F", "営業部");
    table.db().execute(
        "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME,HTML_SIG) VALUES(3,'A','O''Neill','<p>')");
    table.addRow("1", "A", "Beta");
    table.addRow("0", "F", "Zeta");
}

bool inAccountList(const QString &connStr, const std::function<void(AccountBrowse &)> &action)
{
    return DialogTest::showAndDrive([&] { Forms::accountBrowse().showAccountForm(connStr); },
        QStringLiteral("AccountBrowse"), [&](QWidget *) { action(Forms::accountBrowse()); });
}

QStringList enabledButtons(AccountBrowse &window)
{
    QStringList keys;
    for (const char *key : {"addf", "updatef", "delf", "add", "update", "copy", "del", "close"})
        if (window.button(QString::fromLatin1(key))->isEnabled())
            keys << QString::fromLatin1(key);
    return keys;
}

void clickButton(AccountBrowse &window, const QString &key)
{
    QAction *action = window.button(key);
    QVERIFY2(action->isEnabled(), qPrintable(key));
    auto *toolbar = window.SSTree1()->window()->findChild<QToolBar *>(QStringLiteral("Toolbar1"));
    QTest::mouseClick(toolbar->widgetForAction(action), Qt::LeftButton);
}

bool inDialogOf(AccountBrowse &window, const QString &key, const QString &command,
    const std::function<void(QWidget *)> &action)
{
    const auto open = [&] {
        clickNode(window.SSTree1(), window.SSTree1()->node(key));
        clickButton(window, command);
    };
    return DialogTest::showAndDrive(open,
        command.endsWith(u'f') ? QStringLiteral("FolderAdd") : QStringLiteral("AccountAdd"),
        action);
}

QPoint centreOf(SSTree *tree, SSNode *node)
{
    return tree->nodeRect(node).center();
}

void clickNode(SSTree *tree, SSNode *node)
{
    tree->scrollToNode(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(tree, node));
}

void moveWithLeftHeld(SSTree *tree, QPoint to)
{
    QMouseEvent move(QEvent::MouseMove, to, tree->viewport()->mapToGlobal(to), Qt::NoButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &move);
}

void dragNode(SSTree *tree, SSNode *from, SSNode *to)
{
    const QPoint start = centreOf(tree, from);
    const QPoint end = centreOf(tree, to);
    QTest::mousePress(tree->viewport(), Qt::LeftButton, Qt::NoModifier, start);
    moveWithLeftHeld(tree, start + QPoint(3, 1));
    moveWithLeftHeld(tree, end);
    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, Qt::NoModifier, end);
}
