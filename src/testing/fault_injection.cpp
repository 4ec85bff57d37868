#include "testing/fault_injection.h"

#include <string_view>
#include <utility>

#include "platform/form.h"
#include "testing/fault_automation.h"

namespace vrx {
namespace {

// What a failed call answers with.
constexpr Status kInjected = kErrorAccessDenied;
constexpr Status kInjectedBusy = kErrorSharingViolation;

std::string HiveName(HKey key) {
  switch (key) {
    case kHkeyClassesRoot:
      return "HKCR";
    case kHkeyCurrentUser:
      return "HKCU";
    case kHkeyLocalMachine:
      return "HKLM";
    default:
      return {};
  }
}

bool IsHive(HKey key) { return !HiveName(key).empty(); }

std::string Join(const std::string& base, const std::string& sub) {
  if (sub.empty()) return base;
  return base + "\\" + sub;
}

// What every wrapper holds: the interface below and the layer that decides.
template <typename Interface>
class Wrapper : public Interface {
 public:
  Wrapper(Interface* target, FaultInjection* f) : t_(target), f_(f) {}

 protected:
  Interface* t_;
  FaultInjection* f_;
};

class FaultRegistry : public Wrapper<Registry> {
 public:
  using Wrapper::Wrapper;

  Status OpenKey(HKey parent, const std::string& subkey, uint32_t sam, HKey* result) override {
    const std::string path = Join(f_->KeyPath(parent), subkey);
    if (f_->Fails("RegOpenKeyExA " + path)) {
      if (result) *result = 0;
      return kInjected;
    }
    Status status = t_->OpenKey(parent, subkey, sam, result);
    if (status == kOk && result && !IsHive(*result)) f_->KeyOpened(*result, path);
    return status;
  }
  Status CloseKey(HKey key) override {
    const bool fails = f_->Fails("RegCloseKey " + f_->KeyPath(key));
    Status status = t_->CloseKey(key);
    f_->KeyClosed(key);
    return fails && status == kOk ? kInjected : status;
  }
  Status QueryValue(HKey key, const std::string& name, uint32_t* type, uint8_t* data,
                    uint32_t* size) override {
    if (f_->Fails("RegQueryValueExA " + f_->KeyPath(key) + " [" + name + "]" +
                  (data ? "" : " size"))) {
      return kInjected;
    }
    return t_->QueryValue(key, name, type, data, size);
  }
  Status SetValue(HKey key, const std::string& name, uint32_t type, const uint8_t* data,
                  uint32_t size) override {
    if (f_->Fails("RegSetValueExA " + f_->KeyPath(key) + " [" + name + "]")) return kInjected;
    return t_->SetValue(key, name, type, data, size);
  }
  Status CreateKey(HKey parent, const std::string& subkey, uint32_t options, uint32_t sam,
                   HKey* result, uint32_t* disposition) override {
    const std::string path = Join(f_->KeyPath(parent), subkey);
    if (f_->Fails("RegCreateKeyExA " + path)) {
      if (result) *result = 0;
      return kInjected;
    }
    Status status = t_->CreateKey(parent, subkey, options, sam, result, disposition);
    if (status == kOk && result && !IsHive(*result)) f_->KeyOpened(*result, path);
    return status;
  }
  Status DeleteValue(HKey key, const std::string& name) override {
    if (f_->Fails("RegDeleteValueA " + f_->KeyPath(key) + " [" + name + "]")) return kInjected;
    return t_->DeleteValue(key, name);
  }
  Status EnumKey(HKey key, uint32_t index, char* name, uint32_t* name_size,
                 uint64_t* last_write) override {
    if (f_->Fails("RegEnumKeyExA " + f_->KeyPath(key) + " #" + std::to_string(index))) {
      return kInjected;
    }
    return t_->EnumKey(key, index, name, name_size, last_write);
  }
  Status DeleteKey(HKey parent, const std::string& subkey) override {
    if (f_->Fails("RegDeleteKeyA " + Join(f_->KeyPath(parent), subkey))) return kInjected;
    return t_->DeleteKey(parent, subkey);
  }
  Status EnumValue(HKey key, uint32_t index, char* name, uint32_t* name_size,
                   uint32_t* type) override {
    if (f_->Fails("RegEnumValueA " + f_->KeyPath(key) + " #" + std::to_string(index))) {
      return kInjected;
    }
    return t_->EnumValue(key, index, name, name_size, type);
  }
};

class FaultSystem : public Wrapper<System> {
 public:
  using Wrapper::Wrapper;

  uint32_t GetSystemDirectory(char* buffer, uint32_t size) override {
    return f_->Fails("GetSystemDirectoryA") ? 0 : t_->GetSystemDirectory(buffer, size);
  }
  uint32_t GetWindowsDirectory(char* buffer, uint32_t size) override {
    return f_->Fails("GetWindowsDirectoryA") ? 0 : t_->GetWindowsDirectory(buffer, size);
  }
  uint32_t GetShortPathName(const std::string& long_path, char* buffer, uint32_t size) override {
    return f_->Fails("GetShortPathNameA " + long_path)
               ? 0
               : t_->GetShortPathName(long_path, buffer, size);
  }
  bool GetVersionEx(OsVersionInfo* info) override {
    return !f_->Fails("GetVersionExA") && t_->GetVersionEx(info);
  }
  bool MoveFileEx(const std::string& existing, const std::optional<std::string>& new_name,
                  uint32_t flags) override {
    return !f_->Fails("MoveFileExA " + existing) && t_->MoveFileEx(existing, new_name, flags);
  }
  Status MoveFile(const std::string& existing, const std::string& new_name) override {
    if (f_->Fails("MoveFileA " + existing + " " + new_name)) return kInjected;
    return t_->MoveFile(existing, new_name);
  }
  Status GetTempFileName(const std::string& directory, const std::string& prefix,
                         std::string* path) override {
    if (f_->Fails("GetTempFileNameA " + directory)) return kInjected;
    return t_->GetTempFileName(directory, prefix, path);
  }
  Status GetFullPathName(const std::string& path, std::string* full_path) override {
    return f_->Fails("GetFullPathNameA " + path) ? kInjected : t_->GetFullPathName(path, full_path);
  }
  int32_t RemoveFontResource(const std::string& file_name) override {
    return f_->Fails("RemoveFontResourceA " + file_name) ? 0 : t_->RemoveFontResource(file_name);
  }
  void BroadcastFontChange() override {
    if (f_->Fails("BroadcastFontChange")) return;
    t_->BroadcastFontChange();
  }
  std::string GetEnvironmentVariable(const std::string& name) override {
    return f_->Fails("GetEnvironmentVariableA " + name) ? "" : t_->GetEnvironmentVariable(name);
  }
  bool AnotherInstanceRunning() override {
    // A mutex that cannot be made tells of no other copy.
    return !f_->Fails("CreateMutexA") && t_->AnotherInstanceRunning();
  }
  Status EnableShutdownPrivilege() override {
    return f_->Fails("EnableShutdownPrivilege") ? kInjected : t_->EnableShutdownPrivilege();
  }
  bool ExitWindowsEx(uint32_t flags, uint32_t reason) override {
    return !f_->Fails("ExitWindowsEx " + std::to_string(flags)) && t_->ExitWindowsEx(flags, reason);
  }
};

class FaultFiles : public Wrapper<Files> {
 public:
  using Wrapper::Wrapper;

  std::string ListFirst(const std::string& pattern, ListFilter filter) override {
    listing_ = pattern;
    if (f_->Fails("FindFirstFileA " + pattern)) {
      listing_failed_ = true;
      return "";
    }
    listing_failed_ = false;
    return t_->ListFirst(pattern, filter);
  }
  std::string ListNext() override {
    // After a failed start the listing below is another one: nothing comes of it.
    if (listing_failed_ || f_->Fails("FindNextFileA " + listing_)) return "";
    return t_->ListNext();
  }
  Status DeleteFile(const std::string& path) override {
    return f_->Fails("DeleteFileA " + path) ? kInjected : t_->DeleteFile(path);
  }
  Status SetAttributesNormal(const std::string& path) override {
    return f_->Fails("SetFileAttributesA " + path) ? kInjected : t_->SetAttributesNormal(path);
  }
  Status RemoveDirectory(const std::string& path) override {
    return f_->Fails("RemoveDirectoryA " + path) ? kInjected : t_->RemoveDirectory(path);
  }
  std::string GetCurrentDirectory() override {
    return f_->Fails("GetCurrentDirectoryA") ? "" : t_->GetCurrentDirectory();
  }
  Status SetCurrentDirectory(const std::string& path) override {
    return f_->Fails("SetCurrentDirectoryA " + path) ? kInjected : t_->SetCurrentDirectory(path);
  }
  Status ReplaceFile(const std::string& from, const std::string& to) override {
    if (f_->Fails("MoveFileExA " + from + " " + to + " replace")) return kInjected;
    return t_->ReplaceFile(from, to);
  }
  Status GetIdentity(const std::string& path, FileIdentity* identity) override {
    if (f_->Fails("GetFileInformationByHandle " + path)) return kInjected;
    return t_->GetIdentity(path, identity);
  }
  Status OpenText(const std::string& path, TextMode mode, FileNumber* number) override {
    const char* how = mode == TextMode::kReadChars ? " read" : " write";
    if (f_->Fails("CreateFileA " + path + how)) return kInjectedBusy;
    Status status = t_->OpenText(path, mode, number);
    if (status == kOk && number) f_->FileOpened(*number, path);
    return status;
  }
  Status ReadChar(FileNumber number, char* c) override {
    return f_->Fails("ReadFile " + f_->FilePath(number)) ? kInjected : t_->ReadChar(number, c);
  }
  bool AtEnd(FileNumber number) override {
    // A file whose size cannot be learnt is taken to end here.
    return f_->Fails("GetFileSize " + f_->FilePath(number)) || t_->AtEnd(number);
  }
  Status Write(FileNumber number, const std::string& bytes) override {
    return f_->Fails("WriteFile " + f_->FilePath(number)) ? kInjected : t_->Write(number, bytes);
  }
  Status Close(FileNumber number) override {
    const bool fails = f_->Fails("CloseHandle " + f_->FilePath(number));
    Status status = t_->Close(number);
    f_->FileClosed(number);
    return fails && status == kOk ? kInjected : status;
  }
  void CloseAll() override {
    (void)f_->Fails("");  // counted only
    t_->CloseAll();
    f_->AllFilesClosed();
  }

 private:
  std::string listing_;
  bool listing_failed_ = false;
};

class FaultProcesses : public Wrapper<Processes> {
 public:
  using Wrapper::Wrapper;
  Status Start(const std::string& command_line, int window_style, TaskId* task) override {
    if (f_->Fails("CreateProcessA " + command_line)) return kInjected;
    return t_->Start(command_line, window_style, task);
  }
  void ActivateTask(TaskId task) override {
    if (!f_->Fails("SetForegroundWindow")) t_->ActivateTask(task);
  }
  Status EndTask(TaskId task) override {
    return f_->Fails("TerminateProcess") ? kInjected : t_->EndTask(task);
  }
};

class FaultUi : public Wrapper<Ui> {
 public:
  using Wrapper::Wrapper;
  int MessageBox(const std::string& text, int style, const std::string& title) override {
    int answer = f_->Fails("MessageBoxA " + text) ? 0 : t_->MessageBox(text, style, title);
    f_->Asked(text, answer);
    return answer;
  }
  void PumpEvents() override {
    if (!f_->Fails("PeekMessageA")) t_->PumpEvents();
  }
  std::unique_ptr<FormView> CreateView(Form& form) override {
    if (f_->Fails("CreateWindowExA " + form.name())) return nullptr;
    return t_->CreateView(form);
  }
};

class FaultClock : public Wrapper<Clock> {
 public:
  using Wrapper::Wrapper;
  float SecondsSinceMidnight() override {
    (void)f_->Fails("");  // counted only
    return t_->SecondsSinceMidnight();
  }
};

}  // namespace

using fault::FaultAutomation;

struct FaultInjection::Wrappers {
  Wrappers(const Platform& t, FaultInjection* f)
      : registry(t.registry, f),
        system(t.system, f),
        files(t.files, f),
        processes(t.processes, f),
        automation(t.automation, f),
        ui(t.ui, f),
        clock(t.clock, f) {}
  FaultRegistry registry;
  FaultSystem system;
  FaultFiles files;
  FaultProcesses processes;
  FaultAutomation automation;
  FaultUi ui;
  FaultClock clock;
};

FaultInjection::FaultInjection(const Platform& target)
    : wrappers_(std::make_unique<Wrappers>(target, this)) {}

FaultInjection::~FaultInjection() = default;

Platform FaultInjection::platform() const {
  Wrappers& w = *wrappers_;
  return Platform{&w.registry, &w.system, &w.files, &w.processes, &w.automation, &w.ui, &w.clock};
}

void FaultInjection::FailNothing() { mode_ = Mode::kNothing; }

void FaultInjection::FailCall(const std::string& name, int times) {
  mode_ = Mode::kNamed;
  named_ = name;
  named_left_ = times;
}

void FaultInjection::FailOneIn(uint32_t n, uint64_t seed) {
  mode_ = Mode::kOneIn;
  one_in_ = n < 1 ? 1 : n;
  random_.seed(seed);
}

bool FaultInjection::Fails(const std::string& name) {
  // The empty name stands for a call that cannot fail; it is counted, not named.
  ++calls_;
  if (name.empty()) return false;
  if (seen_.insert(name).second) distinct_.push_back(name);
  bool fails = false;
  switch (mode_) {
    case Mode::kNothing:
      break;
    case Mode::kNamed:
      if (named_left_ > 0 && name == named_) {
        --named_left_;
        fails = true;
      }
      break;
    case Mode::kOneIn:
      fails = random_() % one_in_ == 0;
      break;
  }
  if (fails) failed_.push_back(name);
  return fails;
}

bool FaultInjection::Failed(const std::string& prefix) const {
  for (const std::string& name : failed_) {
    if (name.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

std::string FaultInjection::KeyPath(HKey key) const {
  if (IsHive(key)) return HiveName(key);
  auto it = keys_.find(key);
  return it != keys_.end() ? it->second : "<key " + std::to_string(key) + ">";
}

std::string FaultInjection::FilePath(FileNumber number) const {
  auto it = files_.find(number);
  return it != files_.end() ? it->second : "<file " + std::to_string(number) + ">";
}

std::vector<std::string> FaultInjection::OpenHandles() const {
  std::vector<std::string> open;
  for (const auto& [key, path] : keys_) open.push_back("registry key " + path);
  for (const auto& [number, path] : files_) open.push_back("file " + path);
  for (long i = 0; i < word_objects_; ++i) open.push_back("Word object");
  return open;
}

}  // namespace vrx
