#include "app/page_extract.h"

#include <gtest/gtest.h>

#include "platform/thread.h"
#include "text/percent.h"

namespace {

const Text kStart = utf8_to_ansi("友情提示：点击图片直接阅读下一页");
const Text kEnd = utf8_to_ansi("友情提示：点击上方的课本图片直接阅读下一页");
const Text kDir = "http://site/pep/xx3s/ebook/";

// Every byte of t as a %XX escape, upper- and lower-case digits mixed.
std::string escaped(const Text& t) {
  std::string out;
  const char* digits[] = {"0123456789ABCDEF", "0123456789abcdef"};
  int k = 0;
  for (unsigned char c : t.view()) {
    const char* d = digits[k++ % 2];
    out += '%';
    out += d[c >> 4];
    out += d[c & 15];
  }
  return out;
}

class PageExtract : public ::testing::Test {
 protected:
  void SetUp() override { set_sleep_speedup(1000); }
  void TearDown() override { set_sleep_speedup(1); }
};

TEST_F(PageExtract, BodyLayoutAndImageAddress) {
  const std::string filler(1 << 20, 'x');  // a megabyte page
  const struct {
    const char* what;
    Text body;
    PageLayout layout;
    Text address;
  } cases[] = {
      {"empty body", "", PageLayout::relative_image, kDir},
      {"relative reference",
       concat_text("<p>", kStart, "<a><img src='007.jpg' style=\"width:9\"></a>", kEnd),
       PageLayout::relative_image, concat_text(kDir, "007.jpg")},
      {"absolute address, apostrophe and blanks cut off",
       concat_text(kStart, "<img src='http://img/7.jpg'   onerror=\"src='x.jpg'\">", kEnd),
       PageLayout::onerror_image, "http://img/7.jpg"},
      {"onerror in capitals: the layout test folds case, the cut does not",
       concat_text(kStart, "<img src='http://img/7.jpg' onError=\"src='x'\">", kEnd),
       PageLayout::onerror_image, ""},
      {"hint lines in the wrong order", concat_text(kEnd, "<img src='a.jpg' style=\"\">", kStart),
       PageLayout::relative_image, kDir},
      {"no hint lines", "<img src='a.jpg' style=\"\">", PageLayout::relative_image, kDir},
      {"decoys before the first hint line are not seen",
       concat_text("<img src='decoy.jpg' style=\"\" onerror=\"src=", kStart,
                   "<img src='p.jpg' style=\"\">", kEnd),
       PageLayout::relative_image, concat_text(kDir, "p.jpg")},
      {"relative markers missing", concat_text(kStart, "<img src=\"p.jpg\">", kEnd),
       PageLayout::relative_image, kDir},
      {"percent-encoded page",
       Text(escaped(concat_text(kStart, "<img src='9.jpg' style=\"\">", kEnd))),
       PageLayout::relative_image, concat_text(kDir, "9.jpg")},
      {"escapes that are not hexadecimal decode by their rule",
       concat_text(kStart, "<img src='a%G1b.jpg' style=\"\">", kEnd), PageLayout::relative_image,
       concat_text(kDir,
                   "a\xE1"
                   "b.jpg")},
      {"megabyte page", concat_text(filler, kStart, "<img src='m.jpg' style=\"\">", kEnd, filler),
       PageLayout::relative_image, concat_text(kDir, "m.jpg")},
      {"spaces and CR LF stay inside the address, only outer spaces go",
       concat_text(kStart, "<img src=' http://i/a b.jpg\r\n'  onerror=\"src=", kEnd),
       PageLayout::onerror_image, "http://i/a b.jpg\r\n"},
  };
  for (const auto& c : cases) {
    const Text page = page_body_text(to_bytes(c.body));
    const PageLayout layout = page_layout(page);
    EXPECT_EQ(layout, c.layout) << c.what;
    EXPECT_EQ(extract_page_image(page, layout, kDir), c.address) << c.what;
  }
}

TEST_F(PageExtract, BodyIsTheTextBetweenTheHintLines) {
  const Bytes body = to_bytes(concat_text("a", kStart, "b%41c", kEnd, "d", kEnd));
  EXPECT_EQ(page_body_text(body), Text("bAc"));
  // A zero byte ends the page, as it ends every text.
  EXPECT_EQ(page_body_text(Bytes(std::string("x\0", 2) + std::string(kStart.view()))), Text());
}

}  // namespace
