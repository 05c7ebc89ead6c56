// The settings file without a window: what goes out comes back as it was
// stored, on every engine and across them; a file that cannot go in whole is
// refused with what is wrong and nothing written; the demo host's command
// line.

#include "support/Engines.h"

#include "store/AccountFile.h"
#include "store/AccountImport.h"
#include "store/DbError.h"
#include "store/Failure.h"
#include "store/StoredValue.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Engines;

namespace {

// Keys 5 (Top) with 4 (a row of another kind), 7 (Sub, holding 8) and 9
// beneath it, and 3 under the root: siblings run in key order, not in the
// order they were written. SQLite also keeps bytes and text that is not UTF-8.
void fillSample(Connection &db, bool bytes)
{
    const QVariant null(QMetaType::fromType<QString>());
    const QString hostile = QString("O'Neill ? %1 \\' 営業 📧\r\n").repeated(500);
    const QVariant raw = bytes ? QVariant::fromValue(RawText {"a\xff\xfe"}) : null;
    const QVariant blob = bytes ? QVariant(QByteArray("\0\xff", 2)) : null;
    const QStringList columns = {"ACCOUNT_NO", "P_ACCOUNT_NO", "KIND", "NAME", "SENDER", "PSWD",
        "TEXT_SIG", "HTML_SIG", "ADDRESS2", "HANDY"};
    for (const QVariantList &values :
        QList<QVariantList> {{5, 0, "F", "Top", null, null, null, null, null, null},
            {9, 5, "A", "Mail", "", "s3cret", hostile, null, "", "090"},
            {7, 5, "F", "Sub", null, null, null, null, null, null},
            {8, 7, "A", hostile, "Ann", "", "", " ", raw, blob},
            {4, 5, "X", "Odd", null, null, null, null, null, null},
            {3, 0, "A", "Outside", "", null, "署名", "<p>", "", ""}})
        db.execute(insertStatement({columns, values}));
}

// Every row as a subtree is read, each column as stored, its parent given by
// its place in that order: the same whatever keys the rows were given.
QStringList canonical(Connection &db)
{
    QStringList keys;
    QStringList lines;
    for (const StoredRow &row : readSubtree(db, "0")) {
        QString line = QString::number(keys.indexOf(row.value("P_ACCOUNT_NO").toString()));
        for (int i = 2; i < row.columns.size(); ++i) // after the two keys
            line += ' ' + row.columns[i] + '=' + row.values[i].typeName()
                + sqlLiteral(row.values[i]);
        keys << row.value("ACCOUNT_NO").toString();
        lines << line;
    }
    return lines;
}

} // namespace

class TestAccountFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void everyValueGoesToAnotherEngineAndBackAsStored_data() { engineRows(); }

    // From SQLite to the engine, through its own way in, and back to SQLite;
    // a row the engine refuses takes the whole import back.
    void everyValueGoesToAnotherEngineAndBackAsStored()
    {
        QFETCH(int, engine);
        const auto target = tableOn(Engine(engine));
        if (!target)
            QSKIP(noServer);
        TestDatabase source;
        fillSample(source.db(), Engine(engine) == Engine::SQLite);
        const QStringList stored = canonical(source.db());
        Connection there;
        there.setConnectionString(target->connectionString());
        there.open();
        AccountFile::save(path("there.json"), readSubtree(source.db(), "0"), true);
        QVERIFY(importRows(there, "0", AccountFile::load(path("there.json"))));
        QCOMPARE(canonical(target->db()), stored);
        AccountFile::Contents refused = AccountFile::load(path("there.json"));
        // The table refuses the last row: its KIND may not be NULL.
        refused.rows.back().setValue("KIND", QVariant(QMetaType::fromType<QString>()));
        QVERIFY_THROWS_EXCEPTION(DbError, importRows(there, "0", refused));
        QCOMPARE(canonical(target->db()), stored);
        TestDatabase back;
        AccountFile::save(path("back.json"), readSubtree(there, "0"), true);
        const auto keys = importRows(back.db(), "0", AccountFile::load(path("back.json")));
        QCOMPARE(canonical(back.db()), stored);
        QCOMPARE(*keys, (std::vector<qint64> {1, 2, 3, 4, 5, 6}));
    }

    void aFileThatCannotGoInWholeIsRefusedAndNothingWritten_data()
    {
        QTest::addColumn<QByteArray>("json"); // with ' for "
        QTest::addColumn<QString>("problem"); // how the description ends
        const QByteArray head = "{'format': 'tx_account.settings', 'formatVersion': 1, 'rows': [";
        const auto file = [&](const QByteArray &rows) { return head + rows + "]}"; };
        const auto entry = [](const QByteArray &more) {
            return "{'id': 1, 'values': {'KIND': 'F'" + more + "}}";
        };
        const QByteArray child = ", {'id': 2, 'parent': 1, 'values': {'KIND': 'A'";
        QByteArrayList many(AccountFile::maxRows + 1, entry(""));
        const auto row = [](const char *tag, const QByteArray &json, const QString &problem) {
            QTest::newRow(tag) << json << problem;
        };
        row("damaged", file(entry("") + ",\n{'id': 2 'values': {}}"),
            "（2 行目: unterminated object）。");
        row("truncated", file(entry("")).chopped(3), "ファイルが途中で切れています。");
        row("not ours", "{'format': 'mbox'}", "format が「tx_account.settings」ではありません）。");
        row("newer", QByteArray(head).replace("1,", "2,") + "]}",
            "（版 2。読み込めるのは版 1 までです）。");
        row("a cycle",
            file(entry(", 'NAME': 'x'").replace("1, ", "1, 'parent': 2, ") + child + "}}"),
            "1 番目の項目 (id 1): 親をたどると自分に戻ります（循環しています）。");
        row("an unknown parent",
            file(entry("") + QByteArray(child).replace("1, 'v", "9, 'v") + "}}"),
            "2 番目の項目 (id 2): 親の id 9 がファイルの中にありません。");
        row("a duplicate", file(entry("") + "," + entry("")),
            "2 番目の項目: id 1 は 1 番目の項目と重なっています。");
        row("an id as text", file("{'id': '1'}"), "1 番目の項目: id が整数ではありません。");
        row("bytes not base64", file(entry(", 'HANDY': {'blob': '#'}")),
            "列「HANDY」の値の型が正しくありません。");
        row("a key among the values", file(entry(", 'P_ACCOUNT_NO': 5")),
            "列名「P_ACCOUNT_NO」は使えません。");
        row("a name with SQL", file(entry(", 'NAME) VALUES(1);--': ''")),
            "列名「NAME) VALUES(1);--」は使えません。");
        row("no kind", file("{'id': 1, 'values': {}}"),
            "1 番目の項目 (id 1): 列 KIND がありません。");
        row("too many entries", file(many.join(',')),
            "（100001 個。読み込めるのは 100000 個までです）。");
        row("too large", "", "ファイルが大きすぎます（読み込めるのは 16 MiB までです）。");
    }

    void aFileThatCannotGoInWholeIsRefusedAndNothingWritten()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, problem);
        TestDatabase table;
        table.addRow("0", "F", "Kept");
        QFile file(path("bad.json"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(json.replace('\'', '"')) > -1);
        if (QTest::currentDataTag() == QByteArray("too large"))
            QVERIFY(file.resize(AccountFile::maxFileBytes + 1)); // sparse: nothing is written
        file.close();
        try {
            importRows(table.db(), "0", AccountFile::load(file.fileName()));
            QFAIL("the file was taken");
        } catch (const Failure &failure) {
            QVERIFY2(failure.description().endsWith(problem), qPrintable(failure.description()));
        }
        QCOMPARE(table.snapshot(), QStringList {"1 0 F Kept"});
    }

    void theHostMovesSettingsFromAScript_data()
    {
        QTest::addColumn<QString>("arguments"); // files in the temporary folder
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said"); // on stdout when it succeeds, otherwise on stderr
        QTest::newRow("export") << "--export out.json --with-passwords" << 0
                                << "フォルダ 2 件、アカウント 1 件を書き出しました。";
        QTest::newRow("import") << "--import in.json --under 3" << 0
                                << "フォルダ 1 件、アカウント 1 件を読み込みました。";
        QTest::newRow("a damaged file")
            << "--import cut.json" << 1
            << "「cut.json」を読み込めません。\nファイルが途中で切れています。";
        QTest::newRow("under an account")
            << "--import in.json --under 2" << 1 << "キー 2 の行はフォルダではありません。";
        QTest::newRow("a missing folder")
            << "--export gone/out.json" << 1
            << "「gone/out.json」に書き出せません（No such file or directory）。";
        QTest::newRow("both at once") << "--export out.json --import in.json" << 2
                                      << "usage: --export FILE [--with-passwords] [CONNSTR] | "
                                         "--import FILE [--under KEY] [CONNSTR]";
    }

    void theHostMovesSettingsFromAScript()
    {
        QFETCH(QString, arguments);
        QFETCH(int, status);
        QFETCH(QString, said);
        TestDatabase table;
        table.addRow(table.addRow("0", "F", "Work"), "A", "Mail");
        table.addRow("0", "F", "Home");
        AccountFile::save(path("in.json"), readSubtree(table.db(), "1"), false);
        QFile cut(path("cut.json"));
        QVERIFY(cut.open(QIODevice::WriteOnly) && cut.write("{\"format\": "));
        cut.close();
        QProcess host;
        host.setWorkingDirectory(m_dir.path());
        host.start(
            qEnvironmentVariable("TX_HOST"), arguments.split(' ') << table.connectionString());
        QVERIFY(host.waitForFinished(60000));
        QCOMPARE(host.exitCode(), status);
        const QByteArray out
            = status == 0 ? host.readAllStandardOutput() : host.readAllStandardError();
        QCOMPARE(QString::fromUtf8(out), "tx-account-host: " + said + '\n');
        QCOMPARE(table.snapshot().size(), QTest::currentDataTag() == QByteArray("import") ? 5 : 3);
    }
};

QTEST_GUILESS_MAIN(TestAccountFile)
#include "tst_accountfile.moc"
