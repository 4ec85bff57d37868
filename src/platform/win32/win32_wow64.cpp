#include "platform/win32/win32_wow64.h"

#include <utility>

#include "platform/win32/win32_windows.h"

namespace vrx::win32 {
namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Whether `text` starts with `prefix`, ignoring the case of ASCII letters.
bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (Upper(text[i]) != Upper(prefix[i])) return false;
  }
  return true;
}

// The subfolders of the system folder that a 32-bit program sees unredirected.
bool Unredirected(const std::string& rest) {
  static const char* const kShared[] = {"CATROOT",      "CATROOT2", "DRIVERSTORE",
                                        "DRIVERS\\ETC", "LOGFILES", "SPOOL"};
  for (const char* shared : kShared) {
    std::string folder = shared;
    if (StartsWithNoCase(rest, folder) &&
        (rest.size() == folder.size() || rest[folder.size()] == '\\')) {
      return true;
    }
  }
  return false;
}

std::string WithoutTrailingBackslash(std::string path) {
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

}  // namespace

Wow64View::Wow64View(std::vector<std::string> system_folders, std::string wow64_folder)
    : wow64_folder_(WithoutTrailingBackslash(std::move(wow64_folder))) {
  for (std::string& folder : system_folders) {
    folder = WithoutTrailingBackslash(std::move(folder));
    if (!folder.empty()) system_folders_.push_back(std::move(folder));
  }
  if (system_folders_.empty()) wow64_folder_.clear();
}

Wow64View Wow64View::OfThisProcess() {
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return {};
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, BOOL*);
  using GetSystemWow64DirectoryFn = UINT(WINAPI*)(LPSTR, UINT);
  auto is_wow64 = reinterpret_cast<IsWow64ProcessFn>(
      reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "IsWow64Process")));
  auto wow64_directory = reinterpret_cast<GetSystemWow64DirectoryFn>(
      reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "GetSystemWow64DirectoryA")));
  BOOL wow64 = FALSE;
  if (is_wow64 == nullptr || wow64_directory == nullptr ||
      !is_wow64(::GetCurrentProcess(), &wow64) || !wow64) {
    return {};
  }
  char folder[MAX_PATH];
  UINT length = wow64_directory(folder, MAX_PATH);
  char system[MAX_PATH];
  UINT system_length = ::GetSystemDirectoryA(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH || system_length == 0 || system_length >= MAX_PATH) {
    return {};
  }
  std::vector<std::string> forms{std::string(system, system_length)};
  char short_form[MAX_PATH];
  UINT short_length = ::GetShortPathNameA(system, short_form, MAX_PATH);
  if (short_length > 0 && short_length < MAX_PATH) forms.emplace_back(short_form, short_length);
  return Wow64View(std::move(forms), std::string(folder, length));
}

std::string Wow64View::OnDisk(const std::string& path) const {
  if (!redirected()) return path;
  for (const std::string& folder : system_folders_) {
    if (!StartsWithNoCase(path, folder)) continue;
    if (path.size() == folder.size()) return wow64_folder_;
    if (path[folder.size()] != '\\') continue;
    if (Unredirected(path.substr(folder.size() + 1))) return path;
    return wow64_folder_ + path.substr(folder.size());
  }
  return path;
}

}  // namespace vrx::win32
