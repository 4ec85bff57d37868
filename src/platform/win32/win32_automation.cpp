#include "platform/win32/win32_automation.h"

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/win32/win32_error.h"

namespace vrx::win32 {
namespace {

static_assert(static_cast<Status>(MK_E_UNAVAILABLE) == kMkEUnavailable);

// IID_NULL, which GetIDsOfNames and Invoke take; spelt out here so that no GUID library is needed.
const IID kNoInterface = {};

// The filter of the automation object that lives now (there is one, on the program's thread).
BusyRetryFilter* g_filter = nullptr;

// Makes a call into Word, retrying it while Word answers that it is busy.
HRESULT CallWord(const std::function<HRESULT()>& call) {
  return g_filter != nullptr ? RetryWhileBusy(*g_filter, call) : call();
}

// The arguments of one late-bound call, owned until the call is over. They are added in their
// natural order and kept in the reverse order, which is the one DISPPARAMS wants.
class Arguments {
 public:
  Arguments() = default;
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;
  ~Arguments() {
    for (VARIANT& value : reversed_) ::VariantClear(&value);
  }

  Arguments& Short(int16_t value) {
    VARIANT& v = Add(VT_I2);
    v.iVal = value;
    return *this;
  }
  Arguments& Long(int32_t value) {
    VARIANT& v = Add(VT_I4);
    v.lVal = value;
    return *this;
  }
  Arguments& Boolean(bool value) {
    VARIANT& v = Add(VT_BOOL);
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return *this;
  }
  Arguments& Text(const std::string& value) {
    UniqueBstr text = BstrFromAnsi(value);
    if (!text) complete_ = false;
    VARIANT& v = Add(VT_BSTR);
    v.bstrVal = text.release();
    return *this;
  }

  // False when a text could not be allocated; such arguments are never passed.
  bool complete() const { return complete_; }
  VARIANT* reversed() { return reversed_.empty() ? nullptr : reversed_.data(); }
  UINT count() const { return static_cast<UINT>(reversed_.size()); }

 private:
  VARIANT& Add(VARTYPE type) {
    VARIANT value;
    ::VariantInit(&value);
    value.vt = type;
    return *reversed_.insert(reversed_.begin(), value);
  }

  std::vector<VARIANT> reversed_;
  bool complete_ = true;
};

// The status of a failed Invoke: the scode of the exception the object raised, when it gave one.
Status InvokeFailure(HRESULT result, UniqueExcepInfo& exception) {
  if (result == DISP_E_EXCEPTION) {
    EXCEPINFO* info = exception.get();
    if (info->pfnDeferredFillIn != nullptr) (void)info->pfnDeferredFillIn(info);
    if (FAILED(info->scode)) return TranslateHresult(info->scode);
  }
  return TranslateHresult(result);
}

// One call of a member by name. `names` holds the member, then the names of the arguments when
// they are passed by name (then every argument is, in the same order). A property put passes its
// one argument as the DISPID_PROPERTYPUT named argument, as IDispatch requires, and gives no
// result (`result` may be null).
Status Invoke(IDispatch* object, std::initializer_list<const wchar_t*> names, WORD kind,
              Arguments& arguments, VARIANT* result) {
  if (object == nullptr) return kErrorGenFailure;
  if (!arguments.complete()) return TranslateHresult(E_OUTOFMEMORY);
  std::vector<LPOLESTR> wanted;
  for (const wchar_t* name : names) wanted.push_back(const_cast<LPOLESTR>(name));
  std::vector<DISPID> ids(wanted.size(), DISPID_UNKNOWN);
  HRESULT found = CallWord([&] {
    return object->GetIDsOfNames(kNoInterface, wanted.data(), static_cast<UINT>(wanted.size()),
                                 LOCALE_USER_DEFAULT, ids.data());
  });
  if (FAILED(found)) return TranslateHresult(found);

  // The named arguments' ids, in the order of the reversed argument list.
  std::vector<DISPID> named;
  if (kind == DISPATCH_PROPERTYPUT) {
    named.push_back(DISPID_PROPERTYPUT);
  } else if (ids.size() > 1) {
    if (ids.size() - 1 != arguments.count()) return kErrorInvalidParameter;
    for (size_t i = ids.size() - 1; i >= 1; --i) named.push_back(ids[i]);
  }
  DISPPARAMS parameters{};
  parameters.rgvarg = arguments.reversed();
  parameters.cArgs = arguments.count();
  parameters.rgdispidNamedArgs = named.empty() ? nullptr : named.data();
  parameters.cNamedArgs = static_cast<UINT>(named.size());

  std::unique_ptr<UniqueExcepInfo> exception;
  HRESULT called = CallWord([&] {
    exception = std::make_unique<UniqueExcepInfo>();
    UINT argument_error = 0;
    HRESULT answer = object->Invoke(ids[0], kNoInterface, LOCALE_USER_DEFAULT, kind, &parameters,
                                    result, exception->get(), &argument_error);
    // A busy Word may say so through the exception it raises as well.
    if (answer == DISP_E_EXCEPTION && IsBusyAnswer((**exception).scode)) {
      return static_cast<HRESULT>((**exception).scode);
    }
    return answer;
  });
  return FAILED(called) ? InvokeFailure(called, *exception) : kOk;
}

Status Call(IDispatch* object, const wchar_t* member, Arguments& arguments) {
  UniqueVariant ignored;
  return Invoke(object, {member}, DISPATCH_METHOD, arguments, ignored.get());
}

Status Call(IDispatch* object, const wchar_t* member) {
  Arguments none;
  return Call(object, member, none);
}

// Takes the object out of a result: a VT_DISPATCH, or a VT_UNKNOWN that offers IDispatch.
Status TakeObject(UniqueVariant& value, ComPtr<IDispatch>* object) {
  VARIANT* v = value.get();
  if (v->vt == VT_DISPATCH && v->pdispVal != nullptr) {
    object->reset(v->pdispVal);
    v->vt = VT_EMPTY;  // the reference now belongs to `object`
    v->pdispVal = nullptr;
    return kOk;
  }
  if (v->vt == VT_UNKNOWN && v->punkVal != nullptr) {
    ComPtr<IDispatch> dispatch;
    HRESULT result = v->punkVal->QueryInterface(__uuidof(IDispatch), dispatch.put_void());
    if (FAILED(result)) return TranslateHresult(result);
    *object = std::move(dispatch);
    return kOk;
  }
  return kErrorGenFailure;
}

// A property (or a method with a result) that gives an object.
Status ObjectOf(IDispatch* object, const wchar_t* member, Arguments& arguments, WORD kind,
                ComPtr<IDispatch>* result) {
  UniqueVariant value;
  Status status = Invoke(object, {member}, kind, arguments, value.get());
  if (status != kOk) return status;
  return TakeObject(value, result);
}

Status ObjectOf(IDispatch* object, const wchar_t* member, ComPtr<IDispatch>* result) {
  Arguments none;
  return ObjectOf(object, member, none, DISPATCH_PROPERTYGET, result);
}

// A result as the given type, converted as VARIANT coercion does.
Status Coerce(UniqueVariant& value, VARTYPE type, UniqueVariant* converted) {
  HRESULT result = ::VariantChangeType(converted->put(), value.get(), 0, type);
  return TranslateHresult(result);
}

Status TextOf(IDispatch* object, const wchar_t* member, std::string* text) {
  Arguments none;
  UniqueVariant value;
  Status status = Invoke(object, {member}, DISPATCH_PROPERTYGET, none, value.get());
  if (status != kOk) return status;
  UniqueVariant converted;
  status = Coerce(value, VT_BSTR, &converted);
  if (status != kOk) return status;
  *text = AnsiFromBstr((*converted).bstrVal);
  return kOk;
}

Status LongResult(UniqueVariant& value, int32_t* number) {
  UniqueVariant converted;
  Status status = Coerce(value, VT_I4, &converted);
  if (status != kOk) return status;
  *number = (*converted).lVal;
  return kOk;
}

class Win32WordControl : public WordControl {
 public:
  explicit Win32WordControl(ComPtr<IDispatch> control) : control_(std::move(control)) {}

  Status Caption(std::string* caption) override {
    return TextOf(control_.get(), L"Caption", caption);
  }
  Status Delete() override { return Call(control_.get(), L"Delete"); }

 private:
  ComPtr<IDispatch> control_;
};

class Win32WordApplication : public WordApplication {
 public:
  explicit Win32WordApplication(ComPtr<IDispatch> word) : word_(std::move(word)) {}

  Status Activate() override { return Call(word_.get(), L"Activate"); }

  Status SetWindowState(int16_t state) override {
    Arguments arguments;
    arguments.Short(state);
    return Invoke(word_.get(), {L"WindowState"}, DISPATCH_PROPERTYPUT, arguments, nullptr);
  }

  Status Quit() override { return Call(word_.get(), L"Quit"); }

  Status QuitWithoutSaving() override {
    Arguments arguments;
    arguments.Boolean(false);  // SaveChanges
    return Call(word_.get(), L"Quit", arguments);
  }

  Status ActiveDocumentName(std::string* name) override {
    ComPtr<IDispatch> document;
    Status status = ObjectOf(word_.get(), L"ActiveDocument", &document);
    if (status != kOk) return status;
    return TextOf(document.get(), L"Name", name);
  }

  Status CommandBarControls(const std::string& bar,
                            std::vector<std::unique_ptr<WordControl>>* controls) override {
    // CommandBars takes no argument: the bar is its collection's Item.
    ComPtr<IDispatch> command_bars;
    Status status = ObjectOf(word_.get(), L"CommandBars", &command_bars);
    if (status != kOk) return status;
    ComPtr<IDispatch> command_bar;
    Arguments bar_name;
    bar_name.Text(bar);
    status = ObjectOf(command_bars.get(), L"Item", bar_name, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                      &command_bar);
    if (status != kOk) return status;
    ComPtr<IDispatch> collection;
    status = ObjectOf(command_bar.get(), L"Controls", &collection);
    if (status != kOk) return status;

    Arguments none;
    UniqueVariant count_value;
    status = Invoke(collection.get(), {L"Count"}, DISPATCH_PROPERTYGET, none, count_value.get());
    int32_t count = 0;
    if (status == kOk) status = LongResult(count_value, &count);
    if (status != kOk) return status;

    std::vector<std::unique_ptr<WordControl>> found;
    for (int32_t i = 1; i <= count; ++i) {
      Arguments index;
      index.Long(i);
      ComPtr<IDispatch> control;
      status = ObjectOf(collection.get(), L"Item", index, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                        &control);
      if (status != kOk) return status;
      found.push_back(std::make_unique<Win32WordControl>(std::move(control)));
    }
    *controls = std::move(found);
    return kOk;
  }

  Status BuildKeyCode(int16_t arg1, int16_t arg2, std::optional<int16_t> arg3,
                      int32_t* key_code) override {
    Arguments arguments;
    arguments.Short(arg1).Short(arg2);
    if (arg3) arguments.Short(*arg3);
    UniqueVariant value;
    Status status = Invoke(word_.get(), {L"BuildKeyCode"}, DISPATCH_METHOD, arguments, value.get());
    if (status != kOk) return status;
    return LongResult(value, key_code);
  }

  Status FindKeyClear(int32_t key_code) override {
    Arguments code;
    code.Long(key_code);
    ComPtr<IDispatch> binding;
    Status status = ObjectOf(word_.get(), L"FindKey", code, DISPATCH_PROPERTYGET, &binding);
    if (status != kOk) return status;
    return Call(binding.get(), L"Clear");
  }

  Status KeyBindingsAdd(int32_t key_code, int16_t key_category,
                        const std::string& command) override {
    ComPtr<IDispatch> bindings;
    Status status = ObjectOf(word_.get(), L"KeyBindings", &bindings);
    if (status != kOk) return status;
    Arguments arguments;
    arguments.Long(key_code).Short(key_category).Text(command);
    UniqueVariant ignored;
    return Invoke(bindings.get(), {L"Add", L"KeyCode", L"KeyCategory", L"Command"}, DISPATCH_METHOD,
                  arguments, ignored.get());
  }

  Status NormalTemplateSave() override {
    ComPtr<IDispatch> normal;
    Status status = ObjectOf(word_.get(), L"NormalTemplate", &normal);
    if (status != kOk) return status;
    return Call(normal.get(), L"Save");
  }

 private:
  ComPtr<IDispatch> word_;
};

}  // namespace

Status Win32Automation::GetRunningWord(const std::string& class_name,
                                       std::unique_ptr<WordApplication>* application) {
  std::wstring program_id = WideFromAnsi(class_name);
  CLSID class_id{};
  HRESULT result = ::CLSIDFromProgID(program_id.c_str(), &class_id);
  // A class that is not registered has nothing of it running.
  if (result == CO_E_CLASSSTRING) return kMkEUnavailable;
  if (FAILED(result)) return TranslateHresult(result);
  ComPtr<IUnknown> running;
  result = ::GetActiveObject(class_id, nullptr, running.put());
  if (FAILED(result)) return TranslateHresult(result);
  if (!running) return kErrorGenFailure;
  ComPtr<IDispatch> word;
  result = CallWord([&] { return running->QueryInterface(__uuidof(IDispatch), word.put_void()); });
  if (FAILED(result)) return TranslateHresult(result);
  *application = std::make_unique<Win32WordApplication>(std::move(word));
  return kOk;
}

namespace {

struct OwnerSearch {
  const std::string* window_class;
  std::vector<TaskId> owners;
};

BOOL CALLBACK CollectOwner(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<OwnerSearch*>(context);
  char name[256] = {};
  const int length = ::GetClassNameA(window, name, sizeof name);
  if (length <= 0 || *search->window_class != std::string(name, static_cast<size_t>(length))) {
    return TRUE;
  }
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  if (std::find(search->owners.begin(), search->owners.end(), process) == search->owners.end()) {
    search->owners.push_back(process);
  }
  return TRUE;
}

}  // namespace

Status Win32Automation::WindowOwners(const std::string& window_class, std::vector<TaskId>* owners) {
  OwnerSearch search{&window_class, {}};
  if (!::EnumWindows(&CollectOwner, reinterpret_cast<LPARAM>(&search))) return LastErrorStatus();
  *owners = std::move(search.owners);
  return kOk;
}

Win32Automation::Win32Automation() : filter_registration_(&filter_) { g_filter = &filter_; }

Win32Automation::~Win32Automation() {
  if (g_filter == &filter_) g_filter = nullptr;
}

}  // namespace vrx::win32
