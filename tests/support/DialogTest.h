#pragma once

// What the dialog tests share: the account list loaded on a test database,
// the engine rows, a table that refuses writes, and a modal window driven
// from inside its loop.

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

inline AccountBrowse &list()
{
    return Forms::accountBrowse();
}

// Loads the account list on the table without showing it, as the toolbar's
// window would be while a dialog is open.
inline void loadList(TestDatabase &table)
{
    list().load(table.connectionString());
}

// The table refuses the event ("INSERT", "UPDATE" or "DELETE") with the text
// "refused" until allowWrites: for every row, or only for the rows whose
// NAME is `onlyName`.
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

inline void allowWrites(TestDatabase &table)
{
    Connection &db = table.db();
    db.execute(db.driverName() == u"QPSQL" ? QStringLiteral("DROP TRIGGER tx_refuse ON ACCOUNT")
                                           : QStringLiteral("DROP TRIGGER tx_refuse"));
    if (db.driverName() == u"QPSQL")
        db.execute(QStringLiteral("DROP FUNCTION tx_refuse()"));
}

inline std::vector<QStringList> allRows(TestDatabase &table)
{
    return table.rows(QStringLiteral("select * from ACCOUNT order by ACCOUNT_NO"));
}

// Shows the window modally (`show` returns when it closes) and runs the
// action inside its loop; whatever the action leaves open (a check that failed
// half way, or a window the test wanted to see stay open) is closed after it.
// Tells whether the action ran.
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
                ModalDriver::closeAllModals();
        },
        &ran);
    show();
    return ran;
}

inline bool showAndDrive(
    Form &form, const QString &objectName, const std::function<void(QWidget *)> &action)
{
    return showAndDrive([&form] { form.showModal(); }, objectName, action);
}

// What a test leaves open: its modal windows and the account list.
inline void closeWindows()
{
    ModalDriver::closeAllModals();
    list().unload();
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

// The one message a refused OK shows: the engine's own text when the table
// refused the write, otherwise `message` in a plain box with OK alone. No
// message at all when nothing was refused and the dialog was not left open.
inline void verifyRefusal(
    const Recording &record, bool tableRefuses, const QString &message, bool expectOne)
{
    QCOMPARE(record.asked.size(), expectOne ? 1 : 0);
    if (tableRefuses) {
        QVERIFY2(
            record.asked.front().text.contains("refused"), qPrintable(record.asked.front().text));
    } else if (!message.isEmpty()) {
        QCOMPARE(record.asked.front().text, message);
        QCOMPARE(record.asked.front().buttons, MessageBox::Buttons::Ok);
        QCOMPARE(record.asked.front().icon, MessageBox::Icon::None);
    }
}

} // namespace DialogTest
