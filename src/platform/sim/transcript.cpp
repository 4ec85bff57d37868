#include "platform/sim/transcript.h"

#include <cstdint>

#include "platform/windows_names.h"

namespace vrx::sim {
namespace {

uint32_t CodePoint(unsigned char byte) { return CodeUnit(static_cast<char>(byte)); }

bool IsAscii(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

void AppendUtf8(uint32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string AnsiToUtf8(const std::string& ansi) {
  if (IsAscii(ansi)) return ansi;
  std::string out;
  out.reserve(ansi.size());
  for (char c : ansi) AppendUtf8(CodePoint(static_cast<unsigned char>(c)), &out);
  return out;
}

bool Utf8ToAnsi(const std::string& utf8, std::string* ansi) {
  if (IsAscii(utf8)) {
    *ansi = utf8;
    return true;
  }
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    auto b = static_cast<unsigned char>(utf8[i]);
    uint32_t cp;
    size_t len;
    if (b < 0x80) {
      cp = b;
      len = 1;
    } else if ((b & 0xE0) == 0xC0) {
      cp = b & 0x1F;
      len = 2;
    } else if ((b & 0xF0) == 0xE0) {
      cp = b & 0x0F;
      len = 3;
    } else {
      return false;
    }
    if (i + len > utf8.size()) return false;
    for (size_t k = 1; k < len; ++k) {
      auto cont = static_cast<unsigned char>(utf8[i + k]);
      if ((cont & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cont & 0x3F);
    }
    i += len;
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out.push_back(static_cast<char>(cp));
      continue;
    }
    bool found = false;
    for (int k = 0; k < 32; ++k) {
      if (CodePoint(static_cast<unsigned char>(0x80 + k)) == cp) {
        out.push_back(static_cast<char>(0x80 + k));
        found = true;
        break;
      }
    }
    if (!found) return false;
  }
  *ansi = std::move(out);
  return true;
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '"') {
      out += "\\\"";
    } else if (c == '\\') {
      out += "\\";
    } else {
      out.push_back(c);
    }
  }
  out += "\"";
  return out;
}

std::string Transcript::ToUtf8() const {
  std::string out;
  for (const auto& line : lines_) {
    out += AnsiToUtf8(line);
    out += '\n';
  }
  return out;
}

}  // namespace vrx::sim
