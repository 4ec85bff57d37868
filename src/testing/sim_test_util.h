// Helpers for tests that run the program on a simulated machine.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/sim/sim_machine.h"
#include "startup/program.h"

namespace vrx::sim::testing {

// A REG_SZ value as an installer writes it: the text and its NUL.
inline void SetText(SimMachine& m, HKey hive, const std::string& key, const std::string& name,
                    const std::string& text) {
  m.registry.EnsureKey(hive, key).SetValue(name, kRegSz, text + std::string(1, '\0'));
}

inline void SetDword(SimMachine& m, HKey hive, const std::string& key, const std::string& name,
                     uint32_t number) {
  std::string data(4, '\0');
  for (int i = 0; i < 4; ++i) data[static_cast<size_t>(i)] = static_cast<char>(number >> (8 * i));
  m.registry.EnsureKey(hive, key).SetValue(name, kRegDword, data);
}

// The text of a REG_SZ value without its NUL; "<missing>" when there is none.
inline std::string Text(const SimMachine& m, HKey hive, const std::string& key,
                        const std::string& name) {
  const SimKey* k = m.registry.FindKey(hive, key);
  const SimValue* v = k != nullptr ? k->FindValue(name) : nullptr;
  if (v == nullptr) return "<missing>";
  std::string data = v->data;
  if (!data.empty() && data.back() == '\0') data.pop_back();
  return data;
}

inline bool HasKey(const SimMachine& m, HKey hive, const std::string& key) {
  return m.registry.FindKey(hive, key) != nullptr;
}

// A machine image folder of the source tree.
inline std::filesystem::path Sample(const std::string& name) {
  return std::filesystem::path(VRX_SOURCE_DIR) / "samples" / name;
}

// A fresh, empty folder under the system's temporary folder, removed with the object.
class TempFolder {
 public:
  TempFolder() {
    static int counter = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("vrx-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace vrx::sim::testing
