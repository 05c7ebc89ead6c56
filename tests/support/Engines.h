#pragma once

// Every test that touches the table runs on every engine: the engine is a
// data row, and a table on an engine whose server is not running skips.

#include "support/TestDatabase.h"

#include <QTest>

#include <memory>

namespace Engines {

using Engine = TestDatabase::Engine;

inline void engineRows()
{
    QTest::addColumn<int>("engine");
    for (const Engine engine : TestDatabase::engines())
        QTest::newRow(TestDatabase::tag(engine)) << int(engine);
}

// A fresh table on the engine, or none when its server is not running.
inline std::unique_ptr<TestDatabase> tableOn(Engine engine)
{
    if (!TestDatabase::unavailable(engine).isEmpty())
        return nullptr;
    return std::make_unique<TestDatabase>(engine);
}

inline const char *noServer = "the engine's server is not running: run the tests through ./test";

} // namespace Engines
