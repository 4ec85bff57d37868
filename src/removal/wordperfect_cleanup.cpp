#include "removal/wordperfect_cleanup.h"

#include <string>

#include "helpers/directory_tokens.h"
#include "state/program.h"

namespace vrx {
namespace {

struct WordPerfectVersion {
  const char* code;
  const char* program_directory;  // DirToken
  const char* program_file;
  const char* macro_directory;  // DirToken
};

constexpr WordPerfectVersion kVersions[] = {
    {"WPWIN7", "WPPROGPATH7", "\\WPWin.exe", "STARTUPDIRWP7"},
    {"WPWIN8", "WPPROGPATH8", "\\WPWin8.exe", "STARTUPDIRWP8"},
    {"WPWIN9", "WPPROGPATH9", "\\WPWin9.exe", "STARTUPDIRWP9"},
};

constexpr const char* kRemovalMacro = "\\StampRem.wcm";

}  // namespace

void RunWordPerfectRemovalMacro(Program& program, const std::string& variant_code) {
  for (const WordPerfectVersion& version : kVersions) {
    if (variant_code != version.code) continue;
    // The short path has no blanks, so only the macro's long path needs quotation marks.
    const std::string executable =
        GetShortPath(program.system(),
                     GetDirectory(program.platform(), program.state, version.program_directory) +
                         version.program_file);
    const std::string macro =
        GetDirectory(program.platform(), program.state, version.macro_directory) + kRemovalMacro;
    TaskId task = 0;
    // Not waited for; a WordPerfect that cannot be started is passed over.
    (void)program.processes().Start(executable + " /m-" + '"' + macro + '"', kWindowMinimizedFocus,
                                    &task);
  }
}

}  // namespace vrx
