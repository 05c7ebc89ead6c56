#pragma once

#include <QString>

// Floor (d) of a server: the load's statements in the load's order (depth
// first, every row's children asked for), each shape prepared once and run
// with its number bound, through the engine's own C client on a connection
// QtSql opened, each row's four fields read as the library holds them and
// nothing built. What any program pays for the load's round trips. Returns
// the rows read.
int clientFloorLoad(const QString &connectionString);
