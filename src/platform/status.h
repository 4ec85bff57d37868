// Every status a call of this program can give, in one place.
//
// A status is a Win32 error code as the system's calls report it (kOk for success), the HRESULT
// of a COM call kept bit for bit, or the one code of our own at the end. Comments elsewhere name
// these constants rather than their numbers. The Windows backend checks each Win32 code against
// the system's headers (win32_error.cpp).
#pragma once

#include <cstdint>

namespace vrx {

using Status = int32_t;

// Win32 error codes, in numeric order.
inline constexpr Status kOk = 0;                       // ERROR_SUCCESS
inline constexpr Status kErrorFileNotFound = 2;        // ERROR_FILE_NOT_FOUND
inline constexpr Status kErrorPathNotFound = 3;        // ERROR_PATH_NOT_FOUND
inline constexpr Status kErrorAccessDenied = 5;        // ERROR_ACCESS_DENIED
inline constexpr Status kErrorInvalidHandle = 6;       // ERROR_INVALID_HANDLE
inline constexpr Status kErrorNotSameDevice = 17;      // ERROR_NOT_SAME_DEVICE
inline constexpr Status kErrorGenFailure = 31;         // ERROR_GEN_FAILURE (see below)
inline constexpr Status kErrorSharingViolation = 32;   // ERROR_SHARING_VIOLATION
inline constexpr Status kErrorHandleEof = 38;          // ERROR_HANDLE_EOF
inline constexpr Status kErrorNotSupported = 50;       // ERROR_NOT_SUPPORTED
inline constexpr Status kErrorFileExists = 80;         // ERROR_FILE_EXISTS
inline constexpr Status kErrorInvalidParameter = 87;   // ERROR_INVALID_PARAMETER
inline constexpr Status kErrorInvalidName = 123;       // ERROR_INVALID_NAME
inline constexpr Status kErrorDirNotEmpty = 145;       // ERROR_DIR_NOT_EMPTY
inline constexpr Status kErrorBadPathname = 161;       // ERROR_BAD_PATHNAME
inline constexpr Status kErrorAlreadyExists = 183;     // ERROR_ALREADY_EXISTS
inline constexpr Status kErrorBadExeFormat = 193;      // ERROR_BAD_EXE_FORMAT
inline constexpr Status kErrorMoreData = 234;          // ERROR_MORE_DATA
inline constexpr Status kErrorNoMoreItems = 259;       // ERROR_NO_MORE_ITEMS
inline constexpr Status kErrorDirectory = 267;         // ERROR_DIRECTORY
inline constexpr Status kErrorBadKey = 1010;           // ERROR_BADKEY
inline constexpr Status kErrorKeyDeleted = 1018;       // ERROR_KEY_DELETED
inline constexpr Status kErrorNoSuchPrivilege = 1313;  // ERROR_NO_SUCH_PRIVILEGE
// kErrorGenFailure is also what the platform layers give for a call that cannot be made at all
// (no object, no such member) and for a failed call that left no code behind.

// COM results, kept bit for bit (negative as a Status), in numeric order.
// RPC_E_CALL_REJECTED: a call that a busy server kept rejecting past the retry bound.
inline constexpr Status kRpcECallRejected = static_cast<Status>(0x80010001u);
// MK_E_UNAVAILABLE, as GetActiveObject answers when nothing of the class runs: an answer, not a
// failure of the call.
inline constexpr Status kMkEUnavailable = static_cast<Status>(0x800401E3u);

// Our own: a registry value of a type the registry tools do not read (see QueryValueData).
inline constexpr Status kUnhandledType = -1;

}  // namespace vrx
