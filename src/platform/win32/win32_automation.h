// Word's automation interface on the machine the program runs on: the running Word is found in the
// running object table (CLSIDFromProgID, GetActiveObject) and driven through IDispatch late
// binding, member by member as the Word clean-up names them (GetIDsOfNames, then Invoke).
//
// Every call answers with a status and never throws: the HRESULT of the call that failed (the
// scode of an exception that Word raised), a FACILITY_WIN32 code as the Win32 code, and
// kErrorGenFailure for an answer of the wrong kind (a missing object, a text where a number
// belongs). Out-parameters are left untouched on failure.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/win32/win32_com.h"
#include "platform/win32/win32_message_filter.h"

namespace vrx::win32 {

class Win32Automation : public Automation {
 public:
  // Joins the thread to a single-threaded apartment for the program's life; the program's thread
  // serves the windows as well, so calls into Word are made from there.
  // Registers the message filter that retries calls a busy Word rejects (up to ten seconds).
  Win32Automation();
  ~Win32Automation() override;
  Win32Automation(const Win32Automation&) = delete;
  Win32Automation& operator=(const Win32Automation&) = delete;

  // kMkEUnavailable when nothing of the class runs (GetActiveObject's MK_E_UNAVAILABLE) and for a
  // class that is not registered (CLSIDFromProgID's CO_E_CLASSSTRING); other failures as the
  // call that failed gives them. The application is left untouched on failure.
  [[nodiscard]] Status GetRunningWord(const std::string& class_name,
                                      std::unique_ptr<WordApplication>* application) override;

  // FindWindowA(window_class, no title).
  // EnumWindows over the desktop's top-level windows, GetClassNameA of each, and the process of
  // each one of the class.
  [[nodiscard]] Status WindowOwners(const std::string& window_class,
                                    std::vector<TaskId>* owners) override;

 private:
  ComApartment apartment_;
  BusyRetryFilter filter_;
  MessageFilterRegistration filter_registration_;
};

}  // namespace vrx::win32
