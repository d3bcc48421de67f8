#include "app/main_window.h"

#include "app/catalogue.h"
#include "app/controls.h"
#include "app/download.h"
#include "app/notice.h"
#include "app/preview.h"
#include "text/percent.h"

ThreadHandle preview_thread;
ThreadHandle download_thread;

namespace {

constexpr int kBlue = 0x0000FF;
constexpr int kBlack = 0x000000;

// A control of the form at its place; `parent` -1 is the window itself.
ControlForm control(Control id, const char* name, ControlKind kind, ControlId parent, int left,
                    int top, int width, int height) {
  ControlForm c;
  c.id = id;
  c.name = name;
  c.kind = kind;
  c.parent = parent;
  c.left = left, c.top = top, c.width = width, c.height = height;
  return c;
}

ControlForm label(Control id, const char* name, ControlId parent, int left, int top, int width,
                  int height, const char* caption, int rgb, TextAlign align) {
  ControlForm c = control(id, name, ControlKind::label, parent, left, top, width, height);
  c.caption = utf8_to_ansi(caption);
  c.text_rgb = rgb;
  c.align = align;
  return c;
}

}  // namespace

WindowForm main_form() {
  WindowForm form;
  form.title = utf8_to_ansi("zuvo电子课件下载");
  form.outer_width = 561;
  form.outer_height = 685;
  auto& c = form.controls;
  constexpr ControlId window = -1;
  const auto centre = TextAlign::centre;

  c.push_back(control(列表框1, "列表框1", ControlKind::list_box, window, 2, 16, 158, 600));
  for (const BookRow& row : book_table()) array_append(c.back().items, row.list_text);

  c.push_back(
      control(上下册_选择框, "上下册_选择框", ControlKind::combo_box, window, 163, 19, 120, 20));
  c.back().items = volume_list_texts();
  c.back().selection = 0;

  c.push_back(
      control(内容_选择框, "内容_选择框", ControlKind::combo_box, window, 292, 19, 120, 20));
  c.back().items = content_list_texts();
  c.back().selection = 0;

  c.push_back(label(标签1, "标签1", window, 416, 16, 56, 24, "预览", kBlue, centre));
  c.push_back(label(标签3, "标签3", window, 461, 16, 56, 24, "下载", kBlue, centre));
  c.push_back(label(标签4, "标签4", window, 503, 16, 56, 24, "初始化", kBlue, centre));
  c.push_back(control(分组框1, "分组框1", ControlKind::group_box, window, 169, 45, 384, 576));
  c.push_back(label(标签2, "标签2", 分组框1, 112, 10, 128, 17, "预   览", kBlack, centre));
  c.push_back(control(图片框1, "图片框1", ControlKind::picture_box, 分组框1, 3, 29, 376, 544));
  c.back().sunken_border = true;
  c.push_back(label(标签5, "标签5", window, 16, 632, 528, 16, "", kBlack, TextAlign::left));

  // Last, so that it lies above the preview when slid into view.
  c.push_back(control(图片框2, "图片框2", ControlKind::picture_box, window, 704, 208, 200, 200));
  c.back().picture = resource_bytes("donation.png");
  return form;
}

WindowEvents main_events() {
  WindowEvents events;
  events.created = init_main_window;
  events.released = [](ControlId id) {
    switch (id) {
      case 标签1:
        start_preview();
        break;
      case 标签3:
        toggle_download();
        break;
      case 标签4:
        reset_selection();
        break;
      case 标签5:
        show_donation_code();
        break;
      case 图片框2:
        hide_donation_code();
        break;
      default:
        break;
    }
  };
  events.item_picked = [](ControlId id) {
    if (id == 内容_选择框) build_book_addresses();
  };
  // The workers read the shared values: stop them and let them end first.
  events.closing = stop_all_threads;
  return events;
}

void init_globals() {
  grade_segments = {};
  content_segments = {};
  volume_segments = {};
}

void init_main_window() {
  load_catalogue();
  set_control_selection(上下册_选择框, 0);
  show_notice();
}

void release_globals() {
  stop_all_threads();
  clear_catalogue();
}

void reset_selection() {
  build_book_addresses();
  set_control_selection(列表框1, -1);
  set_control_selection(内容_选择框, -1);
}

void show_donation_code() {
  set_control_place(图片框2, 248, 200);
}

void hide_donation_code() {
  set_control_place(图片框2, 700, 200);
}
