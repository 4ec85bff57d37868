// Symbolic directory names (DirTokens) and path queries.
#pragma once

#include <string>

#include "platform/platform.h"

namespace vrx {

struct ProgramState;

// The path that a DirToken names at this moment, with one trailing backslash removed; the empty
// text for a token it does not know (tokens are matched with regard to case).
std::string GetDirectory(const Platform& platform, const ProgramState& state,
                         const std::string& token);

// The short (8.3) form of an existing path; the empty text when the path does not exist.
std::string GetShortPath(System& system, const std::string& path);

}  // namespace vrx
