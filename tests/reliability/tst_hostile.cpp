// Hostile text through every box a person fills: the account editor's
// sixteen boxes and the signature (add, modify, copy), the folder name (add,
// rename) and a label edited in place. Each text is pasted, as a person
// brings a text the keyboard cannot type, and must land in the table exactly
// as the box shows it, with every other row as it was.

#include "support/AccountListDriver.h"
#include "support/DialogTest.h"

#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "store/Schema.h"

#include <QClipboard>
#include <QDialog>
#include <QPlainTextEdit>

using namespace DialogTest;

namespace {

// The first `limit` UTF-16 units of a text, never half a character: what a
// box with that maximum length keeps of a pasted text.
QString firstUnits(const QString &text, int limit)
{
    QString kept = text.left(limit);
    if (!kept.isEmpty() && kept.back().isHighSurrogate())
        kept.chop(1);
    return kept;
}

QString sixtyFourKilobytes()
{
    const QString piece = u"O'Neill 営業 📧 %1 \\ "_qs;
    QString text;
    while (text.size() < 65536)
        text += piece;
    return firstUnits(text, 65536);
}

// Each hostile text, and what a box without a limit holds once it is
// pasted; once for each of the commands given.
void payloadRows(const QStringList &commands = {QString()})
{
    QTest::addColumn<QString>("payload");
    QTest::addColumn<QString>("held");
    QTest::addColumn<QString>("command");
    const QString nul = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    const QList<std::tuple<const char *, QString, QString>> rows = {
        {"apostrophe", "'", "'"},
        {"two apostrophes", "''", "''"},
        {"backslash before an apostrophe", "\\'", "\\'"},
        {"trailing backslash", "C:\\mail\\", "C:\\mail\\"},
        {"statement injection", "'); DROP TABLE ACCOUNT;--", "'); DROP TABLE ACCOUNT;--"},
        {"numbered markers", "%1%2 %1", "%1%2 %1"},
        {"a marker after a number", "50%2off", "50%2off"},
        {"named markers", "%tablename %parentkey %key %p_val %val",
            "%tablename %parentkey %key %p_val %val"},
        {"Japanese", u"営業部の山田です"_qs, u"営業部の山田です"_qs},
        {"emoji and other non-BMP characters", u"📧🧑‍💻𝄞𠮷"_qs,
            u"📧🧑‍💻𝄞𠮷"_qs},
        {"right-to-left text", u"שלום مرحبا \u202Egnp.exe"_qs, u"שלום مرحبا \u202Egnp.exe"_qs},
        {"64 KB", sixtyFourKilobytes(), sixtyFourKilobytes()},
        {"a length limit inside a character", "a" + u"📧"_qs.repeated(60),
            "a" + u"📧"_qs.repeated(60)},
        {"newlines and tabs", "line 1\nline 2\r\n\tindented\t", "line 1\nline 2\r\n\tindented\t"},
        // A desktop edit control never holds NUL; the boxes drop it, and the
        // noncharacters that SQLite would turn into U+FFFD.
        {"NUL", nul, "ab"},
        {"noncharacters", u"a\uFFFEb\uFFFF"_qs, "ab"},
    };
    for (const QString &command : commands)
        for (const auto &[name, payload, held] : rows)
            QTest::addRow("%s%s%s", qPrintable(command), command.isEmpty() ? "" : ": ", name)
                << payload << held << command;
}

// What the signature box and the folder name box keep: no apostrophe; and
// the multi-line box takes a line break as a single line feed.
QString withoutApostrophes(const QString &text)
{
    return QString(text).remove(u'\'');
}

QString asSignature(const QString &text)
{
    return withoutApostrophes(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

constexpr int noLimit = -1;

struct EditorBox {
    QString name;
    QString column;
    int maxLength;
};

// The editor's boxes, the columns they fill and their length limits.
const QList<EditorBox> editorBoxes = {{"Text1", "NAME", 100}, {"Text2", "SENDER", 100},
    {"Text3", "MAIL_ADDRESS", 100}, {"Text4", "SMTP_HOST", 100}, {"Text5", "SMTP_PORT", 8},
    {"Text6", "POP_HOST", 100}, {"Text7", "POP_PORT", 8}, {"Text8", "USERID", 30},
    {"Text9", "PSWD", 30}, {"TextOfficeName", "OFFICE_NAME", 100},
    {"TextOfficeSection", "OFFICE_SECTION", 100}, {"TextTelNumber", "TEL_NUMBER", 20},
    {"TextFaxNumber", "FAX_NUMBER", 20}, {"TextAddress1", "ADDRESS1", 100},
    {"TextAddress2", "ADDRESS2", noLimit}, {"TextHandy", "HANDY", noLimit}};

QString keptBy(const EditorBox &box, const QString &held)
{
    return box.maxLength == noLimit ? held : firstUnits(held, box.maxLength);
}

const int folderNameLimit = 100;
const QString emptyNameMessage = u"正確な文字を入力してください。"_qs;

template <typename Box> void paste(Box *box, const QString &text)
{
    QApplication::clipboard()->setText(text);
    box->selectAll();
    box->paste();
}

QLineEdit *labelEditor(SSTree *tree)
{
    return tree->viewport()->findChild<QLineEdit *>();
}

using Row = QStringList;

Row rowOf(const std::vector<Row> &rows, const QString &key)
{
    const auto found = std::find_if(
        rows.begin(), rows.end(), [&key](const Row &row) { return row.front() == key; });
    return found == rows.end() ? Row() : *found;
}

// A row's field for the column, counting ACCOUNT_NO before the inserted ones.
qsizetype fieldOf(const QString &column)
{
    return accountColumns().indexOf(column) + 1;
}

} // namespace

class TestHostile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { engineRows(); }
    void init();
    void cleanup();

    void everyEditorBoxStoresAHostileTextAsItShowsIt_data();
    void everyEditorBoxStoresAHostileTextAsItShowsIt();
    void aHostileFolderNameIsStoredWithoutItsApostrophes_data();
    void aHostileFolderNameIsStoredWithoutItsApostrophes();
    void aHostileLabelIsStoredAsTyped_data() { payloadRows(); }
    void aHostileLabelIsStoredAsTyped();

private:
    // A folder holding the target account and a neighbour, and a second
    // folder with an account of its own: every column of every account filled.
    void fillTable();
    QString storeAccount(const QString &parent, const QString &name);
    QString newestKey();
    // Opens the list, clicks the node and the toolbar button, and acts in the
    // dialog the button opens.
    // Afterwards, with the dialog closed, `after` sees the list.
    void throughToolbar(const QString &nodeKey, const QString &button, const QString &dialog,
        const std::function<void(QWidget *)> &action,
        const std::function<void(AccountBrowse &)> &after);
    // The table must hold `expected` as the row `key` (a new row when `key`
    // is not there before) and every other row as it was.
    void checkOnlyRowChanged(
        const std::vector<Row> &before, const QString &key, const Row &expected);

    std::unique_ptr<TestDatabase> m_table;
    QHash<QString, QString> m_keys;
    QStringList m_messages;
};

void TestHostile::init()
{
    QFETCH_GLOBAL(int, engine);
    m_table = tableOn(Engine(engine));
    if (!m_table)
        QSKIP(noServer);
    m_messages.clear();
    MessageBox::setAnswerer([this](const MessageBox::Request &request) {
        m_messages << request.text;
        return MessageBox::Answer::Ok;
    });
    fillTable();
}

void TestHostile::cleanup()
{
    ModalDriver::closeAllModals();
    list().unload();
    MessageBox::setAnswerer({});
    m_table.reset();
    QCOMPARE(visibleWindows(), QStringList());
}

void TestHostile::fillTable()
{
    m_keys.clear();
    m_keys["folder"] = m_table->addFolder("0", "Folder");
    m_keys["target"] = storeAccount(m_keys["folder"], "Target");
    m_keys["neighbour"] = storeAccount(m_keys["folder"], "Neighbour");
    m_keys["other folder"] = m_table->addFolder("0", "Other");
    storeAccount(m_keys["other folder"], "Elsewhere");
}

QString TestHostile::storeAccount(const QString &parent, const QString &name)
{
    QStringList values;
    for (const QString &column : accountColumns().mid(2))
        values << "'" + name + "-" + column + "'";
    m_table->db().execute("INSERT INTO ACCOUNT(" + accountColumns().join(',') + ") VALUES(" + parent
        + ",'A'," + values.join(',') + ")");
    return newestKey();
}

QString TestHostile::newestKey()
{
    return m_table->value("select max(ACCOUNT_NO) from ACCOUNT");
}

void TestHostile::throughToolbar(const QString &nodeKey, const QString &button,
    const QString &dialog, const std::function<void(QWidget *)> &action,
    const std::function<void(AccountBrowse &)> &after)
{
    bool acted = false;
    QVERIFY(inAccountList(m_table->connectionString(), [&](AccountBrowse &window) {
        clickNode(window.SSTree1(), window.SSTree1()->node(nodeKey));
        // A dialog the action leaves open (a check failed) is cancelled, so
        // that the button's call returns.
        ModalDriver::whenShown(
            dialog,
            [&action](QWidget *shown) {
                const QPointer<QWidget> alive(shown);
                action(shown);
                if (alive && alive->isVisible())
                    qobject_cast<QDialog *>(shown)->reject();
            },
            &acted);
        clickButton(window, button);
        after(window);
    }));
    QVERIFY2(acted, qPrintable(dialog));
}

void TestHostile::checkOnlyRowChanged(
    const std::vector<Row> &before, const QString &key, const Row &expected)
{
    std::vector<Row> after = allRows(*m_table);
    const auto changed = std::find_if(
        after.begin(), after.end(), [&key](const Row &row) { return row.front() == key; });
    QVERIFY2(changed != after.end(), qPrintable(key));
    for (qsizetype i = 0; i < expected.size(); ++i)
        QVERIFY2(changed->at(i) == expected.at(i),
            qPrintable(QStringLiteral("column %1: %2 characters stored, %3 expected")
                           .arg(i)
                           .arg(changed->at(i).size())
                           .arg(expected.at(i).size())));
    after.erase(changed);
    std::vector<Row> others = before;
    std::erase_if(others, [&key](const Row &row) { return row.front() == key; });
    QCOMPARE(after, others);
}

void TestHostile::everyEditorBoxStoresAHostileTextAsItShowsIt_data()
{
    payloadRows({"add", "update", "copy"});
}

void TestHostile::everyEditorBoxStoresAHostileTextAsItShowsIt()
{
    QFETCH(QString, payload);
    QFETCH(QString, held);
    QFETCH(QString, command);
    const auto before = allRows(*m_table);
    const QString selected = command == u"add" ? m_keys["folder"] : m_keys["target"];
    QHash<QString, QString> shown;
    QString key;
    QString nodeText;
    throughToolbar(
        selected, command, "AccountAdd",
        [&](QWidget *editor) {
            for (const EditorBox &box : editorBoxes) {
                paste(control(editor, box.name), payload);
                shown[box.column] = control(editor, box.name)->text();
            }
            bool signatureEntered = false;
            ModalDriver::whenShown(
                "Sign",
                [&](QWidget *sign) {
                    paste(control<QPlainTextEdit>(sign, "Text1"), payload);
                    shown["TEXT_SIG"] = control<QPlainTextEdit>(sign, "Text1")->toPlainText();
                    click(sign, "Command1");
                },
                &signatureEntered);
            click(editor, "Command3");
            QVERIFY(signatureEntered);
            click(editor, "Command1");
        },
        [&](AccountBrowse &window) {
            key = command == u"update" ? selected : newestKey();
            nodeText = window.SSTree1()->node(key)->text();
        });

    QCOMPARE(m_messages, QStringList());
    for (const EditorBox &box : editorBoxes)
        QVERIFY2(shown[box.column] == keptBy(box, held), qPrintable(box.name));
    QCOMPARE(shown["TEXT_SIG"], asSignature(held));
    QCOMPARE(nodeText, shown["NAME"]);
    Row expected = command == u"update" ? rowOf(before, key) : Row(accountColumns().size() + 1);
    expected[0] = key;
    if (command != u"update") {
        QVERIFY(rowOf(before, key).isEmpty());
        expected[fieldOf("P_ACCOUNT_NO")] = m_keys["folder"];
        expected[fieldOf("KIND")] = "A";
        expected[fieldOf("HTML_SIG")] = command == u"copy" ? " " : "";
    }
    for (auto column = shown.cbegin(); column != shown.cend(); ++column)
        expected[fieldOf(column.key())] = column.value();
    checkOnlyRowChanged(before, key, expected);
}

void TestHostile::aHostileFolderNameIsStoredWithoutItsApostrophes_data()
{
    payloadRows({"addf", "updatef"});
}

void TestHostile::aHostileFolderNameIsStoredWithoutItsApostrophes()
{
    QFETCH(QString, payload);
    QFETCH(QString, held);
    QFETCH(QString, command);
    const auto before = allRows(*m_table);
    // The box cuts the pasted text at its limit, then drops the apostrophes.
    const QString name = withoutApostrophes(firstUnits(held, folderNameLimit));
    QString shown;
    bool refused = false;
    QString key;
    QString nodeText;
    throughToolbar(
        m_keys["folder"], command, "FolderAdd",
        [&](QWidget *dialog) {
            paste(control(dialog, "Text1"), payload);
            shown = control(dialog, "Text1")->text();
            click(dialog, "Command2");
            refused = dialog->isVisible();
            if (refused)
                click(dialog, "Command3");
        },
        [&](AccountBrowse &window) {
            key = command == u"addf" ? newestKey() : m_keys["folder"];
            nodeText = window.SSTree1()->node(key)->text();
        });

    QCOMPARE(shown, name);
    if (name.isEmpty()) {
        QVERIFY(refused);
        QCOMPARE(m_messages, QStringList {emptyNameMessage});
        QCOMPARE(allRows(*m_table), before);
        return;
    }
    QCOMPARE(m_messages, QStringList());
    QCOMPARE(nodeText, name);
    Row expected = command == u"updatef" ? rowOf(before, key) : Row(accountColumns().size() + 1);
    expected[0] = key;
    if (command == u"addf") {
        QVERIFY(rowOf(before, key).isEmpty());
        expected[fieldOf("P_ACCOUNT_NO")] = m_keys["folder"];
        expected[fieldOf("KIND")] = "F";
    }
    expected[fieldOf("NAME")] = name;
    checkOnlyRowChanged(before, key, expected);
}

void TestHostile::aHostileLabelIsStoredAsTyped()
{
    QFETCH(QString, payload);
    QFETCH(QString, held);
    const auto before = allRows(*m_table);
    const QString key = m_keys["target"];
    QString shown;
    QVERIFY(inAccountList(m_table->connectionString(), [&](AccountBrowse &window) {
        SSTree *tree = window.SSTree1();
        clickNode(tree, tree->node(key));
        QTest::keyClick(tree, Qt::Key_F2);
        QTRY_VERIFY(labelEditor(tree));
        paste(labelEditor(tree), payload);
        QTest::keyClick(labelEditor(tree), Qt::Key_Return);
        QTRY_VERIFY(!labelEditor(tree));
        shown = tree->node(key)->text();
    }));

    QCOMPARE(m_messages, QStringList());
    QCOMPARE(shown, held);
    Row expected = rowOf(before, key);
    expected[fieldOf("NAME")] = held;
    checkOnlyRowChanged(before, key, expected);
}

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
