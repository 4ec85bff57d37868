// The words an administrator adds to the command line for a run without a person at the machine.
//
//   /QUIET       no window at all; every folder question is answered No; no restart is started;
//                the exit code says what happened (see deployment.h)
//   /LOG=PATH    a plain text log of the run at PATH
//   /SNAPSHOT=DIR  no run: what a run would read and touch is written as a machine image into DIR
//   /WHATIF      the run is made on a copy of the machine taken in memory; nothing is changed
//
// They are matched without regard to case. A word that begins with /LOG= or /SNAPSHOT= is the
// log's or the snapshot's and is never read for variant codes or NOREBOOT, whatever its path
// holds. Words are split as the
// program splits its whole command line (blanks and tabs, quotation marks have no meaning), so a
// path with a blank in it is cut at the blank.
#pragma once

#include <optional>
#include <string>

namespace vrx {

struct CommandWords {
  bool quiet = false;
  // The path of the last /LOG= word as typed (case kept); empty when the word had none.
  std::optional<std::string> log_path;
  // The folder of the last /SNAPSHOT= word as typed; empty when the word had none.
  std::optional<std::string> snapshot_dir;
  bool what_if = false;
  // The command line with every /LOG= and /SNAPSHOT= word taken out and everything else as it
  // stood: what the program's start-up reads for variant codes and NOREBOOT.
  std::string program_words;
};

CommandWords ReadCommandWords(const std::string& command_line);

}  // namespace vrx
