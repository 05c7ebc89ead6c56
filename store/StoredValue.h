#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QVariant>

// A text value whose bytes are not UTF-8, as SQLite keeps whatever bytes it
// is given: read and written back as its bytes, still as text.
struct RawText {
    QByteArray bytes;
    bool operator==(const RawText &other) const = default;
};
Q_DECLARE_METATYPE(RawText)

inline bool isRawText(const QVariant &value)
{
    return value.metaType() == QMetaType::fromType<RawText>();
}

// A stored value as a statement's text shows it: NULL, a number, a quoted
// text with its quotes doubled, or X'..' for bytes.
QString sqlLiteral(const QVariant &value);

// UTF-8 text read from an engine. A text of one ASCII character, such as
// every KIND, is shared rather than made anew for each row.
QString textFromUtf8(const char *text, qsizetype size);
