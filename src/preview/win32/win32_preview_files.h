// LiveFiles and ImageFolder on the Windows API, for /SNAPSHOT= and /WHATIF (preview/host_calls.h).
// The reading side opens nothing for writing and changes no time stamp: listings through
// FindFirstFileA, the in-use test an open that shares all it can and is closed at once.
#pragma once

#include "preview/host_calls.h"

namespace vrx::win32 {

class Win32LiveFiles : public preview::LiveFiles {
 public:
  [[nodiscard]] Status Stat(const std::string& path, preview::LiveEntry* entry) override;
  [[nodiscard]] Status List(const std::string& folder,
                            std::vector<preview::LiveEntry>* entries) override;
  [[nodiscard]] Status Read(const std::string& path, std::string* bytes) override;
  [[nodiscard]] Status InUse(const std::string& path, bool* in_use) override;
  [[nodiscard]] Status DriveTarget(char drive, std::string* target) override;
};

class Win32ImageFolder : public preview::ImageFolder {
 public:
  [[nodiscard]] Status Probe(const std::string& path, bool* exists, bool* empty_folder) override;
  [[nodiscard]] Status MakeFolder(const std::string& path) override;
  [[nodiscard]] Status WriteNewFile(const std::string& path, const std::string& bytes) override;
  [[nodiscard]] Status Remove(const std::string& path, bool folder) override;
};

}  // namespace vrx::win32
