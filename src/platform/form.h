// The form and control model that the program's windows are written against.
//
// A form owns its controls' properties and its event handlers; it draws nothing. When a form is
// loaded the platform gives it a FormView, which mirrors every property change onto a real window
// (or into the simulator's transcript) and feeds the user's clicks back through Form::Click.
#pragma once

#include <memory>
#include <string>
#include <string_view>
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

// Receives what happens to a form. `control` is null for the form's own properties.
class FormView {
 public:
  virtual ~FormView() = default;
  virtual void Loaded() = 0;
  virtual void Shown() = 0;
  virtual void Hidden() = 0;
  virtual void Unloaded() = 0;
  virtual void Refreshed() = 0;
  // `value` is already formatted: texts in double quotes, numbers and true/false bare.
  virtual void PropertyChanged(const Control* control, std::string_view property,
                               const std::string& value) = 0;
};

class Control {
 public:
  Control(Form* form, ControlKind kind, std::string name, int index, Geometry geometry,
          std::string caption);

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
  void Notify(std::string_view property, const std::string& value) const;

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

  // A click on one of the form's controls, from the user or from a script.
  virtual void Click(Control& control) = 0;

  // Called by the controls.
  void NotifyView(const Control* control, std::string_view property,
                  const std::string& value) const;

 protected:
  Control& Add(ControlKind kind, std::string name, int index, Geometry geometry,
               std::string caption = "");
  // Builds the controls as designed, in tab order. Called on construction and after Unload.
  virtual void Build() = 0;
  void Rebuild();

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
  std::unique_ptr<FormView> view_;
  std::vector<std::unique_ptr<Control>> controls_;
};

// Formats a property value as the views receive it.
std::string QuoteText(const std::string& text);
std::string FormatNumber(double value);

}  // namespace vrx
