// Wrappers that pass every call on to another platform. A test subclasses one of them and
// overrides only the call that it wants to observe; failures are injected by FaultInjection
// (testing/fault_injection.h); the deployment words record and quiet the run through them too.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "platform/form.h"
#include "platform/platform.h"

namespace vrx {

class ForwardingRegistry : public Registry {
 public:
  explicit ForwardingRegistry(Registry* target) : target_(target) {}
  Status OpenKey(HKey parent, const std::string& subkey, uint32_t sam, HKey* result) override {
    return target_->OpenKey(parent, subkey, sam, result);
  }
  Status CloseKey(HKey key) override { return target_->CloseKey(key); }
  Status QueryValue(HKey key, const std::string& name, uint32_t* type, uint8_t* data,
                    uint32_t* size) override {
    return target_->QueryValue(key, name, type, data, size);
  }
  Status SetValue(HKey key, const std::string& name, uint32_t type, const uint8_t* data,
                  uint32_t size) override {
    return target_->SetValue(key, name, type, data, size);
  }
  Status CreateKey(HKey parent, const std::string& subkey, uint32_t options, uint32_t sam,
                   HKey* result, uint32_t* disposition) override {
    return target_->CreateKey(parent, subkey, options, sam, result, disposition);
  }
  Status DeleteValue(HKey key, const std::string& name) override {
    return target_->DeleteValue(key, name);
  }
  Status EnumKey(HKey key, uint32_t index, char* name, uint32_t* name_size,
                 uint64_t* last_write) override {
    return target_->EnumKey(key, index, name, name_size, last_write);
  }
  Status DeleteKey(HKey parent, const std::string& subkey) override {
    return target_->DeleteKey(parent, subkey);
  }
  Status EnumValue(HKey key, uint32_t index, char* name, uint32_t* name_size,
                   uint32_t* type) override {
    return target_->EnumValue(key, index, name, name_size, type);
  }

 private:
  Registry* target_;
};

class ForwardingSystem : public System {
 public:
  explicit ForwardingSystem(System* target) : target_(target) {}
  uint32_t GetSystemDirectory(char* buffer, uint32_t size) override {
    return target_->GetSystemDirectory(buffer, size);
  }
  uint32_t GetWindowsDirectory(char* buffer, uint32_t size) override {
    return target_->GetWindowsDirectory(buffer, size);
  }
  uint32_t GetShortPathName(const std::string& long_path, char* buffer, uint32_t size) override {
    return target_->GetShortPathName(long_path, buffer, size);
  }
  bool GetVersionEx(OsVersionInfo* info) override { return target_->GetVersionEx(info); }
  bool MoveFileEx(const std::string& existing, const std::optional<std::string>& new_name,
                  uint32_t flags) override {
    return target_->MoveFileEx(existing, new_name, flags);
  }
  Status MoveFile(const std::string& existing, const std::string& new_name) override {
    return target_->MoveFile(existing, new_name);
  }
  Status GetTempFileName(const std::string& directory, const std::string& prefix,
                         std::string* path) override {
    return target_->GetTempFileName(directory, prefix, path);
  }
  Status GetFullPathName(const std::string& path, std::string* full_path) override {
    return target_->GetFullPathName(path, full_path);
  }
  int32_t RemoveFontResource(const std::string& file_name) override {
    return target_->RemoveFontResource(file_name);
  }
  void BroadcastFontChange() override { target_->BroadcastFontChange(); }
  std::string GetEnvironmentVariable(const std::string& name) override {
    return target_->GetEnvironmentVariable(name);
  }
  bool AnotherInstanceRunning() override { return target_->AnotherInstanceRunning(); }
  Status EnableShutdownPrivilege() override { return target_->EnableShutdownPrivilege(); }
  bool ExitWindowsEx(uint32_t flags, uint32_t reason) override {
    return target_->ExitWindowsEx(flags, reason);
  }

 private:
  System* target_;
};

class ForwardingFiles : public Files {
 public:
  explicit ForwardingFiles(Files* target) : target_(target) {}
  std::string ListFirst(const std::string& pattern, ListFilter filter) override {
    return target_->ListFirst(pattern, filter);
  }
  std::string ListNext() override { return target_->ListNext(); }
  Status DeleteFile(const std::string& path) override { return target_->DeleteFile(path); }
  Status SetAttributesNormal(const std::string& path) override {
    return target_->SetAttributesNormal(path);
  }
  Status RemoveDirectory(const std::string& path) override {
    return target_->RemoveDirectory(path);
  }
  std::string GetCurrentDirectory() override { return target_->GetCurrentDirectory(); }
  Status SetCurrentDirectory(const std::string& path) override {
    return target_->SetCurrentDirectory(path);
  }
  Status ReplaceFile(const std::string& from, const std::string& to) override {
    return target_->ReplaceFile(from, to);
  }
  Status GetIdentity(const std::string& path, FileIdentity* identity) override {
    return target_->GetIdentity(path, identity);
  }
  Status OpenText(const std::string& path, TextMode mode, FileNumber* number) override {
    return target_->OpenText(path, mode, number);
  }
  Status ReadChar(FileNumber number, char* c) override { return target_->ReadChar(number, c); }
  bool AtEnd(FileNumber number) override { return target_->AtEnd(number); }
  Status Write(FileNumber number, const std::string& bytes) override {
    return target_->Write(number, bytes);
  }
  Status Close(FileNumber number) override { return target_->Close(number); }
  void CloseAll() override { target_->CloseAll(); }

 private:
  Files* target_;
};

class ForwardingProcesses : public Processes {
 public:
  explicit ForwardingProcesses(Processes* target) : target_(target) {}
  Status Start(const std::string& command_line, int window_style, TaskId* task) override {
    return target_->Start(command_line, window_style, task);
  }
  void ActivateTask(TaskId task) override { target_->ActivateTask(task); }
  Status EndTask(TaskId task) override { return target_->EndTask(task); }

 private:
  Processes* target_;
};

class ForwardingAutomation : public Automation {
 public:
  explicit ForwardingAutomation(Automation* target) : target_(target) {}
  Status GetRunningWord(const std::string& class_name,
                        std::unique_ptr<WordApplication>* application) override {
    return target_->GetRunningWord(class_name, application);
  }
  Status WindowOwners(const std::string& window_class, std::vector<TaskId>* owners) override {
    return target_->WindowOwners(window_class, owners);
  }

 private:
  Automation* target_;
};

class ForwardingUi : public Ui {
 public:
  explicit ForwardingUi(Ui* target) : target_(target) {}
  int MessageBox(const std::string& text, int style, const std::string& title) override {
    return target_->MessageBox(text, style, title);
  }
  void PumpEvents() override { target_->PumpEvents(); }
  std::unique_ptr<FormView> CreateView(Form& form) override { return target_->CreateView(form); }

 private:
  Ui* target_;
};

// A form's view that passes every notification on to another view, when there is one.
class ForwardingFormView : public FormView {
 public:
  explicit ForwardingFormView(std::unique_ptr<FormView> target) : target_(std::move(target)) {}
  void Loaded() override {
    if (target_) target_->Loaded();
  }
  void Shown() override {
    if (target_) target_->Shown();
  }
  void Hidden() override {
    if (target_) target_->Hidden();
  }
  void Unloaded() override {
    if (target_) target_->Unloaded();
  }
  void Refreshed() override {
    if (target_) target_->Refreshed();
  }
  void PropertyChanged(const Control* control, Property property,
                       const PropertyValue& value) override {
    if (target_) target_->PropertyChanged(control, property, value);
  }
  void FocusRequested(const Control* control) override {
    if (target_) target_->FocusRequested(control);
  }

 private:
  std::unique_ptr<FormView> target_;
};

class ForwardingClock : public Clock {
 public:
  explicit ForwardingClock(Clock* target) : target_(target) {}
  float SecondsSinceMidnight() override { return target_->SecondsSinceMidnight(); }

 private:
  Clock* target_;
};

// A whole platform of forwarding wrappers; a test replaces the members it tampers with.
inline Platform Forward(const Platform& inner, Registry* registry = nullptr,
                        System* system = nullptr, Files* files = nullptr,
                        Processes* processes = nullptr, Automation* automation = nullptr,
                        Ui* ui = nullptr, Clock* clock = nullptr) {
  Platform p = inner;
  if (registry) p.registry = registry;
  if (system) p.system = system;
  if (files) p.files = files;
  if (processes) p.processes = processes;
  if (automation) p.automation = automation;
  if (ui) p.ui = ui;
  if (clock) p.clock = clock;
  return p;
}

}  // namespace vrx
