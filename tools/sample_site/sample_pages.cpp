// The text the sample site serves: book pages in both layouts, the
// percent-encoded variant, the error page and the notice, all in code page 936.
#include <errno.h>
#include <iconv.h>

#include <cstdio>

#include "tools/sample_site/sample_site.h"

namespace {

// "001" for 1: the three-digit names of relative page images.
std::string three_digits(int n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%03d", n);
  return buf;
}

std::string onerror_image_url(int images_port, std::string_view key, const std::string& file) {
  return "http://127.0.0.1:" + std::to_string(images_port) + "/img/" + std::string(key) + "/" +
         file;
}

// The page image inside its link to the next page.
std::string image_tag(const SampleBook& book, int page, int images_port) {
  const std::string next = "<a href='" + std::to_string(page + 1) + ".html'>";
  if (book.layout == SampleLayout::onerror) {
    // The closing apostrophe, three blanks, then the fallback image.
    return next + "<img src='" +
           onerror_image_url(images_port, book.key, std::to_string(page) + ".jpg") +
           "'   onerror=\"src='" + onerror_image_url(images_port, book.key, "blank.jpg") +
           "'\"></a>";
  }
  return next + "<img src='" + three_digits(page) + ".jpg' style=\"width:100%\"></a>";
}

// Everything inside <body>, UTF-8. Decoys before the start hint and after the
// end hint carry the markers a careless reader would take: an image with a
// style attribute, onerror attributes, and a hint line that is not the one.
std::string body_of(const SampleBook& book, int page, int images_port) {
  std::string prev = page > 1 ? "<a href='" + std::to_string(page - 1) + ".html'>上一页</a>" : "";
  return "<div class=\"top\"><img src='/pep/logo.gif' onerror=\"this.style.display='none'\">"
         " 示例课件站点 &gt; " +
         book.title +
         " &gt; 电子课本</div>\n"
         "<p class=\"tip\">友情提示：本站课本仅供示例，请勿转载。</p>\n"
         "<div class=\"ad\"><img src='decoy.jpg' style=\"x\"></div>\n"
         "<p>友情提示：点击图片直接阅读下一页</p>\n"
         "<div class=\"page\">" +
         image_tag(book, page, images_port) +
         "</div>\n"
         "<p>友情提示：点击上方的课本图片直接阅读下一页</p>\n"
         "<div class=\"nav\">" +
         prev + " 第" + std::to_string(page) + "页 共" + std::to_string(book.pages) +
         "页 <a href='" + std::to_string(page + 1) +
         ".html'>下一页</a></div>\n"
         "<div class=\"foot\"><img src='foot.jpg' style=\"x\" onerror=\"src='blank.jpg'\"></div>\n";
}

// Every byte as a %XX escape, the hex digits in mixed letter case.
std::string percent_escape(const std::string& bytes) {
  static const char upper[] = "0123456789ABCDEF";
  static const char lower[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char* digits = i % 3 == 1 ? lower : upper;
    const auto b = static_cast<unsigned char>(bytes[i]);
    out += '%';
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

}  // namespace

std::string sample_gbk(std::string_view utf8) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(utf8);
  std::string out(utf8.size() * 2 + 16, '\0');
  char* src = const_cast<char*>(utf8.data());  // iconv never writes through it
  std::size_t src_left = utf8.size();
  char* dst = out.data();
  std::size_t dst_left = out.size();
  while (src_left > 0) {
    if (iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) break;  // cannot happen: GBK never needs more bytes than UTF-8
    // A character GBK lacks or a malformed sequence: one "?", then skip the
    // lead byte and any continuation bytes.
    *dst++ = '?';
    --dst_left;
    do {
      ++src;
      --src_left;
    } while (src_left > 0 && (static_cast<unsigned char>(*src) & 0xC0) == 0x80);
  }
  iconv_close(cd);
  out.resize(out.size() - dst_left);
  return out;
}

std::string sample_book_dir_url(const SampleSite& site, std::string_view key) {
  return "http://127.0.0.1:" + std::to_string(site.pages_port) + "/pep/" + std::string(key) +
         "/ebook/";
}

std::string sample_image_url(const SampleSite& site, std::string_view key, int page) {
  const SampleBook* book = find_sample_book(key);
  if (book && book->layout == SampleLayout::onerror)
    return onerror_image_url(site.images_port, key, std::to_string(page) + ".jpg");
  return sample_book_dir_url(site, key) + three_digits(page) + ".jpg";
}

std::string sample_page_html(std::string_view key, int page, int images_port) {
  const SampleBook* book = find_sample_book(key);
  if (!book || page < 1 || page > book->pages) return "";
  const std::string head =
      "<!DOCTYPE html>\n<html>\n<head>\n"
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">\n"
      "<title>" +
      book->title + " 电子课本 第" + std::to_string(page) +
      "页 - 示例课件站点</title>\n"
      "</head>\n<body>\n";
  const std::string tail = "</body>\n</html>\n";
  const std::string body = body_of(*book, page, images_port);
  if (book->layout != SampleLayout::percent_encoded) return sample_gbk(head + body + tail);
  return sample_gbk(head) + "<script type=\"text/javascript\">document.write(unescape(\"" +
         percent_escape(sample_gbk(body)) + "\"));</script>\n" + sample_gbk(tail);
}

std::string sample_error_page() {
  return sample_gbk(
      "<!DOCTYPE html>\n<html>\n<head>\n"
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">\n"
      "<title>404 页面不存在</title>\n</head>\n<body>\n"
      "<h1>404 页面不存在</h1>\n<p>您要找的课本页面不在本站。</p>\n"
      "</body>\n</html>\n");
}

std::string sample_notice() {
  return sample_gbk("欢迎使用：示例课件站点，仅供测试。");
}
