// machine.ini, the facts of a machine image, described once: one table of sections and keys, each
// with how it is read into a machine and written from one. The image reader, the image writer and
// CopyMachine all go through it, so a fact added to the table is read, written and copied alike.
//
// The text: [section] lines and key=value lines; ';' starts a comment at the start of a line or
// after a blank; blanks around keys and values are dropped. Where keys are paths, the value
// follows the last "=" (a file name may hold one); elsewhere the first. Written sections come in a
// fixed order, list sections sorted by path where they are kept so (see machine_ini.cpp).
//
// Errors name the file and line: a carriage return other than that of a CR LF line end, unknown
// sections and keys, a section that appears twice, a bad value, and a path Windows could not take
// (windows_names.h): a name in it longer than 255 characters, or the path longer than 259, or than
// 247 for a folder ([system] windows and system; the folder a [folders] line makes, by its own long
// path).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vrx::sim {

class SimMachine;

class MachineIni {
 public:
  // Reads the syntax only; `file` names the file in messages ("machine.ini:3: ...").
  static std::optional<MachineIni> Parse(const std::string& text, const std::string& file,
                                         std::string* error);
  // machine.ini as the machine stands: every section the machine has something for.
  static std::string Format(const SimMachine& machine);

  // Applies the sections to a machine whose drives are loaded ([folders] first, as the other
  // sections may name its folders), then makes the facts take effect. On failure *error holds one
  // message and the machine may be partly changed.
  [[nodiscard]] bool ApplyTo(SimMachine* machine, std::string* error) const;

  struct Line {
    int number = 0;
    std::string key;    // up to the first "="
    std::string value;  // after it
    std::string text;   // the whole line, for keys that are paths (and may hold "=")
  };
  struct Section {
    int number = 0;
    std::string name;
    std::vector<Line> lines;
  };

 private:
  std::string file_;
  std::vector<Section> sections_;
};

}  // namespace vrx::sim
