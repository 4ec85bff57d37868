#include "simulator/script.h"

#include <fstream>
#include <sstream>

bool ParseScriptText(const std::string& text, const std::string& name,
                     std::vector<ScriptAction>* actions, std::string* error) {
  std::istringstream in(text);
  std::string raw;
  int number = 0;
  while (std::getline(in, raw)) {
    ++number;
    if (size_t hash = raw.find('#'); hash != std::string::npos) raw.resize(hash);
    std::istringstream words(raw);
    ScriptAction action;
    action.line = number;
    if (!(words >> action.verb)) continue;
    std::string extra;
    bool has_argument = static_cast<bool>(words >> action.argument);
    auto fail = [&](const std::string& message) {
      *error = name + ":" + std::to_string(number) + ": " + message;
      return false;
    };
    if (words >> extra) return fail("too many words");
    if (action.verb == "tick" || action.verb == "untick") {
      if (!has_argument || action.argument.size() != 1 || action.argument[0] < '0' ||
          action.argument[0] > '3') {
        return fail(action.verb + " needs a check box number from 0 to 3");
      }
    } else if (action.verb == "click") {
      if (!has_argument) return fail("click needs a control name");
    } else if (action.verb == "answer") {
      if (action.argument != "yes" && action.argument != "no") {
        return fail("answer needs yes or no");
      }
    } else {
      return fail("unknown action \"" + action.verb + "\"");
    }
    actions->push_back(action);
  }
  return true;
}

bool ParseScript(const std::string& path, std::vector<ScriptAction>* actions, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot be read";
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return ParseScriptText(text.str(), path, actions, error);
}
