#include "platform/sim/sim_word.h"

#include <algorithm>
#include <utility>

namespace vrx::sim {
namespace {

// A running Word seen through the automation interface; calls fail once that Word has quit and
// are retried while it is busy.
class WordProxy : public WordApplication {
 public:
  WordProxy(SimWord* word, int number) : word_(word), number_(number) {}

  Status Activate() override { return Simple("Activate", ""); }
  Status SetWindowState(int16_t state) override {
    return Simple("WindowState", std::to_string(state));
  }
  Status Quit() override {
    Status status = kOk;
    SimWord::Instance* w = Enter("Quit", "", &status);
    if (w == nullptr) return status;
    if (w->unsaved && w->cancels_left > 0) {
      --w->cancels_left;
      // Its prompt keeps it busy until its user answers.
      w->busy_left = word_->facts.busy_pumps;
      Log("Quit", "", "save prompt cancelled");
      return kOk;
    }
    w->running = false;
    Log("Quit", "", "quit");
    return kOk;
  }
  Status QuitWithoutSaving() override {
    Status status = kOk;
    SimWord::Instance* w = Enter("Quit", "False", &status);
    if (w == nullptr) return status;
    w->running = false;
    Log("Quit", "False", "quit");
    return kOk;
  }
  Status ActiveDocumentName(std::string* name) override {
    Status status = kOk;
    SimWord::Instance* w = Enter("ActiveDocument.Name", "", &status);
    if (w == nullptr) return status;
    if (!w->has_document) return Fail("ActiveDocument.Name", "");
    *name = "Document1";
    return kOk;
  }
  Status CommandBarControls(const std::string& bar,
                            std::vector<std::unique_ptr<WordControl>>* controls) override;
  Status BuildKeyCode(int16_t arg1, int16_t arg2, std::optional<int16_t> arg3,
                      int32_t* key_code) override {
    std::string args = std::to_string(arg1) + ", " + std::to_string(arg2) +
                       (arg3 ? ", " + std::to_string(*arg3) : "");
    Status status = Simple("BuildKeyCode", args);
    if (status == kOk) *key_code = arg1 + arg2 + arg3.value_or(0);
    return status;
  }
  Status FindKeyClear(int32_t key_code) override {
    Status status = kOk;
    SimWord::Instance* w = Enter("FindKey.Clear", std::to_string(key_code), &status);
    if (w == nullptr) return status;
    auto& keys = w->normal.keys;
    std::erase_if(keys, [&](const WordTemplate::Key& k) { return k.code == key_code; });
    Log("FindKey.Clear", std::to_string(key_code), "ok");
    return kOk;
  }
  Status KeyBindingsAdd(int32_t key_code, int16_t key_category,
                        const std::string& command) override {
    std::string args = "KeyCode:=" + std::to_string(key_code) +
                       ", KeyCategory:=" + std::to_string(key_category) +
                       ", Command:=" + Quoted(command);
    Status status = kOk;
    SimWord::Instance* w = Enter("KeyBindings.Add", args, &status);
    if (w == nullptr) return status;
    auto& keys = w->normal.keys;
    std::erase_if(keys, [&](const WordTemplate::Key& k) { return k.code == key_code; });
    keys.push_back({key_code, command, key_category});
    Log("KeyBindings.Add", args, "ok");
    return kOk;
  }
  Status NormalTemplateSave() override {
    Status status = kOk;
    SimWord::Instance* w = Enter("NormalTemplate.Save", "", &status);
    if (w == nullptr) return status;
    word_->templates[w->kind] = w->normal;
    Log("NormalTemplate.Save", "", "saved");
    return kOk;
  }

  SimWord* word() { return word_; }
  int number() const { return number_; }
  SimWord::Instance* Live() {
    SimWord::Instance* w = word_->Find(number_);
    return w != nullptr && w->running ? w : nullptr;
  }
  // The live Word once it accepts the call; null, with the failure in *status, when it has gone
  // or stayed busy past the bound (both said in the transcript).
  SimWord::Instance* Enter(const std::string& call, const std::string& args, Status* status) {
    if (Live() == nullptr) {
      *status = Fail(call, args);
      return nullptr;
    }
    if (!word_->WaitUntilAccepted(number_, call)) {
      if (Live() == nullptr) {
        *status = Fail(call, args);
      } else {
        Log(call, args, "rejected");
        *status = kRpcECallRejected;
      }
      return nullptr;
    }
    return Live();
  }
  void Log(const std::string& call, const std::string& args, const std::string& result) {
    word_->transcript()->Add("word " + std::to_string(number_) + " " + call +
                             (args.empty() ? "" : " " + args) + " -> " + result);
  }
  Status Fail(const std::string& call, const std::string& args) {
    Log(call, args, "failed");
    return kErrorGenFailure;
  }

 private:
  Status Simple(const std::string& call, const std::string& args) {
    Status status = kOk;
    if (Enter(call, args, &status) == nullptr) return status;
    Log(call, args, "ok");
    return kOk;
  }

  SimWord* word_;
  int number_;
};

class ControlProxy : public WordControl {
 public:
  ControlProxy(WordProxy* app_source, std::string bar, int id, std::string caption)
      : word_(app_source->word()),
        number_(app_source->number()),
        bar_(std::move(bar)),
        id_(id),
        caption_(std::move(caption)) {}

  Status Caption(std::string* caption) override {
    WordProxy app(word_, number_);
    Status status = kOk;
    if (app.Enter("Control.Caption", "", &status) == nullptr) return status;
    if (Items() == nullptr) return kErrorGenFailure;
    *caption = caption_;
    return kOk;
  }
  Status Delete() override {
    WordProxy app(word_, number_);
    const std::string call = "CommandBars(" + Quoted(bar_) + ").Delete";
    Status status = kOk;
    if (app.Enter(call, Quoted(caption_), &status) == nullptr) return status;
    std::vector<WordTemplate::Item>* items = Items();
    if (items == nullptr) return app.Fail(call, Quoted(caption_));
    size_t before = items->size();
    std::erase_if(*items, [&](const WordTemplate::Item& i) { return i.id == id_; });
    if (items->size() == before) return app.Fail(call, Quoted(caption_));
    app.Log(call, Quoted(caption_), "ok");
    return kOk;
  }

 private:
  std::vector<WordTemplate::Item>* Items() {
    SimWord::Instance* w = word_->Find(number_);
    if (w == nullptr || !w->running) return nullptr;
    return w->normal.Bar(bar_);
  }

  SimWord* word_;
  int number_;
  std::string bar_;
  int id_;
  std::string caption_;
};

// CommandBars (a property without arguments), its Item(bar), that bar's Controls, then Item(i)
// of those for each control: the steps Word's object model offers.
Status WordProxy::CommandBarControls(const std::string& bar,
                                     std::vector<std::unique_ptr<WordControl>>* controls) {
  const std::string call = "CommandBars.Item(" + Quoted(bar) + ").Controls";
  Status status = kOk;
  SimWord::Instance* w = Enter(call, "", &status);
  if (w == nullptr) return status;
  std::vector<WordTemplate::Item>* items = w->normal.Bar(bar);
  if (items == nullptr) return Fail(call, "");
  std::vector<std::unique_ptr<WordControl>> found;
  for (const auto& item : *items) {
    found.push_back(std::make_unique<ControlProxy>(this, bar, item.id, item.caption));
  }
  *controls = std::move(found);
  Log(call, "", std::to_string(items->size()) + " items");
  return kOk;
}

}  // namespace

SimWord::Instance* SimWord::Find(int number) {
  for (auto& i : instances_) {
    if (i->number == number) return i.get();
  }
  return nullptr;
}

namespace {
// The tasks of Words the program did not start: far above any task the machine hands out.
constexpr TaskId kUsersTasks = 0x10000;
}  // namespace

SimWord::Instance& SimWord::AddUsersInstance(bool reachable, bool unsaved, int cancels) {
  auto w = std::make_unique<Instance>();
  w->number = static_cast<int>(instances_.size()) + 1;
  w->task = kUsersTasks + static_cast<TaskId>(w->number);
  w->users = true;
  w->kind = "word97";
  w->has_document = true;
  w->reachable = reachable;
  w->registered = reachable;
  w->unsaved = unsaved;
  w->cancels_left = cancels;
  w->pumps = 1000;
  auto t = templates.find("word97");
  if (t != templates.end()) w->normal = t->second;
  instances_.push_back(std::move(w));
  return *instances_.back();
}

void SimWord::StartRunningInstances() {
  // A user's Word has long since lost the foreground once.
  for (int n = 0; n < facts.running; ++n) {
    (void)AddUsersInstance(true, facts.cancel_saves > 0, facts.cancel_saves);
  }
  for (int n = 0; n < facts.unreachable; ++n) (void)AddUsersInstance(false, false, 0);
}

void SimWord::StartInstance(const std::string& kind, TaskId task) {
  auto w = std::make_unique<Instance>();
  w->number = static_cast<int>(instances_.size()) + 1;
  w->task = task;
  w->kind = kind;
  w->busy_left = facts.busy_pumps;
  auto t = templates.find(kind);
  if (t != templates.end()) w->normal = t->second;
  transcript_->Add("word " + std::to_string(w->number) + " starts (" + kind + ")");
  instances_.push_back(std::move(w));
}

void SimWord::StartUsersInstance() {
  const Instance& w = AddUsersInstance(true, true, 0);
  transcript_->Add("word " + std::to_string(w.number) + " is started by the user");
}

void SimWord::TaskEnded(TaskId task) {
  for (auto& w : instances_) {
    if (w->task != task || !w->running) continue;
    w->running = false;
    transcript_->Add("word " + std::to_string(w->number) + " ends with its task");
  }
}

void SimWord::Pump() {
  for (auto& w : instances_) {
    if (!w->running || !w->reachable) continue;
    const std::string name = "word " + std::to_string(w->number);
    ++w->pumps;
    if (w->busy_left > 0) --w->busy_left;
    if (w->pumps == 1 && !w->registered) {
      if (facts.register_at_once) {
        w->registered = true;
        transcript_->Add(name + " registers");
      } else {
        // Coming up, Word takes the foreground, hidden window and all.
        for (auto& other : instances_) other->foreground = false;
        w->foreground = true;
        transcript_->Add(name + " takes the foreground");
      }
    } else if (w->lost_foreground && !w->registered) {
      w->registered = true;
      transcript_->Add(name + " registers");
    }
    if (!w->has_document && !facts.never_document && w->pumps >= facts.document_pumps) {
      w->has_document = true;
      transcript_->Add(name + " opens its document");
    }
  }
}

void SimWord::ForegroundTaken(const std::string& window) {
  for (auto& w : instances_) {
    if (!w->running || !w->foreground) continue;
    w->foreground = false;
    w->lost_foreground = true;
    transcript_->Add("word " + std::to_string(w->number) + " loses the foreground to " + window);
  }
}

bool SimWord::WaitUntilAccepted(int number, const std::string& call) {
  Instance* w = Find(number);
  if (w == nullptr || !w->running) return false;
  if (w->busy_left <= 0) return true;
  const double start = now ? now() : 0;
  for (int retry = 1;; ++retry) {
    transcript_->Add("word " + std::to_string(number) + " " + call + " -> busy, retry " +
                     std::to_string(retry));
    if (retry_wait) retry_wait();
    w = Find(number);
    if (w == nullptr || !w->running) return false;
    if (w->busy_left <= 0) return true;
    double elapsed = now ? now() - start : retry * kBusyRetrySeconds;
    if (elapsed < 0) elapsed += 86400;
    if (elapsed >= kBusyRetrySeconds) return false;
  }
}

int SimWord::RunningCount() const {
  int n = 0;
  for (const auto& w : instances_) n += w->running ? 1 : 0;
  return n;
}

Status SimWord::GetRunningWord(const std::string& class_name,
                               std::unique_ptr<WordApplication>* application) {
  if (class_name == "Word.Application") {
    for (auto& w : instances_) {
      if (w->running && w->reachable && w->registered) {
        transcript_->Add("word getobject -> " + std::to_string(w->number));
        *application = std::make_unique<WordProxy>(this, w->number);
        return kOk;
      }
    }
  }
  transcript_->Add("word getobject -> none");
  return kMkEUnavailable;
}

Status SimWord::WindowOwners(const std::string& window_class, std::vector<TaskId>* owners) {
  std::vector<TaskId> found;
  std::string shown;
  if (window_class == "OpusApp") {
    for (const auto& w : instances_) {
      if (!w->running || std::find(found.begin(), found.end(), w->task) != found.end()) continue;
      found.push_back(w->task);
      shown += " " + std::to_string(w->task);
    }
  }
  transcript_->Add("window owners " + window_class + " ->" + (found.empty() ? " none" : shown));
  *owners = std::move(found);
  return kOk;
}

}  // namespace vrx::sim
