#include "deploy/win32/win32_log_file.h"

#include <optional>

#include "platform/win32/win32_error.h"

namespace vrx::win32 {

std::unique_ptr<Win32LogFile> Win32LogFile::Create(const std::string& path, Status* status) {
  if (path.empty()) {
    *status = kErrorPathNotFound;
    return nullptr;
  }
  // Opened, or made, without changing a byte; emptied only once it shows itself a log.
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    *status = LastErrorStatus();
    return nullptr;
  }
  std::optional<std::string> existing;
  if (::GetLastError() == ERROR_ALREADY_EXISTS) {
    char bytes[kLogMarkBytes];
    DWORD read = 0;
    if (!::ReadFile(file.get(), bytes, sizeof bytes, &read, nullptr)) {
      *status = LastErrorStatus();
      return nullptr;
    }
    existing = std::string(bytes, read);
  }
  if (!MayBecomeLog(path, existing)) {
    *status = kErrorFileExists;
    return nullptr;
  }
  if (::SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
      !::SetEndOfFile(file.get())) {
    *status = LastErrorStatus();
    return nullptr;
  }
  *status = kOk;
  return std::unique_ptr<Win32LogFile>(new Win32LogFile(std::move(file)));
}

bool Win32LogFile::Append(const std::string& line) {
  const std::string bytes = line + "\r\n";
  DWORD written = 0;
  return ::WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) != 0 &&
         written == bytes.size();
}

namespace {

// A number with leading zeros to `digits` places.
std::string Padded(unsigned number, size_t digits) {
  std::string text = std::to_string(number);
  return text.size() >= digits ? text : std::string(digits - text.size(), '0') + text;
}

}  // namespace

std::string LocalTimeText() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return Padded(now.wYear, 4) + "-" + Padded(now.wMonth, 2) + "-" + Padded(now.wDay, 2) + " " +
         Padded(now.wHour, 2) + ":" + Padded(now.wMinute, 2) + ":" + Padded(now.wSecond, 2);
}

}  // namespace vrx::win32
