#include "platform/win32/win32_registry.h"

#include <algorithm>
#include <vector>

#include "platform/win32/win32_error.h"

namespace vrx::win32 {
namespace {

struct Hive {
  HKey number;
  HKEY key;
};
const Hive kHives[] = {
    {kHkeyClassesRoot, HKEY_CLASSES_ROOT},
    {kHkeyCurrentUser, HKEY_CURRENT_USER},
    {kHkeyLocalMachine, HKEY_LOCAL_MACHINE},
    {kHkeyUsers, HKEY_USERS},
};

// Our "absent" pointers become the API's NULL; the values round-trip through DWORD locals
// because DWORD and uint32_t are distinct types with MinGW.
class DwordInOut {
 public:
  explicit DwordInOut(uint32_t* target) : target_(target), value_(target ? *target : 0) {}
  ~DwordInOut() {
    if (target_) *target_ = value_;
  }
  DwordInOut(const DwordInOut&) = delete;
  DwordInOut& operator=(const DwordInOut&) = delete;
  DWORD* get() { return target_ ? &value_ : nullptr; }

 private:
  uint32_t* target_;
  DWORD value_;
};

}  // namespace

HKEY Win32Registry::Lookup(HKey key) const {
  for (const Hive& hive : kHives) {
    if (hive.number == key) return hive.key;
  }
  auto it = handles_.find(key);
  return it != handles_.end() ? it->second.get() : nullptr;
}

HKey Win32Registry::Adopt(HKEY key) {
  // Opening "" below a hive may give the hive itself back.
  for (const Hive& hive : kHives) {
    if (hive.key == key) return hive.number;
  }
  HKey number = next_handle_;
  next_handle_ += 4;
  handles_.emplace(number, UniqueHkey(key));
  return number;
}

Status Win32Registry::OpenKey(HKey parent, const std::string& subkey, uint32_t sam, HKey* result) {
  // RegOpenKeyExA would write through a null result.
  if (!result) return kErrorInvalidParameter;
  *result = 0;
  HKEY base = Lookup(parent);
  if (!base) return kErrorInvalidHandle;
  HKEY opened = nullptr;
  LSTATUS status = ::RegOpenKeyExA(base, subkey.c_str(), 0, sam, &opened);
  if (status == ERROR_SUCCESS) *result = Adopt(opened);
  return TranslateError(status);
}

Status Win32Registry::CloseKey(HKey key) {
  for (const Hive& hive : kHives) {
    if (hive.number == key) return kOk;
  }
  auto it = handles_.find(key);
  if (it == handles_.end()) return kErrorInvalidHandle;
  HKEY real = it->second.release();
  handles_.erase(it);
  return TranslateError(::RegCloseKey(real));
}

Status Win32Registry::QueryValue(HKey key, const std::string& name, uint32_t* type, uint8_t* data,
                                 uint32_t* size) {
  HKEY real = Lookup(key);
  if (!real) return kErrorInvalidHandle;
  DwordInOut type_arg(type);
  DwordInOut size_arg(size);
  return TranslateError(
      ::RegQueryValueExA(real, name.c_str(), nullptr, type_arg.get(), data, size_arg.get()));
}

Status Win32Registry::SetValue(HKey key, const std::string& name, uint32_t type,
                               const uint8_t* data, uint32_t size) {
  HKEY real = Lookup(key);
  if (!real) return kErrorInvalidHandle;
  if (!data) {
    // Windows NT would read the bytes that a size promises.
    if (size > 0) return kErrorInvalidParameter;
    return TranslateError(::RegSetValueExA(real, name.c_str(), 0, type, nullptr, 0));
  }
  // RegSetValueExA looks one byte past a text without its NUL (Windows NT) or reads a REG_SZ up to
  // its NUL whatever the size (Windows 95/98). It gets a copy that a NUL of ours ends, so that it
  // reads nothing of the caller's beyond `size` bytes.
  std::vector<BYTE> copy(data, data + size);
  copy.push_back(0);
  return TranslateError(::RegSetValueExA(real, name.c_str(), 0, type, copy.data(), size));
}

Status Win32Registry::CreateKey(HKey parent, const std::string& subkey, uint32_t options,
                                uint32_t sam, HKey* result, uint32_t* disposition) {
  // RegCreateKeyExA would write through a null result.
  if (!result) return TranslateError(ERROR_BADKEY);
  *result = 0;
  HKEY base = Lookup(parent);
  if (!base) return kErrorInvalidHandle;
  HKEY created = nullptr;
  DwordInOut disposition_arg(disposition);
  LSTATUS status = ::RegCreateKeyExA(base, subkey.c_str(), 0, nullptr, options, sam, nullptr,
                                     &created, disposition_arg.get());
  if (status == ERROR_SUCCESS) *result = Adopt(created);
  return TranslateError(status);
}

Status Win32Registry::DeleteValue(HKey key, const std::string& name) {
  HKEY real = Lookup(key);
  if (!real) return kErrorInvalidHandle;
  return TranslateError(::RegDeleteValueA(real, name.c_str()));
}

Status Win32Registry::EnumKey(HKey key, uint32_t index, char* name, uint32_t* name_size,
                              uint64_t* last_write) {
  // RegEnumKeyExA would write through a null name or size.
  if (!name || !name_size) return kErrorInvalidParameter;
  HKEY real = Lookup(key);
  if (!real) return kErrorInvalidHandle;
  DwordInOut size_arg(name_size);
  FILETIME written{};
  LSTATUS status = ::RegEnumKeyExA(real, index, name, size_arg.get(), nullptr, nullptr, nullptr,
                                   last_write ? &written : nullptr);
  if (status == ERROR_SUCCESS && last_write) {
    *last_write = (uint64_t{written.dwHighDateTime} << 32) | written.dwLowDateTime;
  }
  return TranslateError(status);
}

Status Win32Registry::EnumValue(HKey key, uint32_t index, char* name, uint32_t* name_size,
                                uint32_t* type) {
  HKEY real = Lookup(key);
  if (!real) return kErrorInvalidHandle;
  if (!name || !name_size) return kErrorInvalidParameter;
  // The API may write into the buffer and the sizes even when it fails; the caller's stay as they
  // were then.
  std::string buffer(*name_size, '\0');
  DWORD size = *name_size;
  DWORD found_type = 0;
  LSTATUS status =
      ::RegEnumValueA(real, index, buffer.data(), &size, nullptr, &found_type, nullptr, nullptr);
  if (status != ERROR_SUCCESS) return TranslateError(status);
  std::copy(buffer.begin(), buffer.begin() + size + 1, name);
  *name_size = size;
  if (type) *type = found_type;
  return kOk;
}

Status Win32Registry::DeleteKey(HKey parent, const std::string& subkey) {
  HKEY base = Lookup(parent);
  if (!base) return kErrorInvalidHandle;
  return TranslateError(::RegDeleteKeyA(base, subkey.c_str()));
}

}  // namespace vrx::win32
