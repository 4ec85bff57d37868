// vrxuninst-sim's script reader: whatever the text, no crash; what it accepts are actions the
// simulator knows, with a line number inside the text; what it refuses names the script and line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "simulator/script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<ScriptAction> actions;
  std::string error;
  const bool ok = ParseScriptText(text, "fuzz.script", &actions, &error);
  if (!ok && error.rfind("fuzz.script:", 0) != 0) std::abort();
  int lines = 1;
  for (char c : text) lines += c == '\n';
  int previous = 0;
  for (const ScriptAction& action : actions) {
    if (action.line <= previous || action.line > lines) std::abort();
    previous = action.line;
    const std::string& v = action.verb;
    if (v != "tick" && v != "untick" && v != "click" && v != "answer") std::abort();
    if ((v == "tick" || v == "untick") &&
        (action.argument.size() != 1 || action.argument[0] < '0' || action.argument[0] > '3')) {
      std::abort();
    }
    if (v == "answer" && action.argument != "yes" && action.argument != "no") std::abort();
    if (action.argument.find_first_of(" \t\r\n#") != std::string::npos) std::abort();
  }
  return 0;
}
