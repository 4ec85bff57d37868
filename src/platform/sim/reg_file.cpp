#include "platform/sim/reg_file.h"

#include <optional>
#include <vector>

#include "platform/sim/reg_file_format.h"
#include "platform/sim/transcript.h"

namespace vrx::sim {
namespace {

using reg_format::IsStringType;
using reg_format::kHeader4;
using reg_format::kHeader5;
using reg_format::Utf16DataToAnsi;
using reg_format::Utf16ToUtf8;

constexpr std::string_view kNotAnsi = "text not representable in Windows-1252";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// 1 to 8 hex digits.
bool ParseHex32(std::string_view digits, uint32_t* value) {
  if (digits.empty() || digits.size() > 8) return false;
  uint32_t v = 0;
  for (char c : digits) {
    int d = HexValue(c);
    if (d < 0) return false;
    v = v << 4 | static_cast<uint32_t>(d);
  }
  *value = v;
  return true;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = s[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Reading

struct ParsedSection {
  HKey hive = 0;
  std::string path;
  std::vector<SimValue> values;
};

class Parser {
 public:
  Parser(std::string file_name, RegFileFormat format)
      : file_name_(std::move(file_name)), format_(format) {}

  // `text` is UTF-8.
  bool Run(std::string_view text, std::vector<ParsedSection>* sections) {
    SplitLines(text);
    std::string_view header = TrimRight(lines_.empty() ? std::string_view() : lines_[0]);
    std::string_view expected = format_ == RegFileFormat::kRegedit4 ? kHeader4 : kHeader5;
    if (header != expected) {
      if (format_ == RegFileFormat::kRegedit4 && header == kHeader5) {
        return Fail(
            1, "a \"" + std::string(kHeader5) + "\" file must be UTF-16LE with a byte-order mark");
      }
      return Fail(1, "expected the header \"" + std::string(expected) + "\"");
    }
    for (line_ = 1; line_ < lines_.size(); ++line_) {
      std::string_view line = TrimLeft(lines_[line_]);
      if (line.empty() || line.front() == ';') continue;
      if (line.front() == '[') {
        if (!ParseSection(TrimRight(line), sections)) return false;
      } else if (line.front() == '"' || line.front() == '@') {
        if (sections->empty()) return Fail(line_ + 1, "value outside any key");
        SimValue value;
        if (!ParseValue(line, &value)) return false;
        sections->back().values.push_back(std::move(value));
      } else {
        return Fail(line_ + 1, "syntax error");
      }
    }
    return true;
  }

  const std::string& error() const { return error_; }

 private:
  void SplitLines(std::string_view text) {
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      lines_.push_back(line);
      start = end + 1;
    }
  }

  bool Fail(size_t line, const std::string& message) {
    error_ = file_name_ + ":" + std::to_string(line) + ": " + message;
    return false;
  }

  bool ToAnsi(std::string_view utf8, std::string* ansi) {
    if (Utf8ToAnsi(std::string(utf8), ansi)) return true;
    return Fail(line_ + 1, std::string(kNotAnsi));
  }

  bool ParseSection(std::string_view line, std::vector<ParsedSection>* sections) {
    if (line.size() < 2 || line.back() != ']') return Fail(line_ + 1, "missing \"]\"");
    std::string_view inner = line.substr(1, line.size() - 2);
    if (!inner.empty() && inner.front() == '-') {
      return Fail(line_ + 1, "removing keys is not supported in a machine image");
    }
    size_t slash = inner.find('\\');
    std::string_view hive_name = inner.substr(0, slash);
    std::optional<HKey> hive = HiveFromName(hive_name);
    if (!hive) return Fail(line_ + 1, "unknown hive \"" + std::string(hive_name) + "\"");
    ParsedSection section;
    section.hive = *hive;
    if (slash != std::string_view::npos) {
      std::string_view path = inner.substr(slash + 1);
      if (path.empty() || path.back() == '\\' || path.find("\\\\") != std::string_view::npos) {
        return Fail(line_ + 1, "empty key name in \"" + std::string(inner) + "\"");
      }
      if (!ToAnsi(path, &section.path)) return false;
    }
    sections->push_back(std::move(section));
    return true;
  }

  // A quoted text starting at *pos (at the opening quote); *pos ends after the closing quote.
  bool ReadQuoted(std::string_view line, size_t* pos, std::string* text) {
    std::string utf8;
    for (size_t i = *pos + 1; i < line.size(); ++i) {
      char c = line[i];
      if (c == '"') {
        *pos = i + 1;
        return ToAnsi(utf8, text);
      }
      if (c == '\\') {
        if (i + 1 < line.size() && (line[i + 1] == '\\' || line[i + 1] == '"')) {
          utf8.push_back(line[++i]);
          continue;
        }
        return Fail(line_ + 1, "unknown escape in quoted text");
      }
      utf8.push_back(c);
    }
    return Fail(line_ + 1, "missing closing quote");
  }

  bool ParseValue(std::string_view line, SimValue* value) {
    size_t pos = 0;
    if (line.front() == '@') {
      pos = 1;
    } else if (!ReadQuoted(line, &pos, &value->name)) {
      return false;
    }
    std::string_view rest = TrimLeft(line.substr(pos));
    if (rest.empty() || rest.front() != '=') return Fail(line_ + 1, "expected \"=\"");
    rest = TrimRight(TrimLeft(rest.substr(1)));
    if (!rest.empty() && rest.front() == '"') {
      pos = 0;
      std::string text;
      if (!ReadQuoted(rest, &pos, &text)) return false;
      if (!TrimLeft(rest.substr(pos)).empty()) {
        return Fail(line_ + 1, "unexpected text after the value");
      }
      value->type = kRegSz;
      value->data = text + '\0';
      return true;
    }
    if (rest == "-") return Fail(line_ + 1, "removing values is not supported in a machine image");
    if (StartsWithNoCase(rest, "dword:")) {
      uint32_t number = 0;
      if (!ParseHex32(rest.substr(6), &number)) {
        return Fail(line_ + 1, "bad dword value \"" + std::string(rest.substr(6)) + "\"");
      }
      value->type = kRegDword;
      value->data = {static_cast<char>(number), static_cast<char>(number >> 8),
                     static_cast<char>(number >> 16), static_cast<char>(number >> 24)};
      return true;
    }
    size_t value_line = line_;
    if (StartsWithNoCase(rest, "hex:")) {
      value->type = kRegBinary;
      if (!ReadHexList(rest.substr(4), &value->data)) return false;
    } else if (StartsWithNoCase(rest, "hex(")) {
      size_t close = rest.find(')');
      if (close == std::string_view::npos || close + 1 >= rest.size() || rest[close + 1] != ':' ||
          !ParseHex32(rest.substr(4, close - 4), &value->type)) {
        std::string_view type = rest.substr(0, rest.find(':'));
        return Fail(line_ + 1, "bad value type \"" + std::string(type) + "\"");
      }
      if (!ReadHexList(rest.substr(close + 2), &value->data)) return false;
    } else {
      size_t colon = rest.find(':');
      std::string_view word = rest.substr(0, colon);
      bool is_word = colon != std::string_view::npos && !word.empty();
      for (char c : word) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '_' || c == '(' || c == ')';
        is_word = is_word && ok;
      }
      if (is_word) return Fail(line_ + 1, "unknown value type \"" + std::string(word) + "\"");
      return Fail(line_ + 1, "syntax error in the value");
    }
    if (format_ == RegFileFormat::kVersion5 && IsStringType(value->type)) {
      std::string ansi;
      if (!Utf16DataToAnsi(value->data, &ansi)) {
        return Fail(value_line + 1, value->data.size() % 2 != 0
                                        ? "UTF-16 data of an odd number of bytes"
                                        : std::string(kNotAnsi));
      }
      value->data = std::move(ansi);
    }
    return true;
  }

  // A hex list starting with `first`, going on over the lines that the previous one ends with a
  // backslash; line_ ends at its last line.
  bool ReadHexList(std::string_view first, std::string* bytes) {
    std::string joined;
    std::vector<std::pair<size_t, size_t>> starts;  // offset in `joined`, line index
    std::string_view piece = TrimRight(first);
    while (true) {
      bool continued = !piece.empty() && piece.back() == '\\';
      if (continued) piece = TrimRight(piece.substr(0, piece.size() - 1));
      starts.emplace_back(joined.size(), line_);
      joined += piece;
      if (!continued) break;
      if (line_ + 1 >= lines_.size()) {
        return Fail(line_ + 1, "hex data continues past the end of the file");
      }
      ++line_;
      piece = TrimRight(TrimLeft(lines_[line_]));
    }
    bytes->clear();
    if (TrimLeft(joined).empty()) return true;
    size_t start = 0;
    while (true) {
      size_t end = joined.find(',', start);
      if (end == std::string::npos) end = joined.size();
      std::string_view token =
          TrimRight(TrimLeft(std::string_view(joined).substr(start, end - start)));
      uint32_t byte = 0;
      if (token.size() > 2 || !ParseHex32(token, &byte)) {
        size_t line = starts.front().second;
        for (const auto& [offset, index] : starts) {
          if (offset <= start) line = index;
        }
        return Fail(line + 1, "bad hex data \"" + std::string(token) + "\"");
      }
      bytes->push_back(static_cast<char>(byte));
      if (end == joined.size()) return true;
      start = end + 1;
    }
  }

  std::string file_name_;
  RegFileFormat format_;
  std::vector<std::string_view> lines_;
  size_t line_ = 0;  // index of the line being read
  std::string error_;
};

}  // namespace

RegFileResult ParseRegFile(std::string_view bytes, const std::string& file_name,
                           SimRegistry* registry) {
  RegFileResult result;
  std::string text;
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    result.format = RegFileFormat::kVersion5;
    size_t bad_line = 0;
    if (!Utf16ToUtf8(bytes.substr(2), &text, &bad_line)) {
      result.error = file_name + ":" + std::to_string(bad_line) + ": invalid UTF-16 text";
      return result;
    }
  } else {
    result.format = RegFileFormat::kRegedit4;
    text = AnsiToUtf8(std::string(bytes));
  }
  Parser parser(file_name, result.format);
  std::vector<ParsedSection> sections;
  if (!parser.Run(text, &sections)) {
    result.error = parser.error();
    return result;
  }
  // Sections mostly follow their parent or a sibling: such a key is found from the previous one
  // instead of from the hive.
  auto parent_of = [](std::string_view path) {
    const size_t cut = path.rfind('\\');
    return cut == std::string_view::npos ? std::string_view() : path.substr(0, cut);
  };
  HKey last_hive = 0;
  std::string last_path;
  SimKey* last_key = nullptr;
  for (ParsedSection& section : sections) {
    const std::string_view path = section.path;
    const std::string_view parent = parent_of(path);
    const std::string_view name = path.substr(parent.empty() ? 0 : parent.size() + 1);
    SimKey* key = nullptr;
    if (last_key != nullptr && section.hive == last_hive && !path.empty()) {
      if (parent == last_path) {
        key = &last_key->EnsureSubKey(name);
      } else if (!last_path.empty() && parent == parent_of(last_path)) {
        key = &last_key->parent()->EnsureSubKey(name);
      }
    }
    if (key == nullptr) key = &registry->EnsureKey(section.hive, section.path);
    last_hive = section.hive;
    last_path = section.path;
    last_key = key;
    for (SimValue& value : section.values) {
      key->SetValue(value.name, value.type, std::move(value.data));
    }
  }
  result.ok = true;
  return result;
}

}  // namespace vrx::sim
