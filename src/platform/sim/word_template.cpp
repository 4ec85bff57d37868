#include "platform/sim/word_template.h"

#include <algorithm>
#include <cstdint>

namespace vrx::sim {
namespace {

// "a|b|" gives "a", "b" and ""; "" gives nothing.
std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  std::string part;
  for (char c : text) {
    if (c == separator) {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(part);
  return parts;
}

// The leading number of `text`, as far as its digits go (after blanks and a sign), held to 32
// bits; never throws. Written out rather than taken from strtoll, which the oldest C runtimes the
// program loads with do not have.
int32_t Number(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min<int64_t>(value * 10 + (text[i] - '0'), int64_t{INT32_MAX} + 1);
  }
  return static_cast<int32_t>(std::clamp<int64_t>(negative ? -value : value, INT32_MIN, INT32_MAX));
}

std::string Join(const std::vector<WordTemplate::Item>& items) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += '|';
    out += items[i].caption;
  }
  return out;
}

}  // namespace

WordTemplate WordTemplate::Parse(const std::string& menubar, const std::string& filemenu,
                                 const std::string& keys) {
  WordTemplate t;
  int id = 0;
  for (const std::string& caption : Split(menubar, '|')) t.menubar.push_back({++id, caption});
  for (const std::string& caption : Split(filemenu, '|')) t.filemenu.push_back({++id, caption});
  for (const std::string& entry : Split(keys, '|')) {
    std::vector<std::string> parts = Split(entry, ':');
    if (parts.size() < 2) continue;
    Key key;
    key.code = Number(parts[0]);
    key.command = parts[1];
    if (parts.size() > 2) key.category = Number(parts[2]);
    t.keys.push_back(key);
  }
  return t;
}

std::string WordTemplate::MenubarText() const { return Join(menubar); }
std::string WordTemplate::FilemenuText() const { return Join(filemenu); }

std::string WordTemplate::KeysText() const {
  std::string out;
  for (size_t i = 0; i < keys.size(); ++i) {
    if (i > 0) out += '|';
    out += std::to_string(keys[i].code);
    out += ':';
    out += keys[i].command;
    if (keys[i].category >= 0) {
      out += ':';
      out += std::to_string(keys[i].category);
    }
  }
  return out;
}

std::vector<WordTemplate::Item>* WordTemplate::Bar(const std::string& name) {
  if (name == "Menu Bar") return &menubar;
  if (name == "File") return &filemenu;
  return nullptr;
}

}  // namespace vrx::sim
