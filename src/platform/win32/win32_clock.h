// The local time of day (kernel32 GetLocalTime).
#pragma once

#include "platform/platform.h"

namespace vrx::win32 {

class Win32Clock : public Clock {
 public:
  // Seconds since local midnight, milliseconds included.
  float SecondsSinceMidnight() override;
};

}  // namespace vrx::win32
