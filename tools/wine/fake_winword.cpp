// Stands in for Microsoft Word in the Wine tests: an automation server that offers the members of
// Word's object model that the uninstaller drives, with the effects it relies on, and that is as
// awkward to reach as Word itself:
//
// - it has a main window of class OpusApp, shown as the starting program asks (hidden for
//   style 0), and takes the foreground as it comes up, hidden or not;
// - it registers its Application object in the running object table only once that window has
//   lost the activation (as Office programs do), unless register_at_once=1;
// - it rejects every call with RPC_E_SERVERCALL_RETRYLATER while it is busy: for busy_ms after
//   its start (loading), and for busy_ms after a Quit whose save prompt its user then cancels;
// - its CommandBars property takes no argument (DISP_E_BADPARAMCOUNT): a bar is CommandBars.Item.
//
//   winword.exe [ANYTHING]     (installed under that name; the command line is only recorded)
//
// At start it reads fake_winword.ini beside itself, one key=value a line:
//   version=97|2000          which Word it is (Application.Version answers 8.0 or 9.0)
//   document_delay_ms=800    when its document opens; until then ActiveDocument fails
//   never_document=0|1       1: no document ever opens
//   refuse_quit=N            Quit without SaveChanges is ignored N times: its user cancels the
//                            save prompt
//   register_at_once=0|1     1: registers at start, without waiting to lose the activation
//   never_register=0|1       1: never registers, as a Word of another user or session looks to
//                            the uninstaller: a main window, no object
//   busy_ms=500              how long it is busy while loading and while its save prompt is up
//   template=PATH            its Normal template (default normal.ini beside it)
//   log=PATH                 where each call is recorded (default fake_winword.log beside it)
// It registers for the class that HKCR\Word.Application\CLSID names, serves calls from its
// message loop, and ends on a Quit that is not refused (its registration is revoked before that
// Quit returns).
//
// The Normal template file holds the lines
//   menubar=File|Edit|...|Docseal|Help
//   filemenu=New...|Open...|Docseal|View Docseal Manual|Exit
//   keys=592:DocsealPrint|891:FilePrint:2        (CODE:COMMAND[:CATEGORY])
// and any other lines, which are kept as they are. It is read at start and written back only by
// NormalTemplate.Save.
//
// Every call is one line of the log, "Object.Member(arguments) -> result", so that a test can check
// what was asked and in which order; the lines "tick at start N" and "tick at exit N" give the
// system's millisecond clock, to order several Words; "tick at registered N" and "tick at document
// name N" (the first Document.Name answered) time its start, and each rejected call is a line
// "busy: NAME rejected". The fake is stricter than Word about the
// types of the arguments the uninstaller is meant to pass (16-bit integers, a Boolean, texts) and
// refuses others with DISP_E_TYPEMISMATCH.
#include <cstdlib>
#include <cwchar>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/word_template.h"
#include "platform/win32/win32_com.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_windows.h"

namespace {

using vrx::win32::AnsiFromBstr;
using vrx::win32::AnsiFromWide;
using vrx::win32::BstrFromAnsi;
using vrx::win32::ComApartment;
using vrx::win32::ComPtr;
using vrx::win32::UniqueFile;
using vrx::win32::UniqueVariant;

// Word's own error numbers, raised as exceptions the way Word raises them.
constexpr int kNoDocumentOpen = 4248;
constexpr int kObjectDeleted = 5825;
constexpr int kBadIndex = 5941;  // "The requested member of the collection does not exist."

// ---------------------------------------------------------------------------------------------
// Files and texts

std::string ProgramDirectory() {
  char path[MAX_PATH] = {};
  DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string result(path, length);
  size_t slash = result.find_last_of('\\');
  return slash == std::string::npos ? std::string(".") : result.substr(0, slash);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string content;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    content.append(buffer, got);
  }
  return content;
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                     nullptr) &&
         written == content.size();
}

std::string g_log_path;

// One line of the log; the file is opened for each line, so that it can be read meanwhile.
void Log(const std::string& line) {
  if (g_log_path.empty()) return;
  UniqueFile file(::CreateFileA(g_log_path.c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  std::string text = line + "\r\n";
  DWORD written = 0;
  (void)::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::vector<std::string> Lines(const std::string& content) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : content) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool IsAbsolute(const std::string& path) {
  return (path.size() >= 2 && path[1] == ':') || (!path.empty() && path[0] == '\\');
}

// ---------------------------------------------------------------------------------------------
// The Word: its settings, its Normal template, its state

struct Settings {
  int version = 97;
  int document_delay_ms = 800;
  bool never_document = false;
  int refuse_quit = 0;
  bool register_at_once = false;
  bool never_register = false;
  int busy_ms = 500;
  std::string template_path;
  std::string log_path;
};

Settings ReadSettings(const std::string& directory) {
  Settings settings;
  settings.template_path = directory + "\\normal.ini";
  settings.log_path = directory + "\\fake_winword.log";
  std::optional<std::string> content = ReadWholeFile(directory + "\\fake_winword.ini");
  if (!content) return settings;
  for (const std::string& line : Lines(*content)) {
    size_t equals = line.find('=');
    if (line.empty() || line[0] == ';' || line[0] == '[' || equals == std::string::npos) continue;
    std::string key = line.substr(0, equals);
    std::string value = line.substr(equals + 1);
    auto path = [&] { return IsAbsolute(value) ? value : directory + "\\" + value; };
    if (key == "version") settings.version = std::atoi(value.c_str());
    if (key == "document_delay_ms") settings.document_delay_ms = std::atoi(value.c_str());
    if (key == "never_document") settings.never_document = value == "1";
    if (key == "refuse_quit") settings.refuse_quit = std::atoi(value.c_str());
    if (key == "register_at_once") settings.register_at_once = value == "1";
    if (key == "never_register") settings.never_register = value == "1";
    if (key == "busy_ms") settings.busy_ms = std::atoi(value.c_str());
    if (key == "template") settings.template_path = path();
    if (key == "log") settings.log_path = path();
  }
  return settings;
}

using MenuItem = vrx::sim::WordTemplate::Item;
using KeyBinding = vrx::sim::WordTemplate::Key;

// The Normal template file: the menus and keys, and any other lines, kept as they are.
class NormalTemplate : public vrx::sim::WordTemplate {
 public:
  void Load(const std::string& path) {
    path_ = path;
    std::optional<std::string> content = ReadWholeFile(path);
    if (!content) return;
    lines_ = Lines(*content);
    std::string menubar_text, filemenu_text, keys_text;
    for (const std::string& line : lines_) {
      if (line.rfind("menubar=", 0) == 0) menubar_text = line.substr(8);
      if (line.rfind("filemenu=", 0) == 0) filemenu_text = line.substr(9);
      if (line.rfind("keys=", 0) == 0 && line.size() > 5) {
        keys_text += (keys_text.empty() ? "" : "|") + line.substr(5);
      }
    }
    static_cast<WordTemplate&>(*this) = Parse(menubar_text, filemenu_text, keys_text);
  }

  // Writes the menus and keys into their lines, the other lines as they were.
  bool Save() {
    std::map<std::string, std::string> values = {
        {"menubar=", MenubarText()}, {"filemenu=", FilemenuText()}, {"keys=", KeysText()}};
    std::string content;
    for (const std::string& line : lines_) {
      std::string out = line;
      for (auto it = values.begin(); it != values.end(); ++it) {
        if (line.rfind(it->first, 0) == 0) {
          out = it->first + it->second;
          values.erase(it);
          break;
        }
      }
      content += out + "\r\n";
    }
    for (const auto& [key, value] : values) content += key + value + "\r\n";
    return WriteWholeFile(path_, content);
  }

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::vector<std::string> lines_;
};

struct Word {
  Settings settings;
  NormalTemplate normal;
  bool has_document = false;
  int quits_refused = 0;
  bool ending = false;  // a Quit was honoured: every later call fails
  DWORD registration = 0;
  HWND window = nullptr;
  ULONGLONG busy_until = 0;  // GetTickCount64 before which every call is rejected
  bool document_named = false;
};

Word g_word;

std::string Tick() { return std::to_string(::GetTickCount64()); }

// True, after logging the rejection, while Word is busy loading or with its save prompt.
bool RejectWhileBusy(const std::string& name) {
  if (::GetTickCount64() >= g_word.busy_until) return false;
  Log("busy: " + name + " rejected");
  return true;
}

void RevokeRegistration() {
  if (g_word.registration == 0) return;
  HRESULT result = ::RevokeActiveObject(g_word.registration, nullptr);
  Log("revoked" + std::string(FAILED(result) ? " (failed)" : ""));
  g_word.registration = 0;
}

// ---------------------------------------------------------------------------------------------
// Calls: what a member is given and what it answers

// Where a member may be reached: the DISPATCH_ kinds it accepts.
constexpr WORD kMethod = DISPATCH_METHOD;
constexpr WORD kGet = DISPATCH_PROPERTYGET;
constexpr WORD kPut = DISPATCH_PROPERTYPUT;

struct Member {
  const wchar_t* name;
  WORD kinds;
  std::vector<const wchar_t*> parameters;  // by position; a named argument's id is its position
  size_t required = 0;                     // how many of them must be given
};

// The arguments of one Invoke, by parameter position, named or positional.
class Arguments {
 public:
  explicit Arguments(const DISPPARAMS* parameters) : parameters_(parameters) {}

  // The argument for parameter `position`: the named one with that id, or else the positional
  // one (positional arguments come last in rgvarg, in reverse order).
  const VARIANT* At(size_t position) const {
    if (parameters_ == nullptr) return nullptr;
    for (UINT i = 0; i < parameters_->cNamedArgs; ++i) {
      if (parameters_->rgdispidNamedArgs[i] == static_cast<DISPID>(position)) {
        return &parameters_->rgvarg[i];
      }
    }
    UINT positional = parameters_->cArgs - parameters_->cNamedArgs;
    if (position >= positional) return nullptr;
    return &parameters_->rgvarg[parameters_->cArgs - 1 - position];
  }
  // The value of a property put.
  const VARIANT* PutValue() const {
    if (parameters_ == nullptr) return nullptr;
    for (UINT i = 0; i < parameters_->cNamedArgs; ++i) {
      if (parameters_->rgdispidNamedArgs[i] == DISPID_PROPERTYPUT) return &parameters_->rgvarg[i];
    }
    return nullptr;
  }
  bool Named() const { return parameters_ != nullptr && parameters_->cNamedArgs > 0; }
  UINT Count() const { return parameters_ == nullptr ? 0 : parameters_->cArgs; }
  // True when some named argument has an id that is no parameter of the member.
  bool HasUnknownName(size_t parameter_count) const {
    if (parameters_ == nullptr) return false;
    for (UINT i = 0; i < parameters_->cNamedArgs; ++i) {
      DISPID id = parameters_->rgdispidNamedArgs[i];
      if (id != DISPID_PROPERTYPUT && (id < 0 || static_cast<size_t>(id) >= parameter_count)) {
        return true;
      }
    }
    return false;
  }

 private:
  const DISPPARAMS* parameters_;
};

VARTYPE TypeOf(const VARIANT* value) {
  if (value == nullptr) return VT_EMPTY;
  return static_cast<VARTYPE>(value->vt & ~VT_BYREF);
}

// A number argument of any numeric type; false when it is none.
bool AsLong(const VARIANT* value, int32_t* number) {
  if (value == nullptr) return false;
  UniqueVariant converted;
  if (FAILED(::VariantChangeType(converted.put(), const_cast<VARIANT*>(value), 0, VT_I4))) {
    return false;
  }
  *number = (*converted).lVal;
  return true;
}

// A 16-bit integer argument, as the uninstaller passes its small numbers.
bool AsShort(const VARIANT* value, int16_t* number) {
  if (TypeOf(value) != VT_I2) return false;
  *number = (value->vt & VT_BYREF) ? *value->piVal : value->iVal;
  return true;
}

bool AsText(const VARIANT* value, std::string* text) {
  if (TypeOf(value) != VT_BSTR) return false;
  *text = AnsiFromBstr((value->vt & VT_BYREF) ? *value->pbstrVal : value->bstrVal);
  return true;
}

void SetText(VARIANT* result, const std::string& text) {
  if (result == nullptr) return;
  ::VariantInit(result);
  result->vt = VT_BSTR;
  result->bstrVal = BstrFromAnsi(text).release();
}

void SetLong(VARIANT* result, int32_t number) {
  if (result == nullptr) return;
  ::VariantInit(result);
  result->vt = VT_I4;
  result->lVal = number;
}

// Raises one of Word's errors: DISP_E_EXCEPTION with the error in the EXCEPINFO.
HRESULT Raise(EXCEPINFO* exception, int word_error, const std::string& description) {
  if (exception != nullptr) {
    *exception = EXCEPINFO{};
    exception->bstrSource = BstrFromAnsi("Microsoft Word").release();
    exception->bstrDescription = BstrFromAnsi(description).release();
    exception->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, word_error);
  }
  return DISP_E_EXCEPTION;
}

// What a member's handler gets.
struct Call {
  WORD kind;
  const Arguments& arguments;
  VARIANT* result;       // may be null
  EXCEPINFO* exception;  // may be null
};

// ---------------------------------------------------------------------------------------------
// The automation objects

// COM interfaces have no virtual destructor: objects are destroyed by their own Release.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// IDispatch without a type library: names are looked up without regard to case in the object's
// member table, and each member's handler checks how it is called and what it is given.
class Object : public IDispatch {
 public:
  Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  virtual ~Object() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, __uuidof(IUnknown)) || IsEqualIID(iid, __uuidof(IDispatch))) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(::InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return DISP_E_BADINDEX;
  }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
    if (RejectWhileBusy(Name() + "." + AnsiFromWide(names[0], std::wcslen(names[0])) + " (name)")) {
      return RPC_E_SERVERCALL_RETRYLATER;
    }
    const std::vector<Member>& members = Members();
    HRESULT result = S_OK;
    const Member* member = nullptr;
    for (size_t i = 0; i < members.size(); ++i) {
      if (_wcsicmp(members[i].name, names[0]) == 0) {
        member = &members[i];
        ids[0] = static_cast<DISPID>(i + 1);
      }
    }
    if (member == nullptr) {
      ids[0] = DISPID_UNKNOWN;
      Log(Name() + ": no member " + AnsiFromWide(names[0], std::wcslen(names[0])));
      result = DISP_E_UNKNOWNNAME;
    }
    for (UINT n = 1; n < count; ++n) {
      ids[n] = DISPID_UNKNOWN;
      if (member == nullptr) continue;
      for (size_t p = 0; p < member->parameters.size(); ++p) {
        if (_wcsicmp(member->parameters[p], names[n]) == 0) ids[n] = static_cast<DISPID>(p);
      }
      if (ids[n] == DISPID_UNKNOWN) {
        Log(Name() + ": no argument " + AnsiFromWide(names[n], std::wcslen(names[n])));
        result = DISP_E_UNKNOWNNAME;
      }
    }
    return result;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) override {
    const std::vector<Member>& members = Members();
    if (id < 1 || static_cast<size_t>(id) > members.size()) return DISP_E_MEMBERNOTFOUND;
    const Member& member = members[static_cast<size_t>(id) - 1];
    std::string name = Name() + "." + AnsiFromWide(member.name, std::wcslen(member.name));
    if (g_word.ending) {
      Log(name + " -> Word has quit");
      return RPC_E_DISCONNECTED;
    }
    if (RejectWhileBusy(name)) return RPC_E_SERVERCALL_RETRYLATER;
    if ((kind & member.kinds) == 0) {
      Log(name + " -> not callable with kind " + std::to_string(kind));
      return DISP_E_MEMBERNOTFOUND;
    }
    Arguments arguments(parameters);
    size_t given = arguments.Count() - (arguments.PutValue() != nullptr ? 1 : 0);
    if (given > member.parameters.size() || arguments.HasUnknownName(member.parameters.size())) {
      Log(name + " -> " + std::to_string(given) + " arguments refused");
      return DISP_E_BADPARAMCOUNT;
    }
    for (size_t p = 0; p < member.required; ++p) {
      if (arguments.At(p) == nullptr) {
        Log(name + " -> argument " + std::to_string(p + 1) + " missing");
        if (argument_error != nullptr) *argument_error = static_cast<UINT>(p);
        return DISP_E_PARAMNOTOPTIONAL;
      }
    }
    if (result != nullptr) ::VariantInit(result);
    return Handle(static_cast<size_t>(id) - 1, name, Call{kind, arguments, result, exception});
  }

 protected:
  // What the log calls this object.
  virtual std::string Name() const = 0;
  virtual const std::vector<Member>& Members() const = 0;
  // Handles member `index` of Members(); `name` is "Object.Member" for the log.
  virtual HRESULT Handle(size_t index, const std::string& name, const Call& call) = 0;

  // Hands an object out as a call's result.
  static HRESULT Give(const Call& call, Object* object) {
    ComPtr<IDispatch> held(object);  // the new object's first reference
    if (call.result == nullptr) return S_OK;
    call.result->vt = VT_DISPATCH;
    call.result->pdispVal = held.release();
    return S_OK;
  }

  static HRESULT TypeMismatch(const std::string& name, size_t position) {
    Log(name + " -> argument " + std::to_string(position + 1) + " of the wrong type");
    return DISP_E_TYPEMISMATCH;
  }

 private:
  LONG references_ = 1;  // the creator's
};

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

void CALLBACK OpenDocument(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  g_word.has_document = true;
  Log("document Document1 opened");
}

// The CLSID registered for Word.Application, as a client finds it.
bool WordClass(CLSID* class_id) {
  return SUCCEEDED(::CLSIDFromProgID(L"Word.Application", class_id));
}

// What the registration needs, once the time for it has come.
IDispatch* g_application = nullptr;
CLSID g_class_id{};

void Register(const char* why) {
  if (g_word.registration != 0 || g_word.ending || g_word.settings.never_register) return;
  HRESULT registered =
      ::RegisterActiveObject(g_application, g_class_id, ACTIVEOBJECT_STRONG, &g_word.registration);
  if (FAILED(registered)) {
    Log("RegisterActiveObject failed");
    return;
  }
  Log("registered");
  Log("tick at registered " + Tick() + " (" + why + ")");
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_ACTIVATE) {
    if (LOWORD(wparam) == WA_INACTIVE) {
      Log("window lost the activation");
      Register("after losing the activation");
    } else {
      Log("window activated");
    }
  }
  return ::DefWindowProcA(window, message, wparam, lparam);
}

// Word's main window: class OpusApp, shown as the starting program asked.
HWND CreateMainWindow(HINSTANCE instance, int show) {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = &WindowProcedure;
  window_class.hInstance = instance;
  window_class.lpszClassName = "OpusApp";
  window_class.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  if (::RegisterClassA(&window_class) == 0) return nullptr;
  HWND window =
      ::CreateWindowExA(0, "OpusApp", "Microsoft Word", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 400, 300, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return nullptr;
  ::ShowWindow(window, show);
  // Coming up, Word takes the foreground, whether its window shows or not.
  ::SetForegroundWindow(window);
  ::SetActiveWindow(window);
  Log(std::string("foreground ") + (::GetForegroundWindow() == window ? "taken" : "not taken"));
  return window;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  const std::string directory = ProgramDirectory();
  g_word.settings = ReadSettings(directory);
  g_log_path = g_word.settings.log_path;
  Log("start " + std::string(::GetCommandLineA()));
  Log("tick at start " + Tick());
  Log("version " + std::to_string(g_word.settings.version));
  g_word.normal.Load(g_word.settings.template_path);
  g_word.busy_until = ::GetTickCount64() + static_cast<ULONGLONG>(g_word.settings.busy_ms);

  ComApartment apartment;
  if (FAILED(apartment.result())) {
    Log("no COM apartment");
    return 1;
  }
  if (!WordClass(&g_class_id)) {
    Log("Word.Application is not registered");
    return 1;
  }
  ComPtr<IDispatch> application(new ApplicationObject);
  g_application = application.get();

  g_word.window = CreateMainWindow(instance, show);
  Log(g_word.window == nullptr
          ? "no window"
          : std::string("window ") + (::IsWindowVisible(g_word.window) ? "shown" : "hidden"));
  if (g_word.settings.register_at_once) Register("at once");

  if (!g_word.settings.never_document) {
    if (g_word.settings.document_delay_ms <= 0) {
      OpenDocument(nullptr, 0, 0, 0);
    } else {
      ::SetTimer(nullptr, 0, static_cast<UINT>(g_word.settings.document_delay_ms), &OpenDocument);
    }
  }

  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  RevokeRegistration();
  g_word.ending = true;
  if (g_word.window != nullptr) ::DestroyWindow(g_word.window);
  ::CoDisconnectObject(application.get(), 0);
  g_application = nullptr;
  application.reset();
  Log("tick at exit " + Tick());
  Log("exit");
  return 0;
}
