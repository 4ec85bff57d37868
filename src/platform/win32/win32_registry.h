// The registry of the machine the program runs on (advapi32).
//
// Every call forwards its arguments to the ...A function of the same name. Our key handles are
// 32-bit numbers while an HKEY is as wide as a pointer, so the backend keeps a table: the three
// hives stand for HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, every key the API
// opens gets a fresh number (never handed out twice, never a hive), and the null handle, a closed
// handle and any other number give kErrorInvalidHandle without reaching the API. The
// statuses are the API's own. Keys still open are closed when the backend goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "platform/platform.h"
#include "platform/win32/win32_handles.h"

namespace vrx::win32 {

class Win32Registry : public Registry {
 public:
  Win32Registry() = default;
  Win32Registry(const Win32Registry&) = delete;
  Win32Registry& operator=(const Win32Registry&) = delete;

  [[nodiscard]] Status OpenKey(HKey parent, const std::string& subkey, uint32_t sam,
                               HKey* result) override;
  [[nodiscard]] Status CloseKey(HKey key) override;
  [[nodiscard]] Status QueryValue(HKey key, const std::string& name, uint32_t* type, uint8_t* data,
                                  uint32_t* size) override;
  [[nodiscard]] Status SetValue(HKey key, const std::string& name, uint32_t type,
                                const uint8_t* data, uint32_t size) override;
  [[nodiscard]] Status CreateKey(HKey parent, const std::string& subkey, uint32_t options,
                                 uint32_t sam, HKey* result, uint32_t* disposition) override;
  [[nodiscard]] Status DeleteValue(HKey key, const std::string& name) override;
  [[nodiscard]] Status EnumKey(HKey key, uint32_t index, char* name, uint32_t* name_size,
                               uint64_t* last_write) override;
  [[nodiscard]] Status DeleteKey(HKey parent, const std::string& subkey) override;
  [[nodiscard]] Status EnumValue(HKey key, uint32_t index, char* name, uint32_t* name_size,
                                 uint32_t* type) override;

  // Keys opened through the interface and not yet closed.
  size_t OpenHandleCount() const { return handles_.size(); }

 private:
  // The HKEY behind a number: a hive or an open key; null for any other number.
  HKEY Lookup(HKey key) const;
  // The number for a key the API has just opened; the table takes it over.
  HKey Adopt(HKEY key);

  std::map<HKey, UniqueHkey> handles_;
  HKey next_handle_ = 0x100;
};

}  // namespace vrx::win32
