#include "platform/sim/sim_registry.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace vrx::sim {
namespace {

constexpr uint32_t kKeyQueryValue = 0x1;
constexpr uint32_t kKeySetValue = 0x2;
constexpr uint32_t kKeyEnumerateSubKeys = 0x8;

int HiveIndex(HKey hive) {
  switch (hive) {
    case kHkeyClassesRoot:
      return 0;
    case kHkeyCurrentUser:
      return 1;
    case kHkeyLocalMachine:
      return 2;
    case kHkeyUsers:
      return 3;
    default:
      return -1;
  }
}

}  // namespace

std::optional<HKey> HiveFromName(std::string_view name) {
  for (HKey hive : kSimHives) {
    if (SameName(name, HiveName(hive))) return hive;
  }
  return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// SimKey

const SimValue* SimKey::FindValue(std::string_view name) const {
  auto found = value_index_.find(FoldName(name));
  return found == value_index_.end() ? nullptr : &values_[found->second];
}

void SimKey::SetValue(std::string_view name, uint32_t type, std::string data) {
  auto [slot, added] = value_index_.try_emplace(FoldName(name), values_.size());
  if (!added) {
    SimValue& value = values_[slot->second];
    value.type = type;
    value.data = std::move(data);
    return;
  }
  values_.push_back(SimValue{std::string(name), type, std::move(data)});
}

bool SimKey::DeleteValue(std::string_view name) {
  auto found = value_index_.find(FoldName(name));
  if (found == value_index_.end()) return false;
  const size_t place = found->second;
  value_index_.erase(found);
  values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(place));
  for (auto& [folded, at] : value_index_) {
    if (at > place) --at;
  }
  return true;
}

size_t SimKey::LowerBound(std::string_view folded_name) const {
  auto found = std::lower_bound(subkeys_.begin(), subkeys_.end(), folded_name,
                                [](const std::shared_ptr<SimKey>& key, std::string_view folded) {
                                  return CompareFolded(key->folded_, folded) < 0;
                                });
  return static_cast<size_t>(found - subkeys_.begin());
}

std::shared_ptr<SimKey> SimKey::SharedSubKey(std::string_view name) const {
  const std::string folded = FoldName(name);
  size_t at = LowerBound(folded);
  if (at < subkeys_.size() && subkeys_[at]->folded_ == folded) return subkeys_[at];
  return nullptr;
}

std::shared_ptr<SimKey> SimKey::EnsureSharedSubKey(std::string_view name, bool* created) {
  const std::string folded = FoldName(name);
  size_t at = LowerBound(folded);
  if (at < subkeys_.size() && subkeys_[at]->folded_ == folded) {
    *created = false;
    return subkeys_[at];
  }
  auto key = std::make_shared<SimKey>(std::string(name), this);
  subkeys_.insert(subkeys_.begin() + static_cast<std::ptrdiff_t>(at), key);
  *created = true;
  return key;
}

void SimKey::MarkDeleted() {
  deleted_ = true;
  for (auto& child : subkeys_) child->MarkDeleted();
}

const SimKey* SimKey::FindSubKey(std::string_view name) const { return SharedSubKey(name).get(); }

SimKey* SimKey::FindSubKey(std::string_view name) { return SharedSubKey(name).get(); }

SimKey& SimKey::EnsureSubKey(std::string_view name) {
  bool created;
  return *EnsureSharedSubKey(name, &created);
}

// ---------------------------------------------------------------------------------------------
// SimRegistry

SimRegistry::SimRegistry(int platform_family) : family_(platform_family) {
  for (size_t i = 0; i < std::size(kSimHives); ++i) {
    hives_[i] = std::make_shared<SimKey>(std::string(HiveName(kSimHives[i])));
  }
}

Status SimRegistry::Resolve(HKey handle, Target* target) const {
  int hive = HiveIndex(handle);
  if (hive >= 0) {
    target->key = hives_[hive];
    target->path = std::string(HiveName(handle));
    target->sam = ~0u;
    target->is_hive = true;
    return kOk;
  }
  auto found = handles_.find(handle);
  if (found == handles_.end()) return kErrorInvalidHandle;
  if (found->second.key->deleted_) return kErrorKeyDeleted;
  target->key = found->second.key;
  target->path = found->second.path;
  target->sam = found->second.sam;
  target->is_hive = false;
  return kOk;
}

Status SimRegistry::CheckAccess(const Target& target, uint32_t needed) const {
  if (family_ != kPlatformWinNT) return kOk;
  return (target.sam & needed) == needed ? kOk : kErrorAccessDenied;
}

Status SimRegistry::ResolveSubkey(HKey parent, std::string_view subkey, bool creating, Target* base,
                                  std::vector<std::string_view>* parts) const {
  Status status = Resolve(parent, base);
  if (status != kOk) return status;
  return SplitPath(subkey, creating, parts);
}

Status SimRegistry::SplitPath(std::string_view subkey, bool creating,
                              std::vector<std::string_view>* parts) const {
  parts->clear();
  // Windows 95/98 skip one leading backslash when creating.
  if (creating && family_ != kPlatformWinNT && subkey.starts_with('\\')) subkey.remove_prefix(1);
  if (subkey.starts_with('\\')) return kErrorBadPathname;
  // Empty parts, trailing backslashes included, name nothing.
  size_t start = 0;
  while (start <= subkey.size()) {
    size_t end = std::min(subkey.find('\\', start), subkey.size());
    if (end > start) parts->push_back(subkey.substr(start, end - start));
    start = end + 1;
  }
  return kOk;
}

HKey SimRegistry::AddHandle(std::shared_ptr<SimKey> key, std::string path, uint32_t sam) {
  HKey handle = next_handle_;
  next_handle_ += 4;
  handles_[handle] = OpenedKey{std::move(key), std::move(path), sam};
  return handle;
}

// Walks from `base` down the parts, adding the stored names to `path`; null when a part is
// missing.
std::shared_ptr<SimKey> SimRegistry::Walk(std::shared_ptr<SimKey> base,
                                          const std::vector<std::string_view>& parts,
                                          std::string* path) {
  for (std::string_view part : parts) {
    base = base->SharedSubKey(part);
    if (!base) return nullptr;
    *path += '\\';
    *path += base->name();
  }
  return base;
}

Status SimRegistry::OpenKey(HKey parent, const std::string& subkey, uint32_t sam, HKey* result) {
  if (!result) return kErrorInvalidParameter;
  *result = 0;
  Target base;
  std::vector<std::string_view> parts;
  Status status = ResolveSubkey(parent, subkey, /*creating=*/false, &base, &parts);
  if (status != kOk) return status;
  if (parts.empty() && base.is_hive) {
    *result = parent;
    return kOk;
  }
  std::string path = base.path;
  std::shared_ptr<SimKey> key = Walk(base.key, parts, &path);
  if (!key) return kErrorFileNotFound;
  *result = AddHandle(std::move(key), std::move(path), sam);
  return kOk;
}

Status SimRegistry::CloseKey(HKey key) {
  if (HiveIndex(key) >= 0) return kOk;
  return handles_.erase(key) == 1 ? kOk : kErrorInvalidHandle;
}

Status SimRegistry::QueryValue(HKey key, const std::string& name, uint32_t* type, uint8_t* data,
                               uint32_t* size) {
  Target target;
  Status status = Resolve(key, &target);
  // Windows NT clears the size of what it could not read when no buffer was given.
  if (status == kErrorKeyDeleted && !data && size && family_ == kPlatformWinNT) *size = 0;
  if (status != kOk) return status;
  status = CheckAccess(target, kKeyQueryValue);
  if (status != kOk) return status;
  if (data && !size) return kErrorInvalidParameter;
  const SimValue* value = target.key->FindValue(name);
  if (!value) {
    // Windows NT clears the size of a value it did not find when no buffer was given.
    if (!data && size && family_ == kPlatformWinNT) *size = 0;
    return kErrorFileNotFound;
  }
  auto stored = static_cast<uint32_t>(value->data.size());
  if (type) *type = value->type;
  if (!data) {
    if (size) *size = stored;
    return kOk;
  }
  if (*size < stored) {
    *size = stored;
    return kErrorMoreData;
  }
  if (stored > 0) std::memcpy(data, value->data.data(), stored);
  *size = stored;
  return kOk;
}

Status SimRegistry::SetValue(HKey key, const std::string& name, uint32_t type, const uint8_t* data,
                             uint32_t size) {
  Target target;
  Status status = Resolve(key, &target);
  if (status != kOk) return status;
  status = CheckAccess(target, kKeySetValue);
  if (status != kOk) return status;
  if (!data && size > 0) return kErrorInvalidParameter;
  // Exactly the `size` bytes given are read, never the one after them; texts are stored as
  // Windows stores a text that a NUL follows.
  std::string bytes;
  if (size > 0) bytes.assign(reinterpret_cast<const char*>(data), size);
  if (family_ != kPlatformWinNT && type == kRegSz) {
    // Windows 95/98 store a REG_SZ up to its NUL, and the NUL, whatever size is given.
    if (!data) return kErrorInvalidParameter;
    bytes.resize(std::min(bytes.find('\0'), bytes.size()));
    bytes.push_back('\0');
  } else if (family_ == kPlatformWinNT &&
             (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz) && size > 0 &&
             bytes.back() != '\0') {
    // Windows NT adds the NUL that the size left out.
    bytes.push_back('\0');
  }
  target.key->SetValue(name, type, std::move(bytes));
  return kOk;
}

Status SimRegistry::CreateKey(HKey parent, const std::string& subkey, uint32_t /*options*/,
                              uint32_t sam, HKey* result, uint32_t* disposition) {
  if (!result) return kErrorBadKey;
  *result = 0;
  Target base;
  std::vector<std::string_view> parts;
  Status status = ResolveSubkey(parent, subkey, /*creating=*/true, &base, &parts);
  if (status != kOk) return status;
  for (std::string_view part : parts) {
    if (part.size() > kMaxKeyNameLength) return kErrorInvalidParameter;
  }
  bool created = false;
  std::string path = base.path;
  std::shared_ptr<SimKey> key = base.key;
  for (std::string_view part : parts) {
    bool made = false;
    key = key->EnsureSharedSubKey(part, &made);
    created = created || made;
    path += '\\';
    path += key->name();
  }
  *result = AddHandle(std::move(key), std::move(path), sam);
  if (disposition) *disposition = created ? kRegCreatedNewKey : kRegOpenedExistingKey;
  return kOk;
}

Status SimRegistry::DeleteValue(HKey key, const std::string& name) {
  Target target;
  Status status = Resolve(key, &target);
  if (status != kOk) return status;
  status = CheckAccess(target, kKeySetValue);
  if (status != kOk) return status;
  return target.key->DeleteValue(name) ? kOk : kErrorFileNotFound;
}

Status SimRegistry::EnumKey(HKey key, uint32_t index, char* name, uint32_t* name_size,
                            uint64_t* last_write) {
  if (!name || !name_size) return kErrorInvalidParameter;
  Target target;
  Status status = Resolve(key, &target);
  if (status != kOk) return status;
  status = CheckAccess(target, kKeyEnumerateSubKeys);
  if (status != kOk) return status;
  if (index >= target.key->subkey_count()) return kErrorNoMoreItems;
  const std::string& found = target.key->subkey(index).name();
  if (found.size() + 1 > *name_size) return kErrorMoreData;
  std::memcpy(name, found.data(), found.size());
  name[found.size()] = '\0';
  *name_size = static_cast<uint32_t>(found.size());
  if (last_write) *last_write = 0;
  return kOk;
}

Status SimRegistry::EnumValue(HKey key, uint32_t index, char* name, uint32_t* name_size,
                              uint32_t* type) {
  Target target;
  Status status = Resolve(key, &target);
  if (status != kOk) return status;
  status = CheckAccess(target, kKeyQueryValue);
  if (status != kOk) return status;
  if (!name || !name_size) return kErrorInvalidParameter;
  if (index >= target.key->values().size()) return kErrorNoMoreItems;
  const SimValue& found = target.key->values()[index];
  if (found.name.size() + 1 > *name_size) return kErrorMoreData;
  std::memcpy(name, found.name.data(), found.name.size());
  name[found.name.size()] = '\0';
  *name_size = static_cast<uint32_t>(found.name.size());
  if (type) *type = found.type;
  return kOk;
}

Status SimRegistry::DeleteKey(HKey parent, const std::string& subkey) {
  Target base;
  std::vector<std::string_view> parts;
  Status status = ResolveSubkey(parent, subkey, /*creating=*/false, &base, &parts);
  if (status != kOk) return status;
  if (parts.empty() && base.is_hive) return kErrorAccessDenied;
  std::string path = base.path;
  std::shared_ptr<SimKey> key = Walk(base.key, parts, &path);
  if (!key) return kErrorFileNotFound;
  if (key->subkey_count() > 0 && family_ == kPlatformWinNT) return kErrorAccessDenied;
  key->MarkDeleted();
  SimKey& holder = *key->parent_;
  holder.subkeys_.erase(holder.subkeys_.begin() +
                        static_cast<std::ptrdiff_t>(holder.LowerBound(key->folded_)));
  key->parent_ = nullptr;
  return kOk;
}

std::vector<std::string> SimRegistry::OpenHandles() const {
  std::vector<std::string> paths;
  for (const auto& [handle, opened] : handles_) paths.push_back(opened.path);
  return paths;
}

// ---------------------------------------------------------------------------------------------
// The direct model

SimKey* SimRegistry::Hive(HKey hive) {
  int index = HiveIndex(hive);
  return index < 0 ? nullptr : hives_[index].get();
}

const SimKey* SimRegistry::Hive(HKey hive) const {
  int index = HiveIndex(hive);
  return index < 0 ? nullptr : hives_[index].get();
}

SimKey& SimRegistry::EnsureKey(HKey hive, std::string_view path) {
  SimKey* key = Hive(hive);
  if (!key) throw std::invalid_argument("not a simulated hive");
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) key = &key->EnsureSubKey(path.substr(start, end - start));
    start = end + 1;
  }
  return *key;
}

const SimKey* SimRegistry::FindKey(HKey hive, std::string_view path) const {
  const SimKey* key = Hive(hive);
  size_t start = 0;
  while (key && start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) key = key->FindSubKey(path.substr(start, end - start));
    start = end + 1;
  }
  return key;
}

SimKey* SimRegistry::FindKey(HKey hive, std::string_view path) {
  return const_cast<SimKey*>(std::as_const(*this).FindKey(hive, path));
}

namespace {
void Visit(HKey hive, const std::string& path, const SimKey& key,
           const std::function<void(HKey, const std::string&, const SimKey&)>& visit) {
  visit(hive, path, key);
  for (size_t i = 0; i < key.subkey_count(); ++i) {
    const SimKey& child = key.subkey(i);
    Visit(hive, path.empty() ? child.name() : path + '\\' + child.name(), child, visit);
  }
}
}  // namespace

void SimRegistry::ForEachKey(
    const std::function<void(HKey hive, const std::string& path, const SimKey& key)>& visit) const {
  for (HKey hive : kSimHives) Visit(hive, "", *Hive(hive), visit);
}

}  // namespace vrx::sim
