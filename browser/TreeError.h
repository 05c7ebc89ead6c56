#pragma once

#include "store/Failure.h"

// Every failure of the tree: an unknown key, a taken key, a bad position.
class TreeError : public Failure {
public:
    using Failure::Failure;
};
