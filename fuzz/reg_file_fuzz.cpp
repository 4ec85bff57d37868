// The .reg reader, in both encodings: whatever the bytes, no crash, and a file it reads is written
// back in canonical form that reads to the same registry (and the same bytes once more).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/sim/reg_file.h"

namespace {

using vrx::sim::FormatRegFile;
using vrx::sim::ParseRegFile;
using vrx::sim::RegFileFormat;
using vrx::sim::SimRegistry;

// Windows-1252 bytes as the UTF-16LE text of a version 5.00 file would hold them (bytes 0x80 to
// 0x9F taken as the C1 controls of the same value: the reader must cope with any code unit).
std::string AsUtf16(const std::string& ansi) {
  std::string wide = "\xFF\xFE";
  for (char c : ansi) {
    wide += c;
    wide += '\0';
  }
  return wide;
}

// Names with a line break cannot be written faithfully; such registries are not compared.
bool WritableFaithfully(const SimRegistry& registry) {
  bool ok = true;
  registry.ForEachKey([&](vrx::HKey, const std::string& path, const vrx::sim::SimKey& key) {
    if (path.find_first_of("\r\n") != std::string::npos) ok = false;
    for (const auto& value : key.values()) {
      if (value.name.find_first_of("\r\n") != std::string::npos) ok = false;
    }
  });
  return ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  // The first byte chooses the encoding: the bytes as they are, or the text in UTF-16LE.
  if (data[0] & 1) text = AsUtf16(text);
  SimRegistry registry;
  vrx::sim::RegFileResult read = ParseRegFile(text, "registry.reg", &registry);
  if (!read.ok) {
    if (read.error.rfind("registry.reg", 0) != 0) std::abort();
    return 0;
  }
  if (!WritableFaithfully(registry)) return 0;
  for (RegFileFormat format : {RegFileFormat::kRegedit4, RegFileFormat::kVersion5}) {
    const std::string written = FormatRegFile(registry, format);
    SimRegistry again;
    vrx::sim::RegFileResult reread = ParseRegFile(written, "again.reg", &again);
    if (!reread.ok || FormatRegFile(again, format) != written) std::abort();
  }
  return 0;
}
