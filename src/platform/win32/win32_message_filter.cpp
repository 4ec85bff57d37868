#include "platform/win32/win32_message_filter.h"

namespace vrx::win32 {
namespace {

// Handles the window messages that arrive within `ms` milliseconds, then returns. A WM_QUIT is
// put back for the program's own loop.
void PumpFor(DWORD ms) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    const DWORD elapsed = ::GetTickCount() - start;
    if (elapsed >= ms) return;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(message.wParam));
        return;
      }
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }
}

}  // namespace

HRESULT STDMETHODCALLTYPE BusyRetryFilter::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(iid, __uuidof(IUnknown)) || IsEqualIID(iid, __uuidof(IMessageFilter))) {
    *out = static_cast<IMessageFilter*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

DWORD STDMETHODCALLTYPE BusyRetryFilter::HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) {
  return SERVERCALL_ISHANDLED;
}

DWORD STDMETHODCALLTYPE BusyRetryFilter::RetryRejectedCall(HTASK, DWORD elapsed_ms,
                                                           DWORD reject_type) {
  if (reject_type != SERVERCALL_RETRYLATER || elapsed_ms >= kRetryBoundMs) {
    return static_cast<DWORD>(-1);
  }
  return kRetryDelayMs;
}

DWORD STDMETHODCALLTYPE BusyRetryFilter::MessagePending(HTASK, DWORD, DWORD) {
  return PENDINGMSG_WAITDEFPROCESS;
}

MessageFilterRegistration::MessageFilterRegistration(IMessageFilter* filter) {
  registered_ = SUCCEEDED(::CoRegisterMessageFilter(filter, &previous_));
}

MessageFilterRegistration::~MessageFilterRegistration() {
  if (!registered_) return;
  IMessageFilter* ours = nullptr;
  (void)::CoRegisterMessageFilter(previous_, &ours);
  if (previous_ != nullptr) previous_->Release();
  if (ours != nullptr) ours->Release();
}

bool IsBusyAnswer(HRESULT result) {
  return result == RPC_E_SERVERCALL_RETRYLATER || result == RPC_E_CALL_REJECTED;
}

HRESULT RetryWhileBusy(BusyRetryFilter& filter, const std::function<HRESULT()>& call) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    HRESULT result = call();
    if (!IsBusyAnswer(result)) return result;
    const DWORD delay =
        filter.RetryRejectedCall(nullptr, ::GetTickCount() - start, SERVERCALL_RETRYLATER);
    if (delay == static_cast<DWORD>(-1)) return result;
    PumpFor(delay);
  }
}

}  // namespace vrx::win32
