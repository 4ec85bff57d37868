#include "platform/win32/win32_clock.h"

#include "platform/win32/win32_windows.h"

namespace vrx::win32 {

float Win32Clock::SecondsSinceMidnight() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  double seconds = now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond;
  return static_cast<float>(seconds + now.wMilliseconds / 1000.0);
}

}  // namespace vrx::win32
