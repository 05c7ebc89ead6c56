#include "NoticeStrip.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>

NoticeStrip::NoticeStrip(QWidget *window)
    : QFrame(window)
    , m_text(new QLabel(this))
    , m_link(new QLabel(this))
    , m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("Notice"));
    m_text->setObjectName(QStringLiteral("NoticeText"));
    m_link->setObjectName(QStringLiteral("NoticeLink"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    setFocusPolicy(Qt::NoFocus);
    m_text->setTextFormat(Qt::PlainText);
    // Reached by the mouse only: a link the keyboard could reach would take
    // the focus from the tree.
    m_link->setTextFormat(Qt::RichText);
    m_link->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    m_link->setFocusPolicy(Qt::NoFocus);
    connect(m_link, &QLabel::linkActivated, this, [this] {
        // The link may well say something new, which replaces `follow`.
        if (const std::function<void()> follow = m_follow)
            follow();
    });
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_link);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &QWidget::hide);
    window->installEventFilter(this);
    hide();
}

void NoticeStrip::say(const QString &text, const QString &link, std::function<void()> follow)
{
    m_timer->stop();
    if (text.isEmpty()) {
        hide();
        return;
    }
    m_text->setText(text);
    m_link->setText(QStringLiteral("<a href=\"#\">%1</a>").arg(link.toHtmlEscaped()));
    m_link->setAccessibleName(link);
    m_link->setVisible(!link.isEmpty());
    m_follow = std::move(follow);
    place();
    show();
    raise();
    m_timer->start(shownMilliseconds);
}

bool NoticeStrip::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        place();
    return QFrame::eventFilter(watched, event);
}

void NoticeStrip::place()
{
    const QWidget *window = parentWidget();
    const int height = sizeHint().height();
    setGeometry(0, window->height() - height, window->width(), height);
}
