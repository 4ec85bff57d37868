// Machine images on the host's disk: a folder with machine.ini (machine_ini.h), registry.reg
// (reg_file.h) and one folder per drive (drive_c for C:, drive_d for D:, ...).
#pragma once

#include <filesystem>
#include <string>

namespace vrx::sim {

class SimFiles;
class SimMachine;

// Reads a machine image folder into a fresh machine. On failure gives false and one message
// naming the file and, where there is one, the line.
[[nodiscard]] bool LoadMachineImage(const std::filesystem::path& folder, SimMachine* machine,
                                    std::string* error);

// Writes the machine as an image into `folder`, which must not exist or be empty.
[[nodiscard]] bool WriteMachineImage(const SimMachine& machine, const std::filesystem::path& folder,
                                     std::string* error);

// Reads the `drive_x` folders of an image folder (x a lower-case letter: drive_c is C:), with the
// host names taken as Windows-1252 bytes and the files' bytes as they are; every file starts with
// no attribute and not in use. On success the drives read replace the whole model (C: stays,
// empty, when there is no drive_c), text files are closed, the listing ends and the current
// directory becomes C:\. Within a folder, names that are valid 8.3 names are created first, then
// the others in listing order, which fixes the short names. On failure the model is unchanged and
// *error holds one message naming the host file: two names of a folder that differ only in case,
// a name Windows refuses (one of `<>:"|?*\`, a control character, a trailing dot or blank), a
// path Windows could not make ("C:\..." longer than kMaxPathLength for a file or
// kMaxFolderPathLength for a folder, or a name longer than kMaxNameLength; windows_names.h), an
// entry that is neither a file nor a folder (symlinks included), a folder `drive_X` not in lower
// case, or a file or folder that cannot be read.
[[nodiscard]] bool LoadDriveFolders(const std::filesystem::path& image_dir, SimFiles* files,
                                    std::string* error);

// Writes every drive as `out_dir/drive_x/...` with the stored names as their Windows-1252 bytes,
// empty folders included (attributes and in-use marks are not written). `out_dir` is created when
// missing; a `drive_x` that already exists there is an error, so nothing is ever merged or
// overwritten.
[[nodiscard]] bool WriteDriveFolders(const SimFiles& files, const std::filesystem::path& out_dir,
                                     std::string* error);

}  // namespace vrx::sim
