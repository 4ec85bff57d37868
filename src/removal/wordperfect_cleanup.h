// Starting WordPerfect with the add-in's removal macro.
#pragma once

#include <string>

namespace vrx {

class Program;

// Starts the WordPerfect of the variant (WPWIN7, WPWIN8, WPWIN9) with the removal macro; any other
// code starts nothing. Does not wait for WordPerfect.
void RunWordPerfectRemovalMacro(Program& program, const std::string& variant_code);

}  // namespace vrx
