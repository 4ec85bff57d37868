// Win32 error codes as the backend reports them.
#pragma once

#include "platform/platform.h"
#include "platform/win32/win32_windows.h"

namespace vrx::win32 {

// The one place where a Win32 error code becomes one of our statuses. Our statuses are the Win32
// codes themselves, so almost every code passes through unchanged (ERROR_HANDLE_EOF is our
// end-of-file, kErrorHandleEof); a code too large for a Status keeps its bits.
Status TranslateError(DWORD error);

// The same for the HRESULT of a COM call: kOk for any success code, the Win32 code inside a
// FACILITY_WIN32 failure, and every other failure with its bits kept (never kOk).
Status TranslateHresult(HRESULT result);

// The status of a call that has just failed, from GetLastError. Never kOk: a failed call that
// left no code behind counts as ERROR_GEN_FAILURE.
Status LastErrorStatus();

}  // namespace vrx::win32
