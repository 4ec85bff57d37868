#include "helpers/registry_tools.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace vrx {
namespace {

// The enumeration buffer of DeleteSubKeys: 256 characters, of which 255 are offered.
constexpr uint32_t kNameBuffer = 256;
constexpr uint32_t kNameSizeOffered = 255;
// DeleteSubKeys numbers its list with 16-bit signed counters.
constexpr size_t kMaxListEntries = 32767;

// Leading blanks, an optional sign and the digits after it; false without any digit or when the
// number does not fit 32 bits (then *too_large, when given, says whether it is a positive number).
bool ParseLeadingNumber(const std::string& text, int32_t* number, bool* too_large = nullptr) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int64_t magnitude = 0;
  size_t digits = 0;
  if (too_large) *too_large = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > int64_t{std::numeric_limits<int32_t>::max()} + 1) {
      if (too_large) *too_large = !negative;
      return false;
    }
  }
  if (digits == 0) return false;
  int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<int32_t>::max()) {
    if (too_large) *too_large = true;
    return false;
  }
  *number = static_cast<int32_t>(value);
  return true;
}

// Appends the path of every subkey of `path` to the list, in enumeration order, stopping at the
// first enumeration call that does not succeed.
void ListSubKeys(Registry& registry, std::string path, HKey hive, std::vector<std::string>* list) {
  HKey key = 0;
  (void)registry.OpenKey(hive, path, kKeyAllUsed, &key);
  for (uint32_t index = 0; list->size() < kMaxListEntries; ++index) {
    char name[kNameBuffer] = {};
    uint32_t name_size = kNameSizeOffered;
    uint64_t last_write = 0;
    if (registry.EnumKey(key, index, name, &name_size, &last_write) != kOk) break;
    list->push_back(path + "\\" + std::string(name, std::min(name_size, kNameBuffer)));
  }
  (void)registry.CloseKey(key);
}

}  // namespace

RegValue RegValue::Text(std::string text) {
  RegValue value;
  value.kind_ = Kind::kText;
  value.text_ = std::move(text);
  return value;
}

RegValue RegValue::Number(int32_t number) {
  RegValue value;
  value.kind_ = Kind::kNumber;
  value.number_ = number;
  return value;
}

std::string RegValue::AsText() const {
  switch (kind_) {
    case Kind::kEmpty:
      return "";
    case Kind::kText:
      return text_;
    case Kind::kNumber:
      return std::to_string(number_);
  }
  return "";
}

int32_t RegValue::AsNumber() const {
  int32_t number = 0;
  return ToNumber(&number) ? number : 0;
}

int32_t RegValue::AsCount() const {
  constexpr int32_t kMany = std::numeric_limits<int32_t>::max();
  switch (kind_) {
    case Kind::kEmpty:
      return 0;
    case Kind::kNumber:
      // A REG_DWORD count is unsigned: one read as negative is above 2147483647.
      return number_ < 0 ? kMany : number_;
    case Kind::kText: {
      int32_t number = 0;
      bool too_large = false;
      if (ParseLeadingNumber(text_, &number, &too_large)) return number;
      return too_large ? kMany : 0;
    }
  }
  return 0;
}

bool RegValue::ToNumber(int32_t* number) const {
  switch (kind_) {
    case Kind::kEmpty:
      *number = 0;
      return true;
    case Kind::kNumber:
      *number = number_;
      return true;
    case Kind::kText:
      return ParseLeadingNumber(text_, number);
  }
  return false;
}

Status QueryValueData(Registry& registry, HKey key, const std::string& value_name,
                      RegValue* value) {
  uint32_t type = 0;
  uint32_t size = 0;
  Status status = registry.QueryValue(key, value_name, &type, nullptr, &size);
  if (status != kOk) return status;
  if (type == kRegSz) {
    // A stored size of 0 leaves no text to cut: the read ends here with the status it holds.
    if (size == 0) return status;
    std::string buffer(size, '\0');
    uint32_t length = size;
    status = registry.QueryValue(key, value_name, nullptr,
                                 reinterpret_cast<uint8_t*>(buffer.data()), &length);
    if (status != kOk) {
      *value = RegValue();
      return status;
    }
    if (length == 0 || length > size) return status;
    *value = RegValue::Text(buffer.substr(0, length - 1));
    return status;
  }
  if (type == kRegDword) {
    // A DWORD of another size than 4 bytes gives its first 4 bytes, missing ones read as 0.
    std::vector<uint8_t> buffer(std::max<uint32_t>(size, 4), 0);
    uint32_t length = size;
    status = registry.QueryValue(key, value_name, nullptr, buffer.data(), &length);
    if (status == kOk) {
      uint32_t bits = static_cast<uint32_t>(buffer[0]) | static_cast<uint32_t>(buffer[1]) << 8 |
                      static_cast<uint32_t>(buffer[2]) << 16 |
                      static_cast<uint32_t>(buffer[3]) << 24;
      *value = RegValue::Number(static_cast<int32_t>(bits));
    }
    return status;
  }
  return kUnhandledType;
}

Status SetValueData(Registry& registry, HKey key, const std::string& value_name, uint32_t type,
                    const RegValue& value) {
  if (type == kRegSz) {
    std::string data = value.AsText();
    data.push_back('\0');
    return registry.SetValue(key, value_name, kRegSz, reinterpret_cast<const uint8_t*>(data.data()),
                             static_cast<uint32_t>(data.size()));
  }
  if (type == kRegDword) {
    int32_t number = 0;
    if (!value.ToNumber(&number)) return kErrorInvalidParameter;
    auto bits = static_cast<uint32_t>(number);
    const uint8_t data[4] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                             static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
    return registry.SetValue(key, value_name, kRegDword, data, 4);
  }
  return kOk;
}

RegValue QueryValue(Registry& registry, const std::string& key_path, const std::string& value_name,
                    HKey hive) {
  HKey key = 0;
  (void)registry.OpenKey(hive, key_path, kKeyAllUsed, &key);
  RegValue value;
  (void)QueryValueData(registry, key, value_name, &value);
  (void)registry.CloseKey(key);
  return value;
}

void SetKeyValue(Registry& registry, const std::string& key_path, const std::string& value_name,
                 const RegValue& value, uint32_t type, HKey hive) {
  HKey key = 0;
  (void)registry.OpenKey(hive, key_path, kKeyAllUsed, &key);
  (void)SetValueData(registry, key, value_name, type, value);
  (void)registry.CloseKey(key);
}

void CreateNewKey(Registry& registry, const std::string& key_path, HKey hive) {
  HKey key = 0;
  uint32_t disposition = 0;
  (void)registry.CreateKey(hive, key_path, 0, kKeyAllUsed, &key, &disposition);
  (void)registry.CloseKey(key);
}

void DeleteValue(Registry& registry, const std::string& key_path, const std::string& value_name,
                 HKey hive) {
  HKey key = 0;
  (void)registry.OpenKey(hive, key_path, kKeyAllUsed, &key);
  (void)registry.DeleteValue(key, value_name);
  (void)registry.CloseKey(key);
}

void DeleteSubKeys(Registry& registry, const std::string& key_path, HKey hive) {
  // Level by level: the children of the key, then the children of each listed entry in list
  // order, so that every key comes after its parent.
  std::vector<std::string> list;
  ListSubKeys(registry, key_path, hive, &list);
  for (size_t entry = 0; entry < list.size() && list.size() < kMaxListEntries; ++entry) {
    ListSubKeys(registry, list[entry], hive, &list);
  }
  // Last entry first: children go before their parents, so that Windows NT, which refuses to
  // delete a key that still has subkeys, leaves nothing behind.
  for (size_t entry = list.size(); entry-- > 0;) (void)registry.DeleteKey(hive, list[entry]);
}

}  // namespace vrx
