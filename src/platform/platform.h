// The operations the uninstaller needs from Windows, grouped by what they stand for.
//
// Each interface is shaped after the Win32 calls it stands for, so that the real backend forwards
// almost one to one and the simulated machine can reproduce the documented results and failures.
// Texts are in the Windows ANSI code page (Windows-1252). No call throws: every fallible call
// returns a status (status.h; outputs through pointers) or the value the Win32 call documents for
// a failure, and is marked [[nodiscard]]. Word's own object model is in word_object_model.h.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/status.h"
#include "platform/word_object_model.h"

namespace vrx {

// ---------------------------------------------------------------------------------------------
// Registry (advapi32)

// A key handle. The predefined hives are the values below; 0 is the null handle.
using HKey = uint32_t;
inline constexpr HKey kHkeyClassesRoot = 0x80000000u;
inline constexpr HKey kHkeyCurrentUser = 0x80000001u;
inline constexpr HKey kHkeyLocalMachine = 0x80000002u;
inline constexpr HKey kHkeyUsers = 0x80000003u;  // the hives of the users whose profile is loaded

inline constexpr uint32_t kRegNone = 0;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegMultiSz = 7;

inline constexpr uint32_t kKeyAllUsed = 0x3F;  // the access mask of every open and create
inline constexpr uint32_t kRegCreatedNewKey = 1;
inline constexpr uint32_t kRegOpenedExistingKey = 2;

class Registry {
 public:
  virtual ~Registry() = default;

  // RegOpenKeyExA(parent, subkey, 0, sam, result). On failure *result is set to 0.
  // kErrorFileNotFound when a key on the path is missing, kErrorInvalidHandle for a closed or null
  // parent.
  [[nodiscard]] virtual Status OpenKey(HKey parent, const std::string& subkey, uint32_t sam,
                                       HKey* result) = 0;

  // RegCloseKey. kErrorInvalidHandle for a handle that is not open (closing a hive is allowed and
  // does nothing).
  [[nodiscard]] virtual Status CloseKey(HKey key) = 0;

  // RegQueryValueExA. `type` and `data` may be null. With data null, *size receives the stored
  // size and the call succeeds. With data given, *size is the buffer length on entry: when the
  // stored data does not fit, the result is kErrorMoreData and *size the size needed; otherwise
  // the stored bytes are copied exactly as stored (a REG_SZ value may lack its NUL) and *size is
  // their count. kErrorFileNotFound for a missing value; kErrorInvalidHandle for a closed or null
  // key.
  [[nodiscard]] virtual Status QueryValue(HKey key, const std::string& name, uint32_t* type,
                                          uint8_t* data, uint32_t* size) = 0;

  // RegSetValueExA: stores `size` bytes of `data` under `name` with `type`, replacing any value of
  // that name (the stored name keeps the case it had; a new value takes the given case).
  [[nodiscard]] virtual Status SetValue(HKey key, const std::string& name, uint32_t type,
                                        const uint8_t* data, uint32_t size) = 0;

  // RegCreateKeyExA(parent, subkey, 0, no class, options, sam, no security, result, disposition):
  // opens the key, creating it and any missing keys above it. `disposition` may be null.
  [[nodiscard]] virtual Status CreateKey(HKey parent, const std::string& subkey, uint32_t options,
                                         uint32_t sam, HKey* result, uint32_t* disposition) = 0;

  // RegDeleteValueA. kErrorFileNotFound when there is no such value.
  [[nodiscard]] virtual Status DeleteValue(HKey key, const std::string& name) = 0;

  // RegEnumKeyExA(key, index, name, name_size, 0, no class, no class size, last_write).
  // *name_size is the buffer length in characters, the terminating NUL included. Subkeys come in
  // sorted order, without regard to case. kErrorMoreData when the name and its NUL do not fit;
  // kErrorNoMoreItems when index is past the last subkey. On success *name_size is the name's
  // length without its NUL. `last_write` may be null.
  [[nodiscard]] virtual Status EnumKey(HKey key, uint32_t index, char* name, uint32_t* name_size,
                                       uint64_t* last_write) = 0;

  // RegDeleteKeyA. Windows 95/98 delete the key with everything below it; Windows NT refuses a
  // key that has subkeys with kErrorAccessDenied.
  [[nodiscard]] virtual Status DeleteKey(HKey parent, const std::string& subkey) = 0;

  // RegEnumValueA(key, index, name, name_size, 0, type, no data, no data size): the name of the
  // index-th value ("" is the default value) and, when `type` is given, its type. *name_size is
  // the buffer length in characters, the NUL included; on success it is the name's length.
  // kErrorMoreData when the name and its NUL do not fit; kErrorNoMoreItems when index is past the
  // last value; kErrorAccessDenied on Windows NT for a handle opened without KEY_QUERY_VALUE. The
  // order is the registry's own: do not rely on it. On failure the outputs are left untouched.
  [[nodiscard]] virtual Status EnumValue(HKey key, uint32_t index, char* name, uint32_t* name_size,
                                         uint32_t* type) = 0;
};

// ---------------------------------------------------------------------------------------------
// System queries, delayed deletion, fonts, environment, single instance, shutdown

// OSVERSIONINFOA as GetVersionExA fills it; dwOSVersionInfoSize must be 148.
struct OsVersionInfo {
  uint32_t dwOSVersionInfoSize = 0;
  uint32_t dwMajorVersion = 0;
  uint32_t dwMinorVersion = 0;
  uint32_t dwBuildNumber = 0;
  uint32_t dwPlatformId = 0;
  char szCSDVersion[128] = {};
};
static_assert(sizeof(OsVersionInfo) == 148);

inline constexpr uint32_t kMoveFileDelayUntilReboot = 4;
inline constexpr uint32_t kEwxShutdown = 1;
inline constexpr uint32_t kEwxReboot = 2;

class System {
 public:
  virtual ~System() = default;

  // GetSystemDirectoryA / GetWindowsDirectoryA: copies the path and its NUL into `buffer` and
  // returns its length; returns the size needed (NUL included) when `size` is too small, 0 on
  // failure.
  [[nodiscard]] virtual uint32_t GetSystemDirectory(char* buffer, uint32_t size) = 0;
  [[nodiscard]] virtual uint32_t GetWindowsDirectory(char* buffer, uint32_t size) = 0;

  // GetShortPathNameA: the 8.3 form of an existing path, as GetSystemDirectory returns it;
  // 0 when the path does not exist.
  [[nodiscard]] virtual uint32_t GetShortPathName(const std::string& long_path, char* buffer,
                                                  uint32_t size) = 0;

  // GetVersionExA: false, leaving the record untouched, when its size field is not 148.
  [[nodiscard]] virtual bool GetVersionEx(OsVersionInfo* info) = 0;

  // MoveFileExA. With new_name absent and kMoveFileDelayUntilReboot, the file is deleted at the
  // next restart.
  [[nodiscard]] virtual bool MoveFileEx(const std::string& existing,
                                        const std::optional<std::string>& new_name,
                                        uint32_t flags) = 0;

  // MoveFileA: gives an existing file a new name (in the same folder or another on the same
  // drive), keeping its contents and attributes. Never replaces: kErrorAlreadyExists when
  // `new_name` exists (under any case, or as the short name of an entry). kErrorFileNotFound or
  // kErrorPathNotFound when `existing` or a folder on the way is missing, kErrorSharingViolation
  // when the file is in use, kErrorAccessDenied for a name Windows refuses to move.
  [[nodiscard]] virtual Status MoveFile(const std::string& existing,
                                        const std::string& new_name) = 0;

  // GetTempFileNameA(directory, prefix, 0, buffer): makes a name that no entry of `directory`
  // has: the folder, a backslash, the first three characters of `prefix`, a number in hexadecimal
  // digits and ".TMP" (case and number are the system's choice), and creates the file there,
  // empty, so that the name stays taken. kErrorDirectory or kErrorPathNotFound when the folder
  // does not exist, kErrorAccessDenied when nothing can be created in it. On failure *path is left
  // untouched.
  [[nodiscard]] virtual Status GetTempFileName(const std::string& directory,
                                               const std::string& prefix, std::string* path) = 0;

  // GetFullPathNameA: the absolute form of a path as the system's own path rules make it, without
  // asking the file system: a relative path is taken from the current directory (a drive-relative
  // one from that drive's), "/" becomes "\", repeated separators count as one, "." and ".." are
  // resolved (".." never climbs above a drive root or a share "\\server\share"), a dot that
  // ends a folder's name is dropped, and blanks and dots that end the path are dropped. The form
  // "\\?\..." is given back as it is. Short (8.3) names and case stay as written.
  // kErrorInvalidName for the empty path; on failure *full_path is left untouched.
  [[nodiscard]] virtual Status GetFullPathName(const std::string& path, std::string* full_path) = 0;

  // RemoveFontResourceA: nonzero on success, 0 when the font is not in the font table.
  [[nodiscard]] virtual int32_t RemoveFontResource(const std::string& file_name) = 0;

  // Tells every top-level window that the font table changed (WM_FONTCHANGE sent to
  // HWND_BROADCAST). A window that does not answer cannot hold the caller; nothing is reported.
  virtual void BroadcastFontChange() = 0;

  // The value of an environment variable; empty when it is not set.
  virtual std::string GetEnvironmentVariable(const std::string& name) = 0;

  // True when another copy of this program already runs. Asked once, at start-up.
  virtual bool AnotherInstanceRunning() = 0;

  // Enables the shutdown privilege ("SeShutdownPrivilege") in this process's token, as Windows NT
  // wants before a restart: OpenProcessToken with TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
  // LookupPrivilegeValueA on the local system, AdjustTokenPrivileges with that one privilege
  // enabled. The token is closed before the call returns, whatever happened. kOk when
  // AdjustTokenPrivileges succeeded; otherwise the status of the first step that failed.
  [[nodiscard]] virtual Status EnableShutdownPrivilege() = 0;

  // ExitWindowsEx; the result is the Win32 BOOL.
  [[nodiscard]] virtual bool ExitWindowsEx(uint32_t flags, uint32_t reason) = 0;
};

// ---------------------------------------------------------------------------------------------
// Files

// DOS attributes.
inline constexpr uint32_t kAttrReadOnly = 0x01;
inline constexpr uint32_t kAttrHidden = 0x02;
inline constexpr uint32_t kAttrSystem = 0x04;
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrArchive = 0x20;
inline constexpr uint32_t kAttrReparsePoint = 0x400;  // a junction or mount point

enum class ListFilter {
  kPlain,        // entries without the hidden, system and directory attributes
  kHidden,       // plain entries and hidden files
  kDirectories,  // plain entries and directories (".", ".." included below a drive's root)
};

enum class TextMode { kReadChars, kWriteBytes };

using FileNumber = int32_t;

// What tells a file or folder apart from every other on the machine, whatever path names it (a
// SUBST drive, a share, a junction): the serial number of its volume and its index there.
// `link` says that the name itself is a junction or a mount point: what it names lies elsewhere
// on its volume. It does not take part in comparisons.
struct FileIdentity {
  uint32_t volume_serial = 0;
  uint64_t file_index = 0;
  bool link = false;
  friend bool operator==(const FileIdentity& a, const FileIdentity& b) {
    return a.volume_serial == b.volume_serial && a.file_index == b.file_index;
  }
};

class Files {
 public:
  virtual ~Files() = default;

  // Starts a listing of the entries that match `pattern` (a path whose last part may hold the
  // wildcards * and ?; a relative pattern is taken from the current directory) and returns the
  // first matching name, without its folder; the empty text when nothing matches.
  [[nodiscard]] virtual std::string ListFirst(const std::string& pattern, ListFilter filter) = 0;
  // The next name of the listing started last; the empty text once it is exhausted.
  [[nodiscard]] virtual std::string ListNext() = 0;

  // Deletes a file: kErrorAccessDenied for a read-only file or a folder, kErrorSharingViolation
  // for a file in use, kErrorFileNotFound when missing.
  [[nodiscard]] virtual Status DeleteFile(const std::string& path) = 0;
  // Clears every attribute of an existing file or folder; kErrorFileNotFound when missing,
  // kErrorPathNotFound when a folder above it is missing.
  [[nodiscard]] virtual Status SetAttributesNormal(const std::string& path) = 0;
  // Removes a folder: kErrorDirNotEmpty unless it is empty, kErrorFileNotFound or
  // kErrorPathNotFound when missing, kErrorSharingViolation for the current directory,
  // kErrorAccessDenied for a read-only folder or a drive root, kErrorDirectory for a file.
  [[nodiscard]] virtual Status RemoveDirectory(const std::string& path) = 0;
  // The current directory, for example "C:\WINDOWS" or "C:\".
  virtual std::string GetCurrentDirectory() = 0;
  // Makes a folder current: kErrorFileNotFound when it does not exist, kErrorPathNotFound when a
  // folder above it is missing, kErrorDirectory for a file.
  [[nodiscard]] virtual Status SetCurrentDirectory(const std::string& path) = 0;
  // Replaces `to` (which need not exist) by `from` in one step (MoveFileExA with
  // MOVEFILE_REPLACE_EXISTING).
  [[nodiscard]] virtual Status ReplaceFile(const std::string& from, const std::string& to) = 0;
  // The identity of an existing file or folder (CreateFileA with no access, shared for reading,
  // writing and deleting, FILE_FLAG_BACKUP_SEMANTICS; then GetFileInformationByHandle): two paths
  // name the same entry exactly when their identities are equal; `link` is the directory entry's
  // own reparse-point attribute (FindFirstFileA; never set on a root). kErrorFileNotFound or
  // kErrorPathNotFound when missing. Windows 95/98 cannot open a folder (kErrorAccessDenied), and a
  // file system may give no identity at all: a caller then compares by name. On failure
  // *identity is left untouched.
  [[nodiscard]] virtual Status GetIdentity(const std::string& path, FileIdentity* identity) = 0;

  // Text files. Opening for writing bytes replaces what the file held.
  [[nodiscard]] virtual Status OpenText(const std::string& path, TextMode mode,
                                        FileNumber* number) = 0;
  // Reads one character; kErrorHandleEof past the end.
  [[nodiscard]] virtual Status ReadChar(FileNumber number, char* c) = 0;
  virtual bool AtEnd(FileNumber number) = 0;
  [[nodiscard]] virtual Status Write(FileNumber number, const std::string& bytes) = 0;
  [[nodiscard]] virtual Status Close(FileNumber number) = 0;
  virtual void CloseAll() = 0;
};

// ---------------------------------------------------------------------------------------------
// Processes

using TaskId = uint32_t;
inline constexpr int kWindowHidden = 0;
inline constexpr int kWindowMinimizedFocus = 2;

class Processes {
 public:
  virtual ~Processes() = default;
  // Starts a command line with a window style and returns at once, never waiting for the program.
  // kErrorFileNotFound when the program cannot be started.
  [[nodiscard]] virtual Status Start(const std::string& command_line, int window_style,
                                     TaskId* task) = 0;
  // Brings the main window of a started task to the front; nothing happens for an unknown task.
  virtual void ActivateTask(TaskId task) = 0;
  // Ends a task that this program started, at once and without asking it (TerminateProcess).
  // kErrorInvalidHandle for a task it did not start; kOk once the task has ended or had ended.
  [[nodiscard]] virtual Status EndTask(TaskId task) = 0;
};

// ---------------------------------------------------------------------------------------------
// Finding a running Word (the running object table, top-level windows)

class Automation {
 public:
  virtual ~Automation() = default;
  // The running object of an automation class ("Word.Application"), with Word's object model
  // (word_object_model.h). kMkEUnavailable when none
  // runs; any other failure (Word busy, the class not registered) says nothing about whether one
  // runs. The object returned is the one registered first; several running copies of Word cannot
  // be told apart through it.
  [[nodiscard]] virtual Status GetRunningWord(const std::string& class_name,
                                              std::unique_ptr<WordApplication>* application) = 0;

  // The tasks (process ids) that own a top-level window of the window class ("OpusApp", Word's
  // main window) on this desktop, shown or hidden, each once. A Word that this program cannot
  // reach through GetRunningWord (one of another user or session, or one that has not registered
  // yet) still has its window, and Word makes its window before it registers its object, so an
  // object that GetRunningWord gives belongs to one of these tasks. *owners is left untouched on
  // failure (the question could not be answered).
  [[nodiscard]] virtual Status WindowOwners(const std::string& window_class,
                                            std::vector<TaskId>* owners) = 0;
};

// ---------------------------------------------------------------------------------------------
// User interface, clock

class Form;
class FormView;

inline constexpr int kMbOk = 0;
inline constexpr int kMbYesNo = 4;
inline constexpr int kIdOk = 1;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

class Ui {
 public:
  virtual ~Ui() = default;
  // A message box with the style's buttons and no icon; returns the button chosen.
  [[nodiscard]] virtual int MessageBox(const std::string& text, int style,
                                       const std::string& title) = 0;
  // Handles the window messages that are waiting. When there are none, waits until one comes or
  // the clock moves on by a step, whichever is first: a loop that pumps while it waits for the
  // clock or for another program does not spin.
  virtual void PumpEvents() = 0;
  // The view that mirrors a form's properties onto the screen, made when the form is loaded.
  virtual std::unique_ptr<FormView> CreateView(Form& form) = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since midnight, single precision.
  virtual float SecondsSinceMidnight() = 0;
};

// The whole platform, as the program holds it. The pointers are not owned.
struct Platform {
  Registry* registry = nullptr;
  System* system = nullptr;
  Files* files = nullptr;
  Processes* processes = nullptr;
  Automation* automation = nullptr;
  Ui* ui = nullptr;
  Clock* clock = nullptr;
};

}  // namespace vrx
