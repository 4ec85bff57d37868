// Deleting files at the next start of Windows, and the uninstaller's own removal.
#pragma once

#include <string>

namespace vrx {

class Program;

// Asks Windows NT to delete the file at the next restart (MoveFileExA, flag 4); the result is not
// examined.
void DeleteAtNextRestart(Program& program, const std::string& path);

// The usual rule for a file that could not be deleted: on Windows 95/98 it joins PendingDeletes;
// on Windows NT it is deleted at the next restart unless NOREBOOT was given.
void ScheduleDeletion(Program& program, const std::string& path);

// Schedules the uninstaller's own program file, unless NOREBOOT was given.
void ScheduleSelfRemoval(Program& program);

// On Windows 95/98, writes PendingDeletes into Wininit.ini's [RENAME] section.
void UpdateWininit(Program& program);

}  // namespace vrx
