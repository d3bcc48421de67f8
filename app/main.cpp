// zuvo: pick an electronic textbook, preview its first page, save its pages.
#include "app/main_window.h"

int main(int argc, char** argv) {
  gui_setup(argc, argv);
  init_globals();
  struct ReleaseAtExit {
    ~ReleaseAtExit() { release_globals(); }
  } release_at_exit;
  open_window(main_form(), main_events());
  return run_event_loop();
}
