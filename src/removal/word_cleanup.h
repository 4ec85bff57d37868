// Taking the add-in's menus and keys out of Word.
//
// Only a Word that this program started is ever cleaned, saved or told to quit without saving. The
// automation interface cannot tell one running Word from another, so a Word is taken as this
// program's own only when the system said that no Word ran before it was started: the one that
// appears afterwards belongs to the task just started. When a Word is still running, or the system
// gives no answer, no Word is cleaned and a detail line says so.
#pragma once

#include <string>

namespace vrx {

class Program;

// What the system says about running copies of Word.
enum class WordPresence {
  kNone,      // it said that none runs
  kRunning,   // one answered
  kNoAnswer,  // the question failed: one may run or not
};

// The Word step of removing the Word variant: closes running Words, then cleans Word 97 and
// Word 2000, each started on its own without its automatic macros.
void CleanWord(Program& program);

// Asks every running Word to quit, until none is left, Word stops answering or a minute has gone
// by; says what runs afterwards. Adds no detail line.
WordPresence QuitRunningWord(Program& program);

// What became of one copy of Word.
struct WordCopyOutcome {
  bool cleaned = false;  // it was started, cleaned and told to quit
  WordPresence afterwards = WordPresence::kNone;
};

// Starts the Word in the (short) directory, removes the menus, rebinds the keys, saves the Normal
// template, quits and waits up to a minute for that Word to end. `version` is 97 or 2000. When a
// Word already runs (or the system will not say), starts nothing and cleans nothing. Adds no
// detail line for that; the caller does.
WordCopyOutcome CleanWordCopy(Program& program, const std::string& directory, int version);

}  // namespace vrx
