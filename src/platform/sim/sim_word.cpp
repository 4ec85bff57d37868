#include "platform/sim/sim_word.h"

#include <sstream>

namespace vrx::sim {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  if (text.back() == separator) parts.emplace_back();
  return parts;
}

std::string Join(const std::vector<WordTemplate::Item>& items) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) out += (i ? "|" : "") + items[i].caption;
  return out;
}

std::vector<WordTemplate::Item>* Bar(WordTemplate& normal, const std::string& name) {
  if (name == "Menu Bar") return &normal.menubar;
  if (name == "File") return &normal.filemenu;
  return nullptr;
}

// A running Word seen through the automation interface; calls fail once that Word has quit.
class WordProxy : public WordApplication {
 public:
  WordProxy(SimWord* word, int number) : word_(word), number_(number) {}

  Status Activate() override { return Call("Activate", "") ? kOk : kErrorGenFailure; }
  Status SetWindowState(int16_t state) override {
    return Call("WindowState", std::to_string(state)) ? kOk : kErrorGenFailure;
  }
  Status Quit() override {
    SimWord::Instance* w = Live();
    if (w == nullptr) return Fail("Quit", "");
    if (w->unsaved && w->cancels_left > 0) {
      --w->cancels_left;
      Log("Quit", "", "save prompt cancelled");
      return kOk;
    }
    w->running = false;
    Log("Quit", "", "quit");
    return kOk;
  }
  Status QuitWithoutSaving() override {
    SimWord::Instance* w = Live();
    if (w == nullptr) return Fail("Quit", "False");
    w->running = false;
    Log("Quit", "False", "quit");
    return kOk;
  }
  Status ActiveDocumentName(std::string* name) override {
    SimWord::Instance* w = Live();
    if (w == nullptr || !w->has_document) return Fail("ActiveDocument.Name", "");
    *name = "Document1";
    return kOk;
  }
  Status CommandBarControls(const std::string& bar,
                            std::vector<std::unique_ptr<WordControl>>* controls) override;
  Status BuildKeyCode(int16_t arg1, int16_t arg2, std::optional<int16_t> arg3,
                      int32_t* key_code) override {
    std::string args = std::to_string(arg1) + ", " + std::to_string(arg2) +
                       (arg3 ? ", " + std::to_string(*arg3) : "");
    if (!Call("BuildKeyCode", args)) return kErrorGenFailure;
    *key_code = arg1 + arg2 + arg3.value_or(0);
    return kOk;
  }
  Status FindKeyClear(int32_t key_code) override {
    SimWord::Instance* w = Live();
    if (w == nullptr) return Fail("FindKey.Clear", std::to_string(key_code));
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
    SimWord::Instance* w = Live();
    if (w == nullptr) return Fail("KeyBindings.Add", args);
    auto& keys = w->normal.keys;
    std::erase_if(keys, [&](const WordTemplate::Key& k) { return k.code == key_code; });
    keys.push_back({key_code, command, key_category});
    Log("KeyBindings.Add", args, "ok");
    return kOk;
  }
  Status NormalTemplateSave() override {
    SimWord::Instance* w = Live();
    if (w == nullptr) return Fail("NormalTemplate.Save", "");
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
  void Log(const std::string& call, const std::string& args, const std::string& result) {
    word_->transcript()->Add("word " + std::to_string(number_) + " " + call +
                             (args.empty() ? "" : " " + args) + " -> " + result);
  }
  Status Fail(const std::string& call, const std::string& args) {
    Log(call, args, "failed");
    return kErrorGenFailure;
  }

 private:
  bool Call(const std::string& call, const std::string& args) {
    if (Live() == nullptr) {
      Log(call, args, "failed");
      return false;
    }
    Log(call, args, "ok");
    return true;
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
    if (Items() == nullptr) return kErrorGenFailure;
    *caption = caption_;
    return kOk;
  }
  Status Delete() override {
    WordProxy app(word_, number_);
    std::vector<WordTemplate::Item>* items = Items();
    if (items == nullptr)
      return app.Fail("CommandBars(" + Quoted(bar_) + ").Delete", Quoted(caption_));
    size_t before = items->size();
    std::erase_if(*items, [&](const WordTemplate::Item& i) { return i.id == id_; });
    if (items->size() == before) {
      return app.Fail("CommandBars(" + Quoted(bar_) + ").Delete", Quoted(caption_));
    }
    app.Log("CommandBars(" + Quoted(bar_) + ").Delete", Quoted(caption_), "ok");
    return kOk;
  }

 private:
  std::vector<WordTemplate::Item>* Items() {
    SimWord::Instance* w = word_->Find(number_);
    if (w == nullptr || !w->running) return nullptr;
    return Bar(w->normal, bar_);
  }

  SimWord* word_;
  int number_;
  std::string bar_;
  int id_;
  std::string caption_;
};

Status WordProxy::CommandBarControls(const std::string& bar,
                                     std::vector<std::unique_ptr<WordControl>>* controls) {
  SimWord::Instance* w = Live();
  std::vector<WordTemplate::Item>* items = w != nullptr ? Bar(w->normal, bar) : nullptr;
  if (items == nullptr) return Fail("CommandBars(" + Quoted(bar) + ").Controls", "");
  controls->clear();
  for (const auto& item : *items) {
    controls->push_back(std::make_unique<ControlProxy>(this, bar, item.id, item.caption));
  }
  Log("CommandBars(" + Quoted(bar) + ").Controls", "", std::to_string(items->size()) + " items");
  return kOk;
}

}  // namespace

WordTemplate WordTemplate::Parse(const std::string& menubar, const std::string& filemenu,
                                 const std::string& keys) {
  WordTemplate t;
  int id = 0;
  for (const auto& c : Split(menubar, '|')) t.menubar.push_back({++id, c});
  for (const auto& c : Split(filemenu, '|')) t.filemenu.push_back({++id, c});
  for (const auto& k : Split(keys, '|')) {
    std::vector<std::string> parts = Split(k, ':');
    if (parts.size() < 2) continue;
    Key key;
    key.code = std::stoi(parts[0]);
    key.command = parts[1];
    if (parts.size() > 2) key.category = std::stoi(parts[2]);
    t.keys.push_back(key);
  }
  return t;
}

std::string WordTemplate::MenubarText() const { return Join(menubar); }
std::string WordTemplate::FilemenuText() const { return Join(filemenu); }
std::string WordTemplate::KeysText() const {
  std::string out;
  for (size_t i = 0; i < keys.size(); ++i) {
    out += (i ? "|" : "") + std::to_string(keys[i].code) + ":" + keys[i].command;
    if (keys[i].category >= 0) out += ":" + std::to_string(keys[i].category);
  }
  return out;
}

SimWord::Instance* SimWord::Find(int number) {
  for (auto& i : instances_) {
    if (i->number == number) return i.get();
  }
  return nullptr;
}

void SimWord::StartRunningInstances() {
  for (int n = 0; n < facts.running; ++n) {
    auto w = std::make_unique<Instance>();
    w->number = static_cast<int>(instances_.size()) + 1;
    w->kind = "word97";
    w->has_document = true;
    w->unsaved = facts.cancel_saves > 0;
    w->cancels_left = facts.cancel_saves;
    w->pumps = 1000;
    auto t = templates.find("word97");
    if (t != templates.end()) w->normal = t->second;
    instances_.push_back(std::move(w));
  }
}

void SimWord::StartInstance(const std::string& kind, TaskId task) {
  auto w = std::make_unique<Instance>();
  w->number = static_cast<int>(instances_.size()) + 1;
  w->kind = kind;
  w->task = task;
  auto t = templates.find(kind);
  if (t != templates.end()) w->normal = t->second;
  transcript_->Add("word " + std::to_string(w->number) + " starts (" + kind + ")");
  instances_.push_back(std::move(w));
}

void SimWord::Pump() {
  for (auto& w : instances_) {
    if (!w->running) continue;
    ++w->pumps;
    if (!w->has_document && !facts.never_document && w->pumps >= facts.document_pumps) {
      w->has_document = true;
      transcript_->Add("word " + std::to_string(w->number) + " opens its document");
    }
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
      // A started Word registers itself once it has handled its first messages.
      if (w->running && w->pumps >= 1) {
        transcript_->Add("word getobject -> " + std::to_string(w->number));
        *application = std::make_unique<WordProxy>(this, w->number);
        return kOk;
      }
    }
  }
  transcript_->Add("word getobject -> none");
  return kMkEUnavailable;
}

}  // namespace vrx::sim
