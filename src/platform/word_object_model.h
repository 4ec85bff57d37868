// Word's object model, as far as the Word clean-up uses it: the Application object that the
// running object table hands out and the command bar controls it lists.
//
// Each member stands for one automation call on Word (through IDispatch on Windows, on the
// simulated Word otherwise). Every call can fail: Word may be busy, gone, or lack a document; the
// status is then the call's HRESULT, kept bit for bit, or kErrorGenFailure for a call that could
// not be made at all.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/status.h"

namespace vrx {

// One item of a command bar's Controls collection.
class WordControl {
 public:
  virtual ~WordControl() = default;
  // Control.Caption.
  [[nodiscard]] virtual Status Caption(std::string* caption) = 0;
  // Control.Delete.
  [[nodiscard]] virtual Status Delete() = 0;
};

// Word's Application object.
class WordApplication {
 public:
  virtual ~WordApplication() = default;
  // Application.Activate.
  [[nodiscard]] virtual Status Activate() = 0;
  // Application.WindowState = state.
  [[nodiscard]] virtual Status SetWindowState(int16_t state) = 0;
  // Quit without an argument (Word may ask about unsaved documents), or Quit False.
  [[nodiscard]] virtual Status Quit() = 0;
  [[nodiscard]] virtual Status QuitWithoutSaving() = 0;
  // ActiveDocument.Name; fails while Word has no document.
  [[nodiscard]] virtual Status ActiveDocumentName(std::string* name) = 0;
  // CommandBars(bar).Controls, item by item in their order at the time of the call.
  [[nodiscard]] virtual Status CommandBarControls(
      const std::string& bar, std::vector<std::unique_ptr<WordControl>>* controls) = 0;
  // BuildKeyCode(arg1, arg2[, arg3]).
  [[nodiscard]] virtual Status BuildKeyCode(int16_t arg1, int16_t arg2, std::optional<int16_t> arg3,
                                            int32_t* key_code) = 0;
  // FindKey(key_code).Clear.
  [[nodiscard]] virtual Status FindKeyClear(int32_t key_code) = 0;
  // KeyBindings.Add KeyCode:=, KeyCategory:=, Command:=.
  [[nodiscard]] virtual Status KeyBindingsAdd(int32_t key_code, int16_t key_category,
                                              const std::string& command) = 0;
  // NormalTemplate.Save.
  [[nodiscard]] virtual Status NormalTemplateSave() = 0;
};

}  // namespace vrx
