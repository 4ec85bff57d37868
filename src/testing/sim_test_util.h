// Helpers for tests that run the program on a simulated machine.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "deploy/run_log.h"
#include "platform/sim/sim_machine.h"
#include "state/program.h"

namespace vrx::sim::testing {

// A REG_SZ value as an installer writes it: the text and its NUL.
inline void SetText(SimMachine& m, HKey hive, const std::string& key, const std::string& name,
                    const std::string& text) {
  m.registry.EnsureKey(hive, key).SetValue(name, kRegSz, text + std::string(1, '\0'));
}

// The four bytes of a REG_DWORD, lowest first.
inline std::string DwordBytes(uint32_t number) {
  std::string data(4, '\0');
  for (int i = 0; i < 4; ++i) data[static_cast<size_t>(i)] = static_cast<char>(number >> (8 * i));
  return data;
}

inline void SetDword(SimMachine& m, HKey hive, const std::string& key, const std::string& name,
                     uint32_t number) {
  m.registry.EnsureKey(hive, key).SetValue(name, kRegDword, DwordBytes(number));
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

// Whether some line of the transcript starts with `prefix`.
inline bool SaidLineStarting(const SimMachine& m, const std::string& prefix) {
  for (const std::string& line : m.transcript.lines()) {
    if (line.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

// The message boxes shown, as the transcript has them.
inline std::vector<std::string> Questions(const SimMachine& m) {
  std::vector<std::string> questions;
  for (const std::string& line : m.transcript.lines()) {
    if (line.rfind("msgbox", 0) == 0) questions.push_back(line);
  }
  return questions;
}

inline bool HasKey(const SimMachine& m, HKey hive, const std::string& key) {
  return m.registry.FindKey(hive, key) != nullptr;
}

// The bytes of a file of the host's file system ("" when it cannot be read).
inline std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A machine image folder of the source tree.
inline std::filesystem::path Sample(const std::string& name) {
  return std::filesystem::path(VRX_SOURCE_DIR) / "samples" / name;
}

// The machine of an image folder; a failed load is a test failure and leaves an empty machine.
inline std::unique_ptr<SimMachine> LoadImage(const std::filesystem::path& folder) {
  auto machine = std::make_unique<SimMachine>();
  std::string error;
  EXPECT_TRUE(LoadMachineImage(folder, machine.get(), &error)) << folder << ": " << error;
  return machine;
}

// Keeps the lines; refuses every line from `fail_from` on, as a full disk would.
class LinesSink : public LogSink {
 public:
  bool Append(const std::string& line) override {
    ++calls;
    if (fail_from >= 0 && calls > fail_from) return false;
    lines.push_back(line);
    return true;
  }
  bool Has(const std::string& line) const {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  size_t IndexOf(const std::string& line) const {
    return static_cast<size_t>(std::find(lines.begin(), lines.end(), line) - lines.begin());
  }
  std::vector<std::string> lines;
  int calls = 0;
  int fail_from = -1;
};

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
