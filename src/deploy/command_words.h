// The words an administrator adds to the command line for a run without a person at the machine.
//
//   /QUIET       no window at all; every folder question is answered No; no restart is started;
//                the exit code says what happened (see deployment.h)
//   /LOG=PATH    a plain text log of the run at PATH
//   /SNAPSHOT=DIR  no run: what a run would read and touch is written as a machine image into DIR
//   /WHATIF      the run is made on a copy of the machine taken in memory; nothing is changed
//
// They are matched without regard to case. A preview must never turn into a real run through a
// slip of the pen, so the preview words are recognised by what a word holds, as variant codes
// are: any word that holds WHATIF asks for the what-if ("-WhatIf", "/WHATIF:", "\"/WHATIF\""),
// any word that holds SNAPSHOT for the snapshot, whose folder is what follows SNAPSHOT= (or
// SNAPSHOT:); a snapshot word without a folder writes nothing and the program does nothing else.
// A word that begins with LOG= or LOG: (after any "/", "-" or quotation marks) is the log's alone,
// and a snapshot word is the snapshot's alone: neither is read for variant codes or NOREBOOT,
// whatever its path holds. /QUIET is that word alone. Words are split as the program splits its
// whole command line (blanks and tabs), so a path with a blank in it is cut at the blank; a
// quotation mark around a path is dropped.
#pragma once

#include <optional>
#include <string>

namespace vrx {

struct CommandWords {
  bool quiet = false;
  // The path of the last log word as typed (case kept); empty when the word had none.
  std::optional<std::string> log_path;
  // The folder of the last snapshot word as typed; empty when the word had none.
  std::optional<std::string> snapshot_dir;
  bool what_if = false;
  // The command line with every log and snapshot word taken out and everything else as it stood:
  // what the program's start-up reads for variant codes and NOREBOOT.
  std::string program_words;
};

CommandWords ReadCommandWords(const std::string& command_line);

}  // namespace vrx
