// The whole Windows platform: one object of each backend, the user interface excepted, which the
// program supplies.
#pragma once

#include "platform/platform.h"
#include "platform/win32/win32_automation.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"

namespace vrx::win32 {

class Win32Platform {
 public:
  // `ui` is not owned and must outlive the platform; it may be null for a program without windows.
  explicit Win32Platform(Ui* ui);
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  // The platform as the program holds it; the pointers stay valid while this object lives.
  Platform platform();

  Win32Registry& registry() { return registry_; }
  Win32System& system() { return system_; }
  Win32Files& files() { return files_; }

 private:
  Ui* ui_;
  Win32Registry registry_;
  Win32System system_;
  Win32Files files_;
  Win32Processes processes_;
  Win32Automation automation_;
  Win32Clock clock_;
};

}  // namespace vrx::win32
