// Removing one variant: its hooks in the word processor, the files of the manifest, its shared
// components, its folders and the subkeys of its registry key.
#pragma once

#include <string>

namespace vrx {

class Program;
struct ManifestEntry;

// Removes the variant whose manifest was just built. Never stops on a failure: what fails is
// passed over, and what the user must know of becomes a detail line.
void RemoveVariant(Program& program, const std::string& variant_code);

// Adds a step to the run's progress (Program::progress()).
void AdvanceProgress(Program& program, double step);

// Lets events through for n seconds of the clock; a pause that would run past midnight ends at
// once.
void WaitSeconds(Program& program, double seconds);

// The walk over the manifest, entry by entry. A directory entry that names a folder of the system
// or of the user (see protected_folders.h) is passed over: no question, no deletion, no line. A
// variant that is not `installed` releases no shared component: the components are other
// programs' (or other variants') as far as this run can tell.
void RemoveManifestFiles(Program& program, bool installed = true);
void DeleteManifestFile(Program& program, const ManifestEntry& entry, const std::string& directory);
void ReleaseSharedComponent(Program& program, const ManifestEntry& entry,
                            const std::string& directory);
void RemoveVariantDirectory(Program& program, const ManifestEntry& entry,
                            const std::string& directory);

}  // namespace vrx
