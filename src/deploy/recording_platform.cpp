#include "deploy/recording_platform.h"

#include <cstring>
#include <string_view>

#include "platform/form.h"
#include "platform/forwarding_platform.h"
#include "platform/windows_names.h"
#include "state/program.h"
#include "state/variants.h"

namespace vrx {
namespace {

// Upper case for comparing paths: ASCII and the Windows-1252 letters.
std::string Upper(std::string text) {
  for (char& c : text) {
    auto u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7)) {
      c = static_cast<char>(u - 0x20);
    }
  }
  return text;
}

bool Absent(Status status) { return status == kErrorFileNotFound || status == kErrorPathNotFound; }

// A registry value's data as the log shows it.
std::string DataText(uint32_t type, const uint8_t* data, uint32_t size) {
  if (data == nullptr) return "(no data)";
  if (type == kRegSz || type == kRegExpandSz) {
    std::string text(reinterpret_cast<const char*>(data), size);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return "\"" + OneLine(text) + "\"";
  }
  if (type == kRegDword && size == 4) {
    uint32_t number = 0;
    std::memcpy(&number, data, 4);
    return std::to_string(number) + " (REG_DWORD)";
  }
  return std::to_string(size) + " bytes of type " + std::to_string(type);
}

const char* AnswerName(int answer) {
  switch (answer) {
    case kIdYes:
      return "Yes";
    case kIdNo:
      return "No";
    case kIdOk:
      return "OK";
    default:
      return "Cancel";
  }
}

}  // namespace

std::string RunRecord::LongName(const std::string& path) const {
  auto it = long_names.find(Upper(path));
  return it == long_names.end() ? path : it->second;
}

std::string FolderAskedAbout(const std::string& question) {
  constexpr std::string_view kNotEmpty = "Directory not empty ";
  const size_t at = question.find(kNotEmpty);
  if (at == std::string::npos) return "";
  const size_t start = at + kNotEmpty.size();
  const size_t end = question.find('\r', start);
  if (end == std::string::npos) return "";
  return question.substr(start, end - start);
}

// ---------------------------------------------------------------------------------------------
// The recording classes

class RecordingPlatform::Registry_ : public ForwardingRegistry {
 public:
  Registry_(Registry* inner, RunLog* log) : ForwardingRegistry(inner), log_(log) {}

  Status OpenKey(HKey parent, const std::string& subkey, uint32_t sam, HKey* result) override {
    const Status status = ForwardingRegistry::OpenKey(parent, subkey, sam, result);
    if (status == kOk) names_[*result] = Join(parent, subkey);
    return status;
  }
  Status CreateKey(HKey parent, const std::string& subkey, uint32_t options, uint32_t sam,
                   HKey* result, uint32_t* disposition) override {
    const Status status =
        ForwardingRegistry::CreateKey(parent, subkey, options, sam, result, disposition);
    if (status == kOk) names_[*result] = Join(parent, subkey);
    return status;
  }
  Status CloseKey(HKey key) override {
    const Status status = ForwardingRegistry::CloseKey(key);
    if (status == kOk) names_.erase(key);
    return status;
  }
  Status SetValue(HKey key, const std::string& name, uint32_t type, const uint8_t* data,
                  uint32_t size) override {
    const Status status = ForwardingRegistry::SetValue(key, name, type, data, size);
    const std::string what = ValueName(key, name) + " = " + DataText(type, data, size);
    log_->Line(status == kOk ? "Set " + what : "Could not set " + what + ": " + ReasonOf(status));
    return status;
  }
  Status DeleteValue(HKey key, const std::string& name) override {
    const Status status = ForwardingRegistry::DeleteValue(key, name);
    if (status == kOk) {
      log_->Line("Deleted " + ValueName(key, name));
    } else if (!Absent(status)) {
      log_->Line("Could not delete " + ValueName(key, name) + ": " + ReasonOf(status));
    }
    return status;
  }
  Status DeleteKey(HKey parent, const std::string& subkey) override {
    const Status status = ForwardingRegistry::DeleteKey(parent, subkey);
    if (status == kOk) {
      log_->Line("Deleted key " + Join(parent, subkey));
    } else if (!Absent(status)) {
      log_->Line("Could not delete key " + Join(parent, subkey) + ": " + ReasonOf(status));
    }
    return status;
  }

 private:
  std::string NameOf(HKey key) const {
    std::string hive(HiveName(key));
    if (!hive.empty()) return hive;
    auto it = names_.find(key);
    return it == names_.end() ? "(key " + std::to_string(key) + ")" : it->second;
  }
  std::string Join(HKey parent, const std::string& subkey) const {
    return subkey.empty() ? NameOf(parent) : NameOf(parent) + "\\" + subkey;
  }
  std::string ValueName(HKey key, const std::string& name) const {
    return "value \"" + name + "\" of " + NameOf(key);
  }

  RunLog* log_;
  std::map<HKey, std::string> names_;
};

class RecordingPlatform::System_ : public ForwardingSystem {
 public:
  System_(System* inner, RecordingPlatform* owner) : ForwardingSystem(inner), owner_(owner) {}

  uint32_t GetShortPathName(const std::string& long_path, char* buffer, uint32_t size) override {
    const uint32_t length = ForwardingSystem::GetShortPathName(long_path, buffer, size);
    if (length > 0 && length < size) {
      owner_->record_.long_names[Upper(std::string(buffer, length))] = long_path;
    }
    return length;
  }
  bool GetVersionEx(OsVersionInfo* info) override {
    const bool ok = ForwardingSystem::GetVersionEx(info);
    if (ok) owner_->record_.version = *info;
    return ok;
  }
  bool MoveFileEx(const std::string& existing, const std::optional<std::string>& new_name,
                  uint32_t flags) override {
    const bool ok = ForwardingSystem::MoveFileEx(existing, new_name, flags);
    if (new_name || (flags & kMoveFileDelayUntilReboot) == 0) return ok;
    RunRecord& record = owner_->record_;
    const std::string name = record.LongName(existing);
    if (ok) {
      if (record.scheduled_upper.insert(Upper(name)).second) record.scheduled.push_back(name);
      owner_->log_->Line("Scheduled for deletion at the next restart: " + name);
    } else {
      owner_->log_->Line("Could not schedule for deletion at the next restart: " + name);
    }
    return ok;
  }
  // Wininit.ini is written through a fresh file that then takes its place.
  Status MoveFile(const std::string& existing, const std::string& new_name) override {
    const Status status = ForwardingSystem::MoveFile(existing, new_name);
    owner_->log_->Line(status == kOk ? "Moved " + existing + " to " + new_name
                                     : "Could not move " + existing + " to " + new_name + ": " +
                                           ReasonOf(status));
    return status;
  }
  int32_t RemoveFontResource(const std::string& file_name) override {
    const int32_t result = ForwardingSystem::RemoveFontResource(file_name);
    owner_->log_->Line(result != 0 ? "Removed the font " + file_name + " from the font table"
                                   : "Could not remove the font " + file_name +
                                         " from the font table; the file stays");
    return result;
  }
  bool AnotherInstanceRunning() override {
    const bool running = ForwardingSystem::AnotherInstanceRunning();
    owner_->record_.another_instance = running;
    if (running) owner_->log_->Line("Another copy of the uninstaller is running.");
    return running;
  }
  bool ExitWindowsEx(uint32_t flags, uint32_t reason) override {
    owner_->WriteSummary();
    owner_->log_->Line("Restart of Windows requested.");
    const bool ok = ForwardingSystem::ExitWindowsEx(flags, reason);
    if (!ok) owner_->log_->Line("Windows refused to restart.");
    return ok;
  }

 private:
  RecordingPlatform* owner_;
};

class RecordingPlatform::Files_ : public ForwardingFiles {
 public:
  Files_(Files* inner, RecordingPlatform* owner) : ForwardingFiles(inner), owner_(owner) {}

  Status DeleteFile(const std::string& path) override {
    const Status status = ForwardingFiles::DeleteFile(path);
    RunRecord& record = owner_->record_;
    const std::string name = record.LongName(path);
    if (status == kOk) {
      record.failed_files.erase(Upper(name));
      owner_->log_->Line("Deleted file " + name);
    } else if (!Absent(status) && !path.empty()) {
      record.failed_files[Upper(name)] = {name, status};
      owner_->log_->Line("Could not delete file " + name + ": " + ReasonOf(status));
    }
    return status;
  }
  Status RemoveDirectory(const std::string& path) override {
    const Status status = ForwardingFiles::RemoveDirectory(path);
    if (status == kOk) {
      owner_->log_->Line("Removed folder " + path);
    } else if (!Absent(status)) {
      owner_->record_.unremoved_folders.emplace_back(path, status);
      owner_->log_->Line("Could not remove folder " + path + ": " + ReasonOf(status));
    }
    return status;
  }
  Status ReplaceFile(const std::string& from, const std::string& to) override {
    const Status status = ForwardingFiles::ReplaceFile(from, to);
    owner_->log_->Line(status == kOk ? "Wrote " + to
                                     : "Could not write " + to + ": " + ReasonOf(status));
    return status;
  }

 private:
  RecordingPlatform* owner_;
};

class RecordingPlatform::Processes_ : public ForwardingProcesses {
 public:
  Processes_(Processes* inner, RunLog* log) : ForwardingProcesses(inner), log_(log) {}

  Status Start(const std::string& command_line, int window_style, TaskId* task) override {
    const Status status = ForwardingProcesses::Start(command_line, window_style, task);
    log_->Line(status == kOk ? "Started " + command_line
                             : "Could not start " + command_line + ": " + ReasonOf(status));
    return status;
  }

 private:
  RunLog* log_;
};

class RecordingPlatform::Ui_ : public ForwardingUi {
 public:
  Ui_(Ui* inner, RecordingPlatform* owner) : ForwardingUi(inner), owner_(owner) {}

  int MessageBox(const std::string& text, int style, const std::string& title) override {
    const bool question = (style & 0xF) != kMbOk;
    owner_->log_->Line((question ? "Question: " : "Message: ") + OneLine(text));
    const int answer = ForwardingUi::MessageBox(text, style, title);
    if (question) owner_->log_->Line(std::string("Answer: ") + AnswerName(answer));
    const std::string folder = FolderAskedAbout(text);
    if (answer == kIdNo && !folder.empty()) {
      owner_->record_.kept_folders.push_back(folder);
      owner_->log_->Line("Kept folder " + folder + " with everything in it");
    }
    return answer;
  }

  std::unique_ptr<FormView> CreateView(Form& form) override {
    return std::make_unique<View>(ForwardingUi::CreateView(form), form, owner_);
  }

 private:
  // Passes everything on; notes the start of the run and the progress window's status line.
  class View : public ForwardingFormView {
   public:
    View(std::unique_ptr<FormView> inner, const Form& form, RecordingPlatform* owner)
        : ForwardingFormView(std::move(inner)),
          progress_(form.name() == "Processing"),
          owner_(owner) {}
    void Loaded() override {
      if (progress_) owner_->WriteRunHeader();
      ForwardingFormView::Loaded();
    }
    void PropertyChanged(const Control* control, Property property,
                         const PropertyValue& value) override {
      if (progress_ && control != nullptr && control->name() == "lblMsg" &&
          property == Property::kCaption) {
        owner_->log_->Line("Status: " + OneLine(control->Caption()));
      }
      ForwardingFormView::PropertyChanged(control, property, value);
    }

   private:
    bool progress_;
    RecordingPlatform* owner_;
  };

  RecordingPlatform* owner_;
};

// ---------------------------------------------------------------------------------------------
// RecordingPlatform

RecordingPlatform::RecordingPlatform(const Platform& inner, RunLog* log)
    : inner_(inner),
      log_(log),
      registry_(std::make_unique<Registry_>(inner.registry, log)),
      system_(std::make_unique<System_>(inner.system, this)),
      files_(std::make_unique<Files_>(inner.files, this)),
      processes_(std::make_unique<Processes_>(inner.processes, log)),
      ui_(std::make_unique<Ui_>(inner.ui, this)) {}

RecordingPlatform::~RecordingPlatform() = default;

Platform RecordingPlatform::platform() const {
  return Forward(inner_, registry_.get(), system_.get(), files_.get(), processes_.get(), nullptr,
                 ui_.get());
}

void RecordingPlatform::Attach(const ProgramState* state) {
  state_ = state;
  log_->Attach(state);
}

void RecordingPlatform::WriteRunHeader() {
  if (header_written_ || state_ == nullptr) return;
  header_written_ = true;
  const ProgramState& s = *state_;
  std::string platform = s.IsWinNT   ? "Windows NT (platform 2)"
                         : s.IsWin9x ? "Windows 95/98 (platform 1)"
                                     : "not supported (platform 0)";
  if (record_.version) {
    platform += ", version " + std::to_string(record_.version->dwMajorVersion) + "." +
                std::to_string(record_.version->dwMinorVersion) + " build " +
                std::to_string(record_.version->dwBuildNumber & 0xFFFF);
  }
  log_->Line("Platform: " + platform);

  std::string installed_line;
  std::string chosen_line;
  for (size_t i = 0; i < kVariants.size(); ++i) {
    const std::string name =
        std::string(kVariants[i].code) + " (" + std::string(kVariants[i].label) + ")";
    if (s.CountsAsInstalled(i)) installed_line += (installed_line.empty() ? "" : ", ") + name;
    if (s.Chosen[i]) chosen_line += (chosen_line.empty() ? "" : ", ") + name;
  }
  if (s.Word2000Found) installed_line += "; Word 2000 is registered";
  log_->Line("Installed: " + (installed_line.empty() ? "none" : installed_line));
  log_->Line("Chosen: " + (chosen_line.empty() ? "none" : chosen_line));
  bool any_installed = false;
  for (size_t i = 0; i < kVariants.size(); ++i) {
    if (!s.Chosen[i]) continue;
    if (s.Installed[i]) {
      any_installed = true;
    } else {
      log_->Line(std::string(kVariants[i].code) +
                 " is not installed: its shared components stay as they are.");
    }
  }
  if (!chosen_line.empty() && !any_installed) {
    log_->Line("Nothing to remove: none of the chosen variants is installed.");
  }
  log_->Line(std::string("Every installed variant chosen (the shared parts go too): ") +
             (s.ChosenAll ? "yes" : "no"));
  log_->Line(std::string("NOREBOOT: ") + (s.NoReboot ? "yes" : "no"));
}

void RecordingPlatform::WriteSummary() {
  if (summary_written_ || state_ == nullptr) return;
  summary_written_ = true;
  const ProgramState& s = *state_;
  log_->CatchUpDetails();
  log_->Line("Summary");
  // What the system took for the next start of Windows, and on Windows 95/98 what Wininit.ini
  // took: nothing else is said to go then.
  for (const std::string& path : s.Scheduled) {
    const std::string name = record_.LongName(path);
    if (record_.scheduled_upper.insert(Upper(name)).second) record_.scheduled.push_back(name);
  }
  for (const std::string& name : record_.scheduled) {
    log_->Line("  Deleted at the next start of Windows: " + name);
  }
  const char* not_scheduled = "";
  if (s.NoReboot && s.IsWinNT) not_scheduled = "; not scheduled, NOREBOOT";
  if (s.IsWin9x && s.WininitResult == WininitOutcome::kHeldByEarlierRun) {
    not_scheduled = "; not scheduled: Wininit.ini still holds an earlier removal's list";
  } else if (s.IsWin9x && s.WininitResult == WininitOutcome::kUnreadable) {
    not_scheduled = "; not scheduled: Wininit.ini could not be read";
  } else if (s.IsWin9x && s.WininitResult == WininitOutcome::kNotWritten) {
    not_scheduled = "; not scheduled: Wininit.ini could not be written";
  }
  for (const auto& [upper, failure] : record_.failed_files) {
    if (record_.scheduled_upper.count(upper) != 0) continue;
    log_->Line("  Kept file " + failure.first + ": " + ReasonOf(failure.second) + not_scheduled);
  }
  Files& files = *inner_.files;
  for (const std::string& folder : record_.kept_folders) {
    // A later question may have named it another way ("X\.", "X."), and a Yes taken it.
    FileIdentity identity;
    if (Absent(files.GetIdentity(folder, &identity))) continue;
    std::set<std::string> seen;
    std::string held;
    for (std::string name = files.ListFirst(folder + "\\*.*", ListFilter::kHidden); !name.empty();
         name = files.ListNext()) {
      seen.insert(name);
      held += (held.empty() ? "" : ", ") + name;
    }
    for (std::string name = files.ListFirst(folder + "\\*.*", ListFilter::kDirectories);
         !name.empty(); name = files.ListNext()) {
      if (name == "." || name == ".." || seen.count(name) != 0) continue;
      held += (held.empty() ? "" : ", ") + name + "\\";
    }
    log_->Line("  Kept folder " + folder +
               " (the answer was No), holding: " + (held.empty() ? "nothing now" : held));
  }
  for (const auto& [folder, status] : record_.unremoved_folders) {
    FileIdentity identity;
    if (Absent(files.GetIdentity(folder, &identity))) continue;
    log_->Line("  Kept folder " + folder + ": " + ReasonOf(status));
  }
  log_->Line(std::string("  A restart is needed: ") + (s.RestartRemovesSomething() ? "yes" : "no"));
}

}  // namespace vrx
