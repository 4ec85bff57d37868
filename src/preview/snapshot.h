// The snapshot: the part of a Windows machine that a run of the uninstaller reads or touches,
// taken with read-only calls into a simulated machine, and written as a machine image.
//
// What a run reaches for is learnt from the run itself: the uninstaller is run on the machine
// taken so far, through a TouchTracker, and every registry key, folder, file read and program it
// reached for that is not yet taken is read from the live machine; then again, until a run
// reaches for nothing new. Two runs make each round: the command line as given, and the same with
// every variant code, so that the wizard's choices are covered too; each answers Yes to every
// question, which reaches furthest.
//
// What is taken:
//  - the platform (GetVersionEx), the Windows and system folders, USERNAME, the clock;
//  - the add-in's registry tree, its class key and its uninstall entries, whole; the SharedDLLs,
//    RunOnce and Shell Folders lists and Word's install roots;
//  - each registry key the runs open, create or delete: its values as stored, and the names of
//    its subkeys (as empty keys until a run reaches into one);
//  - each folder the runs list, remove, or name an entry of: every entry with its stored name,
//    its attributes and, for files, whether another program holds it (an open that shares
//    nothing), every file empty and every folder below it empty until a run reaches into it;
//    the folders above it as folders;
//  - the bytes of each file a run opens to read (Wininit.ini), unless another program holds it;
//  - each program a run starts that exists, as a [programs] entry;
//  - whether Word runs (one instance, whatever the count), asked through its automation class.
// Nothing else: no other file's bytes, no fonts, no deletions Windows already has pending, and no
// entry whose long path is longer than Windows lets a program make one (247 characters for a
// folder, 259 for a file), which no machine image holds.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_machine.h"
#include "preview/host_calls.h"

namespace vrx::preview {

struct SnapshotReport {
  int rounds = 0;         // runs of the uninstaller it took
  size_t keys = 0;        // registry keys read
  size_t folders = 0;     // folders listed
  size_t files_read = 0;  // files whose bytes were read
  // Folders (long paths) that the run with the given command line, or with every variant code,
  // removes, and the files it deletes or leaves for the next start of Windows.
  std::vector<std::string> removed;
};

// Takes the snapshot of `live` (read-only calls only) into `machine`, a fresh machine.
// `program_words` is the command line as the program's start-up reads it.
void TakeSnapshot(const Platform& live, LiveFiles* files, const std::string& program_words,
                  sim::SimMachine* machine, SnapshotReport* report);

// Walks a path "X:\..." part by part through LiveFiles::Stat, building its long form in
// *long_path, and hands each part found to `each` (with whether it is the last). Returns where the
// part that is missing, or that `each` refused, starts in `path` (*long_path then ends before it);
// npos when every part was found and taken. Empty parts are passed over.
size_t WalkLivePath(LiveFiles* files, const std::string& path, std::string* long_path,
                    const std::function<bool(const LiveEntry& entry, bool last)>& each);

// Whether a run on the snapshot's machine, with the given command line or with every variant code,
// would take away a file written into `dir` (a full path, existing or not): a folder that a
// Defaults value names but that does not exist yet is removed as soon as it does.
bool RunWouldEmpty(const sim::SimMachine& machine, const std::string& program_words,
                   const std::string& dir);

// One file or folder of a machine image, its path relative to the image folder with "\"
// between the parts (host names are the Windows-1252 bytes).
struct ImageEntry {
  std::string path;
  bool folder = false;
  std::string bytes;
};

// The machine image of a machine, in memory: machine.ini, registry.reg and the drive folders,
// each folder before what it holds, as WriteMachineImage writes them.
std::vector<ImageEntry> ImageEntries(const sim::SimMachine& machine);

// Writes the image into `dir`, a full path. Refused, with nothing written and one message in
// *error: a `dir` that exists and is not an empty folder, one that cannot be made (its parent
// must exist), or one that is, or lies inside, a folder or file in `report.removed`.
[[nodiscard]] bool WriteSnapshot(const sim::SimMachine& machine, const SnapshotReport& report,
                                 const std::string& dir, ImageFolder* out, std::string* error);

}  // namespace vrx::preview
