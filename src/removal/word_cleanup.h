// Taking the add-in's menus and keys out of Word.
//
// Only a Word that this program started is ever cleaned, saved or told to quit without saving. The
// automation interface cannot tell one running Word from another, so a copy is started only when
// the system said that no Word ran, and the object it then hands out is taken as this program's
// own only when every Word main window on the desktop belongs to the task just started: a Word the
// user starts meanwhile has a window of its own, and the two could not be told apart. When a Word
// is still running, the system gives no answer, or the user's Word came up beside the new one, no
// Word is cleaned (the copy this program started is ended unsaved) and a detail line says so.
#pragma once

#include <string>

namespace vrx {

class Program;

// What the system says about running copies of Word.
enum class WordPresence {
  kNone,      // it said that none runs
  kRunning,   // one answered
  kNoAnswer,  // the question failed: one may run or not
  // None answers, yet Word's main window is there: a Word of another user or session (or of a
  // user with other rights) that this program cannot reach, so cannot close.
  kUnreachable,
  // Another Word came up beside the one this program started, which then could not be told from
  // it.
  kBeside,
};

// The parameterless call that the wait for a new Word's document makes on BlankFrm in each pass
// (and Word 2000 once before it). Office registers its running object only after its window has
// lost the focus once, so only the focus call lets a Word started hidden be found; the repaint
// call is there to show what happens without it.
enum class BlankFormCall { kFocus, kRepaint };

// The Word step of removing the Word variant: closes running Words, then cleans Word 97 and
// Word 2000, each started on its own without its automatic macros.
void CleanWord(Program& program);

// Asks every running Word to quit, until none is left, Word stops answering or a minute has gone
// by; says what runs afterwards. When none answers but Word's main window stays for a few seconds
// more, says kUnreachable (and asks again should a Word register meanwhile). Adds no detail line.
WordPresence QuitRunningWord(Program& program);

// What became of one copy of Word.
struct WordCopyOutcome {
  bool cleaned = false;  // it was started, cleaned and told to quit
  WordPresence afterwards = WordPresence::kNone;
};

// Starts the Word in the (short) directory, removes the menus, rebinds the keys, saves the Normal
// template, quits and waits up to a minute for that Word to end; all of it only once the object
// is shown to be that Word's (else it ends the task it started and says kBeside). `version` is 97
// or 2000. When a Word already runs (or the system will not say, or Word's main window stays for a
// few seconds without an object), starts nothing and cleans nothing. Adds no detail line for that;
// the caller does.
WordCopyOutcome CleanWordCopy(Program& program, const std::string& directory, int version,
                              BlankFormCall call = BlankFormCall::kFocus);

}  // namespace vrx
