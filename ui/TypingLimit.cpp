#include "TypingLimit.h"

#include <QLineEdit>

#include <limits>

namespace {

qsizetype commonPrefix(QStringView a, QStringView b)
{
    qsizetype length = 0;
    while (length < a.size() && length < b.size() && a[length] == b[length])
        ++length;
    return length;
}

qsizetype commonSuffix(QStringView a, QStringView b)
{
    qsizetype length = 0;
    while (length < a.size() && length < b.size()
        && a[a.size() - 1 - length] == b[b.size() - 1 - length])
        ++length;
    return length;
}

class TypingLimit : public QObject {
public:
    TypingLimit(QLineEdit *box, int limit)
        : QObject(box)
        , m_box(box)
        , m_limit(limit)
        , m_before(box->text())
    {
        box->setMaxLength(std::numeric_limits<int>::max());
        // textEdited comes before textChanged, and only for the user's edits.
        connect(box, &QLineEdit::textEdited, this, &TypingLimit::keepWithin);
        connect(box, &QLineEdit::textChanged, this, [this] { m_before = m_box->text(); });
    }

private:
    // What the edit put in ends at the caret; of it, only as much is kept as
    // fits beside what stays of the text before.
    void keepWithin(const QString &now)
    {
        if (now.size() <= m_limit)
            return;
        qsizetype after = now.size() - m_box->cursorPosition();
        if (after > m_before.size() || !m_before.endsWith(QStringView(now).right(after)))
            after = commonSuffix(m_before, now);
        const qsizetype before
            = commonPrefix(QStringView(m_before).chopped(after), QStringView(now).chopped(after));
        const qsizetype removed = m_before.size() - before - after;
        const QStringView inserted = QStringView(now).mid(before, now.size() - before - after);
        const qsizetype room = std::max<qsizetype>(0, m_limit - (m_before.size() - removed));
        if (inserted.size() <= room)
            return;
        QString kept = inserted.left(room).toString();
        if (!kept.isEmpty() && kept.back().isHighSurrogate())
            kept.chop(1);
        m_box->setText(now.left(before) + kept + now.right(after));
        m_box->setCursorPosition(int(before + kept.size()));
    }

    QLineEdit *m_box;
    int m_limit;
    QString m_before;
};

} // namespace

void limitTypingOnly(QLineEdit *box, int limit)
{
    new TypingLimit(box, limit);
}

void limitTypingOnly(QWidget *window)
{
    for (QLineEdit *box : window->findChildren<QLineEdit *>())
        if (box->maxLength() < std::numeric_limits<int>::max())
            limitTypingOnly(box, box->maxLength());
}
