#include "app/preview.h"

#include "app/catalogue.h"
#include "app/controls.h"
#include "app/main_window.h"
#include "app/page_extract.h"
#include "http/request.h"
#include "platform/http_get.h"
#include "platform/thread.h"
#include "text/percent.h"

void start_preview() {
  start_thread(preview_page, preview_thread);
}

void preview_page() {
  const Bytes body = http_request(first_page_url.get());
  const Text page = page_body_text(body);
  if (stop_requested()) return;
  set_control_caption(标签2, utf8_to_ansi("解析中……"));
  const PageLayout layout = page_layout(page);
  const Text address = extract_page_image(page, layout, book_dir_url.get());
  if (stop_requested()) return;
  const Bytes image = http_get(address);
  sleep_ms(layout == PageLayout::relative_image ? 1000 : 500);
  if (stop_requested()) return;
  set_control_picture(图片框1, image);
  set_control_caption(标签2, utf8_to_ansi("预览"));
}
