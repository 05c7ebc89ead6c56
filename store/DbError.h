#pragma once

#include "Failure.h"

// A failure of the database or of the connection to it, in the engine's
// own words where it gave any.
class DbError : public Failure {
public:
    using Failure::Failure;
};
