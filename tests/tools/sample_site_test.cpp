#include "tools/sample_site/sample_site.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <stdlib.h>

#include <QGuiApplication>
#include <QImage>
#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string kStartHint = sample_gbk("友情提示：点击图片直接阅读下一页");
const std::string kEndHint = sample_gbk("友情提示：点击上方的课本图片直接阅读下一页");

// The site is started once for every test; the page images need a GUI
// application for their text.
class SampleSiteTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!QGuiApplication::instance()) {
      static int argc = 1;
      static char name[] = "tools_tests";
      static char* argv[] = {name, nullptr};
      setenv("QT_QPA_PLATFORM", "offscreen", 0);
      app_ = new QGuiApplication(argc, argv);
    }
    ASSERT_TRUE(start_sample_site(site_));
  }

  static void TearDownTestSuite() {
    stop_sample_site(site_);
    delete app_;
    app_ = nullptr;
  }

  static httplib::Result get(int port, const std::string& path) {
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(5);
    client.set_read_timeout(10);
    return client.Get(path.c_str());
  }

  // "http://127.0.0.1:P/path" fetched; null on a foreign host.
  static httplib::Result get_url(const std::string& url) {
    const std::string prefix = "http://127.0.0.1:";
    if (url.rfind(prefix, 0) != 0) return httplib::Result(nullptr, httplib::Error::Unknown);
    const std::size_t slash = url.find('/', prefix.size());
    return get(std::stoi(url.substr(prefix.size(), slash - prefix.size())), url.substr(slash));
  }

  static inline QGuiApplication* app_ = nullptr;
  static inline SampleSite site_;
};

std::string percent_decoded(const std::string& s) {
  auto hex = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
      out += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// The text strictly between the first `start` and the first `end` after it.
std::string between(const std::string& s, const std::string& start, const std::string& end) {
  const std::size_t a = s.find(start);
  if (a == std::string::npos) return "";
  const std::size_t b = s.find(end, a + start.size());
  if (b == std::string::npos) return "";
  return s.substr(a + start.size(), b - a - start.size());
}

QImage decoded_jpeg(const std::string& bytes) {
  QImage image;
  image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()),
                     "JPEG");
  return image;
}

TEST(SampleBooks, CoverEveryCatalogueBookWithItsLayout) {
  const std::vector<SampleBook>& books = sample_books();
  ASSERT_EQ(books.size(), 58u);  // 9 grades in two volumes, 40 senior books
  EXPECT_EQ(books.front().key, "xx1s");
  EXPECT_EQ(books[1].key, "xx1x");
  EXPECT_EQ(books[17].key, "cz9x");
  EXPECT_EQ(books.back().key, "gzxuanxiub49");
  std::set<std::string> segments, keys;
  for (const SampleBook& book : books) {
    segments.insert(book.segment);
    keys.insert(book.key);
    EXPECT_GE(book.pages, 24) << book.key;
    EXPECT_LE(book.pages, 36) << book.key;
  }
  EXPECT_EQ(segments.size(), 49u);
  EXPECT_EQ(keys.size(), 58u);

  struct Case {
    const char* key;
    const char* title;
    SampleLayout layout;
  };
  const Case cases[] = {
      {"xx3s", "三年级上册", SampleLayout::relative},
      {"xx6x", "六年级下册", SampleLayout::relative},
      {"cz7s", "七年级上册", SampleLayout::onerror},
      {"cz9x", "九年级下册", SampleLayout::onerror},
      {"gzbixiu1", "高中必修1", SampleLayout::percent_encoded},
      {"gzxuanxiu49", "高中选修4-9", SampleLayout::relative},
      {"gzbixiub5", "高中必修5（B）", SampleLayout::relative},
      {"gzxuanxiub11", "高中选修B版1-1", SampleLayout::relative},
  };
  for (const Case& c : cases) {
    const SampleBook* book = find_sample_book(c.key);
    ASSERT_NE(book, nullptr) << c.key;
    EXPECT_EQ(book->title, c.title) << c.key;
    EXPECT_EQ(book->layout, c.layout) << c.key;
  }
  EXPECT_EQ(find_sample_book("xx3"), nullptr);  // grade books only come in volumes
  EXPECT_EQ(sample_book_pages("nobook"), 0);
}

// Each layout read as the downloading tool reads it: decode, cut between the
// hint lines, cut the image reference, fetch it.
TEST_F(SampleSiteTest, PagesOfEachLayoutLeadToTheirImage) {
  struct Case {
    const char* key;
    int page;
  };
  const Case cases[] = {{"xx3s", 2}, {"cz8x", 5}, {"gzbixiu2", 3}, {"gzxuanxiub49", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    const SampleBook* book = find_sample_book(c.key);
    ASSERT_NE(book, nullptr);
    const std::string dir = sample_book_dir_url(site_, c.key);
    auto page = get_url(dir + std::to_string(c.page) + ".html");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=gbk");
    EXPECT_EQ(page->body, sample_page_html(c.key, c.page, site_.images_port));

    const bool encoded = book->layout == SampleLayout::percent_encoded;
    EXPECT_EQ(page->body.find(kStartHint) == std::string::npos, encoded);
    const std::string html = percent_decoded(page->body);

    // The decoy image comes before the start hint, the page image after it.
    const std::size_t decoy = html.find("<img src='decoy.jpg' style=\"x\">");
    const std::size_t start = html.find(kStartHint);
    const std::size_t end = html.find(kEndHint);
    ASSERT_NE(decoy, std::string::npos);
    ASSERT_NE(start, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    EXPECT_LT(decoy, start);
    EXPECT_LT(start, end);

    const std::string body = between(html, kStartHint, kEndHint);
    std::string image_url;
    if (book->layout == SampleLayout::onerror) {
      EXPECT_EQ(body.find("style="), std::string::npos);
      const std::string cut = between(body, "<img src='", "onerror=\"src=");
      ASSERT_GE(cut.size(), 4u);
      EXPECT_EQ(cut.substr(cut.size() - 4), "'   ");  // apostrophe, three blanks
      image_url = cut.substr(0, cut.size() - 4);
    } else {
      EXPECT_EQ(body.find("onerror="), std::string::npos);
      image_url = dir + between(body, "<img src='", "' style=\"");
    }
    EXPECT_EQ(image_url, sample_image_url(site_, c.key, c.page));

    auto image = get_url(image_url);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->status, 200);
    EXPECT_EQ(image->get_header_value("Content-Type"), "image/jpeg");
    EXPECT_EQ(image->body, sample_page_image(c.key, c.page));
    const QImage decoded = decoded_jpeg(image->body);
    EXPECT_EQ(decoded.width(), 600);
    EXPECT_EQ(decoded.height(), 860);
  }
}

TEST_F(SampleSiteTest, PercentEncodedPagesMixLetterCase) {
  auto page = get(site_.pages_port, "/pep/gzbixiu1/ebook/1.html");
  ASSERT_TRUE(page);
  const std::string& raw = page->body;
  EXPECT_NE(raw.find("%3C"), std::string::npos);  // "<" upper-case ...
  EXPECT_NE(raw.find("%3c"), std::string::npos);  // ... and lower-case
  // A "%" inside the page body is escaped too, so one decoding pass suffices.
  EXPECT_NE(percent_decoded(raw).find("style=\"width:100%\""), std::string::npos);
}

TEST_F(SampleSiteTest, ImagesDifferByPageAndBook) {
  const QImage a = decoded_jpeg(sample_page_image("xx3s", 1));
  const QImage b = decoded_jpeg(sample_page_image("xx3s", 2));
  const QImage c = decoded_jpeg(sample_page_image("xx3x", 1));
  ASSERT_FALSE(a.isNull());
  ASSERT_FALSE(b.isNull());
  ASSERT_FALSE(c.isNull());
  EXPECT_NE(a, b);
  EXPECT_NE(a, c);
  // Made once: the same bytes every time.
  EXPECT_EQ(sample_page_image("xx3s", 1), sample_page_image("xx3s", 1));
  EXPECT_EQ(sample_page_image("xx3s", 0), "");
  EXPECT_EQ(sample_page_image("xx3s", sample_book_pages("xx3s") + 1), "");
}

TEST_F(SampleSiteTest, EverythingPastABookIsTheErrorPage) {
  const int xx3s_pages = sample_book_pages("xx3s");
  const int cz7s_pages = sample_book_pages("cz7s");
  char past_jpg[16];
  std::snprintf(past_jpg, sizeof past_jpg, "%03d.jpg", xx3s_pages + 1);
  struct Case {
    int port;
    std::string path;
  };
  const int pages = site_.pages_port, images = site_.images_port;
  const Case cases[] = {
      {pages, "/pep/xx3s/ebook/" + std::to_string(xx3s_pages + 1) + ".html"},
      {pages, "/pep/xx3s/ebook/0.html"},
      {pages, "/pep/xx3s/ebook/01.html"},
      {pages, "/pep/xx3s/ebook/-1.html"},
      {pages, "/pep/xx3s/ebook/99999999999999999999.html"},
      {pages, "/pep/xx3s/ebook/000.jpg"},
      {pages, "/pep/xx3s/ebook/" + std::string(past_jpg)},
      {pages, "/pep/xx3s/ebook/1.jpg"},    // relative images have three digits
      {pages, "/pep/cz7s/ebook/001.jpg"},  // onerror books keep theirs elsewhere
      {pages, "/pep/xx3/ebook/1.html"},    // no volume
      {pages, "/pep/gzbixiu1s/ebook/1.html"},
      {pages, "/pep/xx3s/1.html"},
      {pages, "/"},
      {images, "/img/cz7s/" + std::to_string(cz7s_pages + 1) + ".jpg"},
      {images, "/img/cz7s/0.jpg"},
      {images, "/img/cz7s/blank.jpg"},
      {images, "/img/xx3s/1.jpg"},
      {images, "/"},
      {site_.notice_port, "/index.html"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    auto res = get(c.port, c.path);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 404);
    EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=gbk");
    EXPECT_EQ(res->body, sample_error_page());
  }
  EXPECT_NE(sample_error_page().find(sample_gbk("页面不存在")), std::string::npos);

  httplib::Client client("127.0.0.1", pages);
  auto post = client.Post("/pep/xx3s/ebook/1.html", "x", "text/plain");
  ASSERT_TRUE(post);
  EXPECT_EQ(post->body, sample_error_page());
}

TEST_F(SampleSiteTest, NoticeIsOneLineOfText) {
  auto res = get(site_.notice_port, "/");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(res->get_header_value("Content-Type"), "text/plain; charset=gbk");
  EXPECT_EQ(res->body, sample_gbk("欢迎使用：示例课件站点，仅供测试。"));
  EXPECT_EQ(res->body, sample_notice());
}

TEST_F(SampleSiteTest, ServesConcurrentRequests) {
  std::atomic<int> good{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([t, &good] {
      for (int page = 1; page <= 4; ++page) {
        const std::string key = t % 2 ? "cz9s" : "xx5x";
        auto image = get_url(sample_image_url(site_, key, t * 4 + page));
        if (image && image->status == 200 && image->body == sample_page_image(key, t * 4 + page))
          ++good;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(good, 24);
}

TEST_F(SampleSiteTest, FixedPortsInUseFailAndStopFreesThem) {
  SampleSite second;
  EXPECT_FALSE(start_sample_site(second, site_.pages_port, 0, 0));
  EXPECT_EQ(second.servers, nullptr);
  EXPECT_EQ(second.pages_port, 0);
  auto still = get(site_.pages_port, "/pep/xx1s/ebook/1.html");
  ASSERT_TRUE(still);
  EXPECT_EQ(still->status, 200);

  // A site of its own on free ports, stopped, then bound again on the same ports.
  SampleSite third;
  ASSERT_TRUE(start_sample_site(third));
  const int ports[3] = {third.pages_port, third.images_port, third.notice_port};
  stop_sample_site(third);
  EXPECT_EQ(third.pages_port, 0);
  EXPECT_FALSE(get(ports[2], "/"));  // nothing listens any more
  ASSERT_TRUE(start_sample_site(third, ports[0], ports[1], ports[2]));
  auto notice = get(third.notice_port, "/");
  ASSERT_TRUE(notice);
  EXPECT_EQ(notice->body, sample_notice());
  stop_sample_site(third);
}

}  // namespace
