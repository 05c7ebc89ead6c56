#pragma once

// What the window tests share: the engine rows, a table that refuses writes,
// and a modal window driven from inside its loop.

#include "support/Engines.h"
#include "support/ModalDriver.h"
#include "support/Recording.h"
#include "support/TestDatabase.h"

#include "browser/AccountBrowse.h"
#include "component/Forms.h"
#include "store/Connection.h"
#include "ui/Form.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QWidget>

#include <functional>
#include <memory>

namespace DialogTest {

using namespace Engines;

// The table refuses the event ("INSERT", "UPDATE" or "DELETE") with the text
// "refused": for every row, or only for the rows whose NAME is `onlyName`.
inline void refuseWrites(TestDatabase &table, const QString &event, const QString &onlyName = {})
{
    Connection &db = table.db();
    const QString row = event == u"DELETE" ? QStringLiteral("OLD") : QStringLiteral("NEW");
    const QString when = onlyName.isEmpty() ? QStringLiteral("1 = 1")
                                            : QStringLiteral("%1.NAME = '%2'").arg(row, onlyName);
    if (db.driverName() == u"QPSQL") {
        db.execute(QStringLiteral("CREATE FUNCTION tx_refuse() RETURNS trigger LANGUAGE plpgsql AS "
                                  "$$ BEGIN IF %1 THEN RAISE EXCEPTION 'refused'; END IF; "
                                  "RETURN %2; END $$")
                       .arg(when, row));
        db.execute(QStringLiteral("CREATE TRIGGER tx_refuse BEFORE %1 ON ACCOUNT FOR EACH ROW "
                                  "EXECUTE FUNCTION tx_refuse()")
                       .arg(event));
    } else if (db.driverName() == u"QMYSQL") {
        db.execute(QStringLiteral("CREATE TRIGGER tx_refuse BEFORE %1 ON ACCOUNT FOR EACH ROW "
                                  "BEGIN IF %2 THEN SIGNAL SQLSTATE '45000' "
                                  "SET MESSAGE_TEXT = 'refused'; END IF; END")
                       .arg(event, when));
    } else {
        db.execute(QStringLiteral("CREATE TRIGGER tx_refuse BEFORE %1 ON ACCOUNT WHEN %2 "
                                  "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                       .arg(event, when));
    }
}

inline std::vector<QStringList> allRows(TestDatabase &table)
{
    return table.rows(QStringLiteral("select * from ACCOUNT order by ACCOUNT_NO"));
}

// Shows the window modally (`show` returns when it closes) and runs the
// action inside its loop; whatever the action leaves open (a check that failed
// half way, or a window the test wanted to see stay open) is closed after it.
// Tells whether the action ran; a window that did not come is no longer
// waited for, so that it cannot fire in the next test.
inline bool showAndDrive(const std::function<void()> &show, const QString &objectName,
    const std::function<void(QWidget *)> &action)
{
    bool ran = false;
    ModalDriver::whenShown(
        objectName,
        [&](QWidget *window) {
            const QPointer<QWidget> alive(window);
            action(window);
            if (alive && alive->isVisible())
                ModalDriver::closeAllModals(window);
        },
        &ran);
    show();
    if (!ran)
        ModalDriver::cancelPending();
    return ran;
}

// What a test leaves open: its modal windows and the account list.
inline void closeWindows()
{
    ModalDriver::closeAllModals();
    Forms::accountBrowse().unload();
}

// The names of the windows still shown, for cleanup to check that a test
// left none open.
inline QStringList visibleWindows()
{
    QStringList names;
    for (const QWidget *window : QApplication::topLevelWidgets())
        if (window->isVisible())
            names << window->objectName();
    return names;
}

template <typename T = QLineEdit> T *control(QWidget *window, const QString &name)
{
    return window->findChild<T *>(name);
}

// Types the text key by key: Return at each line break, and characters
// beyond ASCII as a keyboard layout or input method would deliver them.
inline void typeText(QWidget *box, const QString &text)
{
    for (const QChar character : text) {
        if (character == u'\n')
            QTest::keyClick(box, Qt::Key_Return);
        else if (character.unicode() > 0x20 && character.unicode() < 0x7f)
            QTest::keyClick(box, char(character.unicode()));
        else
            QTest::sendKeyEvent(
                QTest::Click, box, Qt::Key_unknown, QString(character), Qt::NoModifier);
    }
}

// Empties a box with keys that type no character, then types the text.
inline void retype(QLineEdit *box, const QString &text)
{
    QTest::keyClick(box, Qt::Key_End);
    QTest::keyClick(box, Qt::Key_Home, Qt::ShiftModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    typeText(box, text);
}

inline void click(QWidget *window, const QString &button)
{
    QTest::mouseClick(window->findChild<QWidget *>(button), Qt::LeftButton);
}

} // namespace DialogTest
