#include "platform/sim/reg_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>

namespace vrx::sim {
namespace {

// The lines, each ended by CRLF.
std::string Crlf(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// UTF-16LE with its byte-order mark.
std::string Utf16File(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

// "xx," for each byte value from `first` to `last`.
std::string HexRun(int first, int last) {
  std::string text;
  char buffer[4];
  for (int b = first; b <= last; ++b) {
    std::snprintf(buffer, sizeof(buffer), "%02x,", b);
    text += buffer;
  }
  return text;
}

// "type:bytes" of a stored value; "<missing>" when there is none.
std::string Stored(const SimRegistry& reg, HKey hive, const std::string& path,
                   const std::string& name) {
  const SimKey* key = reg.FindKey(hive, path);
  const SimValue* value = key ? key->FindValue(name) : nullptr;
  return value ? std::to_string(value->type) + ":" + value->data : "<missing>";
}

const std::string kCanonical4 = Crlf({
    "REGEDIT4",
    "",
    "[HKEY_CLASSES_ROOT\\CLSID]",
    "",
    "[HKEY_CLASSES_ROOT\\CLSID\\{BF7A5B3D-566C-11D3-99AF-0010608026A6}]",
    "",
    "[HKEY_CLASSES_ROOT\\CLSID\\{BF7A5B3D-566C-11D3-99AF-0010608026A6}\\Programmable]",
    "\"Reboot\"=dword:00000001",
    "",
    "[HKEY_CURRENT_USER]",
    "@=\"root default\"",
    "",
    "[HKEY_LOCAL_MACHINE\\Software]",
    "",
    "[HKEY_LOCAL_MACHINE\\Software\\Docseal4]",
    "",
    "[HKEY_LOCAL_MACHINE\\Software\\Docseal4\\MSWord]",
    "@=\"Docseal\xAE 4.0\"",
    "\"Quote\\\"And\\\\Slash\"=\"C:\\\\Docseal\\\\\"",
    "\"NoNul\"=hex(1):61,62,63",
    "\"Embedded\"=hex(1):61,00,62,00",
    "\"Empty\"=\"\"",
    "\"ZeroSize\"=hex(1):",
    "\"Expand\"=hex(2):25,57,49,4e,44,49,52,25,00",
    "\"Multi\"=hex(7):61,00,62,00,00",
    "\"None\"=hex(0):",
    "\"Short\"=hex(4):01,02",
    "\"Big\"=hex(b):01,02,03,04,05,06,07,08",
    "\"Long\"=hex:" + HexRun(0, 21) + "\\",
    "  " + HexRun(22, 46) + "\\",
    "  " + HexRun(47, 71) + "\\",
    "  " + HexRun(72, 96) + "\\",
    "  61,62,63",
    "",
    "[HKEY_LOCAL_MACHINE\\Software\\Docseal4\\MSWord\\Defaults]",
    "\"Source Directory\"=\"C:\\\\DOCSEAL\\\\\"",
    "",
    "[HKEY_USERS\\S-1-5-21-1004]",
    "",
    "[HKEY_USERS\\S-1-5-21-1004\\Software]",
    "\"Personal\"=\"C:\\\\Users\\\\bob\"",
    "",
});

TEST(RegFileTest, Regedit4RoundTripsByteForByte) {
  SimRegistry reg;
  RegFileResult result = ParseRegFile(kCanonical4, "registry.reg", &reg);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(RegFileFormat::kRegedit4, result.format);
  EXPECT_EQ(kCanonical4, FormatRegFile(reg, RegFileFormat::kRegedit4));
  EXPECT_EQ("REGEDIT4\r\n\r\n", FormatRegFile(SimRegistry(), RegFileFormat::kRegedit4));

  const std::string msword = "Software\\Docseal4\\MSWord";
  EXPECT_EQ(std::string("1:Docseal\xAE 4.0\0", 15), Stored(reg, kHkeyLocalMachine, msword, ""));
  EXPECT_EQ(std::string("1:C:\\Docseal\\\0", 14),
            Stored(reg, kHkeyLocalMachine, msword, "Quote\"And\\Slash"));
  EXPECT_EQ("1:abc", Stored(reg, kHkeyLocalMachine, msword, "NoNul"));
  EXPECT_EQ("11:\x01\x02\x03\x04\x05\x06\x07\x08", Stored(reg, kHkeyLocalMachine, msword, "Big"));
  EXPECT_EQ("4:\x01\x02", Stored(reg, kHkeyLocalMachine, msword, "Short"));
  EXPECT_EQ(std::string("1:root default\0", 15), Stored(reg, kHkeyCurrentUser, "", ""));
  EXPECT_EQ(std::string("1:C:\\Users\\bob\0", 15),
            Stored(reg, kHkeyUsers, "S-1-5-21-1004\\Software", "Personal"));
  const SimValue* binary = reg.FindKey(kHkeyLocalMachine, msword)->FindValue("Long");
  EXPECT_EQ(kRegBinary, binary->type);
  EXPECT_EQ(std::string("\x5F\x60"
                        "abc"),
            binary->data.substr(95));
}

TEST(RegFileTest, Version5RoundTripsAndConvertsTexts) {
  const std::string file = Utf16File(
      u"Windows Registry Editor Version 5.00\r\n"
      u"\r\n"
      u"[HKEY_LOCAL_MACHINE\\Software]\r\n"
      u"\r\n"
      u"[HKEY_LOCAL_MACHINE\\Software\\Docseal\u00AE]\r\n"
      u"@=\"\u20AC 5\"\r\n"
      u"\"NoNul\"=hex(1):61,00,62,00\r\n"
      u"\"Expand\"=hex(2):25,00,57,00,25,00,00,00\r\n"
      u"\"Bin\"=hex:ff\r\n"
      u"\"Count\"=dword:ffffffff\r\n"
      u"\r\n");
  SimRegistry reg;
  RegFileResult result = ParseRegFile(file, "registry.reg", &reg);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(RegFileFormat::kVersion5, result.format);
  const std::string key = "Software\\Docseal\xAE";
  EXPECT_EQ(std::string("1:\x80 5\0", 6), Stored(reg, kHkeyLocalMachine, key, ""));
  EXPECT_EQ("1:ab", Stored(reg, kHkeyLocalMachine, key, "NoNul"));
  EXPECT_EQ(std::string("2:%W%\0", 6), Stored(reg, kHkeyLocalMachine, key, "Expand"));
  EXPECT_EQ("3:\xFF", Stored(reg, kHkeyLocalMachine, key, "Bin"));
  EXPECT_EQ(file, FormatRegFile(reg, RegFileFormat::kVersion5));

  // The same registry in the other format carries the ANSI bytes.
  EXPECT_NE(std::string::npos,
            FormatRegFile(reg, RegFileFormat::kRegedit4)
                .find("\"NoNul\"=hex(1):61,62\r\n\"Expand\"=hex(2):25,57,25,00"));
}

TEST(RegFileTest, ReaderTakesRegeditVariations) {
  const std::string text =
      "REGEDIT4\n"
      "; a comment\n"
      "\n"
      "  [hkey_local_machine\\Software\\Docseal4]  \n"
      "\"A\" = \"x\"\r\n"
      "\"\"=\"default\"\n"
      "\"Dw\"=DWORD:1F\n"
      "\"Bin\"=HEX:0A,\\\n"
      "     b,  \\\n"
      "\tFF\n"
      "\"A\"=\"y\"\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\docseal4\\Sub]";
  SimRegistry reg;
  RegFileResult result = ParseRegFile(text, "registry.reg", &reg);
  ASSERT_TRUE(result.ok) << result.error;
  const SimKey* key = reg.FindKey(kHkeyLocalMachine, "Software\\Docseal4");
  ASSERT_NE(nullptr, key);
  ASSERT_EQ(4u, key->values().size());
  EXPECT_EQ((SimValue{"A", kRegSz, std::string("y\0", 2)}), key->values()[0]);
  EXPECT_EQ((SimValue{"", kRegSz, std::string("default\0", 8)}), key->values()[1]);
  EXPECT_EQ((SimValue{"Dw", kRegDword, std::string("\x1F\0\0\0", 4)}), key->values()[2]);
  EXPECT_EQ((SimValue{"Bin", kRegBinary, "\x0A\x0B\xFF"}), key->values()[3]);
  EXPECT_NE(nullptr, reg.FindKey(kHkeyLocalMachine, "Software\\Docseal4\\Sub"));
}

TEST(RegFileTest, ErrorsNameTheLineAndApplyNothing) {
  struct Case {
    std::string text;
    std::string error;
  };
  const std::string head = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\New]\r\n\"ok\"=\"1\"\r\n";
  const Case cases[] = {
      {"", "registry.reg:1: expected the header \"REGEDIT4\""},
      {"Windows Registry Editor Version 5.00\r\n",
       "registry.reg:1: a \"Windows Registry Editor Version 5.00\" file must be UTF-16LE with a "
       "byte-order mark"},
      {"REGEDIT4\r\n\r\n\"v\"=\"x\"\r\n", "registry.reg:3: value outside any key"},
      {head + "[HKEY_FOO\\Software]\r\n", "registry.reg:5: unknown hive \"HKEY_FOO\""},
      {head + "[HKEY_CURRENT_CONFIG]\r\n", "registry.reg:5: unknown hive \"HKEY_CURRENT_CONFIG\""},
      {head + "[HKEY_LOCAL_MACHINE\\A\r\n", "registry.reg:5: missing \"]\""},
      {head + "[HKEY_LOCAL_MACHINE\\A\\\\B]\r\n",
       "registry.reg:5: empty key name in \"HKEY_LOCAL_MACHINE\\A\\\\B\""},
      {head + "[-HKEY_LOCAL_MACHINE\\A]\r\n",
       "registry.reg:5: removing keys is not supported in a machine image"},
      {head + "\"q\"=qword:0000000000000001\r\n", "registry.reg:5: unknown value type \"qword\""},
      {head + "\"d\"=dword:123456789\r\n", "registry.reg:5: bad dword value \"123456789\""},
      {head + "\"d\"=dword:xyz\r\n", "registry.reg:5: bad dword value \"xyz\""},
      {head + "\"h\"=hex(zz):00\r\n", "registry.reg:5: bad value type \"hex(zz)\""},
      {head + "\"h\"=hex:01,02,\\\r\n  03,4g\r\n", "registry.reg:6: bad hex data \"4g\""},
      {head + "\"h\"=hex:01,,02\r\n", "registry.reg:5: bad hex data \"\""},
      {head + "\"h\"=hex:01,\\\r\n", "registry.reg:5: hex data continues past the end of the file"},
      {head + "\"v\"=-\r\n", "registry.reg:5: removing values is not supported in a machine image"},
      {head + "\"v\"=\"open\r\n", "registry.reg:5: missing closing quote"},
      {head + "\"v\"=\"a\\n\"\r\n", "registry.reg:5: unknown escape in quoted text"},
      {head + "\"v\"=\"a\" junk\r\n", "registry.reg:5: unexpected text after the value"},
      {head + "\"v\" \"a\"\r\n", "registry.reg:5: expected \"=\""},
      {head + "\"v\"=1\r\n", "registry.reg:5: syntax error in the value"},
      {head + "junk\r\n", "registry.reg:5: syntax error"},
      {Utf16File(u"REGEDIT4\r\n"),
       "registry.reg:1: expected the header \"Windows Registry Editor Version 5.00\""},
      {Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\\u03A9]\r\n"),
       "registry.reg:3: text not representable in Windows-1252"},
      {Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER]\r\n"
                 u"\"v\"=hex(2):a9,03,\\\r\n  00,00\r\n"),
       "registry.reg:4: text not representable in Windows-1252"},
      {Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER]\r\n"
                 u"\"v\"=hex(1):61,00,62\r\n"),
       "registry.reg:4: UTF-16 data of an odd number of bytes"},
      {Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n\xD800\r\n"),
       "registry.reg:3: invalid UTF-16 text"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    SimRegistry reg;
    reg.EnsureKey(kHkeyCurrentUser, "Existing").SetValue("v", kRegSz, std::string("1\0", 2));
    const std::string before = FormatRegFile(reg, RegFileFormat::kRegedit4);
    RegFileResult result = ParseRegFile(c.text, "registry.reg", &reg);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(c.error, result.error);
    EXPECT_EQ(before, FormatRegFile(reg, RegFileFormat::kRegedit4));
  }
}

TEST(RegFileTest, FilesOnDisk) {
  const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / "reg_file_test";
  std::filesystem::create_directories(dir);
  SimRegistry reg;
  ASSERT_TRUE(ParseRegFile(kCanonical4, "registry.reg", &reg).ok);
  std::string error;
  ASSERT_TRUE(WriteRegFile(dir / "out.reg", reg, RegFileFormat::kVersion5, &error)) << error;

  SimRegistry again;
  RegFileResult result = ReadRegFile(dir / "out.reg", &again);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(RegFileFormat::kVersion5, result.format);
  EXPECT_EQ(kCanonical4, FormatRegFile(again, RegFileFormat::kRegedit4));

  result = ReadRegFile(dir / "missing.reg", &again);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ((dir / "missing.reg").string() + ": cannot be read", result.error);
  EXPECT_FALSE(WriteRegFile(dir / "no_such_dir" / "x.reg", reg, RegFileFormat::kRegedit4, &error));
  EXPECT_EQ((dir / "no_such_dir" / "x.reg").string() + ": cannot be written", error);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vrx::sim
