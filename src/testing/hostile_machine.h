// Hostile machines: simulated machines, command lines and scripts that a careful adversary would
// try on the uninstaller, made from a source of choices (a seed, or a fuzzer's bytes), run as
// vrxuninst-sim runs them and judged by the oracle (oracle.h); a case the oracle fails is shrunk
// to a small one and kept as an image folder that vrxuninst-sim replays.
//
// A case starts from a machine of samples/ or tests/wine/machines/ and adds ingredients, each a
// row of one table: the platform; which variants are installed, half installed or gone; fewer
// stamps; the folders Windows has (Program Files, Shell Folders, profiles, temporary folders,
// other programs', names with Windows-1252 letters); Defaults values naming any of them, or
// folders inside them, or the log's and the snapshot's folders, in any spelling (8.3, trailing dots
// and blanks, "..", case, UNC, \\?\, drive-relative, relative); the user's files in every folder a
// value names, read-only, hidden, system or in use; files of the add-in in use or with attributes;
// SharedDLLs counts; every state of Wininit.ini; pending deletions of other setups; Words of the
// user's; another copy running; the command line (variant codes installed or not, NOREBOOT,
// /QUIET, /LOG= to any file, /WHATIF and /SNAPSHOT= in any spelling, stray words); the person's
// script (ticks, Yes and No, Exit, a restart Windows refuses).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "simulator/script.h"

namespace vrx::hostile {

// Where the generator's decisions come from.
class Choices {
 public:
  virtual ~Choices() = default;
  // A number below `n` (n >= 1).
  virtual uint32_t Below(uint32_t n) = 0;
  bool OneIn(uint32_t n) { return Below(n) == 0; }
};

class SeededChoices : public Choices {
 public:
  explicit SeededChoices(uint64_t seed) : random_(seed) {}
  uint32_t Below(uint32_t n) override { return static_cast<uint32_t>(random_() % n); }

 private:
  std::mt19937_64 random_;
};

// A fuzzer's bytes: each decision takes one byte (two above 256 choices); once they run out,
// every decision is 0, the plainest one.
class ByteChoices : public Choices {
 public:
  ByteChoices(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint32_t Below(uint32_t n) override;

 private:
  const uint8_t* data_;
  size_t size_;
  size_t next_ = 0;
};

struct Case {
  std::unique_ptr<sim::SimMachine> machine;
  std::string command_line;
  std::vector<ScriptAction> actions;
  std::vector<std::string> recipe;  // the ingredients taken, for a failure's message

  Case Clone() const;
};

// Makes one case. `source_dir` is the source tree, whose machine images are the starting points.
Case Generate(Choices& choices, const std::filesystem::path& source_dir);

// Runs the case on a copy of its machine as vrxuninst-sim runs it; the oracle's lines.
std::vector<std::string> RunAndJudge(const Case& c);

// Drops parts of the case (folders, files, registry keys and values, in-use marks, attributes,
// Word facts, words, actions), in halves, quarters ... down to one, while its verdict still holds a
// line of the same kind as the first line of `verdict` (the text before its first ':'); at most
// `trials` runs.
Case Shrink(const Case& c, const std::vector<std::string>& verdict, int trials = 400);

// A case as a folder: machine/ (a machine image), words (the command line), script (the actions),
// recipe. Replayed by
//   vrxuninst-sim --machine DIR/machine --script DIR/script -- $(cat DIR/words)
bool WriteCase(const Case& c, const std::filesystem::path& folder, std::string* error);
bool ReadCase(const std::filesystem::path& folder, Case* c, std::string* error);

}  // namespace vrx::hostile
