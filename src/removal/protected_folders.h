// The folders that the removal's folder step never offers for removal and never empties: the
// system's own and the user's.
//
// A folder named by a directory entry is protected when its path as written is not an absolute
// path on a drive ("C:\...") or a share ("\\server\share\..."): a relative path ("Docseal",
// "C:Docseal", "\Docseal") names a folder that depends on where the program happens to stand. It
// is protected too when its path, made absolute by the system's own rules (GetFullPathNameA: ".",
// "..", trailing dots and blanks resolved), lies inside the Windows folder, the system folder or
// a temporary folder (the TEMP and TMP of the environment, the Windows folder's TEMP, the TEMP
// and TMP of the Environment key of every user whose hive is loaded under HKEY_USERS, with
// %USERPROFILE% standing for that user's profile as ProfileList gives it), or is
//  - a drive root or a share root, or a folder on an administrative share (a share whose name ends
//    in "$", which stands for a whole drive);
//  - the Windows folder, the system folder, the Windows folder's SysWOW64 (the system folder of a
//    32-bit program on a 64-bit Windows), a Program Files folder (the values ProgramFilesDir,
//    "ProgramFilesDir (x86)" and ProgramW6432Dir of the key CurrentVersion, that is
//    HKLM\Software\Microsoft\Windows\CurrentVersion), a folder named by any value of the
//    Shell Folders key (CurrentVersion\Explorer\Shell Folders) of HKLM, of HKCU or of any user
//    whose hive is loaded (each key of HKEY_USERS: run as LocalSystem, as deployment tools run
//    it, the program's own HKCU is not the user's), or the profile folder of any user (the
//    ProfileImagePath of each key of ProfileList, of Windows NT and of Windows 95/98 with user
//    profiles; a REG_EXPAND_SZ value with its %VARIABLES% expanded from the environment);
//  - or a folder that contains one of these.
// Paths are compared without regard to case, as written and in their short (8.3) forms, and then
// by identity (Files::GetIdentity) where the system gives one: a folder that is one of these, or
// holds one, or lies inside one protected with its contents, under another name (a SUBST drive, a
// share, a junction) is protected too. A folder whose path passes through a junction, or whose
// root is a folder of a volume rather than the volume's root (a SUBST drive, a share of this
// machine), lies somewhere its path does not tell: on a volume that holds a folder protected with
// its contents, it is protected. Where the system gives no identity (Windows 95/98) names alone
// decide. When one of these folders cannot be learnt because a call failed (not because a
// key or value is missing), every folder counts as protected.
#pragma once

#include <string>

namespace vrx {

class Program;

// True when the folder step must leave `directory` alone: no question, no deletion, no line.
bool IsProtectedFolder(Program& program, const std::string& directory);

}  // namespace vrx
