#pragma once

#include <QString>
#include <QVariant>

// A node's key or marker text as the tree takes it. A text that is a whole
// number's own decimal spelling (no sign but a minus, no leading zero) is
// kept as that number, and a number given as such stands for that text, so
// that the load need not spell every key out and read it back.
class KeyText {
public:
    KeyText() = default;
    KeyText(const QString &text);
    KeyText(const char *text)
        : KeyText(QString::fromUtf8(text))
    {
    }
    explicit KeyText(qint64 number)
        : m_number(number)
        , m_isNumber(true)
    {
    }
    // A whole number as a number, anything else as its text.
    static KeyText of(const QVariant &value);

    bool isEmpty() const { return !m_isNumber && m_text.isEmpty(); }
    bool isNumber() const { return m_isNumber; }
    qint64 number() const { return m_number; }
    QString text() const { return m_isNumber ? QString::number(m_number) : m_text; }

private:
    QString m_text;
    qint64 m_number = 0;
    bool m_isNumber = false;
};
