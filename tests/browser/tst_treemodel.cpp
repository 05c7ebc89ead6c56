// The tree's nodes without a window: the model the view shows, its key
// index and its creation order, through adds, removals and moves.

#include "browser/TreeModel.h"

#include <QAbstractItemModelTester>
#include <QTest>

class TestTreeModel : public QObject {
    Q_OBJECT

    static KeyText number(qint64 key) { return KeyText(key); }

    static QStringList keysOf(const TreeModel &model)
    {
        QStringList keys;
        for (int position = 1; position <= model.count(); ++position)
            keys << model.created(position)->key();
        return keys;
    }

private Q_SLOTS:
    // Qt's own tester checks every index, parent and row count, and that
    // each change is announced as it happens, against the model's answers.
    void addsRemovalsAndMovesKeepTheModelConsistent()
    {
        TreeModel model;
        QAbstractItemModelTester tester(
            &model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        SSNode *root = model.add(nullptr, 0, number(0), "root", "0");
        SSNode *a = model.add(root, 0, number(1), "a", "0");
        SSNode *b = model.add(root, 1, number(2), "b", "0");
        model.add(root, 0, number(3), "first", {});
        model.add(a, 0, number(4), "under a", {});
        model.move(a, b);
        QCOMPARE(model.parentOf(a), b);
        QCOMPARE(model.indexOf(a).row(), 0);
        QCOMPARE(model.index(1, 0, model.indexOf(root)).data().toString(), "b");
        // A row among its own parent's children counts them without the node.
        model.move(b, root, 0);
        QCOMPARE(model.child(root, 0), b);
        model.move(b, root, 1);
        QCOMPARE(model.child(root, 1), b);
        model.suspend();
        model.add(b, 1, number(5), "while drawing is off", {});
        model.remove(a);
        model.resume();
        QCOMPARE(model.rowCount(model.indexOf(b)), 1);
        QCOMPARE(model.nodeOf(model.index(0, 0, model.indexOf(b)))->key(), "5");
        model.remove(b);
        QCOMPARE(keysOf(model), (QStringList {"0", "3"}));
        model.clear();
        QCOMPARE(model.rowCount(), 0);
    }

    // Keys that crowd the same places of the index, and every third of them
    // removed: each other key still finds its own node, no removed one any.
    void everyKeyFindsItsNodeAfterOthersAreRemoved()
    {
        TreeModel model;
        SSNode *root = model.add(nullptr, 0, number(0), "root", {});
        QList<qint64> keys;
        for (qint64 i = 1; i <= 3000; ++i)
            keys << i << (i << 32) << -i * 7919;
        for (const qint64 key : keys)
            model.add(root, model.childCount(root), KeyText(key), QString::number(key), {});
        for (qsizetype i = 0; i < keys.size(); i += 3)
            model.remove(model.find(KeyText(keys[i])));
        for (qsizetype i = 0; i < keys.size(); ++i) {
            const SSNode *found = model.find(KeyText(keys[i]));
            if (i % 3 == 0)
                QVERIFY2(!found, qPrintable(QString::number(keys[i])));
            else
                QVERIFY2(found && found->text() == QString::number(keys[i]),
                    qPrintable(QString::number(keys[i])));
        }
        QCOMPARE(model.count(), 1 + 2 * 3000);
        QCOMPARE(model.created(2)->key(), QString::number(1LL << 32));
        QCOMPARE(model.created(model.count())->key(), QString::number(-3000 * 7919));
    }

    // Only a number's own decimal text is a number; any other text is a key
    // of its own.
    void aKeyIsFoundOnlyByItsOwnText()
    {
        TreeModel model;
        for (const char *key : {"7", "007", "-0", "+7", "9223372036854775808", "", "名"})
            model.add(nullptr, model.childCount(nullptr), QString::fromUtf8(key), QString(), {});
        for (const char *key : {"7", "007", "-0", "+7", "9223372036854775808", "", "名"})
            QCOMPARE(model.find(QString::fromUtf8(key))->key(), QString::fromUtf8(key));
        QVERIFY(!model.find(QStringLiteral("07")));
        QCOMPARE(model.find(number(7)), model.find(QStringLiteral("7")));
    }

    // Short texts share blocks, long ones have memory of their own; a text
    // replaced or removed never shows through another.
    void textsOfAnyLengthComeBackAsStored()
    {
        TreeModel model;
        const QString longName(100000, QChar(u'長'));
        SSNode *root = model.add(nullptr, 0, number(0), longName, {});
        SSNode *child = model.add(root, 0, number(1), "short", {});
        model.setText(root, u"renamed");
        model.setText(child, QString(longName + "x"));
        model.add(root, 1, number(2), QString(), {});
        QCOMPARE(root->text(), "renamed");
        QCOMPARE(child->text(), longName + "x");
        QCOMPARE(model.find(number(2))->text(), QString());
        QCOMPARE(model.data(model.indexOf(child), Qt::EditRole).toString(), longName + "x");
    }
};

QTEST_GUILESS_MAIN(TestTreeModel)
#include "tst_treemodel.moc"
