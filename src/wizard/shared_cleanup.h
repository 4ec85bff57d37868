// What the variants share: the registry tree, the font, the Start Menu group and the entries in
// the list of installed programs. Most of it goes only when every installed variant goes.
#pragma once

namespace vrx {

class Program;

// Deletes every subkey of the add-in's key when every installed variant was chosen.
void DeleteAddInTree(Program& program);
// Removes the add-in's font from the font table and deletes its file.
void RemoveAddInFont(Program& program);
// Deletes the Start Menu group's entries of the chosen variants, in three passes.
void RemoveStartMenuEntries(Program& program);
// Deletes the chosen variants' uninstall entries and keys, and the add-in's key.
void RemoveUninstallEntries(Program& program);

}  // namespace vrx
