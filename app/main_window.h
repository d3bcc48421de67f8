// The main window: its form, start-up and exit, and the handlers of the
// commands that are not workers (reset, and the donation-code image).
#pragma once

#include "platform/thread.h"
#include "platform/window.h"

// Handles of the most recently started workers; empty before the first.
extern ThreadHandle preview_thread;
extern ThreadHandle download_thread;

// The window's form: title, outer size and its eleven controls.
WindowForm main_form();
// The window's events wired to their handlers.
WindowEvents main_events();

// Start-up: the three segment arrays become empty.
void init_globals();
// The window's created event: base address, tables, "上册", ".jpg", then the
// start-up notice.
void init_main_window();
// Exit: stops every worker, waits for each, then releases the shared values.
void release_globals();

// "初始化": rebuilds the addresses from the current choice, then clears the
// book and content-kind selections (the volume stays).
void reset_selection();
// Slides the donation-code image into view over the preview.
void show_donation_code();
// Slides it out of view again.
void hide_donation_code();
