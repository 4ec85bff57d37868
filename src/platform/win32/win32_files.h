// Files and folders of the machine the program runs on (kernel32).
//
// Listing runs over FindFirstFileA/FindNextFileA and gives names only, in the order the file
// system gives them: kPlain keeps entries without the hidden, system and directory attributes,
// kHidden also hidden files, kDirectories also directories that are neither hidden nor system
// ("." and ".." come as FindFirstFileA gives them: below a drive's root, first). A pattern whose
// last part is empty ("C:\WINDOWS\", "C:") lists every entry of the folder. The find handle is
// closed when a new listing starts and as soon as a listing is exhausted.
//
// Text files are opened with CreateFileA (reading: OPEN_EXISTING, shared for reading; writing:
// CREATE_ALWAYS) and numbered from 1, the lowest free number first. ReadChar reads one byte.
// GetIdentity opens the entry with no access (FILE_FLAG_BACKUP_SEMANTICS, which Windows 95/98 do
// not know: there a folder does not open) only for as long as it reads its identity.
// Statuses are the GetLastError codes of the calls; an unknown file number gives
// kErrorInvalidHandle, reading past the end kErrorHandleEof. On failure, out-parameters are left
// untouched.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/platform.h"
#include "platform/win32/win32_handles.h"

namespace vrx::win32 {

class Win32Files : public Files {
 public:
  // `platform_id` is the version record's: on 1 (Windows 95/98), which lacks MoveFileExA,
  // ReplaceFile deletes the target and then moves the file.
  explicit Win32Files(uint32_t platform_id) : platform_id_(platform_id) {}
  Win32Files(const Win32Files&) = delete;
  Win32Files& operator=(const Win32Files&) = delete;

  std::string ListFirst(const std::string& pattern, ListFilter filter) override;
  std::string ListNext() override;
  [[nodiscard]] Status DeleteFile(const std::string& path) override;
  [[nodiscard]] Status SetAttributesNormal(const std::string& path) override;
  [[nodiscard]] Status RemoveDirectory(const std::string& path) override;
  std::string GetCurrentDirectory() override;
  [[nodiscard]] Status SetCurrentDirectory(const std::string& path) override;
  [[nodiscard]] Status ReplaceFile(const std::string& from, const std::string& to) override;
  [[nodiscard]] Status GetIdentity(const std::string& path, FileIdentity* identity) override;
  [[nodiscard]] Status OpenText(const std::string& path, TextMode mode,
                                FileNumber* number) override;
  [[nodiscard]] Status ReadChar(FileNumber number, char* c) override;
  bool AtEnd(FileNumber number) override;
  [[nodiscard]] Status Write(FileNumber number, const std::string& bytes) override;
  [[nodiscard]] Status Close(FileNumber number) override;
  void CloseAll() override;

 private:
  struct OpenFile {
    UniqueFile file;
    TextMode mode = TextMode::kReadChars;
  };

  // The first entry from `entry` on (that one included) that the filter keeps, fetching further
  // entries as needed; "" and the listing closed when none is left.
  std::string NextAccepted(WIN32_FIND_DATAA* entry);
  HANDLE FileOf(FileNumber number) const;

  uint32_t platform_id_;
  UniqueFind find_;
  ListFilter filter_ = ListFilter::kPlain;
  std::map<FileNumber, OpenFile> open_files_;
};

}  // namespace vrx::win32
