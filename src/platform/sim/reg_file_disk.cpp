// registry.reg files on the host's disk; the text itself is reg_file.cpp's.
#include <fstream>
#include <iterator>

#include "platform/sim/reg_file.h"

namespace vrx::sim {

RegFileResult ReadRegFile(const std::filesystem::path& path, SimRegistry* registry) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes;
  if (in) bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in) {
    RegFileResult result;
    result.error = path.string() + ": cannot be read";
    return result;
  }
  return ParseRegFile(bytes, path.string(), registry);
}

bool WriteRegFile(const std::filesystem::path& path, const SimRegistry& registry,
                  RegFileFormat format, std::string* error) {
  std::string bytes = FormatRegFile(registry, format);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    if (error) *error = path.string() + ": cannot be written";
    return false;
  }
  return true;
}

}  // namespace vrx::sim
