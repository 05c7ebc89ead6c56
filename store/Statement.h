#pragma once

#include <QString>

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
