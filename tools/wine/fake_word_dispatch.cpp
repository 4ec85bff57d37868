#include "fake_word_dispatch.h"

#include <cwchar>

#include "fake_word_state.h"
#include "platform/win32/win32_com.h"

namespace fake_word {

using vrx::win32::AnsiFromBstr;
using vrx::win32::AnsiFromWide;
using vrx::win32::BstrFromAnsi;
using vrx::win32::ComPtr;
using vrx::win32::UniqueVariant;

VARTYPE TypeOf(const VARIANT* value) {
  if (value == nullptr) return VT_EMPTY;
  return static_cast<VARTYPE>(value->vt & ~VT_BYREF);
}

bool AsLong(const VARIANT* value, int32_t* number) {
  if (value == nullptr) return false;
  UniqueVariant converted;
  if (FAILED(::VariantChangeType(converted.put(), const_cast<VARIANT*>(value), 0, VT_I4))) {
    return false;
  }
  *number = (*converted).lVal;
  return true;
}

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

HRESULT Raise(EXCEPINFO* exception, int word_error, const std::string& description) {
  if (exception != nullptr) {
    *exception = EXCEPINFO{};
    exception->bstrSource = BstrFromAnsi("Microsoft Word").release();
    exception->bstrDescription = BstrFromAnsi(description).release();
    exception->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, word_error);
  }
  return DISP_E_EXCEPTION;
}

HRESULT STDMETHODCALLTYPE Object::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                                DISPID* ids) {
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

HRESULT STDMETHODCALLTYPE Object::Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* parameters,
                                         VARIANT* result, EXCEPINFO* exception,
                                         UINT* argument_error) {
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

HRESULT Object::Give(const Call& call, Object* object) {
  ComPtr<IDispatch> held(object);  // the new object's first reference
  if (call.result == nullptr) return S_OK;
  call.result->vt = VT_DISPATCH;
  call.result->pdispVal = held.release();
  return S_OK;
}

HRESULT Object::TypeMismatch(const std::string& name, size_t position) {
  Log(name + " -> argument " + std::to_string(position + 1) + " of the wrong type");
  return DISP_E_TYPEMISMATCH;
}

}  // namespace fake_word
