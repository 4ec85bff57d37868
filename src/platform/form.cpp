#include "platform/form.h"

#include <stdexcept>
#include <utility>

namespace vrx {

const char* RefusalReason(ClickOutcome outcome) {
  switch (outcome) {
    case ClickOutcome::kClicked:
      return "";
    case ClickOutcome::kFormNotLoaded:
      return "not loaded";
    case ClickOutcome::kFormHidden:
      return "its window is hidden";
    case ClickOutcome::kControlHidden:
      return "hidden";
    case ClickOutcome::kControlDisabled:
      return "disabled";
    case ClickOutcome::kLabel:
      return "a label";
  }
  return "";
}

Control::Control(Form* form, ControlKind kind, std::string name, int index, Geometry geometry,
                 std::string caption, ClickHandler on_click)
    : form_(form),
      kind_(kind),
      name_(std::move(name)),
      index_(index),
      geometry_(geometry),
      caption_(std::move(caption)),
      on_click_(std::move(on_click)) {}

std::string Control::QualifiedName() const {
  if (index_ < 0) return name_;
  return name_ + "(" + std::to_string(index_) + ")";
}

void Control::Notify(Property property, const PropertyValue& value) const {
  form_->NotifyView(this, property, value);
}

void Control::SetCaption(const std::string& caption) {
  caption_ = caption;
  Notify(Property::kCaption, caption);
}

void Control::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Notify(Property::kEnabled, enabled);
}

void Control::SetVisible(bool visible) {
  visible_ = visible;
  Notify(Property::kVisible, visible);
}

void Control::SetTag(const std::string& tag) {
  tag_ = tag;
  Notify(Property::kTag, tag);
}

void Control::SetValue(int value) {
  value_ = value;
  Notify(Property::kValue, value);
}

bool Control::SetProgressValue(float value) {
  if (value > max_ || value < 0) return false;
  progress_value_ = value;
  Notify(Property::kValue, value);
  return true;
}

bool Control::SetMax(float max) {
  if (!(max > 0)) return false;
  max_ = max;
  Notify(Property::kMax, max);
  if (progress_value_ > max_) {
    progress_value_ = max_;
    Notify(Property::kValue, progress_value_);
  }
  return true;
}

void Control::AddItem(const std::string& item) {
  items_.push_back(item);
  Notify(Property::kAddItem, item);
}

Form::Form(Ui* ui, std::string name, std::string caption, int client_width, int client_height)
    : ui_(ui),
      name_(std::move(name)),
      caption_(std::move(caption)),
      client_width_(client_width),
      client_height_(client_height),
      geometry_{0, 0, client_width, client_height} {}

Form::~Form() = default;

void Form::Rebuild() {
  close_control_ = nullptr;
  controls_.clear();
  Build();
}

Control& Form::Add(ControlKind kind, std::string name, int index, Geometry geometry,
                   std::string caption, ClickHandler on_click) {
  controls_.push_back(std::make_unique<Control>(this, kind, std::move(name), index, geometry,
                                                std::move(caption), std::move(on_click)));
  return *controls_.back();
}

Control* Form::Find(std::string_view name, int index) const {
  for (const auto& c : controls_) {
    if (c->name() == name && c->index() == index) return c.get();
  }
  return nullptr;
}

Control& Form::Get(std::string_view name, int index) const {
  Control* c = Find(name, index);
  if (c == nullptr) throw std::logic_error("no control " + std::string(name) + " on " + name_);
  return *c;
}

void Form::NotifyView(const Control* control, Property property, const PropertyValue& value) const {
  if (view_) view_->PropertyChanged(control, property, value);
}

ClickOutcome Form::UserClick(Control& control, std::optional<int> box_value) {
  if (!loaded_) return ClickOutcome::kFormNotLoaded;
  if (!visible_) return ClickOutcome::kFormHidden;
  if (!control.Visible()) return ClickOutcome::kControlHidden;
  if (!control.Enabled()) return ClickOutcome::kControlDisabled;
  if (control.kind() == ControlKind::kLabel) return ClickOutcome::kLabel;
  if (control.kind() == ControlKind::kCheckBox) {
    control.SetValue(box_value.value_or(control.Value() != 0 ? 0 : 1));
  }
  // A copy: the handler may unload the form, and a later Load rebuilds the controls.
  const ClickHandler handler = control.on_click_;
  if (handler) handler();
  return ClickOutcome::kClicked;
}

void Form::Load() {
  if (loaded_) return;
  if (needs_rebuild_) {
    geometry_ = {0, 0, client_width_, client_height_};
    Rebuild();
    needs_rebuild_ = false;
  }
  loaded_ = true;
  view_ = ui_->CreateView(*this);
  if (view_) view_->Loaded();
}

void Form::Show() {
  Load();
  visible_ = true;
  if (view_) view_->Shown();
}

void Form::Hide() {
  if (!loaded_) return;
  visible_ = false;
  if (view_) view_->Hidden();
}

void Form::Unload() {
  if (!loaded_) return;
  visible_ = false;
  if (view_) view_->Unloaded();
  view_.reset();
  loaded_ = false;
  needs_rebuild_ = true;
}

void Form::Refresh() {
  if (view_) view_->Refreshed();
}

void Form::SetFocus() {
  if (view_) view_->FocusRequested(nullptr);
}

void Form::SetLeft(int twips) {
  geometry_.left = twips;
  NotifyView(nullptr, Property::kLeft, twips);
}
void Form::SetTop(int twips) {
  geometry_.top = twips;
  NotifyView(nullptr, Property::kTop, twips);
}
void Form::SetWidth(int twips) {
  geometry_.width = twips;
  NotifyView(nullptr, Property::kWidth, twips);
}
void Form::SetHeight(int twips) {
  geometry_.height = twips;
  NotifyView(nullptr, Property::kHeight, twips);
}

}  // namespace vrx
