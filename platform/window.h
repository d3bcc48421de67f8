// The window toolkit: a window made from a form (a table of controls), its
// event loop, and the events the application handles. Implemented over Qt 6
// Widgets in platform/qt; nothing here names a Qt type.
#pragma once

#include <functional>
#include <vector>

#include "platform/gui.h"
#include "text/values.h"

enum class ControlKind { list_box, combo_box, label, group_box, picture_box };
enum class TextAlign { left, centre };

// One control of a form. Places are relative to the parent's client area.
struct ControlForm {
  ControlId id = 0;
  const char* name = "";  // object name (UTF-8), as on the form
  ControlKind kind = ControlKind::label;
  ControlId parent = -1;  // -1: the window itself
  int left = 0, top = 0, width = 0, height = 0;
  Text caption;             // labels
  TextArray items;          // list and combo boxes
  int selection = -1;       // list and combo boxes; a combo's edit field starts empty
  int text_rgb = 0x000000;  // labels
  TextAlign align = TextAlign::left;
  bool sunken_border = false;  // picture boxes
  Bytes picture;               // picture boxes: a JPEG or PNG file, stretched to fill
};

struct WindowForm {
  Text title;
  int outer_width = 0, outer_height = 0;  // the frame included; the window cannot be resized
  std::vector<ControlForm> controls;      // later controls are drawn above earlier ones
};

struct WindowEvents {
  std::function<void()> created;  // before the window handles any other event
  // The left mouse button was released over a label or picture box.
  std::function<void(ControlId)> released;
  // The user picked an item from a combo box's drop-down list.
  std::function<void(ControlId)> item_picked;
  // The window is closing; the event loop ends after this returns.
  std::function<void()> closing;
};

// Sets the toolkit up; call once, before anything else here.
void gui_setup(int& argc, char** argv);

// Makes the window from `form`, puts the GUI operations of platform/gui.h
// behind its controls, runs `events.created`, then shows it centred.
void open_window(const WindowForm& form, const WindowEvents& events);

// Runs the event loop until the window is closed; returns the exit code.
int run_event_loop();

// Closes the window as the user would (the closing event runs), then
// destroys it; the GUI operations become no-ops.
void close_window();

// The bytes of a file bundled with the program (its resources), or empty.
Bytes resource_bytes(const char* name);
