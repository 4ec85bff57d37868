// The COM message filter of the automation step: a call that the server rejects because it is
// busy (a Word still loading, or showing its save prompt) is tried again every tenth of a second
// for up to ten seconds, and then fails, instead of failing at once.
//
// While registered, COM asks the filter itself about calls that the server's own filter rejects
// (SERVERCALL_RETRYLATER). A server may also answer a call with RPC_E_SERVERCALL_RETRYLATER or
// RPC_E_CALL_REJECTED directly; RetryWhileBusy applies the same policy to those, so that the
// bound holds either way.
#pragma once

#include <functional>

#include "platform/win32/win32_com.h"

namespace vrx::win32 {

// COM interfaces have no virtual destructor; this object is owned, never released to death.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class BusyRetryFilter : public IMessageFilter {
 public:
  static constexpr DWORD kRetryBoundMs = 10000;
  static constexpr DWORD kRetryDelayMs = 100;

  BusyRetryFilter() = default;
  BusyRetryFilter(const BusyRetryFilter&) = delete;
  BusyRetryFilter& operator=(const BusyRetryFilter&) = delete;

  // IUnknown: the object lives as long as its owner, whatever the count says.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  // Incoming calls (this program serves none of its own) are all handled.
  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD call_type, HTASK caller, DWORD tick_count,
                                             LPINTERFACEINFO info) override;
  // A busy answer (SERVERCALL_RETRYLATER) is retried after kRetryDelayMs while less than
  // kRetryBoundMs have passed since the call began; anything else, and a later one, is given up
  // (-1).
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK callee, DWORD elapsed_ms,
                                            DWORD reject_type) override;
  // Window messages that arrive while a call is out are handled as usual.
  DWORD STDMETHODCALLTYPE MessagePending(HTASK callee, DWORD elapsed_ms,
                                         DWORD pending_type) override;
};
#pragma GCC diagnostic pop

// Registers a filter for this thread (which must be in a single-threaded apartment) while it
// lives, and puts back the one that was registered before. Registration may fail (a thread in a
// multithreaded apartment); the calls then go on without it.
class MessageFilterRegistration {
 public:
  explicit MessageFilterRegistration(IMessageFilter* filter);
  MessageFilterRegistration(const MessageFilterRegistration&) = delete;
  MessageFilterRegistration& operator=(const MessageFilterRegistration&) = delete;
  ~MessageFilterRegistration();

  bool registered() const { return registered_; }

 private:
  bool registered_ = false;
  IMessageFilter* previous_ = nullptr;
};

// Makes `call` and, while it answers that the server is busy, asks `filter` whether and when to
// make it again, handling window messages in between. Returns the last answer.
HRESULT RetryWhileBusy(BusyRetryFilter& filter, const std::function<HRESULT()>& call);

// Whether an answer says that the server was busy and the call was not made.
bool IsBusyAnswer(HRESULT result);

}  // namespace vrx::win32
