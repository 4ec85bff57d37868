#include "platform/sim/reg_file_format.h"

#include <array>
#include <optional>
#include <utility>

#include "platform/sim/sim_registry.h"
#include "platform/sim/transcript.h"

namespace vrx::sim::reg_format {
namespace {

// Windows-1252 and the UTF-16 code units of its characters.
class CodePage {
 public:
  CodePage() {
    for (int b = 0; b < 256; ++b) {
      std::string utf8 = AnsiToUtf8(std::string(1, static_cast<char>(b)));
      uint32_t cp = static_cast<unsigned char>(utf8[0]);
      if (utf8.size() == 2) {
        cp = (cp & 0x1F) << 6 | (utf8[1] & 0x3F);
      } else if (utf8.size() == 3) {
        cp = (cp & 0x0F) << 12 | (utf8[1] & 0x3F) << 6 | (utf8[2] & 0x3F);
      }
      unit_[b] = static_cast<uint16_t>(cp);
    }
  }
  uint16_t Unit(char c) const { return unit_[static_cast<unsigned char>(c)]; }
  std::optional<char> Ansi(uint16_t unit) const {
    for (int b = 0; b < 256; ++b) {
      if (unit_[b] == unit) return static_cast<char>(b);
    }
    return std::nullopt;
  }

 private:
  std::array<uint16_t, 256> unit_{};
};

const CodePage& Cp1252() {
  static const CodePage code_page;
  return code_page;
}

uint16_t UnitAt(std::string_view bytes, size_t i) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[i]) |
                               static_cast<unsigned char>(bytes[i + 1]) << 8);
}

}  // namespace

bool IsStringType(uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

bool Utf16ToUtf8(std::string_view bytes, std::string* out, size_t* bad_line) {
  size_t line = 1;
  for (size_t i = 0; i < bytes.size(); i += 2) {
    if (i + 1 >= bytes.size()) {
      *bad_line = line;
      return false;
    }
    uint32_t unit = UnitAt(bytes, i);
    if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
      uint32_t low = UnitAt(bytes, i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), out);
        i += 2;
        continue;
      }
    }
    if (unit >= 0xD800 && unit < 0xE000) {
      *bad_line = line;
      return false;
    }
    if (unit == '\n') ++line;
    AppendUtf8(unit, out);
  }
  return true;
}

bool Utf16DataToAnsi(std::string_view bytes, std::string* out) {
  if (bytes.size() % 2 != 0) return false;
  std::string ansi;
  for (size_t i = 0; i < bytes.size(); i += 2) {
    std::optional<char> c = Cp1252().Ansi(UnitAt(bytes, i));
    if (!c) return false;
    ansi.push_back(*c);
  }
  *out = std::move(ansi);
  return true;
}

std::string AnsiToUtf16Data(std::string_view ansi) {
  std::string bytes;
  for (char c : ansi) {
    uint16_t unit = Cp1252().Unit(c);
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

}  // namespace vrx::sim::reg_format
