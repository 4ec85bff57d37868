// The program's thin layer over the registry. Each operation opens the key it needs, does one
// thing and closes the key again. Nothing is reported: a failed read gives an empty value and a
// failed write or delete leaves the registry as it was.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace vrx {

// A value as the layer reads it: empty, a text or a 32-bit signed number.
class RegValue {
 public:
  enum class Kind { kEmpty, kText, kNumber };
  RegValue() = default;
  static RegValue Text(std::string text);
  static RegValue Number(int32_t number);

  Kind kind() const { return kind_; }
  bool empty() const { return kind_ == Kind::kEmpty; }
  // Empty reads as "", a number as its decimal digits.
  std::string AsText() const;
  // A text is read by its leading digits (after leading blanks and tabs, with an optional sign); a
  // text without leading digits, a text whose number does not fit 32 bits and the empty value
  // give 0.
  int32_t AsNumber() const;
  // A use count: as AsNumber, except that a number above 2147483647 (a text with more digits,
  // or a REG_DWORD read as a negative number) gives 2147483647: many users, not none.
  int32_t AsCount() const;
  // Like AsNumber, but false (leaving *number untouched) when a text has no leading digits or its
  // number does not fit 32 bits. The empty value converts to 0.
  bool ToNumber(int32_t* number) const;

  friend bool operator==(const RegValue& a, const RegValue& b) = default;

 private:
  Kind kind_ = Kind::kEmpty;
  std::string text_;
  int32_t number_ = 0;
};

// Reads one value; empty when the key or the value is missing or of a type other than REG_SZ and
// REG_DWORD. A REG_SZ value loses the last byte of its stored size (normally its NUL).
RegValue QueryValue(Registry& registry, const std::string& key_path, const std::string& value_name,
                    HKey hive);
// Writes one value into an existing key, as REG_SZ (type 1) or REG_DWORD (type 4); other types
// and missing keys write nothing.
void SetKeyValue(Registry& registry, const std::string& key_path, const std::string& value_name,
                 const RegValue& value, uint32_t type, HKey hive);
// Creates the key and any missing keys above it; an existing key is left as it is.
void CreateNewKey(Registry& registry, const std::string& key_path, HKey hive);
// Deletes one value.
void DeleteValue(Registry& registry, const std::string& key_path, const std::string& value_name,
                 HKey hive);
// Deletes every key below the key path at all depths, children before their parents; the key
// itself stays.
void DeleteSubKeys(Registry& registry, const std::string& key_path, HKey hive);

// On an open key: reads a value into *value: untouched when the value is missing, of a type not
// handled (kUnhandledType) or a REG_SZ of size 0 (kOk); set to empty when the read of a REG_SZ's
// data fails. A REG_DWORD of another size than 4 bytes reads its first 4 bytes, missing ones as 0.
[[nodiscard]] Status QueryValueData(Registry& registry, HKey key, const std::string& value_name,
                                    RegValue* value);
// On an open key: writes a value, REG_SZ as its text and a NUL, REG_DWORD as 4 bytes. A type
// other than 1 and 4 writes nothing and gives 0; a REG_DWORD whose value does not convert to a
// number (see RegValue::ToNumber) writes nothing and gives kErrorInvalidParameter.
[[nodiscard]] Status SetValueData(Registry& registry, HKey key, const std::string& value_name,
                                  uint32_t type, const RegValue& value);

}  // namespace vrx
