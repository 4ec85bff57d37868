// A platform that passes every call on to a simulated machine and notes what the run reached for:
// the registry keys it opened, created or deleted, the paths of the files and folders it named
// (full paths, taken from the machine's current directory), the files it opened to read, and the
// command lines it started. The snapshot uses it to learn what a run reads and touches.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/forwarding_platform.h"

namespace vrx::preview {

struct Touches {
  std::vector<std::pair<HKey, std::string>> keys;  // hive and path below it
  std::vector<std::string> paths;                  // files and folders named
  std::vector<std::string> folders;                // folders listed, or made temporary files in
  std::vector<std::string> reads;                  // files opened to read characters
  std::vector<std::string> starts;                 // command lines started
};

class TouchTracker {
 public:
  // `inner`'s members are not owned and must outlive this; `touches` receives the notes.
  TouchTracker(const Platform& inner, Touches* touches);
  TouchTracker(const TouchTracker&) = delete;
  TouchTracker& operator=(const TouchTracker&) = delete;

  Platform platform() const { return platform_; }

 private:
  class TrackedRegistry : public ForwardingRegistry {
   public:
    TrackedRegistry(Registry* target, Touches* touches)
        : ForwardingRegistry(target), touches_(touches) {}
    Status OpenKey(HKey parent, const std::string& subkey, uint32_t sam, HKey* result) override;
    Status CreateKey(HKey parent, const std::string& subkey, uint32_t options, uint32_t sam,
                     HKey* result, uint32_t* disposition) override;
    Status DeleteKey(HKey parent, const std::string& subkey) override;
    Status CloseKey(HKey key) override;

   private:
    // The hive and path of a key below `parent`; false for a handle this run never opened.
    bool Note(HKey parent, const std::string& subkey, std::pair<HKey, std::string>* key);
    Touches* touches_;
    std::map<HKey, std::pair<HKey, std::string>> open_;
  };

  class TrackedFiles : public ForwardingFiles {
   public:
    TrackedFiles(Files* target, Touches* touches)
        : ForwardingFiles(target), target_(target), touches_(touches) {}
    std::string ListFirst(const std::string& pattern, ListFilter filter) override;
    Status DeleteFile(const std::string& path) override;
    Status SetAttributesNormal(const std::string& path) override;
    Status RemoveDirectory(const std::string& path) override;
    Status SetCurrentDirectory(const std::string& path) override;
    Status ReplaceFile(const std::string& from, const std::string& to) override;
    Status OpenText(const std::string& path, TextMode mode, FileNumber* number) override;
    // The full form of a path, as the machine's current directory makes it.
    std::string Full(const std::string& path);

   private:
    Files* target_;
    Touches* touches_;
  };

  class TrackedSystem : public ForwardingSystem {
   public:
    TrackedSystem(System* target, TrackedFiles* files, Touches* touches)
        : ForwardingSystem(target), files_(files), touches_(touches) {}
    uint32_t GetShortPathName(const std::string& long_path, char* buffer, uint32_t size) override;
    bool MoveFileEx(const std::string& existing, const std::optional<std::string>& new_name,
                    uint32_t flags) override;
    Status MoveFile(const std::string& existing, const std::string& new_name) override;
    Status GetTempFileName(const std::string& directory, const std::string& prefix,
                           std::string* path) override;

   private:
    TrackedFiles* files_;
    Touches* touches_;
  };

  class TrackedProcesses : public ForwardingProcesses {
   public:
    TrackedProcesses(Processes* target, Touches* touches)
        : ForwardingProcesses(target), touches_(touches) {}
    Status Start(const std::string& command_line, int window_style, TaskId* task) override;

   private:
    Touches* touches_;
  };

  TrackedRegistry registry_;
  TrackedFiles files_;
  TrackedSystem system_;
  TrackedProcesses processes_;
  Platform platform_;
};

}  // namespace vrx::preview
