#include "platform/win32/win32_error.h"

namespace vrx::win32 {

static_assert(ERROR_FILE_NOT_FOUND == kErrorFileNotFound);
static_assert(ERROR_PATH_NOT_FOUND == kErrorPathNotFound);
static_assert(ERROR_ACCESS_DENIED == kErrorAccessDenied);
static_assert(ERROR_INVALID_HANDLE == kErrorInvalidHandle);
static_assert(ERROR_GEN_FAILURE == kErrorGenFailure);
static_assert(ERROR_SHARING_VIOLATION == kErrorSharingViolation);
static_assert(ERROR_HANDLE_EOF == kErrorHandleEof);
static_assert(ERROR_NOT_SUPPORTED == kErrorNotSupported);
static_assert(ERROR_INVALID_PARAMETER == kErrorInvalidParameter);
static_assert(ERROR_DIR_NOT_EMPTY == kErrorDirNotEmpty);
static_assert(ERROR_ALREADY_EXISTS == kErrorAlreadyExists);
static_assert(ERROR_MORE_DATA == kErrorMoreData);
static_assert(ERROR_NO_MORE_ITEMS == kErrorNoMoreItems);

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
