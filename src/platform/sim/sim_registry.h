// The simulated machine's registry: four hives behind the Registry interface, answering every call
// with the results and failures the Windows registry gives, plus a direct model of its keys and
// values for the machine-image reader and writer and for tests.
//
// Names. Key and value names are matched without regard to case, as file names are (SameName in
// windows_names.h: ASCII, the Latin-1 letters and š œ ž ÿ). A name keeps the case it was created
// with; setting a value again under another case keeps the stored name. "" is the default value.
// Values keep their creation order; subkeys are enumerated sorted by their upper-cased names,
// compared by code point (CompareNames). Finding a value or a subkey takes time logarithmic in
// the number of values or subkeys of the key.
//
// RegSetValueExA reads exactly the `size` bytes it is given, never the byte after them, and stores
// a text as Windows stores one that a NUL follows: Windows NT adds the NUL to a REG_SZ,
// REG_EXPAND_SZ or REG_MULTI_SZ whose bytes do not end in one; Windows 95/98 store a REG_SZ up to
// its first NUL, and the NUL, whatever the size (kErrorInvalidParameter without data), and other
// types as given.
//
// Key paths given to OpenKey, CreateKey and DeleteKey are relative to the handle passed:
//  - "" names the key of the handle itself. OpenKey of "" on a hive gives the hive's own handle
//    (no new handle is opened); on an opened key, and for CreateKey, it opens a new handle.
//  - Empty parts name nothing: A\\B is A\B, and trailing backslashes are ignored.
//  - A leading backslash gives kErrorBadPathname, except that CreateKey on Windows 95/98 skips
//    one.
//  - CreateKey refuses with kErrorInvalidParameter a path with a part longer than 255 characters.
//  Such keys can only
//    come from the direct model (EnsureKey); OpenKey and DeleteKey find them like any other key.
//
// Null outputs. OpenKey without a place for the handle gives kErrorInvalidParameter, CreateKey
// kErrorBadKey and EnumKey without a name or a size kErrorInvalidParameter (Windows would write
// through the null pointer; the Windows backend refuses them the same way).
//
// Handles. Opened handles are fresh numbers, never handed out twice and never equal to a hive.
// HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_USERS are always open; any
// other predefined handle, the null handle and a closed handle give kErrorInvalidHandle. A handle
// whose key has been deleted meanwhile gives kErrorKeyDeleted for every call but CloseKey
// (QueryValue without a buffer also sets the size to 0 on Windows NT).
//
// Access. On Windows NT a handle allows only what its access mask asked for: reading values
// KEY_QUERY_VALUE, writing and deleting values KEY_SET_VALUE, enumerating KEY_ENUMERATE_SUB_KEYS;
// otherwise kErrorAccessDenied. The hives allow everything; creating and deleting subkeys ignores
// the parent's mask, as Windows does. Windows 95/98 ignore access masks.
//
// Deleting. DeleteKey of a key that has subkeys gives kErrorAccessDenied on Windows NT and deletes
// the whole tree on Windows 95/98. A missing key gives kErrorFileNotFound; a hive cannot be
// deleted (kErrorAccessDenied).
//
// Platform family 2 behaves as Windows NT; any other (1, and 0 for an unknown system) behaves as
// Windows 95/98.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/windows_names.h"

namespace vrx::sim {

// The longest key name part that the API creates.
inline constexpr size_t kMaxKeyNameLength = 255;

inline constexpr int kPlatformWin9x = 1;
inline constexpr int kPlatformWinNT = 2;

// The name as the registry compares it, and whether two names are the same (FoldName and
// SameName of windows_names.h).
inline std::string UpperName(std::string_view name) { return FoldName(name); }
using vrx::SameName;

using vrx::HiveName;
// The hive of a full hive name, matched without regard to case; none for any other text.
std::optional<HKey> HiveFromName(std::string_view name);

// The simulated hives in the order in which they are walked and written. HKEY_USERS holds the
// hives of the users whose profile is loaded, each a key named by the user's SID (on Windows
// 95/98: ".Default" and the user's name); the simulator does not tie HKEY_CURRENT_USER to one.
inline constexpr HKey kSimHives[] = {kHkeyClassesRoot, kHkeyCurrentUser, kHkeyLocalMachine,
                                     kHkeyUsers};

struct SimValue {
  std::string name;
  uint32_t type = kRegNone;
  std::string data;  // the stored bytes, exactly as set

  friend bool operator==(const SimValue&, const SimValue&) = default;
};

class SimKey {
 public:
  explicit SimKey(std::string name, SimKey* parent = nullptr)
      : name_(std::move(name)), folded_(FoldName(name_)), parent_(parent) {}
  SimKey(const SimKey&) = delete;
  SimKey& operator=(const SimKey&) = delete;

  const std::string& name() const { return name_; }
  // The key that holds this one; null for a hive's root and for a deleted key.
  SimKey* parent() const { return parent_; }

  // Values in the order they were first set.
  const std::vector<SimValue>& values() const { return values_; }
  const SimValue* FindValue(std::string_view name) const;
  // Stores a value. A value of the same name (in any case) keeps its stored name and its place.
  void SetValue(std::string_view name, uint32_t type, std::string data);
  // False when there is no such value.
  bool DeleteValue(std::string_view name);

  // Subkeys in enumeration order.
  size_t subkey_count() const { return subkeys_.size(); }
  const SimKey& subkey(size_t index) const { return *subkeys_[index]; }
  SimKey& subkey(size_t index) { return *subkeys_[index]; }
  const SimKey* FindSubKey(std::string_view name) const;
  SimKey* FindSubKey(std::string_view name);
  // The subkey of that name, created (with the case given) when missing. No length limit.
  SimKey& EnsureSubKey(std::string_view name);

 private:
  friend class SimRegistry;

  size_t LowerBound(std::string_view folded_name) const;
  std::shared_ptr<SimKey> SharedSubKey(std::string_view name) const;
  std::shared_ptr<SimKey> EnsureSharedSubKey(std::string_view name, bool* created);
  void MarkDeleted();

  std::string name_;
  std::string folded_;  // FoldName(name_)
  SimKey* parent_;      // valid while the key is not deleted
  std::vector<SimValue> values_;
  std::map<std::string, size_t> value_index_;     // FoldName(value name) to its place
  std::vector<std::shared_ptr<SimKey>> subkeys_;  // sorted by CompareFolded of folded_
  bool deleted_ = false;
};

class SimRegistry : public Registry {
 public:
  // `platform_family`: 2 for Windows NT, 1 for Windows 95/98.
  explicit SimRegistry(int platform_family = kPlatformWinNT);
  SimRegistry(const SimRegistry&) = delete;
  SimRegistry& operator=(const SimRegistry&) = delete;

  void SetPlatformFamily(int family) { family_ = family; }
  int platform_family() const { return family_; }

  // Registry
  [[nodiscard]] Status OpenKey(HKey parent, const std::string& subkey, uint32_t sam,
                               HKey* result) override;
  [[nodiscard]] Status CloseKey(HKey key) override;
  [[nodiscard]] Status QueryValue(HKey key, const std::string& name, uint32_t* type, uint8_t* data,
                                  uint32_t* size) override;
  [[nodiscard]] Status SetValue(HKey key, const std::string& name, uint32_t type,
                                const uint8_t* data, uint32_t size) override;
  [[nodiscard]] Status CreateKey(HKey parent, const std::string& subkey, uint32_t options,
                                 uint32_t sam, HKey* result, uint32_t* disposition) override;
  [[nodiscard]] Status DeleteValue(HKey key, const std::string& name) override;
  [[nodiscard]] Status EnumKey(HKey key, uint32_t index, char* name, uint32_t* name_size,
                               uint64_t* last_write) override;
  [[nodiscard]] Status DeleteKey(HKey parent, const std::string& subkey) override;
  // Values come in their stored order.
  [[nodiscard]] Status EnumValue(HKey key, uint32_t index, char* name, uint32_t* name_size,
                                 uint32_t* type) override;

  // Handles opened through the interface and not yet closed, and the full paths of their keys
  // ("HKEY_LOCAL_MACHINE\Software\Docseal4"), in the order they were opened.
  size_t OpenHandleCount() const { return handles_.size(); }
  std::vector<std::string> OpenHandles() const;

  // The direct model. Paths are relative to the hive, parts separated by backslashes; empty parts
  // are skipped, so "" is the hive's own key.
  // The root key of a hive; null for a handle that is not a simulated hive.
  SimKey* Hive(HKey hive);
  const SimKey* Hive(HKey hive) const;
  // The key at the path, created with its missing parents; throws std::invalid_argument for a
  // handle that is not a simulated hive.
  SimKey& EnsureKey(HKey hive, std::string_view path);
  // The key at the path; null when it or the hive does not exist.
  SimKey* FindKey(HKey hive, std::string_view path);
  const SimKey* FindKey(HKey hive, std::string_view path) const;
  // Visits every key, hive roots included (with the path ""), hive by hive in the order of
  // kSimHives, depth first, each key before its subkeys and the subkeys in enumeration order.
  // `path` is relative to the hive and spelt with the stored names.
  void ForEachKey(const std::function<void(HKey hive, const std::string& path, const SimKey& key)>&
                      visit) const;

 private:
  struct OpenedKey {
    std::shared_ptr<SimKey> key;
    std::string path;  // full path, hive name first
    uint32_t sam = 0;
  };
  // What a handle stands for while a call runs.
  struct Target {
    std::shared_ptr<SimKey> key;
    std::string path;  // full path, hive name first
    uint32_t sam = 0;
    bool is_hive = false;
  };

  Status Resolve(HKey handle, Target* target) const;
  Status CheckAccess(const Target& target, uint32_t needed) const;
  Status SplitPath(std::string_view subkey, bool creating,
                   std::vector<std::string_view>* parts) const;
  // Resolve(parent) and then SplitPath(subkey), failing as the first of them fails.
  Status ResolveSubkey(HKey parent, std::string_view subkey, bool creating, Target* base,
                       std::vector<std::string_view>* parts) const;
  HKey AddHandle(std::shared_ptr<SimKey> key, std::string path, uint32_t sam);
  static std::shared_ptr<SimKey> Walk(std::shared_ptr<SimKey> base,
                                      const std::vector<std::string_view>& parts,
                                      std::string* path);

  int family_;
  std::shared_ptr<SimKey> hives_[std::size(kSimHives)];
  std::map<HKey, OpenedKey> handles_;
  HKey next_handle_ = 0x100;
};

}  // namespace vrx::sim
