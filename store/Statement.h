#pragma once

#include <QString>
#include <QVariantList>

#include <vector>

// A statement's text, and the shape it shares with every statement that
// differs from it only in the whole numbers a template filled in: the
// shape has "?" where they stand. An engine that can compiles a shape once
// and runs it again with the numbers bound, running exactly the text.
struct Statement {
    QString text;
    QString shape; // empty when the text has no shape to share
    std::vector<qint64> numbers;
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
