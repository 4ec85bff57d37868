// Late-bound automation objects without a type library, as the stand-in Word serves them: each
// object names its members and their parameters, and a handler a member; calls are checked
// against the table (kind, count, names, required arguments) before the handler sees them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// clang-format off
#include "platform/win32/win32_windows.h"
#include <ole2.h>
// clang-format on

namespace fake_word {

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

VARTYPE TypeOf(const VARIANT* value);
// A number argument of any numeric type; false when it is none.
bool AsLong(const VARIANT* value, int32_t* number);
// A 16-bit integer argument, as the uninstaller passes its small numbers.
bool AsShort(const VARIANT* value, int16_t* number);
// A text argument.
bool AsText(const VARIANT* value, std::string* text);
// Results; nothing when the caller wants none.
void SetText(VARIANT* result, const std::string& text);
void SetLong(VARIANT* result, int32_t number);
// Raises one of Word's errors: DISP_E_EXCEPTION with the error in the EXCEPINFO.
HRESULT Raise(EXCEPINFO* exception, int word_error, const std::string& description);

// What a member's handler gets.
struct Call {
  WORD kind;
  const Arguments& arguments;
  VARIANT* result;       // may be null
  EXCEPINFO* exception;  // may be null
};

// COM interfaces have no virtual destructor: objects are destroyed by their own Release.
#pragma GCC diagnostic push
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

  // Looks names up in Members(); rejected while Word is busy.
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override;
  // Checks the call against its member and hands it to Handle; every call fails once Word has
  // quit, and is rejected while it is busy.
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) override;

 protected:
  // What the log calls this object.
  virtual std::string Name() const = 0;
  virtual const std::vector<Member>& Members() const = 0;
  // Handles member `index` of Members(); `name` is "Object.Member" for the log.
  virtual HRESULT Handle(size_t index, const std::string& name, const Call& call) = 0;

  // Hands an object out as a call's result; the object comes with its first reference.
  static HRESULT Give(const Call& call, Object* object);
  // Logs and answers an argument of the wrong type.
  static HRESULT TypeMismatch(const std::string& name, size_t position);

 private:
  LONG references_ = 1;  // the creator's
};
#pragma GCC diagnostic pop

}  // namespace fake_word
