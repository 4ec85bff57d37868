// Taking the add-in's menus and keys out of Word.
#pragma once

#include <string>

namespace vrx {

class Program;

// The Word step of removing the Word variant: closes running Words, then cleans Word 97 and
// Word 2000, each started on its own without its automatic macros.
void CleanWord(Program& program);

// Asks every running Word to quit, until none is left or Word stops answering.
void QuitRunningWord(Program& program);

// Starts the Word in the (short) directory, removes the menus, rebinds the keys, saves the Normal
// template and quits. `version` is 97 or 2000.
void CleanWordCopy(Program& program, const std::string& directory, int version);

}  // namespace vrx
