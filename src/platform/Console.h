#pragma once
// The terminal a command-line program may draw its progress on.

#include <cstddef>

namespace platform {

// Whether standard error is a terminal (a console), not a file or pipe.
bool StandardErrorIsTerminal();
// Its width in columns; 80 when it cannot be told.
std::size_t StandardErrorColumns();

}  // namespace platform
