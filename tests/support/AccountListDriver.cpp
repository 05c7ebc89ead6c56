#include "AccountListDriver.h"

#include "ModalDriver.h"
#include "TestDatabase.h"

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
    table.addFolder("0", "Zeta");
    table.db().execute("INSERT INTO ACCOUNT(" + accountColumns().join(u',')
        + ") VALUES(0,'A','Alpha','','alpha@x','smtp.x','587','pop.x','995','alpha','s3cret',"
          "'Regards','<b>html</b>',NULL,'Sec','01','02','A1','A2','090')");
    table.addFolder("1", "営業部");
    table.db().execute(
        "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME,HTML_SIG) VALUES(3,'A','O''Neill','<p>')");
    table.addAccount("1", "Beta");
    table.addFolder("0", "Zeta");
}

bool inAccountList(const QString &connStr, const std::function<void(AccountBrowse &)> &action)
{
    bool ran = false;
    ModalDriver::whenShown(
        QStringLiteral("AccountBrowse"),
        [&action](QWidget *window) {
            action(Forms::accountBrowse());
            if (window && Forms::accountBrowse().isLoaded())
                window->close();
        },
        &ran);
    Forms::accountBrowse().showAccountForm(connStr);
    return ran;
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
    const bool folder = command.endsWith(u'f');
    bool ran = false;
    ModalDriver::whenShown(
        folder ? QStringLiteral("FolderAdd") : QStringLiteral("AccountAdd"),
        [&](QWidget *dialog) {
            action(dialog);
            if (!dialog->isVisible())
                return;
            const QString cancel = folder ? QStringLiteral("Command3") : QStringLiteral("Command2");
            QTest::mouseClick(dialog->findChild<QWidget *>(cancel), Qt::LeftButton);
        },
        &ran);
    clickNode(window.SSTree1(), window.SSTree1()->node(key));
    clickButton(window, command);
    if (!ran)
        ModalDriver::cancelPending();
    return ran;
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
