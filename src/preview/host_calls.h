// What a snapshot needs from the machine beyond the program's own platform: folder listings with
// attributes, whether a file is in use, a file's bytes, and a place to write the image. The
// snapshot reads the live machine only through LiveFiles, which never changes anything there, and
// writes only through ImageFolder, into the one folder the administrator named.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace vrx::preview {

// One entry of a folder as the file system holds it.
struct LiveEntry {
  std::string name;         // the long name, in the case it is stored with
  uint32_t attributes = 0;  // the DOS attributes, kAttrDirectory for a folder
};

class LiveFiles {
 public:
  virtual ~LiveFiles() = default;

  // The entry a full path names (no wildcards), with its stored long name: kErrorFileNotFound when
  // it is missing, kErrorPathNotFound when a folder above it is, kErrorInvalidName for a name
  // Windows refuses. A drive root is reported as a folder named like the path ("C:"). *entry is
  // left untouched on failure.
  [[nodiscard]] virtual Status Stat(const std::string& path, LiveEntry* entry) = 0;

  // Every entry of a folder but "." and "..", in the order the file system gives them.
  // kErrorFileNotFound or kErrorPathNotFound when the folder is missing, kErrorDirectory for a
  // file. *entries is left untouched on failure.
  [[nodiscard]] virtual Status List(const std::string& folder, std::vector<LiveEntry>* entries) = 0;

  // The bytes of a file, opened sharing reading and writing with every other program.
  // kErrorFileNotFound or kErrorPathNotFound when missing, kErrorSharingViolation when another
  // program holds it without sharing, kErrorAccessDenied for a folder. *bytes is left untouched on
  // failure.
  [[nodiscard]] virtual Status Read(const std::string& path, std::string* bytes) = 0;

  // Whether another program holds the file so that it cannot be deleted now. The test opens the
  // file sharing everything it can with every other program (an open that shares nothing would
  // make theirs fail meanwhile), reads nothing and closes it at once. kErrorFileNotFound or
  // kErrorPathNotFound when missing; *in_use is left untouched on failure.
  [[nodiscard]] virtual Status InUse(const std::string& path, bool* in_use) = 0;

  // The folder a drive letter stands for when the drive is another folder's name (a SUBST drive:
  // QueryDosDeviceA gives "\??\C:\WINNT"), as a full path. kErrorFileNotFound for a drive of its
  // own, a missing one, or where the system cannot tell (Windows 95/98); *target is left untouched
  // then.
  [[nodiscard]] virtual Status DriveTarget(char drive, std::string* target) = 0;
};

// The folder a snapshot is written into. Paths are full paths.
class ImageFolder {
 public:
  virtual ~ImageFolder() = default;

  // Whether `path` exists and, if so, whether it is a folder that holds nothing.
  // kErrorPathNotFound from the system is not an error here: *exists is then false.
  [[nodiscard]] virtual Status Probe(const std::string& path, bool* exists, bool* empty_folder) = 0;
  // Creates one folder; kErrorAlreadyExists when something of that name exists,
  // kErrorPathNotFound when the folder above it is missing, kErrorAccessDenied when the place
  // cannot be written.
  [[nodiscard]] virtual Status MakeFolder(const std::string& path) = 0;
  // Creates a file that must not exist yet and writes `bytes` into it; kErrorFileExists when it
  // exists.
  [[nodiscard]] virtual Status WriteNewFile(const std::string& path, const std::string& bytes) = 0;
  // Takes away a file or an empty folder that this object made (a snapshot that could not be
  // written whole is not left half-written).
  [[nodiscard]] virtual Status Remove(const std::string& path, bool folder) = 0;
};

}  // namespace vrx::preview
