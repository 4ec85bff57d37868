#include <string>

#include "platform/sim/reg_file.h"
#include "platform/sim/reg_file_format.h"

namespace vrx::sim {
namespace {

using reg_format::AnsiToUtf16Data;
using reg_format::IsStringType;
using reg_format::kHeader4;
using reg_format::kHeader5;

constexpr char kHexDigits[] = "0123456789abcdef";

std::string Escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

bool IsPlainText(const SimValue& value) {
  const std::string& data = value.data;
  if (value.type != kRegSz || data.empty() || data.back() != '\0') return false;
  return data.find_first_of(std::string_view("\0\r\n", 3)) == data.size() - 1;
}

void AppendHexByte(unsigned char byte, std::string* out) {
  out->push_back(kHexDigits[byte >> 4]);
  out->push_back(kHexDigits[byte & 0xF]);
}

// The hex list as regedit wraps it: after each comma that brings the line to column 77 or
// beyond, a backslash and a line going on after two blanks.
void AppendHexList(std::string_view bytes, size_t column, std::string* out) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    AppendHexByte(static_cast<unsigned char>(bytes[i]), out);
    if (i + 1 == bytes.size()) break;
    out->push_back(',');
    column += 3;
    if (column >= 77) {
      *out += "\\\r\n  ";
      column = 2;
    }
  }
}

void AppendValue(const SimValue& value, RegFileFormat format, std::string* out) {
  std::string line = value.name.empty() ? "@=" : "\"" + Escaped(value.name) + "\"=";
  if (IsPlainText(value)) {
    line += "\"" + Escaped(std::string_view(value.data).substr(0, value.data.size() - 1)) + "\"";
  } else if (value.type == kRegDword && value.data.size() == 4) {
    line += "dword:";
    for (int i = 3; i >= 0; --i) AppendHexByte(static_cast<unsigned char>(value.data[i]), &line);
  } else {
    if (value.type == kRegBinary) {
      line += "hex:";
    } else {
      std::string digits;
      uint32_t type = value.type;
      do {
        digits.insert(digits.begin(), kHexDigits[type & 0xF]);
        type >>= 4;
      } while (type != 0);
      line += "hex(" + digits + "):";
    }
    std::string bytes = format == RegFileFormat::kVersion5 && IsStringType(value.type)
                            ? AnsiToUtf16Data(value.data)
                            : value.data;
    size_t column = line.size();
    AppendHexList(bytes, column, &line);
  }
  *out += line;
  *out += "\r\n";
}

}  // namespace

std::string FormatRegFile(const SimRegistry& registry, RegFileFormat format) {
  std::string text(format == RegFileFormat::kRegedit4 ? kHeader4 : kHeader5);
  text += "\r\n\r\n";
  registry.ForEachKey([&](HKey hive, const std::string& path, const SimKey& key) {
    if (path.empty() && key.values().empty()) return;
    text += '[';
    text += HiveName(hive);
    if (!path.empty()) {
      text += '\\';
      text += path;
    }
    text += "]\r\n";
    for (const SimValue& value : key.values()) AppendValue(value, format, &text);
    text += "\r\n";
  });
  if (format == RegFileFormat::kRegedit4) return text;
  return "\xFF\xFE" + AnsiToUtf16Data(text);
}

}  // namespace vrx::sim
