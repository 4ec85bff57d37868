// Deleting files at the next start of Windows, and the uninstaller's own removal.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vrx {

class Program;

// Asks Windows NT to delete the file at the next restart (MoveFileExA, flag 4); a path the system
// took joins Scheduled.
void DeleteAtNextRestart(Program& program, const std::string& path);

// The usual rule for a file that could not be deleted: on Windows 95/98 it joins PendingDeletes;
// on Windows NT it is deleted at the next restart unless NOREBOOT was given.
void ScheduleDeletion(Program& program, const std::string& path);

// Schedules the uninstaller's own program file, unless NOREBOOT was given.
void ScheduleSelfRemoval(Program& program);

// On Windows 95/98, writes PendingDeletes into Wininit.ini's [RENAME] section. An existing
// Wininit.ini is read whatever its attributes and keeps every line; one that cannot be read is left
// as it is. The new content is written to a file the system names in the Windows folder, which then
// takes Wininit.ini's place without ever leaving the folder without a whole copy, old or new.
// What became of the list is in WininitResult (and, once written, its paths in Scheduled); a list
// that was not written adds a detail line saying why, for the files stay.
void UpdateWininit(Program& program);

// The lines of Wininit.ini: a carriage return ends a line, together with the line feed after it.
std::vector<std::string> SplitWininitLines(std::string_view bytes);

// Wininit.ini's new bytes: the old lines in their order, each ended by CR LF, with a line
// "NUL=" & entry for every entry after each line that holds "[RENAME]", or, without such a line, a
// "[RENAME]" section with them at the end. None when a line holds "VRXUNINST.EXE" (the file then
// stays as it is).
std::optional<std::string> RewriteWininit(const std::vector<std::string>& old_lines,
                                          const std::vector<std::string>& entries);

}  // namespace vrx
