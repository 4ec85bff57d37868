#include "platform/win32/win32_files.h"

#include <algorithm>
#include <vector>

#include "platform/win32/win32_error.h"

namespace vrx::win32 {
namespace {

constexpr uint32_t kPlatformWin9x = 1;

static_assert(FILE_ATTRIBUTE_READONLY == kAttrReadOnly);
static_assert(FILE_ATTRIBUTE_HIDDEN == kAttrHidden);
static_assert(FILE_ATTRIBUTE_SYSTEM == kAttrSystem);
static_assert(FILE_ATTRIBUTE_DIRECTORY == kAttrDirectory);
static_assert(FILE_ATTRIBUTE_ARCHIVE == kAttrArchive);

bool Accepts(DWORD attributes, ListFilter filter) {
  DWORD allowed = 0;
  if (filter == ListFilter::kHidden) allowed = FILE_ATTRIBUTE_HIDDEN;
  if (filter == ListFilter::kDirectories) allowed = FILE_ATTRIBUTE_DIRECTORY;
  constexpr DWORD kSelecting =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
  return (attributes & kSelecting & ~allowed) == 0;
}

// A folder alone ("C:\WINDOWS\", "C:") stands for every entry in it.
std::string SearchPattern(const std::string& pattern) {
  bool folder_only = (!pattern.empty() && (pattern.back() == '\\' || pattern.back() == '/')) ||
                     (pattern.size() == 2 && pattern[1] == ':');
  return folder_only ? pattern + "*.*" : pattern;
}

Status Result(BOOL succeeded) { return succeeded ? kOk : LastErrorStatus(); }

}  // namespace

std::string Win32Files::ListFirst(const std::string& pattern, ListFilter filter) {
  find_.reset();
  filter_ = filter;
  WIN32_FIND_DATAA entry;
  find_.reset(::FindFirstFileA(SearchPattern(pattern).c_str(), &entry));
  if (!find_) return "";
  return NextAccepted(&entry);
}

std::string Win32Files::ListNext() {
  if (!find_) return "";
  WIN32_FIND_DATAA entry;
  if (!::FindNextFileA(find_.get(), &entry)) {
    find_.reset();
    return "";
  }
  return NextAccepted(&entry);
}

std::string Win32Files::NextAccepted(WIN32_FIND_DATAA* entry) {
  while (!Accepts(entry->dwFileAttributes, filter_)) {
    if (!::FindNextFileA(find_.get(), entry)) {
      find_.reset();
      return "";
    }
  }
  return entry->cFileName;
}

Status Win32Files::DeleteFile(const std::string& path) {
  return Result(::DeleteFileA(path.c_str()));
}

Status Win32Files::SetAttributesNormal(const std::string& path) {
  return Result(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));
}

Status Win32Files::RemoveDirectory(const std::string& path) {
  return Result(::RemoveDirectoryA(path.c_str()));
}

std::string Win32Files::GetCurrentDirectory() {
  // The directory may change between the two calls only if another thread changes it.
  for (DWORD size = MAX_PATH;;) {
    std::vector<char> buffer(size);
    DWORD length = ::GetCurrentDirectoryA(size, buffer.data());
    if (length == 0) return "";
    if (length < size) return std::string(buffer.data(), length);
    size = length;
  }
}

Status Win32Files::SetCurrentDirectory(const std::string& path) {
  return Result(::SetCurrentDirectoryA(path.c_str()));
}

Status Win32Files::ReplaceFile(const std::string& from, const std::string& to) {
  if (platform_id_ == kPlatformWin9x) {
    (void)::DeleteFileA(to.c_str());  // `to` need not exist
    return Result(::MoveFileA(from.c_str(), to.c_str()));
  }
  return Result(::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING));
}

Status Win32Files::GetIdentity(const std::string& path, FileIdentity* identity) {
  // No access asked, so a file held open by another program opens too; the backup flag lets a
  // folder open (on Windows NT).
  UniqueFile file(::CreateFileA(path.c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return LastErrorStatus();
  BY_HANDLE_FILE_INFORMATION information = {};
  if (!::GetFileInformationByHandle(file.get(), &information)) return LastErrorStatus();
  // The entry as its folder lists it: a junction or mount point carries the reparse attribute,
  // which the handle opened through it does not show. A root is no entry of a folder.
  bool link = false;
  const size_t last = path.find_last_not_of('\\');
  if (last != std::string::npos && path[last] != ':' &&
      path.find_first_of("*?") == std::string::npos) {
    WIN32_FIND_DATAA entry = {};
    UniqueFind find(::FindFirstFileA(path.substr(0, last + 1).c_str(), &entry));
    link = find && (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  }
  identity->volume_serial = information.dwVolumeSerialNumber;
  identity->file_index =
      static_cast<uint64_t>(information.nFileIndexHigh) << 32 | information.nFileIndexLow;
  identity->link = link;
  return kOk;
}

Status Win32Files::OpenText(const std::string& path, TextMode mode, FileNumber* number) {
  bool reading = mode == TextMode::kReadChars;
  UniqueFile file(::CreateFileA(path.c_str(), reading ? GENERIC_READ : GENERIC_WRITE,
                                FILE_SHARE_READ, nullptr, reading ? OPEN_EXISTING : CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastErrorStatus();
  FileNumber free_number = 1;
  while (open_files_.count(free_number) != 0) ++free_number;
  open_files_.emplace(free_number, OpenFile{std::move(file), mode});
  *number = free_number;
  return kOk;
}

HANDLE Win32Files::FileOf(FileNumber number) const {
  auto it = open_files_.find(number);
  return it != open_files_.end() ? it->second.file.get() : nullptr;
}

Status Win32Files::ReadChar(FileNumber number, char* c) {
  HANDLE file = FileOf(number);
  if (!file) return kErrorInvalidHandle;
  char byte = 0;
  DWORD read = 0;
  if (!::ReadFile(file, &byte, 1, &read, nullptr)) return LastErrorStatus();
  if (read == 0) return TranslateError(ERROR_HANDLE_EOF);
  *c = byte;
  return kOk;
}

bool Win32Files::AtEnd(FileNumber number) {
  HANDLE file = FileOf(number);
  if (!file) return true;
  // SetFilePointer and GetFileSize, not their ...Ex forms, which Windows 95 and NT 4.0 lack. Each
  // gives the low half and stores the high half; an all-ones low half is a failure only when the
  // last error says so.
  LONG position_high = 0;
  SetLastError(NO_ERROR);
  DWORD position_low = ::SetFilePointer(file, 0, &position_high, FILE_CURRENT);
  if (position_low == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR) return true;
  DWORD size_high = 0;
  SetLastError(NO_ERROR);
  DWORD size_low = ::GetFileSize(file, &size_high);
  if (size_low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return true;
  const uint64_t position = (uint64_t{static_cast<DWORD>(position_high)} << 32) | position_low;
  const uint64_t size = (uint64_t{size_high} << 32) | size_low;
  return position >= size;
}

Status Win32Files::Write(FileNumber number, const std::string& bytes) {
  HANDLE file = FileOf(number);
  if (!file) return kErrorInvalidHandle;
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    auto chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr)) {
      return LastErrorStatus();
    }
    if (written == 0) return TranslateError(ERROR_WRITE_FAULT);
    done += written;
  }
  return kOk;
}

Status Win32Files::Close(FileNumber number) {
  auto it = open_files_.find(number);
  if (it == open_files_.end()) return kErrorInvalidHandle;
  HANDLE file = it->second.file.release();
  open_files_.erase(it);
  return Result(::CloseHandle(file));
}

void Win32Files::CloseAll() { open_files_.clear(); }

}  // namespace vrx::win32
