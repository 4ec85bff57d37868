#include "platform/form.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace vrx {

std::string QuoteText(const std::string& text) { return "\"" + text + "\""; }

std::string FormatNumber(double value) {
  if (std::floor(value) == value && std::fabs(value) < 1e15) {
    return std::to_string(static_cast<long long>(value));
  }
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  return buffer;
}

namespace {
std::string Bool(bool b) { return b ? "true" : "false"; }
}  // namespace

Control::Control(Form* form, ControlKind kind, std::string name, int index, Geometry geometry,
                 std::string caption)
    : form_(form),
      kind_(kind),
      name_(std::move(name)),
      index_(index),
      geometry_(geometry),
      caption_(std::move(caption)) {}

std::string Control::QualifiedName() const {
  if (index_ < 0) return name_;
  return name_ + "(" + std::to_string(index_) + ")";
}

void Control::Notify(std::string_view property, const std::string& value) const {
  form_->NotifyView(this, property, value);
}

void Control::SetCaption(const std::string& caption) {
  caption_ = caption;
  Notify("Caption", QuoteText(caption));
}

void Control::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Notify("Enabled", Bool(enabled));
}

void Control::SetVisible(bool visible) {
  visible_ = visible;
  Notify("Visible", Bool(visible));
}

void Control::SetTag(const std::string& tag) {
  tag_ = tag;
  Notify("Tag", QuoteText(tag));
}

void Control::SetValue(int value) {
  value_ = value;
  Notify("Value", std::to_string(value));
}

bool Control::SetProgressValue(float value) {
  if (value > max_ || value < 0) return false;
  progress_value_ = value;
  Notify("Value", FormatNumber(value));
  return true;
}

bool Control::SetMax(float max) {
  if (!(max > 0)) return false;
  max_ = max;
  Notify("Max", FormatNumber(max));
  if (progress_value_ > max_) {
    progress_value_ = max_;
    Notify("Value", FormatNumber(progress_value_));
  }
  return true;
}

void Control::AddItem(const std::string& item) {
  items_.push_back(item);
  Notify("AddItem", QuoteText(item));
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
  controls_.clear();
  Build();
}

Control& Form::Add(ControlKind kind, std::string name, int index, Geometry geometry,
                   std::string caption) {
  controls_.push_back(
      std::make_unique<Control>(this, kind, std::move(name), index, geometry, std::move(caption)));
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

void Form::NotifyView(const Control* control, std::string_view property,
                      const std::string& value) const {
  if (view_) view_->PropertyChanged(control, property, value);
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
  if (view_) view_->PropertyChanged(nullptr, "SetFocus", "");
}

void Form::SetLeft(int twips) {
  geometry_.left = twips;
  NotifyView(nullptr, "Left", std::to_string(twips));
}
void Form::SetTop(int twips) {
  geometry_.top = twips;
  NotifyView(nullptr, "Top", std::to_string(twips));
}
void Form::SetWidth(int twips) {
  geometry_.width = twips;
  NotifyView(nullptr, "Width", std::to_string(twips));
}
void Form::SetHeight(int twips) {
  geometry_.height = twips;
  NotifyView(nullptr, "Height", std::to_string(twips));
}

}  // namespace vrx
