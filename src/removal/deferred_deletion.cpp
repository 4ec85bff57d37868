#include "removal/deferred_deletion.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "helpers/directory_tokens.h"
#include "state/program.h"

namespace vrx {
namespace {

constexpr int kOpenAttempts = 10000;
constexpr const char* kMarker = "VRXUNINST.EXE";
constexpr const char* kRenameSection = "[RENAME]";
constexpr const char* kTemporaryPrefix = "VRX";

// Opens a text file, trying again and again as long as the file is busy. A file that is not there
// is not tried again: *status tells so.
Status OpenWithRetries(Files& files, const std::string& path, TextMode mode, FileNumber* number) {
  Status status = kOk;
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    status = files.OpenText(path, mode, number);
    if (status == kOk || status == kErrorFileNotFound || status == kErrorPathNotFound) break;
  }
  return status;
}

enum class ReadResult { kRead, kMissing, kUnreadable };

// Reads a whole file, character by character, whatever its attributes.
ReadResult ReadWholeFile(Files& files, const std::string& path, std::string* bytes) {
  FileNumber number = 0;
  Status opened = OpenWithRetries(files, path, TextMode::kReadChars, &number);
  if (opened == kErrorFileNotFound || opened == kErrorPathNotFound) return ReadResult::kMissing;
  if (opened != kOk) return ReadResult::kUnreadable;
  // The end is where reading says so: an end-of-file test that fails must not cut the file short.
  Status status = kOk;
  for (char c = 0; (status = files.ReadChar(number, &c)) == kOk;) bytes->push_back(c);
  (void)files.Close(number);
  return status == kErrorHandleEof ? ReadResult::kRead : ReadResult::kUnreadable;
}

bool WriteWholeFile(Files& files, const std::string& path, const std::string& bytes) {
  FileNumber number = 0;
  if (OpenWithRetries(files, path, TextMode::kWriteBytes, &number) != kOk) return false;
  bool written = files.Write(number, bytes) == kOk;
  return files.Close(number) == kOk && written;
}

// Puts the old Wininit.ini back after a failed swap: under its name again, or failing that its
// bytes written anew. What cannot be put back stays in `old_copy`.
void Restore(Program& program, const std::string& old_copy, const std::string& path,
             const std::string& old_bytes) {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    if (program.system().MoveFile(old_copy, path) == kOk) return;
  }
  if (WriteWholeFile(program.files(), path, old_bytes)) {
    (void)program.files().SetAttributesNormal(old_copy);
    (void)program.files().DeleteFile(old_copy);
  }
}

// Replaces Wininit.ini by `fresh` with the calls Windows 95/98 have (MoveFileA never replaces):
// the old file first moves to a name of its own, then the new one takes its place, then the old
// one goes. At every moment one whole copy, old or new, is on the disk under a name in the
// Windows folder; a failure puts the old file back. True when the new one took its place.
bool SwapIn(Program& program, const std::string& windows, const std::string& fresh,
            const std::string& path, const std::string& old_bytes) {
  Files& files = program.files();
  System& system = program.system();
  std::string old_copy;
  if (system.GetTempFileName(windows, kTemporaryPrefix, &old_copy) != kOk) {
    (void)files.DeleteFile(fresh);
    return false;
  }
  // The name is ours; the empty file that holds it makes way for the old Wininit.ini.
  if (files.DeleteFile(old_copy) != kOk || system.MoveFile(path, old_copy) != kOk) {
    (void)files.DeleteFile(old_copy);
    (void)files.DeleteFile(fresh);
    return false;
  }
  if (system.MoveFile(fresh, path) != kOk) {
    Restore(program, old_copy, path, old_bytes);
    (void)files.DeleteFile(fresh);
    return false;
  }
  (void)files.SetAttributesNormal(old_copy);
  (void)files.DeleteFile(old_copy);
  return true;
}

}  // namespace

void DeleteAtNextRestart(Program& program, const std::string& path) {
  if (program.system().MoveFileEx(path, std::nullopt, kMoveFileDelayUntilReboot)) {
    program.state.Scheduled.push_back(path);
  }
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
  if (s.NoReboot || s.SelfPath.empty()) return;
  if (s.IsWin9x) {
    s.AppendPendingDelete(s.SelfPath);
  } else if (s.IsWinNT) {
    DeleteAtNextRestart(program, s.SelfPath);
  }
}

std::vector<std::string> SplitWininitLines(std::string_view bytes) {
  std::vector<std::string> lines;
  std::string line;
  bool pending_line = false;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r') {
      // The line feed after a carriage return belongs to the line end; any other character is
      // the next line's.
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      lines.push_back(line);
      line.clear();
      pending_line = false;
    } else {
      line.push_back(bytes[i]);
      pending_line = true;
    }
  }
  if (pending_line) lines.push_back(line);
  return lines;
}

std::optional<std::string> RewriteWininit(const std::vector<std::string>& old_lines,
                                          const std::vector<std::string>& entries) {
  bool has_rename = false;
  for (const std::string& line : old_lines) {
    if (line.find(kMarker) != std::string::npos) return std::nullopt;
    if (line.find(kRenameSection) != std::string::npos) has_rename = true;
  }
  std::string content;
  auto append_entries = [&] {
    for (const std::string& entry : entries) content += "NUL=" + entry + "\r\n";
  };
  for (const std::string& line : old_lines) {
    content += line + "\r\n";
    if (line.find(kRenameSection) != std::string::npos) append_entries();
  }
  if (!has_rename) {
    content += std::string(kRenameSection) + "\r\n";
    append_entries();
  }
  return content;
}

namespace {

// Writes the list; says what became of it.
WininitOutcome WriteWininit(Program& program, const std::vector<std::string>& entries) {
  const std::string windows = GetDirectory(program.platform(), program.state, "WINDIR");
  // Without the Windows folder there is no Wininit.ini to write.
  if (windows.empty()) return WininitOutcome::kNotWritten;
  const std::string path = windows + "\\Wininit.ini";

  std::string old_bytes;
  ReadResult read = ReadWholeFile(program.files(), path, &old_bytes);
  // A file that cannot be read is left as it is: its lines must not be lost.
  if (read == ReadResult::kUnreadable) return WininitOutcome::kUnreadable;
  std::optional<std::string> content = RewriteWininit(SplitWininitLines(old_bytes), entries);
  if (!content) return WininitOutcome::kHeldByEarlierRun;

  // The new content goes to a fresh file that the system names, which then takes the old one's
  // place; nothing of the user's is written over on the way.
  Files& files = program.files();
  std::string fresh;
  if (program.system().GetTempFileName(windows, kTemporaryPrefix, &fresh) != kOk) {
    return WininitOutcome::kNotWritten;
  }
  if (!WriteWholeFile(files, fresh, *content)) {
    (void)files.DeleteFile(fresh);
    return WininitOutcome::kNotWritten;
  }
  if (read == ReadResult::kMissing) {
    if (program.system().MoveFile(fresh, path) == kOk) return WininitOutcome::kWritten;
    (void)files.DeleteFile(fresh);
    return WininitOutcome::kNotWritten;
  }
  return SwapIn(program, windows, fresh, path, old_bytes) ? WininitOutcome::kWritten
                                                          : WininitOutcome::kNotWritten;
}

const char* WhyNotWritten(WininitOutcome outcome) {
  switch (outcome) {
    case WininitOutcome::kHeldByEarlierRun:
      return "Wininit.ini still holds the list of an earlier removal, so the files above stay: "
             "delete them by hand after the next restart.";
    case WininitOutcome::kUnreadable:
      return "Wininit.ini could not be read, so the files above stay: delete them by hand.";
    default:
      return "Wininit.ini could not be written, so the files above stay: delete them by hand.";
  }
}

}  // namespace

void UpdateWininit(Program& program) {
  ProgramState& s = program.state;
  if (s.PendingDeleteCount < 1 || !s.IsWin9x) return;
  std::vector<std::string> entries(s.PendingDeletes.begin() + 1,
                                   s.PendingDeletes.begin() + 1 + s.PendingDeleteCount);
  s.WininitResult = WriteWininit(program, entries);
  if (s.WininitResult == WininitOutcome::kWritten) {
    s.Scheduled.insert(s.Scheduled.end(), entries.begin(), entries.end());
  } else {
    s.AppendDetail(WhyNotWritten(s.WininitResult));
  }
}

}  // namespace vrx
