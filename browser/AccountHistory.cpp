#include "AccountHistory.h"

#include "browser/AccountList.h"
#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "browser/TreeNodes.h"
#include "ui/MessageBox.h"

namespace {

// The rows a delete that stopped part way did delete, in their order; none
// when the table cannot tell.
std::vector<StoredRow> whatWent(Connection &db, const std::vector<StoredRow> &rows)
{
    std::vector<StoredRow> went;
    try {
        for (const StoredRow &row : rows)
            if (!isKeyStored(db, row.value(QStringLiteral("ACCOUNT_NO")).toLongLong()))
                went.push_back(row);
    } catch (...) {
        went.clear();
    }
    return went;
}

StoredRow newRow(const QString &key, const QString &parentKey, const QString &kind)
{
    StoredRow row;
    row.setValue(QStringLiteral("ACCOUNT_NO"), key);
    row.setValue(QStringLiteral("P_ACCOUNT_NO"), parentKey);
    row.setValue(QStringLiteral("KIND"), kind);
    return row;
}

HistoryNotice deletedNotice(const QString &name, size_t rows)
{
    const QString text = rows > 1
        ? QStringLiteral("%1と %2 件を削除しました").arg(quotedName(name)).arg(rows - 1)
        : QStringLiteral("%1を削除しました").arg(quotedName(name));
    return {text, HistoryNotice::Link::Undo};
}

// As a step's text names a row or its node.
QString kindWord(bool account)
{
    return account ? QStringLiteral("アカウント") : QStringLiteral("フォルダ");
}

QString kindWord(const SSNode *node)
{
    return kindWord(kindOf(node) == NodeKind::Account);
}

} // namespace

AccountHistory::AccountHistory(AccountList &list)
    : m_list(list)
{
}

AccountHistory::~AccountHistory() = default;

void AccountHistory::clear()
{
    m_stack.clear();
    notify({});
}

void AccountHistory::addedFolder(const QString &key, const QString &parentKey, const QString &name)
{
    StoredRow written = newRow(key, parentKey, QStringLiteral("F"));
    written.setValue(QStringLiteral("NAME"), name);
    added(std::move(written), QStringLiteral("追加"));
}

// The insert's values, and the HTML signature it gives.
void AccountHistory::addedAccount(const QString &key, const QString &parentKey,
    const AccountStatements::AccountValues &values, AccountStatements::HtmlSignature htmlSignature)
{
    const bool copied = htmlSignature == AccountStatements::HtmlSignature::Copied;
    StoredRow written = newRow(key, parentKey, QStringLiteral("A"));
    for (const auto &[column, value] : values)
        written.setValue(column, value);
    written.setValue(QStringLiteral("HTML_SIG"), copied ? QStringLiteral(" ") : QString(""));
    added(std::move(written), copied ? QStringLiteral("複写") : QStringLiteral("追加"));
}

void AccountHistory::added(StoredRow written, const QString &verb)
{
    const QString kind = kindWord(written.value(QStringLiteral("KIND")).toString() != u"F");
    const QString name = written.value(QStringLiteral("NAME")).toString();
    push(new RowAdded(
        m_list, m_attempt, kind + quotedName(name) + u'の' + verb, std::move(written)));
}

// Another program may have put the row there after it was read: with
// nothing known of before, there is nothing to take back.
void AccountHistory::renamed(const SSNode *node, const std::optional<StoredRow> &stored,
    const QString &textBefore, const QString &name)
{
    if (!stored)
        return;
    const QString column = QStringLiteral("NAME");
    RowChanged::State before {{}, textBefore, {}}, after {{}, name, {}};
    before.columns.setValue(column, stored->value(column));
    after.columns.setValue(column, name);
    changed(node, std::move(before), std::move(after), QStringLiteral("名前の変更"));
}

void AccountHistory::modified(const SSNode *node, const StoredRow &stored,
    const QString &textBefore, const AccountStatements::AccountValues &values)
{
    RowChanged::State before {{}, textBefore, {}}, after {{}, node->text(), {}};
    for (const auto &[column, value] : values) {
        before.columns.setValue(column, stored.value(column));
        after.columns.setValue(column, value);
    }
    changed(node, std::move(before), std::move(after), QStringLiteral("修正"));
}

void AccountHistory::moved(const SSNode *node, const NodePlace &from)
{
    const NodePlace to = placeOf(node);
    const QString column = QStringLiteral("P_ACCOUNT_NO");
    RowChanged::State before {{}, node->text(), from}, after {{}, node->text(), to};
    before.columns.setValue(column, from.parentKey.toLongLong());
    after.columns.setValue(column, to.parentKey.toLongLong());
    changed(node, std::move(before), std::move(after), QStringLiteral("移動"));
}

// A change that left the row as it was is no step.
void AccountHistory::changed(
    const SSNode *node, RowChanged::State before, RowChanged::State after, const QString &verb)
{
    if (holds(after.columns, before.columns) && before.place.parentKey == after.place.parentKey)
        return;
    const QString text = kindWord(node) + quotedName(before.text) + u'の' + verb;
    push(new RowChanged(m_list, m_attempt, text, node->key(), std::move(before), std::move(after)));
}

// A row another program deleted first leaves nothing to take back.
void AccountHistory::deleting(
    const QString &key, bool subtree, const std::function<void()> &statements)
{
    const SSNode *node = m_list.tree()->node(key);
    const NodePlace place = placeOf(node);
    const QString name = node->text();
    const QString text = kindWord(node) + quotedName(name) + QStringLiteral("の削除");
    const std::vector<StoredRow> rows = readSubtree(m_list.connection(), key);
    const bool own
        = !rows.empty() && shownText(rows.front().value(QStringLiteral("ACCOUNT_NO"))) == key;
    const auto record = [&](std::vector<StoredRow> deleted) {
        if (own && !deleted.empty())
            push(new RowsDeleted(m_list, m_attempt, text, rows, deleted, place, subtree),
                deletedNotice(name, deleted.size()));
    };
    try {
        statements();
    } catch (...) {
        record(whatWent(m_list.connection(), rows));
        throw;
    }
    record(rows);
}

void AccountHistory::imported(const SSNode *node, const QStringList &topKeys)
{
    std::vector<std::vector<StoredRow>> subtrees;
    for (const QString &key : topKeys)
        if (std::vector<StoredRow> rows = readSubtree(m_list.connection(), key); !rows.empty())
            subtrees.push_back(std::move(rows));
    if (!subtrees.empty())
        push(new RowsImported(m_list, m_attempt,
            quotedName(node->text()) + QStringLiteral("への読み込み"), node->key(),
            std::move(subtrees)));
}

std::optional<QString> AccountHistory::undo()
{
    if (!m_stack.canUndo())
        return std::nullopt;
    HistoryStep *step = stepAt(m_stack.index() - 1);
    const QString text = step->text();
    m_stack.undo();
    return settle(step, text, true);
}

std::optional<QString> AccountHistory::redo()
{
    if (!m_stack.canRedo())
        return std::nullopt;
    HistoryStep *step = stepAt(m_stack.index());
    const QString text = step->text();
    m_stack.redo();
    return settle(step, text, false);
}

// A refused step is gone from the stack already; a failed one is put back
// where it stood, without running it again.
std::optional<QString> AccountHistory::settle(HistoryStep *step, const QString &text, bool back)
{
    const QString cannot
        = back ? QStringLiteral("元に戻せません: ") : QStringLiteral("やり直せません: ");
    switch (m_attempt.result) {
    case StepAttempt::Result::Done:
        notify({(back ? QStringLiteral("元に戻しました: ") : QStringLiteral("やり直しました: "))
                + text,
            back ? HistoryNotice::Link::Redo : HistoryNotice::Link::Undo});
        return m_attempt.nodeKey;
    case StepAttempt::Result::Refused:
        notify({});
        MessageBox::show(cannot + text + QStringLiteral("\n\n") + m_attempt.why
            + QStringLiteral("\n\nこの操作は履歴から外しました。"));
        break;
    case StepAttempt::Result::Failed:
        step->skipNext();
        if (back)
            m_stack.redo();
        else
            m_stack.undo();
        notify({});
        MessageBox::show(cannot + text + QStringLiteral("\n\n") + m_attempt.why,
            MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
        break;
    }
    return std::nullopt;
}

void AccountHistory::push(HistoryStep *step, const HistoryNotice &notice)
{
    m_stack.push(step);
    notify(notice);
}

void AccountHistory::notify(const HistoryNotice &notice)
{
    if (m_noticeHook)
        m_noticeHook(notice);
}

HistoryStep *AccountHistory::stepAt(int index)
{
    return static_cast<HistoryStep *>(const_cast<QUndoCommand *>(m_stack.command(index)));
}
