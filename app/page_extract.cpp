#include "app/page_extract.h"

#include "platform/thread.h"
#include "text/markers.h"
#include "text/percent.h"

namespace {

constexpr int kCutPauseMs = 500;

const Text& start_hint() {
  static const Text t = utf8_to_ansi("友情提示：点击图片直接阅读下一页");
  return t;
}

const Text& end_hint() {
  static const Text t = utf8_to_ansi("友情提示：点击上方的课本图片直接阅读下一页");
  return t;
}

const Text kImageStart = "<img src='";
const Text kRelativeEnd = "' style=\"";
const Text kOnerrorEnd = "onerror=\"src=";
const Text kOnerrorTest = "onerror=";

}  // namespace

Text page_body_text(const Bytes& body) {
  const Text decoded = percent_decode(to_text(body));
  return text_between(decoded, start_hint(), end_hint());
}

PageLayout page_layout(const Text& page) {
  return find_text_ci(page, kOnerrorTest, 0, true) != -1 ? PageLayout::onerror_image
                                                         : PageLayout::relative_image;
}

Text extract_page_image(const Text& page, PageLayout layout, const Text& book_dir) {
  if (layout == PageLayout::relative_image) {
    const Text reference = text_between(page, kImageStart, kRelativeEnd);
    sleep_ms(kCutPauseMs);
    return concat_text(book_dir, reference);
  }
  // The cut holds the address, its closing apostrophe and the blanks before
  // the onerror attribute.
  Text address = text_between(page, kImageStart, kOnerrorEnd);
  sleep_ms(kCutPauseMs);
  address = trim_blanks(address);
  sleep_ms(kCutPauseMs);
  address = drop_right(address, 1);
  sleep_ms(kCutPauseMs);
  return address;
}
