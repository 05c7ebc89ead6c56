#include "HistoryControls.h"

#include "browser/AccountHistory.h"
#include "ui/NoticeStrip.h"

#include <QAction>

namespace {

const QString undoWord = QStringLiteral("元に戻す");
const QString redoWord = QStringLiteral("やり直す");

// A step's name holds a person's text: an ampersand in it is no mnemonic.
void offer(QAction *action, const QString &word, bool can, const QString &step)
{
    action->setEnabled(can);
    action->setText(can
            ? word + QStringLiteral(": ") + QString(step).replace(u'&', QStringLiteral("&&"))
            : word);
}

} // namespace

HistoryControls::HistoryControls(AccountHistory &history)
    : m_history(history)
{
}

void HistoryControls::attach(QWidget *window)
{
    m_undo = new QAction(window);
    m_undo->setObjectName(QStringLiteral("undo"));
    m_redo = new QAction(window);
    m_redo->setObjectName(QStringLiteral("redo"));
    m_notice = new NoticeStrip(window);
    QUndoStack &stack = m_history.stack();
    QObject::connect(&stack, &QUndoStack::indexChanged, window, [this] { showSteps(); });
    QObject::connect(&stack, &QUndoStack::undoTextChanged, window, [this] { showSteps(); });
    QObject::connect(&stack, &QUndoStack::redoTextChanged, window, [this] { showSteps(); });
    m_history.setNoticeHook([this](const HistoryNotice &notice) { tell(notice); });
    showSteps();
}

QAction *HistoryControls::undoAction() const
{
    return m_undo;
}

QAction *HistoryControls::redoAction() const
{
    return m_redo;
}

void HistoryControls::showSteps()
{
    if (!m_undo || !m_redo)
        return;
    const QUndoStack &stack = m_history.stack();
    offer(m_undo, undoWord, stack.canUndo(), stack.undoText());
    offer(m_redo, redoWord, stack.canRedo(), stack.redoText());
}

// The stack says nothing when it lets a refused step go: the actions are
// brought up to date at every notice.
void HistoryControls::tell(const HistoryNotice &notice)
{
    showSteps();
    if (!m_notice)
        return;
    const bool undoes = notice.link == HistoryNotice::Link::Undo;
    QAction *action = undoes ? m_undo : m_redo;
    m_notice->say(notice.text, undoes ? undoWord : redoWord, [action] {
        if (action && action->isEnabled())
            action->trigger();
    });
}
