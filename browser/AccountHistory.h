#pragma once

#include "browser/HistorySteps.h"
#include "store/AccountStatements.h"

#include <QString>
#include <QStringList>
#include <QUndoStack>

#include <functional>
#include <optional>

class AccountList;
class SSNode;

// What the window says at its foot after a step, with a link that takes
// the step back or does it again; an empty text says nothing, and whatever
// was said goes.
struct HistoryNotice {
    enum class Link { None, Undo, Redo };
    QString text;
    Link link = Link::None;
};

// The changes made in one opening of the list, for undo and redo: one step
// a change, pushed once its statements have run. A step the rows no longer
// allow (another program changed them) leaves the history, and the others
// stay, each checked again when its turn comes; a step the database failed
// to take stays where it was, to be tried again.
class AccountHistory {
public:
    using NoticeHook = std::function<void(const HistoryNotice &)>;

    explicit AccountHistory(AccountList &list);
    ~AccountHistory();
    AccountHistory(const AccountHistory &) = delete;
    AccountHistory &operator=(const AccountHistory &) = delete;

    QUndoStack &stack() { return m_stack; }
    void clear();
    void setNoticeHook(NoticeHook hook) { m_noticeHook = std::move(hook); }

    // What the list tells once a change has written: the values it wrote,
    // and what the row and the node held before.
    void addedFolder(const QString &key, const QString &parentKey, const QString &name);
    void addedAccount(const QString &key, const QString &parentKey,
        const AccountStatements::AccountValues &values,
        AccountStatements::HtmlSignature htmlSignature);
    // `stored` is the row as read before; none when it was not there then.
    void renamed(const SSNode *node, const std::optional<StoredRow> &stored,
        const QString &textBefore, const QString &name);
    void modified(const SSNode *node, const StoredRow &stored, const QString &textBefore,
        const AccountStatements::AccountValues &values);
    // The node is where the move put it.
    void moved(const SSNode *node, const NodePlace &from);
    // Reads the node's rows, runs the delete's statements and records what
    // they deleted, also when they stop part way.
    void deleting(const QString &key, bool subtree, const std::function<void()> &statements);
    // An import under the node has put in the rows of these keys, each with
    // its subtree.
    void imported(const SSNode *node, const QStringList &topKeys);

    // The key of the node the step concerns, empty when it is gone; none
    // when no step was taken (the user has been told why).
    std::optional<QString> undo();
    std::optional<QString> redo();

private:
    void added(StoredRow written, const QString &verb);
    void changed(
        const SSNode *node, RowChanged::State before, RowChanged::State after, const QString &verb);
    void push(HistoryStep *step, const HistoryNotice &notice = {});
    std::optional<QString> settle(HistoryStep *step, const QString &text, bool back);
    void notify(const HistoryNotice &notice);
    HistoryStep *stepAt(int index);

    AccountList &m_list;
    QUndoStack m_stack;
    StepAttempt m_attempt;
    NoticeHook m_noticeHook;
};
