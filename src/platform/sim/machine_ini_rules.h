// The sections and keys of machine.ini: for each, how it is read into a simulated machine and
// how it is written from one. machine_ini.cpp reads and writes the file by these rules.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace vrx::sim {

class SimMachine;

namespace ini_rules {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// A key of a section with fixed keys.
struct KeyRule {
  const char* name;
  std::function<std::string(const SimMachine&)> format;
  // Takes a value: "" when the key accepts it, else the problem.
  std::function<std::string(const std::string& value, SimMachine&)> parse;
};

// A section: either fixed keys, or a list of entries keyed by a path or a number.
struct SectionRule {
  const char* name = "";
  std::vector<KeyRule> keys;
  // Fixed keys: whether the section is written. Unset: when a key differs from a fresh machine.
  std::function<bool(const SimMachine&)> present;
  // Fixed keys: done when the section's header is read, before its keys.
  std::function<void(SimMachine&)> begin;
  // A list: its entries as written; how one entry read is taken ("" or the problem).
  std::function<Pairs(const SimMachine&)> entries;
  std::function<std::string(const std::string& key, const std::string& value, SimMachine&)> add;
  bool sorted = false;         // list entries are written sorted by path
  bool read_first = false;     // read before every other section
  bool keyed_by_path = false;  // list keys are paths
};

// Every section of machine.ini, in the order they are written.
const std::vector<SectionRule>& Sections();
// The section called `name`; null when there is none.
const SectionRule* FindSection(const std::string& name);
// Whether a section of fixed keys is written for this machine.
bool Present(const SectionRule& s, const SimMachine& m);

// The problems a key can have, as the messages say them.
std::string BadValue(const std::string& key, const std::string& value);
std::string UnknownKey(const std::string& section, const std::string& key);
// `text` without blanks and tabs at either end.
std::string Trim(const std::string& text);

}  // namespace ini_rules
}  // namespace vrx::sim
