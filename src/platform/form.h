// The form and control model that the program's windows are written against.
//
// A form owns its controls' properties and its click handlers; it draws nothing. When a form is
// loaded the platform gives it a FormView, which mirrors every property change onto a real window
// (or into the simulator's transcript) and feeds the user's clicks back through Form::UserClick.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/platform.h"

namespace vrx {

enum class ControlKind { kLabel, kButton, kCheckBox, kListBox, kProgressBar };

// Left, top, width, height in twips (1/1440 inch).
struct Geometry {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

class Form;
class Control;

// The properties a view is told about. Left, Top, Width and Height are the form's own.
enum class Property {
  kCaption,
  kEnabled,
  kVisible,
  kTag,
  kValue,
  kMax,
  kAddItem,
  kLeft,
  kTop,
  kWidth,
  kHeight,
};

// A property's new value: a text (Caption, Tag, AddItem's item), a flag (Enabled, Visible), a
// whole number (a check box's Value, the form's twips) or a progress bar's number (Value, Max).
using PropertyValue = std::variant<std::string, bool, int, float>;

// Receives what happens to a form. `control` is null for the form's own properties.
class FormView {
 public:
  virtual ~FormView() = default;
  virtual void Loaded() = 0;
  virtual void Shown() = 0;
  virtual void Hidden() = 0;
  virtual void Unloaded() = 0;
  virtual void Refreshed() = 0;
  virtual void PropertyChanged(const Control* control, Property property,
                               const PropertyValue& value) = 0;
  // The program asks for the keyboard focus; `control` is null for the form itself.
  virtual void FocusRequested(const Control* control) = 0;
};

using ClickHandler = std::function<void()>;

// What became of a user's click. Only kClicked ran anything.
enum class ClickOutcome {
  kClicked,
  kFormNotLoaded,
  kFormHidden,  // loaded, but hidden or not yet shown
  kControlHidden,
  kControlDisabled,
  kLabel,  // a label takes no clicks
};

// Why a click was refused, as the simulator's script player reports it ("hidden", "not loaded");
// empty for kClicked.
const char* RefusalReason(ClickOutcome outcome);

class Control {
 public:
  Control(Form* form, ControlKind kind, std::string name, int index, Geometry geometry,
          std::string caption, ClickHandler on_click);

  ControlKind kind() const { return kind_; }
  const std::string& name() const { return name_; }
  int index() const { return index_; }  // -1 outside a control array
  std::string QualifiedName() const;    // "cmdNext", "Check1(2)"
  const Geometry& geometry() const { return geometry_; }
  Form& form() const { return *form_; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  const std::string& Tag() const { return tag_; }
  void SetTag(const std::string& tag);

  // Check box: 0 unticked, 1 ticked.
  int Value() const { return value_; }
  void SetValue(int value);

  // Progress bar, Min 0. A Value above Max (or below Min) is refused and leaves the bar as it
  // was; a Max not above Min is refused too. Both return whether the property took the value.
  float ProgressValue() const { return progress_value_; }
  float Max() const { return max_; }
  bool SetProgressValue(float value);
  bool SetMax(float max);

  // List box.
  const std::vector<std::string>& Items() const { return items_; }
  void AddItem(const std::string& item);

 private:
  friend class Form;  // runs on_click_
  void Notify(Property property, const PropertyValue& value) const;

  Form* form_;
  ControlKind kind_;
  std::string name_;
  int index_;
  Geometry geometry_;
  std::string caption_;
  bool enabled_ = true;
  bool visible_ = true;
  std::string tag_;
  int value_ = 0;
  float progress_value_ = 0;
  float max_ = 100;
  std::vector<std::string> items_;
  ClickHandler on_click_;
};

class Form {
 public:
  Form(Ui* ui, std::string name, std::string caption, int client_width, int client_height);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const std::string& name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  bool loaded() const { return loaded_; }
  bool visible() const { return visible_; }
  // The control that the close box and Esc stand for; null when the close box means nothing.
  Control* close_control() const { return close_control_; }
  // False for a tool window, which has no button on the taskbar.
  bool shown_in_taskbar() const { return shown_in_taskbar_; }
  int ClientWidth() const { return client_width_; }
  int ClientHeight() const { return client_height_; }

  // Load makes the view (nothing happens when already loaded); Show loads first when needed.
  // Unload hides and unloads; a later Load starts afresh, with the controls as designed.
  void Load();
  void Show();
  void Hide();
  void Unload();
  void Refresh();
  void SetFocus();

  // Outer geometry in twips. Setting it notifies the view.
  const Geometry& geometry() const { return geometry_; }
  void SetLeft(int twips);
  void SetTop(int twips);
  void SetWidth(int twips);
  void SetHeight(int twips);

  // The controls in tab order.
  const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }
  // The named control, or null.
  Control* Find(std::string_view name, int index = -1) const;
  Control& Get(std::string_view name, int index = -1) const;

  // A click of the user's (on the window, or in a script) on one of the form's controls. It is
  // refused while the form is not loaded or not shown, the control hidden or disabled, and on a
  // label; otherwise a check box toggles its Value (or takes `box_value` when given: a script
  // names the state it wants, and a box already in it is clicked all the same) and then the
  // control's handler, if it has one, runs. The handler may unload the form.
  ClickOutcome UserClick(Control& control, std::optional<int> box_value = std::nullopt);

  // Called by the controls.
  void NotifyView(const Control* control, Property property, const PropertyValue& value) const;

 protected:
  // Adds a control after the ones added so far, in tab order; `on_click` runs on a user's click.
  Control& Add(ControlKind kind, std::string name, int index, Geometry geometry,
               std::string caption = "", ClickHandler on_click = {});
  // Builds the controls as designed, in tab order. Called on construction and after Unload.
  virtual void Build() = 0;
  void Rebuild();
  // The close box's control, set by Build(); the taskbar button, set by the constructor.
  void SetCloseControl(Control& control) { close_control_ = &control; }
  void SetShownInTaskbar(bool shown) { shown_in_taskbar_ = shown; }

 private:
  Ui* ui_;
  std::string name_;
  std::string caption_;
  int client_width_;
  int client_height_;
  Geometry geometry_;
  bool loaded_ = false;
  bool visible_ = false;
  bool needs_rebuild_ = false;
  bool shown_in_taskbar_ = true;
  Control* close_control_ = nullptr;
  std::unique_ptr<FormView> view_;
  std::vector<std::unique_ptr<Control>> controls_;
};

}  // namespace vrx
