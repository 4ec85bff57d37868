#include "platform/windows_names.h"

#include <algorithm>
#include <vector>

#include "platform/platform.h"

namespace vrx {
namespace {

// Code points of the bytes 0x80 to 0x9F; 0 where Windows-1252 leaves the byte undefined.
constexpr uint16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Characters no file name may hold.
constexpr std::string_view kRefused = "<>:\"/\\|?*";
// Characters a file name may hold that an 8.3 name may not; a generated 8.3 name has "_" for them.
constexpr std::string_view kNotInShortNames = "+,;=[]";

bool IsRefused(char c) {
  return static_cast<unsigned char>(c) < 0x20 || kRefused.find(c) != std::string_view::npos;
}

// The pattern of a listing, one token a character, as FindFirstFile hands it to the file system.
enum class Token : char { kLiteral, kStar, kDosStar, kDosQm, kDosDot };
struct PatternChar {
  Token token;
  char folded;
};

std::vector<PatternChar> Translate(std::string_view raw) {
  const bool had_dot = !raw.empty() && raw.back() == '.';
  std::string_view pattern = TrimPathPart(raw, /*last=*/true);
  if (pattern == "*.*") pattern = "*";
  std::vector<PatternChar> out;
  out.reserve(pattern.size());
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    if (c == '?') {
      out.push_back({Token::kDosQm, 0});
    } else if (c == '*') {
      out.push_back({next == '.' ? Token::kDosStar : Token::kStar, 0});
    } else if (c == '.' && (next == '?' || next == '*')) {
      out.push_back({Token::kDosDot, 0});
    } else {
      out.push_back({Token::kLiteral, FoldChar(c)});
    }
  }
  // The dot Windows cut from the end of the path still counts for a star just before it.
  if (had_dot && !out.empty() && out.back().token == Token::kStar)
    out.back().token = Token::kDosStar;
  return out;
}

}  // namespace

uint16_t CodeUnit(char c) {
  auto byte = static_cast<unsigned char>(c);
  if (byte >= 0x80 && byte < 0xA0 && kHigh[byte - 0x80] != 0) return kHigh[byte - 0x80];
  return byte;
}

char FoldChar(char c) {
  auto b = static_cast<unsigned char>(c);
  if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7)) {
    b = static_cast<unsigned char>(b - 0x20);
  } else if (b == 0x9A || b == 0x9C || b == 0x9E) {
    b = static_cast<unsigned char>(b - 0x10);  // š œ ž
  } else if (b == 0xFF) {
    b = 0x9F;  // ÿ
  }
  return static_cast<char>(b);
}

std::string FoldName(std::string_view name) {
  std::string out(name);
  for (char& c : out) c = FoldChar(c);
  return out;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldChar(a[i]) != FoldChar(b[i])) return false;
  }
  return true;
}

int CompareFolded(std::string_view a, std::string_view b) {
  // Equal bytes are equal characters: only the first difference needs its code points.
  const size_t n = std::min(a.size(), b.size());
  const auto [x, y] =
      std::mismatch(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(n), b.begin());
  if (x != a.begin() + static_cast<std::ptrdiff_t>(n)) return CodeUnit(*x) < CodeUnit(*y) ? -1 : 1;
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int CompareNames(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const uint16_t x = CodeUnit(FoldChar(a[i]));
    const uint16_t y = CodeUnit(FoldChar(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool IsValidFileName(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameLength || name == "." || name == "..") return false;
  if (name.back() == '.' || name.back() == ' ') return false;
  return std::none_of(name.begin(), name.end(), IsRefused);
}

std::string PathLengthProblem(std::string_view path, size_t max_length) {
  size_t part_begin = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '\\' && path[i] != '/') continue;
    if (i - part_begin > kMaxNameLength) {
      return "a name longer than " + std::to_string(kMaxNameLength) + " characters";
    }
    part_begin = i + 1;
  }
  if (path.size() > max_length) {
    return "a path longer than " + std::to_string(max_length) + " characters";
  }
  return "";
}

bool IsShortName(std::string_view name) {
  if (name == "." || name == "..") return true;
  if (!IsValidFileName(name) || name.front() == '.') return false;
  if (name.find(' ') != std::string_view::npos) return false;
  if (name.find_first_of(kNotInShortNames) != std::string_view::npos) return false;
  const size_t dot = name.find('.');
  if (dot == std::string_view::npos) return name.size() <= 8;
  if (name.find('.', dot + 1) != std::string_view::npos) return false;
  return dot <= 8 && name.size() - dot - 1 <= 3;
}

uint16_t ShortNameChecksum(std::string_view long_name) {
  const size_t length = long_name.size();
  if (length == 0) return 0;
  if (length == 1) return CodeUnit(long_name[0]);
  uint16_t hash = static_cast<uint16_t>((CodeUnit(long_name[0]) << 8) + CodeUnit(long_name[1]));
  if (length == 2) return hash;
  uint16_t saved = hash;
  for (size_t at = 2; at < length; at += 2) {
    hash = static_cast<uint16_t>((hash << 7) + CodeUnit(long_name[at]));
    hash = static_cast<uint16_t>((saved >> 1) + (hash << 8));
    if (at + 1 < length) hash = static_cast<uint16_t>(hash + CodeUnit(long_name[at + 1]));
    saved = hash;
  }
  return hash;
}

std::string ShortNameCandidate(std::string_view long_name, int attempt) {
  auto keep = [](char c, std::string* out) {
    auto b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b >= 0x7F || c == '.') return;
    if (kNotInShortNames.find(c) != std::string_view::npos) c = '_';
    out->push_back(FoldChar(c));
  };
  const size_t first = long_name.find_first_not_of('.');
  const std::string_view name =
      first == std::string_view::npos ? std::string_view() : long_name.substr(first);
  const size_t dot = name.rfind('.');
  std::string base;
  for (size_t i = 0; i < std::min(dot, name.size()) && base.size() < 6; ++i) keep(name[i], &base);
  std::string extension;
  if (dot != std::string_view::npos) {
    for (size_t i = dot + 1; i < name.size() && extension.size() < 3; ++i)
      keep(name[i], &extension);
  }

  int number = attempt;
  const bool hashed = base.size() <= 2 || attempt > 4;
  if (hashed) {
    if (base.size() > 2) {
      base.resize(2);
      number = attempt - 4;
    }
    uint16_t checksum = ShortNameChecksum(long_name);
    for (int i = 0; i < 4; ++i, checksum = static_cast<uint16_t>(checksum >> 4)) {
      base.push_back("0123456789ABCDEF"[checksum & 0xF]);
    }
  }
  const std::string tail = "~" + std::to_string(number);
  base.resize(std::min(base.size(), 8 - std::min<size_t>(tail.size(), 8)));
  std::string out = base + tail;
  if (!extension.empty()) out += "." + extension;
  return out;
}

bool MatchesPattern(std::string_view raw_pattern, std::string_view name) {
  const std::vector<PatternChar> pattern = Translate(raw_pattern);
  const size_t last_dot = name.rfind('.');
  const size_t p_size = pattern.size();
  const size_t n_size = name.size();
  // reach[n]: the pattern read so far can have matched exactly the first n characters of the name.
  std::vector<char> reach(n_size + 1, 0), next(n_size + 1, 0);
  reach[0] = 1;
  for (size_t p = 0; p < p_size; ++p) {
    std::fill(next.begin(), next.end(), 0);
    const PatternChar& pc = pattern[p];
    for (size_t n = 0; n <= n_size; ++n) {
      if (!reach[n]) continue;
      switch (pc.token) {
        case Token::kLiteral:
          if (n < n_size && FoldChar(name[n]) == pc.folded) next[n + 1] = 1;
          break;
        case Token::kStar:
          for (size_t m = n; m <= n_size; ++m) next[m] = 1;
          break;
        case Token::kDosStar:
          // Any run of characters but the name's last dot.
          for (size_t m = n;; ++m) {
            next[m] = 1;
            if (m == n_size || m == last_dot) break;
          }
          break;
        case Token::kDosQm:
          if (n == n_size || name[n] == '.') {
            next[n] = 1;
          } else {
            next[n + 1] = 1;
          }
          break;
        case Token::kDosDot:
          if (n == n_size) {
            next[n] = 1;
          } else if (name[n] == '.') {
            next[n + 1] = 1;
          }
          break;
      }
    }
    reach.swap(next);
  }
  return reach[n_size] != 0;
}

std::string_view TrimPathPart(std::string_view part, bool last) {
  if (part == "." || part == "..") return part;
  if (!last) {
    if (!part.empty() && part.back() == '.') part.remove_suffix(1);
    return part;
  }
  while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.remove_suffix(1);
  return part;
}

std::string_view HiveName(uint32_t hive) {
  switch (hive) {
    case kHkeyClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case kHkeyCurrentUser:
      return "HKEY_CURRENT_USER";
    case kHkeyLocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case kHkeyUsers:
      return "HKEY_USERS";
    default:
      return {};
  }
}

}  // namespace vrx
