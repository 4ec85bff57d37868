// GoogleTest's hook for the platform it is built on, used for the Windows test programs
// (vrx_contract_tests.exe, ui_smoke.exe) built with MinGW-w64's win32 thread model. That model
// has no std::mutex in GCC 12, which GoogleTest needs to be thread-safe: the test programs run
// on one thread, so GoogleTest is built without thread safety. Its death tests still use the
// handle owner that it declares only for thread-safe builds; it is declared here instead.
#ifndef VRX_GTEST_CUSTOM_GTEST_PORT_H_
#define VRX_GTEST_CUSTOM_GTEST_PORT_H_

#if defined(__MINGW32__) && !defined(_GLIBCXX_HAS_GTHREADS)
#define GTEST_IS_THREADSAFE 0

extern "C" __declspec(dllimport) int __stdcall CloseHandle(void* handle);

namespace testing {
namespace internal {

// Owns a kernel handle; closes it when replaced or destroyed.
class AutoHandle {
 public:
  typedef void* Handle;
  AutoHandle() : handle_(Invalid()) {}
  explicit AutoHandle(Handle handle) : handle_(handle) {}
  AutoHandle(const AutoHandle&) = delete;
  AutoHandle& operator=(const AutoHandle&) = delete;
  ~AutoHandle() { Reset(); }

  Handle Get() const { return handle_; }
  void Reset() { Reset(Invalid()); }
  void Reset(Handle handle) {
    if (handle_ != handle && IsCloseable()) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  static Handle Invalid() { return reinterpret_cast<Handle>(static_cast<long long>(-1)); }
  bool IsCloseable() const { return handle_ != nullptr && handle_ != Invalid(); }

  Handle handle_;
};

}  // namespace internal
}  // namespace testing
#endif

#endif  // VRX_GTEST_CUSTOM_GTEST_PORT_H_
