#include "wizard/deferred_deletion.h"

#include <string>
#include <vector>

#include "platform/mod_funcs.h"
#include "startup/program.h"

namespace vrx {
namespace {

constexpr int kOpenAttempts = 10000;
constexpr const char* kMarker = "VRXUNINST.EXE";
constexpr const char* kRenameSection = "[RENAME]";

// Opens a text file, trying again and again as long as the file is busy.
bool OpenWithRetries(Files& files, const std::string& path, TextMode mode, FileNumber* number) {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    if (files.OpenText(path, mode, number) == kOk) return true;
  }
  return false;
}

// Reads Wininit.ini as Windows 95/98 wrote it: a carriage return ends a line and the character
// after it is dropped. False when the file cannot be read to its end.
bool ReadLines(Files& files, const std::string& path, std::vector<std::string>* lines) {
  FileNumber number = 0;
  if (!OpenWithRetries(files, path, TextMode::kReadChars, &number)) return false;
  std::string line;
  bool ok = true;
  bool pending_line = false;
  while (!files.AtEnd(number)) {
    char c = 0;
    if (files.ReadChar(number, &c) != kOk) {
      ok = false;
      break;
    }
    if (c == '\r') {
      if (!files.AtEnd(number)) {
        char dropped = 0;
        if (files.ReadChar(number, &dropped) != kOk) {
          ok = false;
          break;
        }
      }
      lines->push_back(line);
      line.clear();
      pending_line = false;
    } else {
      line.push_back(c);
      pending_line = true;
    }
  }
  if (pending_line) lines->push_back(line);
  (void)files.Close(number);
  return ok;
}

}  // namespace

void DeleteAtNextRestart(Program& program, const std::string& path) {
  (void)program.system().MoveFileEx(path, std::nullopt, kMoveFileDelayUntilReboot);
}

void ScheduleDeletion(Program& program, const std::string& path) {
  const ProgramState& s = program.state;
  if (s.IsWin9x) {
    program.state.AppendPendingDelete(path);
  } else if (s.IsWinNT && !s.NoReboot) {
    DeleteAtNextRestart(program, path);
  }
}

void ScheduleSelfRemoval(Program& program) {
  ProgramState& s = program.state;
  if (s.NoReboot) return;
  if (s.IsWin9x) {
    s.AppendPendingDelete(s.SelfPath);
  } else if (s.IsWinNT) {
    DeleteAtNextRestart(program, s.SelfPath);
  }
}

void UpdateWininit(Program& program) {
  const ProgramState& s = program.state;
  if (s.PendingDeleteCount < 1 || !s.IsWin9x) return;
  Files& files = program.files();
  const std::string windows = GetDirectory(program.platform(), s, "WINDIR");
  const std::string path = windows + "\\Wininit.ini";

  std::vector<std::string> lines;
  if (!files.ListFirst(path, ListFilter::kPlain).empty()) {
    // A file that cannot be read is left as it is: its lines must not be lost.
    if (!ReadLines(files, path, &lines)) return;
  }
  bool has_rename = false;
  for (const std::string& line : lines) {
    if (line.find(kMarker) != std::string::npos) return;
    if (line.find(kRenameSection) != std::string::npos) has_rename = true;
  }

  std::string content;
  auto append_entries = [&] {
    for (int16_t i = 1; i <= s.PendingDeleteCount; ++i) {
      content += "NUL=" + s.PendingDeletes[static_cast<size_t>(i)] + "\r\n";
      if (i == INT16_MAX) break;
    }
  };
  for (const std::string& line : lines) {
    content += line + "\r\n";
    if (line.find(kRenameSection) != std::string::npos) append_entries();
  }
  if (!has_rename) {
    content += std::string(kRenameSection) + "\r\n";
    append_entries();
  }

  // The new content goes to a file beside the old one, which it then replaces in one step, so
  // that a failed write leaves the old file whole.
  const std::string temporary = windows + "\\Wininit.vrx";
  FileNumber number = 0;
  if (!OpenWithRetries(files, temporary, TextMode::kWriteBytes, &number)) return;
  bool written = files.Write(number, content) == kOk;
  written = files.Close(number) == kOk && written;
  if (!written || files.ReplaceFile(temporary, path) != kOk) {
    (void)files.DeleteFile(temporary);
  }
}

}  // namespace vrx
