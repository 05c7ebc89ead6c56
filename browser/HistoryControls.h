#pragma once

#include <QPointer>

class AccountHistory;
class NoticeStrip;
class QAction;
class QWidget;
struct HistoryNotice;

// The list's history as its window offers it: undo and redo as two actions
// whose texts name the step they would take ("元に戻す: フォルダ「仕事」の削除"),
// switched off when there is none, and the notice at the window's foot
// after a delete, an undo or a redo, whose link takes the next step. The
// window routes the actions.
class HistoryControls {
public:
    explicit HistoryControls(AccountHistory &history);

    // Makes the actions and the notice on a freshly loaded window.
    void attach(QWidget *window);
    QAction *undoAction() const;
    QAction *redoAction() const;

private:
    void showSteps();
    void tell(const HistoryNotice &notice);

    AccountHistory &m_history;
    QPointer<QAction> m_undo;
    QPointer<QAction> m_redo;
    QPointer<NoticeStrip> m_notice;
};
