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

#include <limits>

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

constexpr int noLimit = std::numeric_limits<int>::max();

// The editor's boxes, the columns they fill and their length limits.
const QList<std::tuple<QString, QString, int>> editorBoxes = {{"Text1", "NAME", 100},
    {"Text2", "SENDER", 100}, {"Text3", "MAIL_ADDRESS", 100}, {"Text4", "SMTP_HOST", 100},
    {"Text5", "SMTP_PORT", 8}, {"Text6", "POP_HOST", 100}, {"Text7", "POP_PORT", 8},
    {"Text8", "USERID", 30}, {"Text9", "PSWD", 30}, {"TextOfficeName", "OFFICE_NAME", 100},
    {"TextOfficeSection", "OFFICE_SECTION", 100}, {"TextTelNumber", "TEL_NUMBER", 20},
    {"TextFaxNumber", "FAX_NUMBER", 20}, {"TextAddress1", "ADDRESS1", 100},
    {"TextAddress2", "ADDRESS2", noLimit}, {"TextHandy", "HANDY", noLimit}};

const int folderNameLimit = 100;
const QList<std::tuple<QString, QString, int>> folderBoxes = {{"Text1", "NAME", folderNameLimit}};
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

    void aHostileTextIsStoredAsItsBoxShowsIt_data();
    void aHostileTextIsStoredAsItsBoxShowsIt();

private:
    QString newestKey() { return m_table->value("select max(ACCOUNT_NO) from ACCOUNT"); }
    // Pastes the text into every box of the folder dialog or of the editor and
    // its signature, noting what each shows by its column, and presses OK.
    void fill(QWidget *dialog, const QString &text);
    // The whole table against the rows expected, row by row.
    void verifyTable(const std::vector<QStringList> &expected);

    std::unique_ptr<TestDatabase> m_table;
    std::unique_ptr<Recording> m_record;
    QString m_folder;
    QString m_target;
    QHash<QString, QString> m_shown;
};

// A folder holding the target account and a neighbour, and a second folder
// with an account of its own: every column of every account filled.
void TestHostile::init()
{
    QFETCH_GLOBAL(int, engine);
    m_table = tableOn(Engine(engine));
    if (!m_table)
        QSKIP(noServer);
    m_record = std::make_unique<Recording>();
    m_shown.clear();
    const auto storeAccount = [this](const QString &parent, const QString &name) {
        QStringList values;
        for (const QString &column : accountColumns().mid(2))
            values << "'" + name + "-" + column + "'";
        m_table->db().execute("INSERT INTO ACCOUNT(" + accountColumns().join(',') + ") VALUES("
            + parent + ",'A'," + values.join(',') + ")");
        return newestKey();
    };
    m_folder = m_table->addFolder("0", "Folder");
    m_target = storeAccount(m_folder, "Target");
    storeAccount(m_folder, "Neighbour");
    storeAccount(m_table->addFolder("0", "Other"), "Elsewhere");
}

void TestHostile::cleanup()
{
    closeWindows();
    m_record.reset();
    m_table.reset();
    QCOMPARE(visibleWindows(), QStringList());
}

void TestHostile::fill(QWidget *dialog, const QString &text)
{
    const bool editor = dialog->objectName() == u"AccountAdd";
    for (const auto &[box, column, limit] : editor ? editorBoxes : folderBoxes) {
        paste(control(dialog, box), text);
        m_shown[column] = control(dialog, box)->text();
    }
    if (editor) {
        bool signatureEntered = false;
        ModalDriver::whenShown(
            "Sign",
            [&](QWidget *sign) {
                paste(control<QPlainTextEdit>(sign, "Text1"), text);
                // Each line break in the box is stored as mail carries it.
                m_shown["TEXT_SIG"]
                    = control<QPlainTextEdit>(sign, "Text1")->toPlainText().replace("\n", "\r\n");
                click(sign, "Command1");
            },
            &signatureEntered);
        click(dialog, "Command3");
        QVERIFY(signatureEntered);
    }
    click(dialog, editor ? "Command1" : "Command2");
}

void TestHostile::verifyTable(const std::vector<QStringList> &expected)
{
    const std::vector<QStringList> stored = allRows(*m_table);
    QCOMPARE(stored.size(), expected.size());
    for (size_t row = 0; row < stored.size(); ++row)
        QCOMPARE(stored[row], expected[row]);
}

// Each hostile text through each path: the editor's add, modify and copy,
// the folder dialog's add and rename, and the label edited in place.
void TestHostile::aHostileTextIsStoredAsItsBoxShowsIt_data()
{
    QTest::addColumn<QString>("payload");
    QTest::addColumn<QString>("held"); // what a box without a limit holds once it is pasted
    QTest::addColumn<QString>("command");
    QString big;
    while (big.size() < 65536)
        big += u"O'Neill 営業 📧 %1 \\ "_qs;
    struct Payload {
        const char *name;
        QString text;
        QString held = {}; // when it differs from the text
    };
    const QList<Payload> payloads = {{"apostrophe", "'"}, {"two apostrophes", "''"},
        {"backslash before an apostrophe", "\\'"}, {"trailing backslash", "C:\\mail\\"},
        {"statement injection", "'); DROP TABLE ACCOUNT;--"}, {"numbered markers", "%1%2 %1"},
        {"a marker after a number", "50%2off"},
        {"named markers", "%tablename %parentkey %key %p_val %val"},
        {"Japanese", u"営業部の山田です"_qs},
        {"emoji and other non-BMP characters", u"📧🧑‍💻𝄞𠮷"_qs},
        {"right-to-left text", u"שלום مرحبا \u202Egnp.exe"_qs}, {"64 KB", firstUnits(big, 65536)},
        {"a length limit inside a character", "a" + u"📧"_qs.repeated(60)},
        {"newlines and tabs", "line 1\nline 2\r\n\tindented\t"},
        // A desktop edit control never holds NUL; the boxes drop it, and the
        // noncharacters that SQLite would turn into U+FFFD.
        {"NUL", QStringLiteral("a") + QChar(0) + QStringLiteral("b"), "ab"},
        {"noncharacters", u"a\uFFFEb\uFFFF"_qs, "ab"}};
    for (const char *command : {"add", "update", "copy", "addf", "updatef", "label"})
        for (const Payload &payload : payloads)
            QTest::addRow("%s: %s", command, payload.name)
                << payload.text << (payload.held.isNull() ? payload.text : payload.held)
                << QString(command);
}

void TestHostile::aHostileTextIsStoredAsItsBoxShowsIt()
{
    QFETCH(QString, payload);
    QFETCH(QString, held);
    QFETCH(QString, command);
    const bool folder = command.endsWith(u'f');
    const bool adds = command == u"add" || command == u"copy" || command == u"addf";
    const QString selected = command == u"add" || folder ? m_folder : m_target;
    // What the boxes show: the editor's boxes cut the text at their limits;
    // the signature and folder name boxes drop apostrophes, and the multi-line
    // signature box stores each line break it was given as CRLF.
    QHash<QString, QString> expected;
    if (command == u"label") {
        expected["NAME"] = held;
    } else if (folder) {
        expected["NAME"] = firstUnits(held, folderNameLimit).remove(u'\'');
    } else {
        for (const auto &[box, column, limit] : editorBoxes)
            expected[column] = firstUnits(held, limit);
        expected["TEXT_SIG"]
            = QString(held).remove(u'\'').replace("\r\n", "\n").replace("\n", "\r\n");
    }
    std::vector<QStringList> rows = allRows(*m_table);
    bool stayedOpen = false;
    QString nodeText;
    QVERIFY(inAccountList(m_table->connectionString(), [&](AccountBrowse &window) {
        SSTree *tree = window.SSTree1();
        clickNode(tree, tree->node(selected));
        if (command == u"label") {
            QTest::keyClick(tree, Qt::Key_F2);
            QTRY_VERIFY(labelEditor(tree));
            paste(labelEditor(tree), payload);
            m_shown["NAME"] = labelEditor(tree)->text();
            QTest::keyClick(labelEditor(tree), Qt::Key_Return);
            QTRY_VERIFY(!labelEditor(tree));
        } else {
            // A dialog left open is cancelled, so that the button's call returns.
            bool opened = false;
            ModalDriver::whenShown(
                folder ? "FolderAdd" : "AccountAdd",
                [&](QWidget *dialog) {
                    fill(dialog, payload);
                    stayedOpen = dialog->isVisible();
                    if (stayedOpen)
                        qobject_cast<QDialog *>(dialog)->reject();
                },
                &opened);
            clickButton(window, command);
            QVERIFY2(opened, qPrintable(command));
        }
        nodeText = tree->node(adds ? newestKey() : selected)->text();
    }));

    for (auto column = expected.cbegin(); column != expected.cend(); ++column)
        QVERIFY2(m_shown.value(column.key()) == column.value(), qPrintable(column.key()));
    const bool refused = expected["NAME"].isEmpty(); // a folder name of apostrophes alone
    QCOMPARE(stayedOpen, refused);
    QCOMPARE(m_record->messages(), refused ? QStringList {emptyNameMessage} : QStringList());
    if (refused)
        return verifyTable(rows);
    QCOMPARE(nodeText, expected["NAME"]);
    // The row the command wrote holds what the boxes showed; every other row
    // is as it was.
    const QString key = adds ? newestKey() : selected;
    auto row = std::find_if(
        rows.begin(), rows.end(), [&key](const QStringList &fields) { return fields[0] == key; });
    QCOMPARE(row == rows.end(), adds);
    if (adds) {
        QStringList added(accountColumns().size() + 1);
        added[0] = key;
        added[fieldOf("P_ACCOUNT_NO")] = m_folder;
        added[fieldOf("KIND")] = folder ? "F" : "A";
        if (!folder)
            added[fieldOf("HTML_SIG")] = command == u"copy" ? " " : "";
        row = rows.insert(rows.end(), added);
    }
    for (auto column = expected.cbegin(); column != expected.cend(); ++column)
        (*row)[fieldOf(column.key())] = column.value();
    verifyTable(rows);
}

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
