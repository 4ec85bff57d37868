#include "fake_word_objects.h"

#include <utility>

#include "fake_word_state.h"
#include "platform/win32/win32_com.h"

namespace fake_word {
namespace {

// Word's own error numbers, raised as exceptions the way Word raises them.
constexpr int kNoDocumentOpen = 4248;
constexpr int kObjectDeleted = 5825;
constexpr int kBadIndex = 5941;  // "The requested member of the collection does not exist."

class DocumentObject : public Object {
 protected:
  std::string Name() const override { return "Document"; }
  const std::vector<Member>& Members() const override {
    static const std::vector<Member> members = {{L"Name", kGet, {}}};
    return members;
  }
  HRESULT Handle(size_t, const std::string& name, const Call& call) override {
    if (!g_word.document_named) {
      g_word.document_named = true;
      Log("tick at document name " + Tick());
    }
    Log(name + " -> \"Document1\"");
    SetText(call.result, "Document1");
    return S_OK;
  }
};

class ControlObject : public Object {
 public:
  ControlObject(std::string bar, int id) : bar_(std::move(bar)), id_(id) {}

 protected:
  std::string Name() const override { return "Control"; }
  const std::vector<Member>& Members() const override {
    static const std::vector<Member> members = {{L"Caption", kGet, {}}, {L"Delete", kMethod, {}}};
    return members;
  }
  HRESULT Handle(size_t index, const std::string& name, const Call& call) override {
    std::vector<MenuItem>* items = g_word.normal.Bar(bar_);
    auto item = items->begin();
    while (item != items->end() && item->id != id_) ++item;
    if (item == items->end()) {
      Log(name + " -> deleted before");
      return Raise(call.exception, kObjectDeleted, "Object has been deleted.");
    }
    if (index == 0) {
      Log(name + " -> " + Quoted(item->caption));
      SetText(call.result, item->caption);
      return S_OK;
    }
    Log(name + " " + Quoted(item->caption) + " from " + Quoted(bar_) + " -> ok");
    items->erase(item);
    return S_OK;
  }

 private:
  std::string bar_;
  int id_;
};

class ControlsObject : public Object {
 public:
  explicit ControlsObject(std::string bar) : bar_(std::move(bar)) {}

 protected:
  std::string Name() const override { return "Controls"; }
  const std::vector<Member>& Members() const override {
    static const std::vector<Member> members = {{L"Count", kGet, {}},
                                                {L"Item", kGet | kMethod, {L"Index"}, 1}};
    return members;
  }
  HRESULT Handle(size_t index, const std::string& name, const Call& call) override {
    std::vector<MenuItem>& items = *g_word.normal.Bar(bar_);
    if (index == 0) {
      Log(name + " of " + Quoted(bar_) + " -> " + std::to_string(items.size()));
      SetLong(call.result, static_cast<int32_t>(items.size()));
      return S_OK;
    }
    int32_t position = 0;
    if (!AsLong(call.arguments.At(0), &position)) return TypeMismatch(name, 0);
    std::string call_name = name + "(" + std::to_string(position) + ") of " + Quoted(bar_);
    if (position < 1 || static_cast<size_t>(position) > items.size()) {
      Log(call_name + " -> no such item");
      return Raise(call.exception, kBadIndex,
                   "The requested member of the collection does not exist.");
    }
    const MenuItem& item = items[static_cast<size_t>(position) - 1];
    Log(call_name + " -> " + Quoted(item.caption));
    return Give(call, new ControlObject(bar_, item.id));
  }

 private:
  std::string bar_;
};

class CommandBarObject : public Object {
 public:
  explicit CommandBarObject(std::string bar) : bar_(std::move(bar)) {}

 protected:
  std::string Name() const override { return "CommandBar"; }
  const std::vector<Member>& Members() const override {
    static const std::vector<Member> members = {{L"Controls", kGet, {}}, {L"Name", kGet, {}}};
    return members;
  }
  HRESULT Handle(size_t index, const std::string& name, const Call& call) override {
    Log(name + " of " + Quoted(bar_));
    if (index == 1) {
      SetText(call.result, bar_);
      return S_OK;
    }
    return Give(call, new ControlsObject(bar_));
  }

 private:
  std::string bar_;
};

class CommandBarsObject : public Object {
 protected:
  std::string Name() const override { return "CommandBars"; }
  const std::vector<Member>& Members() const override {
    static const std::vector<Member> members = {{L"Item", kGet | kMethod, {L"Index"}, 1},
                                                {L"Count", kGet, {}}};
    return members;
  }
  HRESULT Handle(size_t index, const std::string& name, const Call& call) override {
    if (index == 1) {
      Log(name + " -> 2");
      SetLong(call.result, 2);
      return S_OK;
    }
    std::string bar;
    if (!AsText(call.arguments.At(0), &bar)) return TypeMismatch(name, 0);
    if (g_word.normal.Bar(bar) == nullptr) {
      Log(name + "(" + Quoted(bar) + ") -> no such command bar");
      return Raise(call.exception, 5, "Invalid procedure call or argument");
    }
    Log(name + "(" + Quoted(bar) + ") -> ok");
    return Give(call, new CommandBarObject(bar));
  }
};

class KeyBindingObject : public Object {
 public:
  explicit KeyBindingObject(int32_t code) : code_(code) {}

 protected:
  std::string Name() const override { return "KeyBinding(" + std::to_string(code_) + ")"; }
  const std::vector<Member>& Members() const override {
    static const std::vector<Member> members = {
        {L"Clear", kMethod, {}}, {L"Command", kGet, {}}, {L"KeyCode", kGet, {}}};
    return members;
  }
  HRESULT Handle(size_t index, const std::string& name, const Call& call) override {
    std::vector<KeyBinding>& keys = g_word.normal.keys;
    auto bound = keys.begin();
    while (bound != keys.end() && bound->code != code_) ++bound;
    if (index == 2) {
      Log(name + " -> " + std::to_string(code_));
      SetLong(call.result, code_);
      return S_OK;
    }
    std::string command = bound == keys.end() ? std::string() : bound->command;
    if (index == 1) {
      Log(name + " -> " + Quoted(command));
      SetText(call.result, command);
      return S_OK;
    }
    Log(name + " -> " + (bound == keys.end() ? "was not bound" : "cleared " + Quoted(command)));
    if (bound != keys.end()) keys.erase(bound);
    return S_OK;
  }

 private:
  int32_t code_;
};

class KeyBindingsObject : public Object {
 protected:
  std::string Name() const override { return "KeyBindings"; }
  const std::vector<Member>& Members() const override {
    // Word's own order of Add's parameters.
    static const std::vector<Member> members = {
        {L"Add",
         kMethod,
         {L"KeyCategory", L"Command", L"KeyCode", L"KeyCode2", L"CommandParameter"},
         3},
        {L"Count", kGet, {}}};
    return members;
  }
  HRESULT Handle(size_t index, const std::string& name, const Call& call) override {
    std::vector<KeyBinding>& keys = g_word.normal.keys;
    if (index == 1) {
      Log(name + " -> " + std::to_string(keys.size()));
      SetLong(call.result, static_cast<int32_t>(keys.size()));
      return S_OK;
    }
    int16_t category = 0;
    std::string command;
    int32_t code = 0;
    if (!AsShort(call.arguments.At(0), &category)) return TypeMismatch(name, 0);
    if (!AsText(call.arguments.At(1), &command)) return TypeMismatch(name, 1);
    if (!AsLong(call.arguments.At(2), &code)) return TypeMismatch(name, 2);
    if (call.arguments.At(3) != nullptr || call.arguments.At(4) != nullptr) {
      Log(name + " -> KeyCode2 and CommandParameter are not kept by this Word");
    }
    std::string shown =
        call.arguments.Named()
            ? "KeyCode:=" + std::to_string(code) + ", KeyCategory:=" + std::to_string(category) +
                  ", Command:=" + Quoted(command)
            : std::to_string(category) + ", " + Quoted(command) + ", " + std::to_string(code);
    Log(name + "(" + shown + ") -> ok");
    std::erase_if(keys, [&](const KeyBinding& k) { return k.code == code; });
    keys.push_back({code, command, category});
    return S_OK;
  }
};

class TemplateObject : public Object {
 protected:
  std::string Name() const override { return "Template"; }
  const std::vector<Member>& Members() const override {
    static const std::vector<Member> members = {{L"Save", kMethod, {}}, {L"FullName", kGet, {}}};
    return members;
  }
  HRESULT Handle(size_t index, const std::string& name, const Call& call) override {
    if (index == 1) {
      Log(name + " -> " + Quoted(g_word.normal.path()));
      SetText(call.result, g_word.normal.path());
      return S_OK;
    }
    bool saved = g_word.normal.Save();
    Log(name + " -> " + (saved ? "saved " : "could not write ") + g_word.normal.path());
    if (!saved) return Raise(call.exception, 5096, "The template could not be saved.");
    return S_OK;
  }
};

class ApplicationObject : public Object {
 protected:
  std::string Name() const override { return "Application"; }
  const std::vector<Member>& Members() const override {
    static const std::vector<Member> members = {
        {L"Activate", kMethod, {}},
        {L"WindowState", kGet | kPut, {}},
        {L"Quit", kMethod, {L"SaveChanges", L"OriginalFormat", L"RouteDocument"}},
        {L"ActiveDocument", kGet, {}},
        {L"CommandBars", kGet, {}},
        {L"BuildKeyCode", kMethod, {L"Arg1", L"Arg2", L"Arg3", L"Arg4"}, 1},
        {L"FindKey", kGet | kMethod, {L"KeyCode", L"KeyCode2"}, 1},
        {L"KeyBindings", kGet, {}},
        {L"NormalTemplate", kGet, {}},
        {L"Name", kGet, {}},
        {L"Version", kGet, {}},
    };
    return members;
  }

  HRESULT Handle(size_t index, const std::string& name, const Call& call) override {
    switch (index) {
      case 0:
        Log(name + " -> ok");
        return S_OK;
      case 1:
        return WindowState(name, call);
      case 2:
        return Quit(name, call);
      case 3:
        if (!g_word.has_document) {
          Log(name + " -> no document");
          return Raise(call.exception, kNoDocumentOpen,
                       "This command is not available because no document is open.");
        }
        Log(name + " -> Document1");
        return Give(call, new DocumentObject);
      case 4:
        return CommandBars(name, call);
      case 5:
        return BuildKeyCode(name, call);
      case 6: {
        int32_t code = 0;
        if (!AsLong(call.arguments.At(0), &code)) return TypeMismatch(name, 0);
        Log(name + "(" + std::to_string(code) + ") -> ok");
        return Give(call, new KeyBindingObject(code));
      }
      case 7:
        Log(name + " -> ok");
        return Give(call, new KeyBindingsObject);
      case 8:
        Log(name + " -> ok");
        return Give(call, new TemplateObject);
      case 9:
        Log(name + " -> \"Microsoft Word\"");
        SetText(call.result, "Microsoft Word");
        return S_OK;
      default: {
        std::string version = g_word.settings.version == 2000 ? "9.0" : "8.0";
        Log(name + " -> " + version);
        SetText(call.result, version);
        return S_OK;
      }
    }
  }

 private:
  HRESULT WindowState(const std::string& name, const Call& call) {
    if (call.kind & kPut) {
      int16_t state = 0;
      if (!AsShort(call.arguments.PutValue(), &state)) return TypeMismatch(name, 0);
      window_state_ = state;
      Log(name + " = " + std::to_string(state));
      return S_OK;
    }
    Log(name + " -> " + std::to_string(window_state_));
    SetLong(call.result, window_state_);
    return S_OK;
  }

  HRESULT Quit(const std::string& name, const Call& call) {
    const VARIANT* save_changes = call.arguments.At(0);
    if (save_changes != nullptr && TypeOf(save_changes) != VT_BOOL) return TypeMismatch(name, 0);
    bool without_saving = save_changes != nullptr &&
                          ((save_changes->vt & VT_BYREF) ? *save_changes->pboolVal
                                                         : save_changes->boolVal) == VARIANT_FALSE;
    std::string shown = name + (save_changes == nullptr ? std::string()
                                : without_saving        ? "(SaveChanges:=False)"
                                                        : "(SaveChanges:=True)");
    if (save_changes == nullptr && g_word.quits_refused < g_word.settings.refuse_quit) {
      ++g_word.quits_refused;
      // The prompt stays up, and Word busy, until its user cancels it.
      g_word.busy_until = ::GetTickCount64() + static_cast<ULONGLONG>(g_word.settings.busy_ms);
      Log(shown + " -> save prompt cancelled");
      return S_OK;
    }
    Log(shown + " -> quit");
    // Gone from the table before the caller can look again; the loop ends once this call is over.
    RevokeRegistration();
    g_word.ending = true;
    ::PostQuitMessage(0);
    return S_OK;
  }

  HRESULT CommandBars(const std::string& name, const Call& call) {
    Log(name + " -> ok");
    return Give(call, new CommandBarsObject);
  }

  HRESULT BuildKeyCode(const std::string& name, const Call& call) {
    int32_t sum = 0;
    std::string shown;
    for (size_t p = 0; p < 4; ++p) {
      const VARIANT* argument = call.arguments.At(p);
      if (argument == nullptr) continue;
      int16_t part = 0;
      if (!AsShort(argument, &part)) return TypeMismatch(name, p);
      sum += part;
      shown += (shown.empty() ? "" : ", ") + std::to_string(part);
    }
    Log(name + "(" + shown + ") -> " + std::to_string(sum));
    SetLong(call.result, sum);
    return S_OK;
  }

  int32_t window_state_ = 0;
};

}  // namespace

Object* NewApplication() { return new ApplicationObject; }

}  // namespace fake_word
