#include "platform/win32/win32_error.h"

namespace vrx::win32 {

// Every code of status.h, in its order, against the system's own headers.
static_assert(ERROR_SUCCESS == kOk);
static_assert(ERROR_FILE_NOT_FOUND == kErrorFileNotFound);
static_assert(ERROR_PATH_NOT_FOUND == kErrorPathNotFound);
static_assert(ERROR_ACCESS_DENIED == kErrorAccessDenied);
static_assert(ERROR_INVALID_HANDLE == kErrorInvalidHandle);
static_assert(ERROR_NOT_SAME_DEVICE == kErrorNotSameDevice);
static_assert(ERROR_GEN_FAILURE == kErrorGenFailure);
static_assert(ERROR_SHARING_VIOLATION == kErrorSharingViolation);
static_assert(ERROR_HANDLE_EOF == kErrorHandleEof);
static_assert(ERROR_NOT_SUPPORTED == kErrorNotSupported);
static_assert(ERROR_FILE_EXISTS == kErrorFileExists);
static_assert(ERROR_INVALID_PARAMETER == kErrorInvalidParameter);
static_assert(ERROR_INVALID_NAME == kErrorInvalidName);
static_assert(ERROR_DIR_NOT_EMPTY == kErrorDirNotEmpty);
static_assert(ERROR_BAD_PATHNAME == kErrorBadPathname);
static_assert(ERROR_ALREADY_EXISTS == kErrorAlreadyExists);
static_assert(ERROR_BAD_EXE_FORMAT == kErrorBadExeFormat);
static_assert(ERROR_MORE_DATA == kErrorMoreData);
static_assert(ERROR_NO_MORE_ITEMS == kErrorNoMoreItems);
static_assert(ERROR_DIRECTORY == kErrorDirectory);
static_assert(ERROR_BADKEY == kErrorBadKey);
static_assert(ERROR_KEY_DELETED == kErrorKeyDeleted);
static_assert(ERROR_NO_SUCH_PRIVILEGE == kErrorNoSuchPrivilege);
static_assert(static_cast<Status>(RPC_E_CALL_REJECTED) == kRpcECallRejected);
static_assert(static_cast<Status>(MK_E_UNAVAILABLE) == kMkEUnavailable);

Status TranslateError(DWORD error) { return static_cast<Status>(error); }

Status TranslateHresult(HRESULT result) {
  if (SUCCEEDED(result)) return kOk;
  if (HRESULT_FACILITY(result) == FACILITY_WIN32 && HRESULT_CODE(result) != 0) {
    return TranslateError(static_cast<DWORD>(HRESULT_CODE(result)));
  }
  return TranslateError(static_cast<DWORD>(result));
}

Status LastErrorStatus() {
  DWORD error = ::GetLastError();
  return TranslateError(error == ERROR_SUCCESS ? ERROR_GEN_FAILURE : error);
}

}  // namespace vrx::win32
