// The operations the application needs of the window's controls. Controls
// are named by the application's own numbers (ControlId). The Qt layer puts
// itself behind these operations when the window is made; tests install
// stand-ins of their own. Writes may come from any thread; reads belong to
// the GUI thread.
#pragma once

#include <functional>

#include "text/values.h"

using ControlId = int;

struct GuiOps {
  std::function<Text(ControlId)> caption;
  std::function<void(ControlId, const Text&)> set_caption;
  std::function<void(ControlId, int left, int top)> set_place;
  // 0-based item index, -1 for none.
  std::function<int(ControlId)> selection;
  // -1 leaves nothing selected; never raises the list-item-selected event.
  std::function<void(ControlId, int)> set_selection;
  // The bytes of a JPEG or PNG file; empty or undecodable bytes blank the box.
  std::function<void(ControlId, const Bytes&)> set_picture;
  // A modal box with one OK button and no icon; returns when it is closed.
  std::function<void(const Text& text, const Text& title)> message_box;
};

// Puts `ops` behind the operations below, replacing what was there. Missing
// members act as no-ops (reads give the empty text and -1).
void install_gui(GuiOps ops);

// The caption of a label (or the edit text of a combo box).
Text control_caption(ControlId control);
// Sets the caption of a label.
void set_control_caption(ControlId control, const Text& caption);
// Moves a control to (left, top) within its parent.
void set_control_place(ControlId control, int left, int top);
// The current selection of a list or combo box: 0-based, -1 for none.
int control_selection(ControlId control);
// Sets the current selection; -1 clears it.
void set_control_selection(ControlId control, int index);
// Gives a picture box the image in `image`.
void set_control_picture(ControlId control, const Bytes& image);
// Shows a modal message box and waits until it is closed.
void message_box(const Text& text, const Text& title);
