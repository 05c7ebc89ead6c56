#pragma once

#include <QFrame>

#include <functional>

class QLabel;
class QTimer;

// A line at the foot of a window that says what has just happened, with a
// link to act on it. It lies over whatever is there, takes no focus, and
// goes by itself after a while, or when something else is said.
class NoticeStrip : public QFrame {
public:
    static constexpr int shownMilliseconds = 10000;

    explicit NoticeStrip(QWidget *window);

    // An empty text hides the strip; `follow` runs when the link is clicked.
    void say(const QString &text, const QString &link, std::function<void()> follow);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void place();

    QLabel *m_text;
    QLabel *m_link;
    QTimer *m_timer;
    std::function<void()> m_follow;
};
