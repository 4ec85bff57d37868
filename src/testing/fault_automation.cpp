#include "testing/fault_automation.h"

#include <optional>
#include <utility>
#include <vector>

#include "platform/word_object_model.h"

namespace vrx::fault {
namespace {

// A Word automation object handed out through this layer; counted while it lives.
class FaultWordControl : public WordControl {
 public:
  FaultWordControl(std::unique_ptr<WordControl> target, FaultInjection* f, std::string name)
      : t_(std::move(target)), f_(f), name_(std::move(name)) {
    f_->WordObjectMade();
  }
  ~FaultWordControl() override { f_->WordObjectGone(); }
  Status Caption(std::string* caption) override {
    return f_->Fails(name_ + ".Caption") ? kInjectedAutomation : t_->Caption(caption);
  }
  Status Delete() override {
    return f_->Fails(name_ + ".Delete") ? kInjectedAutomation : t_->Delete();
  }

 private:
  std::unique_ptr<WordControl> t_;
  FaultInjection* f_;
  std::string name_;
};

class FaultWordApplication : public WordApplication {
 public:
  FaultWordApplication(std::unique_ptr<WordApplication> target, FaultInjection* f)
      : t_(std::move(target)), f_(f) {
    f_->WordObjectMade();
  }
  ~FaultWordApplication() override { f_->WordObjectGone(); }

  Status Activate() override {
    return f_->Fails("Word.Activate") ? kInjectedAutomation : t_->Activate();
  }
  Status SetWindowState(int16_t state) override {
    return f_->Fails("Word.WindowState " + std::to_string(state)) ? kInjectedAutomation
                                                                  : t_->SetWindowState(state);
  }
  Status Quit() override { return f_->Fails("Word.Quit") ? kInjectedAutomation : t_->Quit(); }
  Status QuitWithoutSaving() override {
    return f_->Fails("Word.Quit False") ? kInjectedAutomation : t_->QuitWithoutSaving();
  }
  Status ActiveDocumentName(std::string* name) override {
    return f_->Fails("Word.ActiveDocument.Name") ? kInjectedAutomation
                                                 : t_->ActiveDocumentName(name);
  }
  Status CommandBarControls(const std::string& bar,
                            std::vector<std::unique_ptr<WordControl>>* controls) override {
    const std::string name = "Word.CommandBars(" + bar + ").Controls";
    if (f_->Fails(name)) return kInjectedAutomation;
    std::vector<std::unique_ptr<WordControl>> inner;
    Status status = t_->CommandBarControls(bar, &inner);
    if (status != kOk) return status;
    controls->clear();
    for (size_t i = 0; i < inner.size(); ++i) {
      controls->push_back(std::make_unique<FaultWordControl>(
          std::move(inner[i]), f_, name + "(" + std::to_string(i + 1) + ")"));
    }
    return kOk;
  }
  Status BuildKeyCode(int16_t arg1, int16_t arg2, std::optional<int16_t> arg3,
                      int32_t* key_code) override {
    std::string args = std::to_string(arg1) + "," + std::to_string(arg2) +
                       (arg3 ? "," + std::to_string(*arg3) : "");
    if (f_->Fails("Word.BuildKeyCode " + args)) return kInjectedAutomation;
    return t_->BuildKeyCode(arg1, arg2, arg3, key_code);
  }
  Status FindKeyClear(int32_t key_code) override {
    if (f_->Fails("Word.FindKey(" + std::to_string(key_code) + ").Clear")) {
      return kInjectedAutomation;
    }
    return t_->FindKeyClear(key_code);
  }
  Status KeyBindingsAdd(int32_t key_code, int16_t key_category,
                        const std::string& command) override {
    if (f_->Fails("Word.KeyBindings.Add " + std::to_string(key_code))) return kInjectedAutomation;
    return t_->KeyBindingsAdd(key_code, key_category, command);
  }
  Status NormalTemplateSave() override {
    return f_->Fails("Word.NormalTemplate.Save") ? kInjectedAutomation : t_->NormalTemplateSave();
  }

 private:
  std::unique_ptr<WordApplication> t_;
  FaultInjection* f_;
};

}  // namespace

Status FaultAutomation::GetRunningWord(const std::string& class_name,
                                       std::unique_ptr<WordApplication>* application) {
  // Word busy: the call fails without saying whether a Word runs.
  if (f_->Fails("GetActiveObject " + class_name)) return kInjectedAutomation;
  std::unique_ptr<WordApplication> inner;
  Status status = t_->GetRunningWord(class_name, &inner);
  if (status == kOk && inner) {
    *application = std::make_unique<FaultWordApplication>(std::move(inner), f_);
  }
  return status;
}

Status FaultAutomation::WindowOwners(const std::string& window_class, std::vector<TaskId>* owners) {
  if (f_->Fails("EnumWindows " + window_class)) return kInjectedAutomation;
  return t_->WindowOwners(window_class, owners);
}

}  // namespace vrx::fault
