#include "platform/sim/sim_platform.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <variant>

#include "platform/form.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_registry.h"
#include "platform/windows_names.h"

namespace vrx::sim {

void SimClock::Advance(double seconds) {
  seconds_ += seconds;
  while (seconds_ >= 86400) seconds_ -= 86400;
}

uint32_t SimSystem::CopyOut(const std::string& text, char* buffer, uint32_t size) const {
  auto length = static_cast<uint32_t>(text.size());
  if (length + 1 > size) return length + 1;
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return length;
}

uint32_t SimSystem::GetSystemDirectory(char* buffer, uint32_t size) {
  return CopyOut(facts_->system, buffer, size);
}

uint32_t SimSystem::GetWindowsDirectory(char* buffer, uint32_t size) {
  return CopyOut(facts_->windows, buffer, size);
}

uint32_t SimSystem::GetShortPathName(const std::string& long_path, char* buffer, uint32_t size) {
  std::optional<std::string> short_path = files_->ShortPath(long_path);
  if (!short_path) return 0;
  return CopyOut(*short_path, buffer, size);
}

bool SimSystem::GetVersionEx(OsVersionInfo* info) {
  if (info->dwOSVersionInfoSize != sizeof(OsVersionInfo)) return false;
  *info = OsVersionInfo{};
  info->dwOSVersionInfoSize = sizeof(OsVersionInfo);
  info->dwPlatformId = static_cast<uint32_t>(facts_->platform);
  info->dwMajorVersion = facts_->platform == 2 ? 4 : 4;
  info->dwMinorVersion = facts_->platform == 1 ? 10 : 0;
  return true;
}

bool SimSystem::MoveFileEx(const std::string& existing, const std::optional<std::string>& new_name,
                           uint32_t flags) {
  transcript_->Add("movefileex " + Quoted(existing) +
                   (new_name ? " to " + Quoted(*new_name) : std::string()) + " flags " +
                   std::to_string(flags));
  if (new_name || flags != kMoveFileDelayUntilReboot || existing.empty()) return false;
  // Delayed operations are an administrator's right on Windows NT; Windows 95/98 have none.
  if (facts_->platform != 2) return false;
  pending.push_back(existing);
  return true;
}

int32_t SimSystem::RemoveFontResource(const std::string& file_name) {
  std::string wanted = FoldName(file_name);
  for (auto it = fonts.begin(); it != fonts.end(); ++it) {
    if (FoldName(*it) == wanted) {
      fonts.erase(it);
      transcript_->Add("removefont " + Quoted(file_name) + " -> ok");
      return 1;
    }
  }
  transcript_->Add("removefont " + Quoted(file_name) + " -> failed");
  return 0;
}

void SimSystem::BroadcastFontChange() {
  // As the broadcast goes out on Windows: SendMessage(HWND_BROADCAST, WM_FONTCHANGE, 0, 0).
  transcript_->Add("sendmessage window 65535 message 29 0 0");
}

std::string SimSystem::GetEnvironmentVariable(const std::string& name) {
  const std::string folded = FoldName(name);
  if (folded == "USERNAME") return facts_->username;
  // Windows sets windir; Windows NT also SystemRoot and SystemDrive, which profile paths are
  // written with.
  if (folded == "WINDIR" || (folded == "SYSTEMROOT" && facts_->platform == 2)) {
    return facts_->windows;
  }
  if (folded == "SYSTEMDRIVE" && facts_->platform == 2) return facts_->windows.substr(0, 2);
  return "";
}

Status SimSystem::EnableShutdownPrivilege() {
  // The steps as Windows takes them: open the token for TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
  // look up the privilege (LUID 19 on every system), enable it.
  const bool opened = facts_->open_token;
  transcript_->Add(std::string("token open access 40") + (opened ? " -> ok" : " -> failed"));
  if (!opened) return kErrorAccessDenied;
  const bool found = facts_->lookup_privilege;
  transcript_->Add("token lookup " + Quoted("SeShutdownPrivilege") +
                   (found ? " -> ok" : " -> failed"));
  if (!found) return kErrorNoSuchPrivilege;
  const bool adjusted = facts_->adjust_privileges;
  transcript_->Add(std::string("token adjust attributes 2 length 16") +
                   (adjusted ? " -> ok" : " -> failed"));
  if (!adjusted) return kErrorAccessDenied;
  shutdown_privilege_enabled_ = true;
  return kOk;
}

bool SimSystem::ExitWindowsEx(uint32_t flags, uint32_t reason) {
  // Windows NT refuses a caller without the shutdown privilege.
  bool ok = facts_->exit_windows && (facts_->platform != 2 || shutdown_privilege_enabled_);
  transcript_->Add("exitwindows flags " + std::to_string(flags) + " reason " +
                   std::to_string(reason) + (ok ? " -> ok" : " -> refused"));
  if (ok) restart_requested = true;
  return ok;
}

Status SimProcesses::Locate(const std::string& command_line, const ProgramEntry** found) const {
  *found = nullptr;
  // A file name as CreateProcessA tries it: with ".exe" when its last part has no extension.
  auto try_name = [&](std::string name) {
    const size_t last = name.find_last_of("\\/:");
    if (name.find('.', last == std::string::npos ? 0 : last + 1) == std::string::npos) {
      name += ".exe";
    }
    // A short path names the same program as its long form.
    const std::string full = files_->LongPath(name).value_or(name);
    for (const ProgramEntry& entry : programs) {
      if (SameName(entry.path + ".exe", full)) {
        *found = &entry;
        return kOk;
      }
    }
    std::optional<uint32_t> attributes = files_->Attributes(name);
    if (attributes && !(*attributes & kAttrDirectory)) return kErrorBadExeFormat;
    return kErrorFileNotFound;
  };
  if (!command_line.empty() && command_line[0] == '"') {
    const size_t end = command_line.find('"', 1);
    if (end == std::string::npos || end == 1) return kErrorFileNotFound;
    return try_name(command_line.substr(1, end - 1));
  }
  // Unquoted: each prefix that ends before a blank, then the whole line; the first that names a
  // file is the program, whether it can run or not.
  for (size_t blank = 0;; ++blank) {
    blank = command_line.find_first_of(" \t", blank);
    const std::string prefix = command_line.substr(0, blank);
    if (!prefix.empty()) {
      Status status = try_name(prefix);
      if (status != kErrorFileNotFound) return status;
    }
    if (blank == std::string::npos) return kErrorFileNotFound;
  }
}

const ProgramEntry* SimProcesses::Find(const std::string& command_line) const {
  const ProgramEntry* found = nullptr;
  (void)Locate(command_line, &found);
  return found;
}

Status SimProcesses::Start(const std::string& command_line, int window_style, TaskId* task) {
  started.push_back(command_line);
  const ProgramEntry* entry = nullptr;
  const Status status = Locate(command_line, &entry);
  std::string line = "start " + Quoted(command_line) + " style " + std::to_string(window_style);
  if (status != kOk) {
    transcript_->Add(line + " -> failed");
    if (on_started) on_started(command_line);
    return status;
  }
  *task = next_task_++;
  transcript_->Add(line + " -> task " + std::to_string(*task));
  if ((entry->kind == "word97" || entry->kind == "word2000") && on_word_started) {
    on_word_started(entry->kind, *task);
  }
  if (on_started) on_started(command_line);
  return kOk;
}

void SimProcesses::ActivateTask(TaskId task) {
  transcript_->Add("activate task " + std::to_string(task));
}

Status SimProcesses::EndTask(TaskId task) {
  if (task == 0 || task >= next_task_) {
    transcript_->Add("end task " + std::to_string(task) + " -> not ours");
    return kErrorInvalidHandle;
  }
  transcript_->Add("end task " + std::to_string(task));
  if (on_task_ended) on_task_ended(task);
  return kOk;
}

int SimUi::MessageBox(const std::string& text, int style, const std::string& title) {
  int answer;
  if (!answers.empty()) {
    answer = answers.front();
    answers.pop_front();
    if (style == kMbOk) answer = kIdOk;
  } else {
    answer = style == kMbYesNo ? kIdYes : kIdOk;
  }
  const char* name = answer == kIdYes ? "yes" : answer == kIdNo ? "no" : "ok";
  transcript_->Add("msgbox " + Quoted(text) + " style " + std::to_string(style) + " title " +
                   Quoted(title) + " -> " + name);
  return answer;
}

void SimUi::PumpEvents() {
  ++pumps_;
  clock_->Advance(SimClock::kPumpSeconds);
  if (on_pump) on_pump();
}

namespace {

// A number as the transcript shows it: whole numbers in full, others as printf's %g.
std::string FormatNumber(double value) {
  if (std::floor(value) == value && std::fabs(value) < 1e15) {
    return std::to_string(static_cast<long long>(value));
  }
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  return buffer;
}

const char* PropertyName(Property property) {
  switch (property) {
    case Property::kCaption:
      return "Caption";
    case Property::kEnabled:
      return "Enabled";
    case Property::kVisible:
      return "Visible";
    case Property::kTag:
      return "Tag";
    case Property::kValue:
      return "Value";
    case Property::kMax:
      return "Max";
    case Property::kAddItem:
      return "AddItem";
    case Property::kLeft:
      return "Left";
    case Property::kTop:
      return "Top";
    case Property::kWidth:
      return "Width";
    case Property::kHeight:
      return "Height";
  }
  return "?";
}

// A value as it is compared with what is shown: a text in plain double quotes, true/false, a
// number. Two numbers that print alike count as the same.
struct ShownText {
  std::string operator()(const std::string& text) const { return "\"" + text + "\""; }
  std::string operator()(bool flag) const { return flag ? "true" : "false"; }
  std::string operator()(int number) const { return std::to_string(number); }
  std::string operator()(float number) const { return FormatNumber(number); }
};

// Writes what happens to a form into the transcript. A property set to the value it already
// shows changes nothing on screen and is left out.
class TranscriptView : public FormView {
 public:
  TranscriptView(const Form& form, Transcript* transcript, SimUi* ui)
      : form_(form), t_(transcript), ui_(ui) {
    // What the form shows as designed.
    const ShownText text;
    for (const auto& c : form.controls()) {
      shown_[Key(c.get(), Property::kCaption)] = text(c->Caption());
      shown_[Key(c.get(), Property::kEnabled)] = text(c->Enabled());
      shown_[Key(c.get(), Property::kVisible)] = text(c->Visible());
      shown_[Key(c.get(), Property::kTag)] = text(c->Tag());
      shown_[Key(c.get(), Property::kValue)] =
          c->kind() == ControlKind::kProgressBar ? text(c->ProgressValue()) : text(c->Value());
      shown_[Key(c.get(), Property::kMax)] = text(c->Max());
    }
  }
  void Loaded() override { t_->Add("load " + form_.name()); }
  void Shown() override {
    t_->Add("show " + form_.name());
    TakeForeground();
  }
  void Hidden() override { t_->Add("hide " + form_.name()); }
  void Unloaded() override { t_->Add("unload " + form_.name()); }
  void Refreshed() override {}
  void PropertyChanged(const Control* control, Property property,
                       const PropertyValue& value) override {
    const std::string key = Key(control, property);
    std::string shown = std::visit(ShownText{}, value);
    if (property != Property::kAddItem) {
      auto [it, inserted] = shown_.try_emplace(key, shown);
      if (!inserted && it->second == shown) return;
      it->second = shown;
    }
    const std::string* text = std::get_if<std::string>(&value);
    t_->Add("set " + key + " = " + (text != nullptr ? Quoted(*text) : shown));
  }
  // The form's own focus brings its window to the foreground; a control's is not shown.
  void FocusRequested(const Control* control) override {
    if (control == nullptr) TakeForeground();
  }

 private:
  // "UnInstall.Check1(2).Value", "BlankFrm.Width".
  std::string Key(const Control* control, Property property) const {
    std::string key = form_.name();
    if (control != nullptr) key += "." + control->QualifiedName();
    return key + "." + PropertyName(property);
  }

  void TakeForeground() {
    if (ui_->on_foreground) ui_->on_foreground(form_.name());
  }

  const Form& form_;
  Transcript* t_;
  SimUi* ui_;
  std::map<std::string, std::string> shown_;
};

}  // namespace

std::unique_ptr<FormView> SimUi::CreateView(Form& form) {
  return std::make_unique<TranscriptView>(form, transcript_, this);
}

}  // namespace vrx::sim
