#include "platform/gui.h"

#include <memory>
#include <mutex>

namespace {

std::mutex ops_mutex;
std::shared_ptr<const GuiOps> current_ops = std::make_shared<const GuiOps>();

// A snapshot of the installed operations, safe to call without the lock.
std::shared_ptr<const GuiOps> ops() {
  std::lock_guard lock(ops_mutex);
  return current_ops;
}

}  // namespace

void install_gui(GuiOps fresh) {
  auto installed = std::make_shared<const GuiOps>(std::move(fresh));
  std::lock_guard lock(ops_mutex);
  current_ops.swap(installed);
}

Text control_caption(ControlId control) {
  auto o = ops();
  return o->caption ? o->caption(control) : Text();
}

void set_control_caption(ControlId control, const Text& caption) {
  if (auto o = ops(); o->set_caption) o->set_caption(control, caption);
}

void set_control_place(ControlId control, int left, int top) {
  if (auto o = ops(); o->set_place) o->set_place(control, left, top);
}

int control_selection(ControlId control) {
  auto o = ops();
  return o->selection ? o->selection(control) : -1;
}

void set_control_selection(ControlId control, int index) {
  if (auto o = ops(); o->set_selection) o->set_selection(control, index);
}

void set_control_picture(ControlId control, const Bytes& image) {
  if (auto o = ops(); o->set_picture) o->set_picture(control, image);
}

void message_box(const Text& text, const Text& title) {
  if (auto o = ops(); o->message_box) o->message_box(text, title);
}
