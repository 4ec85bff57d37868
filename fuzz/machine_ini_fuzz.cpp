// The machine image reader's machine.ini: whatever the bytes, no crash; a bad file is refused with
// one message naming machine.ini; a good one gives a machine that is written and read back to the
// same machine.ini.
//
// The image folder lives in memory-backed storage when there is some (/dev/shm), made once.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/sim/sim_machine.h"

namespace {

namespace fs = std::filesystem;

fs::path scratch_folder;

void RemoveScratch() {
  std::error_code ec;
  fs::remove_all(scratch_folder, ec);
}

fs::path Scratch() {
  fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  fs::path folder = base / ("vrx-fuzz-machine-ini-" + std::to_string(::getpid()));
  scratch_folder = folder;
  std::atexit(RemoveScratch);
  fs::create_directories(folder / "image" / "drive_c" / "WINDOWS" / "SYSTEM");
  std::ofstream(folder / "image" / "registry.reg", std::ios::binary) << "REGEDIT4\r\n";
  std::ofstream(folder / "image" / "drive_c" / "WINDOWS" / "WIN.INI", std::ios::binary) << "x";
  std::ofstream(folder / "image" / "drive_c" / "WINDOWS" / "SYSTEM" / "KERNEL32.DLL") << "x";
  return folder;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fs::path folder = Scratch();
  const fs::path image = folder / "image";
  std::ofstream(image / "machine.ini", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  vrx::sim::SimMachine machine;
  std::string error;
  if (!vrx::sim::LoadMachineImage(image, &machine, &error)) {
    if (error.rfind("machine.ini:", 0) != 0) std::abort();
    return 0;
  }
  const fs::path out = folder / "out";
  const fs::path again_out = folder / "again";
  fs::remove_all(out);
  fs::remove_all(again_out);
  if (!vrx::sim::WriteMachineImage(machine, out, &error)) std::abort();
  vrx::sim::SimMachine again;
  if (!vrx::sim::LoadMachineImage(out, &again, &error)) std::abort();
  if (!vrx::sim::WriteMachineImage(again, again_out, &error)) std::abort();
  if (ReadAll(out / "machine.ini") != ReadAll(again_out / "machine.ini")) std::abort();
  return 0;
}
