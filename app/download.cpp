#include "app/download.h"

#include <cstdio>

#include "app/catalogue.h"
#include "app/controls.h"
#include "app/main_window.h"
#include "app/page_extract.h"
#include "http/request.h"
#include "platform/files.h"
#include "platform/http_get.h"
#include "platform/thread.h"
#include "text/percent.h"

namespace {

constexpr int kDirectPages = 230;
constexpr int kPerPagePages = 240;

// Writes one page's file unless a stop came first; counts a failed write.
// Returns false once the worker is asked to stop.
bool save_page(const Text& path, const Bytes& image, int& failed) {
  bool written = false;
  if (!run_unless_stopped([&] { written = write_file(path, image); })) return false;
  if (!written) ++failed;
  return true;
}

// Tells the user how many pages could not be saved, which would otherwise
// look like a finished download.
void report_failures(int failed) {
  if (failed > 0) {
    set_control_caption(标签2,
                        concat_text(utf8_to_ansi("保存失败"), to_text(failed), utf8_to_ansi("页")));
  }
}

void direct_loop() {
  const Text progress = utf8_to_ansi("下载中……");
  const Text page_word = utf8_to_ansi("页");
  int failed = 0;
  for (int n = 1; n <= kDirectPages; ++n) {
    if (stop_requested()) return;
    set_control_caption(标签2, concat_text(progress, to_text(n), page_word));
    const Text name = page_file_name(n);
    const Text extension = image_extension.get();
    const Text path = concat_text(run_directory(), path_separator(), name, extension);
    const Bytes image = http_get(concat_text(book_dir_url.get(), name, extension));
    if (!save_page(path, image, failed)) return;
  }
  report_failures(failed);
}

void per_page_loop() {
  const Text progress = utf8_to_ansi("下载中…………");
  const Text page_word = utf8_to_ansi("页");
  int failed = 0;
  for (int n = 1; n <= kPerPagePages; ++n) {
    if (stop_requested()) return;
    set_control_caption(标签2, concat_text(progress, to_text(n), page_word));
    const Bytes body = http_request(concat_text(book_dir_url.get(), to_text(n), ".html"));
    if (stop_requested()) return;
    const Text address =
        extract_page_image(page_body_text(body), PageLayout::onerror_image, book_dir_url.get());
    if (stop_requested()) return;
    const Text path =
        concat_text(run_directory(), path_separator(), to_text(n), image_extension.get());
    const Bytes image = http_get(address);
    if (!save_page(path, image, failed)) return;
  }
  report_failures(failed);
}

}  // namespace

Text page_file_name(int page) {
  char name[16];
  std::snprintf(name, sizeof name, "%03d", page);
  return name;
}

void toggle_download() {
  if (compare_text(control_caption(标签3), utf8_to_ansi("下载")) == 0) {
    start_thread(download_book, download_thread);
    set_control_caption(标签3, utf8_to_ansi("停止"));
  } else {
    stop_thread(download_thread);
    set_control_caption(标签3, utf8_to_ansi("下载"));
  }
}

void download_book() {
  const Bytes body = http_request(first_page_url.get());
  if (stop_requested()) return;
  const Text page = page_body_text(body);
  set_control_caption(标签2, utf8_to_ansi("解析中……"));
  if (page_layout(page) == PageLayout::relative_image) {
    direct_loop();
  } else {
    per_page_loop();
  }
}
