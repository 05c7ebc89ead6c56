#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

// A statement, and the shape it shares with every statement that differs
// from it only in the whole number a template filled in: the shape has "?"
// where the number stands. An engine that can compiles a shape once and
// runs it again with the number bound, running exactly the text. The text,
// the template's pieces joined by the number, is made only when something
// asks for it (an engine that runs texts, the trace, the log): the load and
// the delete run a statement for every row.
class Statement {
public:
    // A text with no shape to share.
    explicit Statement(const QString &text)
        : m_pieces {text}
    {
    }
    // The text is the pieces with the number's decimal text between each two.
    Statement(const QStringList &pieces, const QString &shape, qint64 number)
        : m_pieces(pieces)
        , m_shape(shape)
        , m_number(number)
    {
    }

    QString text() const
    {
        return m_shape.isEmpty() ? m_pieces.constFirst() : m_pieces.join(QString::number(m_number));
    }
    // Empty when the text has no shape to share.
    const QString &shape() const { return m_shape; }
    // The shape with `placeholder` where the number stands, for an engine
    // that marks its parameters otherwise.
    QString shapeWith(const QString &placeholder) const { return m_pieces.join(placeholder); }
    qint64 number() const { return m_number; }

private:
    QStringList m_pieces;
    QString m_shape;
    qint64 m_number = 0;
};

// A statement of the program's own with "?" for each value, which is bound
// as it runs, so that any value goes in byte for byte: NULL, text, bytes
// (RawText for text that is not UTF-8), whole and real numbers. The trace
// and the log show it with its values filled in.
struct BoundStatement {
    QString text;
    QVariantList values;

    QString filled() const;
};
