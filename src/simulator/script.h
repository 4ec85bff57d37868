// The script of user actions that vrxuninst-sim plays: one action a line, "#" starts a comment.
#pragma once

#include <string>
#include <vector>

struct ScriptAction {
  int line = 0;
  std::string verb;  // tick, untick, click, answer
  std::string argument;
};

// Reads the text of a script. On a bad line gives false and one message naming `name` and the
// line ("actions.script:2: unknown action \"wiggle\""); `actions` then holds the lines before it.
bool ParseScriptText(const std::string& text, const std::string& name,
                     std::vector<ScriptAction>* actions, std::string* error);

// Reads a script file; messages name the path as given.
bool ParseScript(const std::string& path, std::vector<ScriptAction>* actions, std::string* error);
