#pragma once

#include "browser/TreeNodes.h"
#include "store/StoredRows.h"

#include <QString>
#include <QUndoCommand>

#include <vector>

class AccountList;
class Connection;
class SSNode;

// What the last undo or redo of a step came to.
struct StepAttempt {
    enum class Result { Done, Refused, Failed };
    Result result = Result::Done;
    QString why; // Refused: what another program did; Failed: the engine's words
    QString nodeKey; // Done: the node the step concerns, when it is shown
};

// Why a step cannot be taken: the rows are not as this window left them.
struct Refusal {
    QString why;
};

// "「name」", as a step's text and a message name a node: a long name cut
// short, line breaks as blanks.
QString quotedName(const QString &name);

// One change of the list's rows and nodes, taken back by undo and done
// again by redo. Each runs its statements in one transaction: a check that
// the rows are as the window left them, then the writes; only then does the
// tree follow. A step another program made impossible marks itself
// obsolete, and the stack lets it go.
class HistoryStep : public QUndoCommand {
public:
    HistoryStep(AccountList &list, StepAttempt &attempt, const QString &text);

    void undo() final;
    void redo() final;
    // The next undo or redo does nothing: what it would do is done already,
    // by the change when it is pushed, or because it failed.
    void skipNext() { m_skip = true; }

protected:
    // Inside the transaction; throw Refusal when the rows are not as left.
    virtual void writeBack(Connection &db) = 0;
    virtual void writeAgain(Connection &db) = 0;
    // The tree after the writes; the key of the node to choose, or none.
    virtual QString showBack() = 0;
    virtual QString showAgain() = 0;

    // Refuses unless a row has the key: the folder a row goes back into.
    void requireFolder(Connection &db, const QVariant &key) const;
    // Rows read by readSubtree go back under their keys, each after its
    // parent; then their nodes, where the load would show them. The node of
    // the first row, when it has one.
    void insertRows(Connection &db, const std::vector<StoredRow> &rows) const;
    SSNode *showRows(const std::vector<StoredRow> &rows);
    // Refuses unless the subtree is as `rows` read it.
    void requireUnchanged(Connection &db, const std::vector<StoredRow> &rows) const;

    AccountList &m_list;

private:
    void apply(bool back);

    StepAttempt &m_attempt;
    bool m_skip = true;
};

// A folder or an account added, or an account copied: taken back by
// deleting the row, done again by putting it back under its key.
class RowAdded : public HistoryStep {
public:
    RowAdded(AccountList &list, StepAttempt &attempt, const QString &text, StoredRow written);

protected:
    void writeBack(Connection &db) override;
    void writeAgain(Connection &db) override;
    QString showBack() override;
    QString showAgain() override;

private:
    StoredRow m_written; // what the change wrote, key included
    StoredRow m_row; // every column, as read when the row was taken back
    NodePlace m_place;
};

// A row's columns changed: a rename, a modified account, a move.
class RowChanged : public HistoryStep {
public:
    struct State {
        StoredRow columns; // the changed columns' values
        QString text; // the node's text
        NodePlace place;
    };
    RowChanged(AccountList &list, StepAttempt &attempt, const QString &text, const QString &key,
        State before, State after);

protected:
    void writeBack(Connection &db) override { write(db, m_after, m_before); }
    void writeAgain(Connection &db) override { write(db, m_before, m_after); }
    QString showBack() override { return show(m_before); }
    QString showAgain() override { return show(m_after); }

private:
    void write(Connection &db, const State &from, const State &to);
    QString show(const State &state);

    QString m_key;
    State m_before;
    State m_after;
};

// A folder with its subtree, or an account, deleted: taken back by putting
// every row back as it was read before the delete, done again by the
// delete's own statements.
class RowsDeleted : public HistoryStep {
public:
    RowsDeleted(AccountList &list, StepAttempt &attempt, const QString &text,
        std::vector<StoredRow> rows, std::vector<StoredRow> deleted, NodePlace place, bool subtree);

protected:
    void writeBack(Connection &db) override;
    void writeAgain(Connection &db) override;
    QString showBack() override;
    QString showAgain() override;

private:
    QString topKey() const;

    std::vector<StoredRow> m_rows; // as read before the delete
    std::vector<StoredRow> m_deleted; // what it deleted: all of them, unless it stopped
    NodePlace m_place;
    bool m_subtree;
};

// An import under the root or a folder: taken back by deleting each
// subtree it put in, once it is as the import left it, with the delete's
// own statements; done again by putting every row back under its key.
class RowsImported : public HistoryStep {
public:
    RowsImported(AccountList &list, StepAttempt &attempt, const QString &text, QString targetKey,
        std::vector<std::vector<StoredRow>> subtrees);

protected:
    void writeBack(Connection &db) override;
    void writeAgain(Connection &db) override;
    QString showBack() override;
    QString showAgain() override;

private:
    QString m_targetKey;
    std::vector<std::vector<StoredRow>> m_subtrees; // as read after the import
};
