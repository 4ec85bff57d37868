// The operations the uninstaller needs from Windows, grouped by what they stand for.
//
// Each interface is shaped after the Win32 calls it stands for, so that the real backend forwards
// almost one to one and the simulated machine can reproduce the documented results and failures.
// Texts are in the Windows ANSI code page (Windows-1252). No call throws: every fallible call
// returns a status (a Win32 error code, 0 for success) or the value the Win32 call documents for a
// failure.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vrx {

// A Win32 error code as the registry calls return it; kOk means success.
using Status = int32_t;
inline constexpr Status kOk = 0;
inline constexpr Status kErrorFileNotFound = 2;
inline constexpr Status kErrorPathNotFound = 3;
inline constexpr Status kErrorAccessDenied = 5;
inline constexpr Status kErrorInvalidHandle = 6;
inline constexpr Status kErrorInvalidParameter = 87;
inline constexpr Status kErrorSharingViolation = 32;
inline constexpr Status kErrorDirNotEmpty = 145;
inline constexpr Status kErrorAlreadyExists = 183;
inline constexpr Status kErrorMoreData = 234;
inline constexpr Status kErrorNoMoreItems = 259;
inline constexpr Status kErrorNotSupported = 50;
// Used by the platform layers for a call that cannot be made at all (no object, no such member).
inline constexpr Status kErrorGenFailure = 31;
// MK_E_UNAVAILABLE, as GetActiveObject answers when nothing of the class runs: an answer, not a
// failure of the call.
inline constexpr Status kMkEUnavailable = static_cast<Status>(0x800401E3u);

// ---------------------------------------------------------------------------------------------
// Registry (advapi32)

// A key handle. The predefined hives are the values below; 0 is the null handle.
using HKey = uint32_t;
inline constexpr HKey kHkeyClassesRoot = 0x80000000u;
inline constexpr HKey kHkeyCurrentUser = 0x80000001u;
inline constexpr HKey kHkeyLocalMachine = 0x80000002u;

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
  // 2 when a key on the path is missing, 6 for a closed or null parent.
  [[nodiscard]] virtual Status OpenKey(HKey parent, const std::string& subkey, uint32_t sam,
                                       HKey* result) = 0;

  // RegCloseKey. 6 for a handle that is not open (closing a hive is allowed and does nothing).
  [[nodiscard]] virtual Status CloseKey(HKey key) = 0;

  // RegQueryValueExA. `type` and `data` may be null. With data null, *size receives the stored
  // size and the call succeeds. With data given, *size is the buffer length on entry: when the
  // stored data does not fit, the result is 234 and *size the size needed; otherwise the stored
  // bytes are copied exactly as stored (a REG_SZ value may lack its NUL) and *size is their count.
  // 2 for a missing value; 6 for a closed or null key.
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

  // RegDeleteValueA. 2 when there is no such value.
  [[nodiscard]] virtual Status DeleteValue(HKey key, const std::string& name) = 0;

  // RegEnumKeyExA(key, index, name, name_size, 0, no class, no class size, last_write).
  // *name_size is the buffer length in characters, the terminating NUL included. Subkeys come in
  // sorted order, without regard to case. 234 when the name and its NUL do not fit; 259 when
  // index is past the last subkey. On success *name_size is the name's length without its NUL.
  // `last_write` may be null.
  [[nodiscard]] virtual Status EnumKey(HKey key, uint32_t index, char* name, uint32_t* name_size,
                                       uint64_t* last_write) = 0;

  // RegDeleteKeyA. Windows 95/98 delete the key with everything below it; Windows NT refuses a
  // key that has subkeys with 5.
  [[nodiscard]] virtual Status DeleteKey(HKey parent, const std::string& subkey) = 0;

  // RegEnumValueA(key, index, name, name_size, 0, type, no data, no data size): the name of the
  // index-th value ("" is the default value) and, when `type` is given, its type. *name_size is
  // the buffer length in characters, the NUL included; on success it is the name's length. 234
  // when the name and its NUL do not fit; 259 when index is past the last value; 5 on Windows NT
  // for a handle opened without KEY_QUERY_VALUE. The order is the registry's own: do not rely on
  // it. On failure the outputs are left untouched.
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
inline constexpr uint32_t kWmFontChange = 29;
inline constexpr uint32_t kHwndBroadcast = 0xFFFF;

using Handle = uintptr_t;  // a kernel object handle; 0 is none

struct Luid {
  uint32_t LowPart = 0;
  int32_t HighPart = 0;
};
inline bool operator==(const Luid& a, const Luid& b) {
  return a.LowPart == b.LowPart && a.HighPart == b.HighPart;
}

// TOKEN_PRIVILEGES with room for one entry: 16 bytes, as the shutdown request passes it.
struct TokenPrivileges {
  uint32_t PrivilegeCount = 0;
  Luid PrivilegeLuid;
  uint32_t Attributes = 0;
};
static_assert(sizeof(TokenPrivileges) == 16);
inline constexpr uint32_t kSePrivilegeEnabled = 2;
inline constexpr uint32_t kTokenAdjustPrivileges = 0x20;
inline constexpr uint32_t kTokenQuery = 0x8;
inline constexpr uint32_t kEwxShutdown = 1;
inline constexpr uint32_t kEwxReboot = 2;

class System {
 public:
  virtual ~System() = default;

  // GetSystemDirectoryA / GetWindowsDirectoryA: copies the path and its NUL into `buffer` and
  // returns its length; returns the size needed (NUL included) when `size` is too small, 0 on
  // failure.
  virtual uint32_t GetSystemDirectory(char* buffer, uint32_t size) = 0;
  virtual uint32_t GetWindowsDirectory(char* buffer, uint32_t size) = 0;

  // GetShortPathNameA: the 8.3 form of an existing path, as GetSystemDirectory returns it;
  // 0 when the path does not exist.
  virtual uint32_t GetShortPathName(const std::string& long_path, char* buffer, uint32_t size) = 0;

  // GetVersionExA: false, leaving the record untouched, when its size field is not 148.
  virtual bool GetVersionEx(OsVersionInfo* info) = 0;

  // MoveFileExA. With new_name absent and flag 4, the file is deleted at the next restart.
  virtual bool MoveFileEx(const std::string& existing, const std::optional<std::string>& new_name,
                          uint32_t flags) = 0;

  // MoveFileA: gives an existing file a new name (in the same folder or another on the same
  // drive), keeping its contents and attributes. Never replaces: 183 when `new_name` exists
  // (under any case, or as the short name of an entry). 2/3 when `existing` or a folder on the
  // way is missing, 32 when the file is in use, 5 for a name Windows refuses to move.
  [[nodiscard]] virtual Status MoveFile(const std::string& existing,
                                        const std::string& new_name) = 0;

  // GetTempFileNameA(directory, prefix, 0, buffer): makes a name that no entry of `directory`
  // has: the folder, a backslash, the first three characters of `prefix`, a number in hexadecimal
  // digits and ".TMP" (case and number are the system's choice), and creates the file there,
  // empty, so that the name stays taken. 267 or 3 when the folder does not exist, 5 when nothing
  // can be created in it. On failure *path is left untouched.
  [[nodiscard]] virtual Status GetTempFileName(const std::string& directory,
                                               const std::string& prefix, std::string* path) = 0;

  // GetFullPathNameA: the absolute form of a path as the system's own path rules make it, without
  // asking the file system: a relative path is taken from the current directory (a drive-relative
  // one from that drive's), "/" becomes "\", repeated separators count as one, "." and ".." are
  // resolved (".." never climbs above a drive root or a share "\\server\share"), a dot that
  // ends a folder's name is dropped, and blanks and dots that end the path are dropped. The form
  // "\\?\..." is given back as it is. Short (8.3) names and case stay as written. 123 for the
  // empty path; on failure *full_path is left untouched.
  [[nodiscard]] virtual Status GetFullPathName(const std::string& path, std::string* full_path) = 0;

  // RemoveFontResourceA: nonzero on success, 0 when the font is not in the font table.
  virtual int32_t RemoveFontResource(const std::string& file_name) = 0;

  // SendMessageA.
  virtual intptr_t SendMessage(uintptr_t window, uint32_t message, uintptr_t wparam,
                               intptr_t lparam) = 0;

  // The value of an environment variable; empty when it is not set.
  virtual std::string GetEnvironmentVariable(const std::string& name) = 0;

  // True when another copy of this program already runs. Asked once, at start-up.
  virtual bool AnotherInstanceRunning() = 0;

  // GetCurrentProcess, OpenProcessToken, LookupPrivilegeValueA, AdjustTokenPrivileges,
  // CloseHandle and ExitWindowsEx; each boolean result is the Win32 BOOL.
  virtual Handle GetCurrentProcess() = 0;
  virtual bool OpenProcessToken(Handle process, uint32_t desired_access, Handle* token) = 0;
  virtual bool LookupPrivilegeValue(const std::string& system_name, const std::string& name,
                                    Luid* luid) = 0;
  virtual bool AdjustTokenPrivileges(Handle token, bool disable_all,
                                     const TokenPrivileges* new_state, uint32_t buffer_length,
                                     TokenPrivileges* previous_state, uint32_t* return_length) = 0;
  virtual bool CloseHandle(Handle handle) = 0;
  virtual bool ExitWindowsEx(uint32_t flags, uint32_t reason) = 0;
};

// ---------------------------------------------------------------------------------------------
// Files

// DOS attributes.
inline constexpr uint32_t kAttrReadOnly = 0x01;
inline constexpr uint32_t kAttrHidden = 0x02;
inline constexpr uint32_t kAttrSystem = 0x04;
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrArchive = 0x20;

enum class ListFilter {
  kPlain,        // entries without the hidden, system and directory attributes
  kHidden,       // plain entries and hidden files
  kDirectories,  // plain entries and directories (".", ".." included below a drive's root)
};

enum class TextMode { kReadChars, kWriteBytes };

using FileNumber = int32_t;

class Files {
 public:
  virtual ~Files() = default;

  // Starts a listing of the entries that match `pattern` (a path whose last part may hold the
  // wildcards * and ?; a relative pattern is taken from the current directory) and returns the
  // first matching name, without its folder; the empty text when nothing matches.
  virtual std::string ListFirst(const std::string& pattern, ListFilter filter) = 0;
  // The next name of the listing started last; the empty text once it is exhausted.
  virtual std::string ListNext() = 0;

  // Deletes a file: 5 for a read-only file or a folder, 32 for a file in use, 2 when missing.
  [[nodiscard]] virtual Status DeleteFile(const std::string& path) = 0;
  // Clears every attribute of an existing file or folder; 2 when missing, 3 when a folder above
  // it is missing.
  [[nodiscard]] virtual Status SetAttributesNormal(const std::string& path) = 0;
  // Removes a folder: 145 unless it is empty, 2/3 when missing, 32 for the current directory,
  // 5 for a read-only folder or a drive root, 267 for a file.
  [[nodiscard]] virtual Status RemoveDirectory(const std::string& path) = 0;
  // The current directory, for example "C:\WINDOWS" or "C:\".
  virtual std::string GetCurrentDirectory() = 0;
  // Makes a folder current: 2 when it does not exist, 3 when a folder above it is missing, 267
  // for a file.
  [[nodiscard]] virtual Status SetCurrentDirectory(const std::string& path) = 0;
  // Replaces `to` (which need not exist) by `from` in one step (MoveFileExA with
  // MOVEFILE_REPLACE_EXISTING).
  [[nodiscard]] virtual Status ReplaceFile(const std::string& from, const std::string& to) = 0;

  // Text files. Opening for writing bytes replaces what the file held.
  [[nodiscard]] virtual Status OpenText(const std::string& path, TextMode mode,
                                        FileNumber* number) = 0;
  // Reads one character; 38 (end of file) past the end.
  [[nodiscard]] virtual Status ReadChar(FileNumber number, char* c) = 0;
  virtual bool AtEnd(FileNumber number) = 0;
  [[nodiscard]] virtual Status Write(FileNumber number, const std::string& bytes) = 0;
  [[nodiscard]] virtual Status Close(FileNumber number) = 0;
  virtual void CloseAll() = 0;
};
inline constexpr Status kErrorHandleEof = 38;

// ---------------------------------------------------------------------------------------------
// Processes

using TaskId = uint32_t;
inline constexpr int kWindowHidden = 0;
inline constexpr int kWindowMinimizedFocus = 2;

class Processes {
 public:
  virtual ~Processes() = default;
  // Starts a command line with a window style and returns at once, never waiting for the program.
  // 2 when the program cannot be started.
  [[nodiscard]] virtual Status Start(const std::string& command_line, int window_style,
                                     TaskId* task) = 0;
  // Brings the main window of a started task to the front; nothing happens for an unknown task.
  virtual void ActivateTask(TaskId task) = 0;
};

// ---------------------------------------------------------------------------------------------
// Word's automation interface, as far as the Word clean-up uses it

class WordControl {
 public:
  virtual ~WordControl() = default;
  [[nodiscard]] virtual Status Caption(std::string* caption) = 0;
  [[nodiscard]] virtual Status Delete() = 0;
};

class WordApplication {
 public:
  virtual ~WordApplication() = default;
  [[nodiscard]] virtual Status Activate() = 0;
  [[nodiscard]] virtual Status SetWindowState(int16_t state) = 0;
  // Quit without an argument (Word may ask about unsaved documents), or Quit False.
  [[nodiscard]] virtual Status Quit() = 0;
  [[nodiscard]] virtual Status QuitWithoutSaving() = 0;
  // ActiveDocument.Name; fails while Word has no document.
  [[nodiscard]] virtual Status ActiveDocumentName(std::string* name) = 0;
  // CommandBars(bar).Controls, item by item in their order at the time of the call.
  [[nodiscard]] virtual Status CommandBarControls(
      const std::string& bar, std::vector<std::unique_ptr<WordControl>>* controls) = 0;
  // BuildKeyCode(arg1, arg2[, arg3]).
  [[nodiscard]] virtual Status BuildKeyCode(int16_t arg1, int16_t arg2, std::optional<int16_t> arg3,
                                            int32_t* key_code) = 0;
  // FindKey(key_code).Clear.
  [[nodiscard]] virtual Status FindKeyClear(int32_t key_code) = 0;
  // KeyBindings.Add KeyCode:=, KeyCategory:=, Command:=.
  [[nodiscard]] virtual Status KeyBindingsAdd(int32_t key_code, int16_t key_category,
                                              const std::string& command) = 0;
  // NormalTemplate.Save.
  [[nodiscard]] virtual Status NormalTemplateSave() = 0;
};

class Automation {
 public:
  virtual ~Automation() = default;
  // The running object of an automation class ("Word.Application"). kMkEUnavailable when none
  // runs; any other failure (Word busy, the class not registered) says nothing about whether one
  // runs. The object returned is the one registered first; several running copies of Word cannot
  // be told apart through it.
  [[nodiscard]] virtual Status GetRunningWord(const std::string& class_name,
                                              std::unique_ptr<WordApplication>* application) = 0;

  // Whether a top-level window of the window class ("OpusApp", Word's main window) exists on this
  // desktop, shown or hidden (FindWindowA(class, no title)). A Word that this program cannot reach
  // through GetRunningWord (one of another user or session, or one that has not registered yet)
  // still has its window. False when the question cannot be answered.
  [[nodiscard]] virtual bool WindowOfClassExists(const std::string& window_class) = 0;
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
  virtual int MessageBox(const std::string& text, int style, const std::string& title) = 0;
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
