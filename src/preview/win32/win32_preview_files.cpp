#include "preview/win32/win32_preview_files.h"

#include <algorithm>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_windows.h"

namespace vrx::win32 {
namespace {

bool IsRoot(const std::string& path) {
  return (path.size() == 2 || (path.size() == 3 && path[2] == '\\')) && path[1] == ':';
}

std::string Below(const std::string& folder, const std::string& name) {
  return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

}  // namespace

Status Win32LiveFiles::Stat(const std::string& path, preview::LiveEntry* entry) {
  if (path.find_first_of("*?") != std::string::npos) return TranslateError(ERROR_INVALID_NAME);
  if (IsRoot(path)) {
    const DWORD attributes = ::GetFileAttributesA(path.substr(0, 2).append("\\").c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return TranslateError(::GetLastError());
    *entry = {path.substr(0, 2), kAttrDirectory};
    return kOk;
  }
  WIN32_FIND_DATAA data;
  UniqueFind find(::FindFirstFileA(path.c_str(), &data));
  if (!find) return TranslateError(::GetLastError());
  *entry = {data.cFileName, static_cast<uint32_t>(data.dwFileAttributes)};
  return kOk;
}

Status Win32LiveFiles::List(const std::string& folder, std::vector<preview::LiveEntry>* entries) {
  const DWORD attributes =
      ::GetFileAttributesA(IsRoot(folder) ? Below(folder, "").c_str() : folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return TranslateError(::GetLastError());
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return TranslateError(ERROR_DIRECTORY);
  std::vector<preview::LiveEntry> found;
  WIN32_FIND_DATAA data;
  UniqueFind find(::FindFirstFileA(Below(folder, "*").c_str(), &data));
  if (!find) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES) return TranslateError(error);
  } else {
    do {
      const std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      found.push_back({name, static_cast<uint32_t>(data.dwFileAttributes)});
    } while (::FindNextFileA(find.get(), &data));
  }
  *entries = std::move(found);
  return kOk;
}

Status Win32LiveFiles::DriveTarget(char drive, std::string* target) {
  // Looked up, not imported: Windows 95's kernel32 may not have it, and cannot answer anyway.
  using QueryDosDeviceFn = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  auto query = kernel == nullptr ? nullptr
                                 : reinterpret_cast<QueryDosDeviceFn>(reinterpret_cast<void (*)()>(
                                       ::GetProcAddress(kernel, "QueryDosDeviceA")));
  if (query == nullptr) return kErrorFileNotFound;
  const char name[] = {drive, ':', '\0'};
  char device[1024] = {};
  if (query(name, device, sizeof device) == 0) return kErrorFileNotFound;
  // A SUBST drive: "\??\X:\folder", another drive's folder. A drive of its own names a device.
  const std::string first(device);
  if (first.size() < 7 || first.compare(0, 4, "\\??\\") != 0 || first[5] != ':' ||
      first[6] != '\\' || (first[4] | 0x20) == (drive | 0x20)) {
    return kErrorFileNotFound;
  }
  *target = first.substr(4);
  return kOk;
}

Status Win32LiveFiles::InUse(const std::string& path, bool* in_use) {
  // On Windows NT a file can be deleted while every program that holds it shares deleting: an
  // open asking only for the right to delete, sharing everything, fails exactly when it cannot.
  // Windows 95/98 know no sharing of deletes and refuse that open; there an open for reading that
  // shares reading and writing fails when another program shares neither. Either open lets every
  // other program open the file meanwhile as it asks.
  UniqueFile file(::CreateFileA(path.c_str(), DELETE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  DWORD error = file ? ERROR_SUCCESS : ::GetLastError();
  if (error == ERROR_INVALID_PARAMETER) {
    file.reset(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    error = file ? ERROR_SUCCESS : ::GetLastError();
  }
  if (error == ERROR_SHARING_VIOLATION) {
    *in_use = true;
    return kOk;
  }
  // A folder, or a file this account may not delete, is not held by another program.
  if (error == ERROR_SUCCESS || error == ERROR_ACCESS_DENIED) {
    *in_use = false;
    return kOk;
  }
  return TranslateError(error);
}

Status Win32LiveFiles::Read(const std::string& path, std::string* bytes) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return TranslateError(::GetLastError());
  std::string data;
  char buffer[4096];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
      return TranslateError(::GetLastError());
    }
    if (got == 0) break;
    data.append(buffer, got);
  }
  *bytes = std::move(data);
  return kOk;
}

Status Win32ImageFolder::Probe(const std::string& path, bool* exists, bool* empty_folder) {
  *exists = *empty_folder = false;
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? kOk
                                                                          : TranslateError(error);
  }
  *exists = true;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return kOk;
  WIN32_FIND_DATAA data;
  UniqueFind find(::FindFirstFileA(Below(path, "*").c_str(), &data));
  bool empty = true;
  if (find) {
    do {
      const std::string name = data.cFileName;
      if (name != "." && name != "..") empty = false;
    } while (empty && ::FindNextFileA(find.get(), &data));
  }
  *empty_folder = empty;
  return kOk;
}

Status Win32ImageFolder::MakeFolder(const std::string& path) {
  return ::CreateDirectoryA(path.c_str(), nullptr) ? kOk : TranslateError(::GetLastError());
}

Status Win32ImageFolder::WriteNewFile(const std::string& path, const std::string& bytes) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return TranslateError(::GetLastError());
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD wrote = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    if (!::WriteFile(file.get(), bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
      return TranslateError(::GetLastError());
    }
    done += wrote;
  }
  return kOk;
}

Status Win32ImageFolder::Remove(const std::string& path, bool folder) {
  const BOOL done = folder ? ::RemoveDirectoryA(path.c_str()) : ::DeleteFileA(path.c_str());
  return done ? kOk : LastErrorStatus();
}

}  // namespace vrx::win32
