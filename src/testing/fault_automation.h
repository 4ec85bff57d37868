// The Word automation layer of the fault-injection platform (fault_injection.h): each call on a
// running Word, and each object handed out, can be made to fail by its name; the objects are
// counted while they live.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"
#include "testing/fault_injection.h"

namespace vrx::fault {

// What a failed automation call answers with.
inline constexpr Status kInjectedAutomation = kErrorGenFailure;

class FaultAutomation : public Automation {
 public:
  FaultAutomation(Automation* target, FaultInjection* f) : t_(target), f_(f) {}
  Status GetRunningWord(const std::string& class_name,
                        std::unique_ptr<WordApplication>* application) override;
  // A failing FindWindowA answers as when there is no such window.
  Status WindowOwners(const std::string& window_class, std::vector<TaskId>* owners) override;

 private:
  Automation* t_;
  FaultInjection* f_;
};

}  // namespace vrx::fault
