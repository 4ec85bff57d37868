// The stand-in Word's state and files: its settings (fake_winword.ini), its Normal template, the
// log that records every call, and whether it is busy. See fake_winword.cpp for what it stands in
// for and how a test sets it up.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/sim/word_template.h"
#include "platform/win32/win32_windows.h"

namespace fake_word {

// The folder of this program.
std::string ProgramDirectory();
// A whole file; nullopt when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);
// Writes a whole file anew; false when it cannot be written.
bool WriteWholeFile(const std::string& path, const std::string& content);
// Where the log goes; nothing is logged until it is set.
void SetLogPath(const std::string& path);
// One line of the log; the file is opened for each line, so that it can be read meanwhile.
void Log(const std::string& line);
// The lines of a text, CRLF or LF; a last line without an end counts.
std::vector<std::string> Lines(const std::string& content);
std::string Quoted(const std::string& text);
// The system's millisecond clock, for the log's "tick" lines.
std::string Tick();

struct Settings {
  int version = 97;
  int document_delay_ms = 800;
  bool never_document = false;
  int refuse_quit = 0;
  bool register_at_once = false;
  bool never_register = false;
  int busy_ms = 500;
  std::string template_path;
  std::string log_path;
};

// fake_winword.ini in `directory`; defaults for what it does not say.
Settings ReadSettings(const std::string& directory);

using MenuItem = vrx::sim::WordTemplate::Item;
using KeyBinding = vrx::sim::WordTemplate::Key;

// The Normal template file: the menus and keys, and any other lines, kept as they are.
class NormalTemplate : public vrx::sim::WordTemplate {
 public:
  // Reads the template file; a file that cannot be read is an empty template.
  void Load(const std::string& path);
  // Writes the menus and keys into their lines, the other lines as they were.
  bool Save();

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::vector<std::string> lines_;
};

struct Word {
  Settings settings;
  NormalTemplate normal;
  bool has_document = false;
  int quits_refused = 0;
  bool ending = false;  // a Quit was honoured: every later call fails
  DWORD registration = 0;
  HWND window = nullptr;
  ULONGLONG busy_until = 0;  // GetTickCount64 before which every call is rejected
  bool document_named = false;
};

extern Word g_word;

// True, after logging the rejection, while Word is busy loading or with its save prompt.
bool RejectWhileBusy(const std::string& name);
// Takes the Application object out of the running object table, once.
void RevokeRegistration();

}  // namespace fake_word
