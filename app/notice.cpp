#include "app/notice.h"

#include "app/controls.h"
#include "http/request.h"
#include "platform/gui.h"

#ifndef ZUVO_NOTICE_URL
#define ZUVO_NOTICE_URL "http://notice.example/"
#endif

Text notice_url() {
  return ZUVO_NOTICE_URL;
}

void show_notice() {
  show_notice_from(notice_url());
}

void show_notice_from(const Text& url) {
  set_control_caption(标签5, to_text(http_request(url)));
}
