// Preview and download, end to end: the real window (offscreen) against the
// sample courseware site on loopback.
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "app/catalogue.h"
#include "app/controls.h"
#include "app/download.h"
#include "app/page_extract.h"
#include "app/preview.h"
#include "fake_gui.h"
#include "platform/files.h"
#include "platform/thread.h"
#include "qt_fixture.h"
#include "text/percent.h"
#include "tools/sample_site/sample_site.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// List rows of the books used here, and their directories on the site.
constexpr int kGrade3 = 2;  // xx3s: relative layout
constexpr int kGrade9 = 8;  // cz9s: onerror layout, images on the second port
constexpr int kBixiu1 = 9;  // gzbixiu1: percent-encoded pages

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

fs::path run_dir() {
  return fs::path(std::string(run_directory().view()));
}

// Removes every page file a download can write.
void remove_page_files() {
  std::error_code ignored;
  for (int n = 1; n <= 240; ++n) {
    fs::remove_all(run_dir() / (std::to_string(n) + ".jpg"), ignored);
    fs::remove_all(run_dir() / (std::string(page_file_name(n).view()) + ".jpg"), ignored);
  }
}

class WorkersTest : public MainWindowTest {
 protected:
  static void SetUpTestSuite() {
    // Draw the page images here, on the GUI thread, rather than on the
    // site's server threads beside the window's own text drawing.
    for (const char* key : {"xx3s", "cz9s", "cz7s", "gzbixiu1"}) {
      for (int n = 1; n <= sample_book_pages(key); ++n) sample_page_image(key, n);
    }
    ASSERT_TRUE(start_sample_site(site));
  }
  static void TearDownTestSuite() { stop_sample_site(site); }

  void SetUp() override {
    MainWindowTest::SetUp();
    site_base_url = concat_text("http://127.0.0.1:", to_text(site.pages_port), "/pep/");
    set_sleep_speedup(50);
    remove_page_files();
  }
  void TearDown() override {
    MainWindowTest::TearDown();  // stops the workers first
    set_sleep_speedup(1);
    remove_page_files();
  }

  // Picks a book, its first volume and the content kind, as a user would.
  void choose(int book) {
    set_control_selection(列表框1, book);
    set_control_selection(上下册_选择框, 0);
    pick_from_list(combo("内容_选择框"), 0);
  }

  static bool wait_for(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s) {
    return QTest::qWaitFor(done, static_cast<int>(limit.count()));
  }

  QImage preview_image() {
    QPixmap p = label("图片框1")->pixmap();
    return p.isNull() ? QImage() : p.toImage().convertToFormat(QImage::Format_RGB32);
  }
  static QImage decoded(const std::string& jpeg) {
    QImage image;
    image.loadFromData(reinterpret_cast<const uchar*>(jpeg.data()), static_cast<int>(jpeg.size()));
    return image.convertToFormat(QImage::Format_RGB32);
  }

  static SampleSite site;
};

SampleSite WorkersTest::site;

TEST_F(WorkersTest, PreviewShowsPageOneOfEachLayout) {
  const struct {
    int row;
    const char* key;
  } books[] = {{kGrade3, "xx3s"}, {kGrade9, "cz9s"}, {kBixiu1, "gzbixiu1"}};
  for (const auto& b : books) {
    choose(b.row);
    set_control_picture(图片框1, Bytes());
    release("标签1");
    ASSERT_TRUE(wait_for([&] { return !preview_image().isNull(); })) << b.key;
    EXPECT_TRUE(wait_for([&] { return label("标签2")->text() == QString::fromUtf8("预览"); }));
    EXPECT_EQ(preview_image(), decoded(sample_page_image(b.key, 1))) << b.key;
    EXPECT_TRUE(wait_for([] { return thread_finished(preview_thread); }));
  }
}

TEST_F(WorkersTest, PreviewBeforeAnyChoiceEndsBlank) {
  set_control_picture(图片框1, resource_bytes("donation.png"));
  release("标签1");
  EXPECT_TRUE(wait_for([] { return thread_finished(preview_thread); }));
  settle();
  EXPECT_TRUE(label("图片框1")->pixmap().isNull());
  EXPECT_EQ(label("标签2")->text(), QString::fromUtf8("预览"));
}

TEST_F(WorkersTest, DirectLoopSavesWhatTheSiteServes) {
  choose(kGrade3);
  release("标签3");
  EXPECT_EQ(label("标签3")->text(), QString::fromUtf8("停止"));
  ASSERT_TRUE(wait_for([] { return thread_finished(download_thread); }, 60s));
  settle();
  const int pages = sample_book_pages("xx3s");
  for (int n = 1; n <= 230; ++n) {
    const std::string expected = n <= pages ? sample_page_image("xx3s", n) : sample_error_page();
    const fs::path file = run_dir() / (std::string(page_file_name(n).view()) + ".jpg");
    ASSERT_TRUE(fs::exists(file)) << file;
    EXPECT_EQ(read_file(file), expected) << file;
  }
  EXPECT_FALSE(fs::exists(run_dir() / "231.jpg"));
  EXPECT_EQ(label("标签2")->text(), QString::fromUtf8("下载中……230页"));

  // Finished by itself: the label still offers to stop; one release only resets it.
  EXPECT_EQ(label("标签3")->text(), QString::fromUtf8("停止"));
  const ThreadHandle finished = download_thread;
  release("标签3");
  EXPECT_EQ(label("标签3")->text(), QString::fromUtf8("下载"));
  EXPECT_EQ(download_thread, finished);
  release("标签3");
  EXPECT_EQ(label("标签3")->text(), QString::fromUtf8("停止"));
  EXPECT_NE(download_thread, finished);
}

TEST_F(WorkersTest, PerPageLoopSavesTheImagesTheirPagesName) {
  set_sleep_speedup(1000);
  choose(kGrade9);
  release("标签3");
  ASSERT_TRUE(wait_for([] { return thread_finished(download_thread); }, 120s));
  settle();
  const int pages = sample_book_pages("cz9s");
  for (int n = 1; n <= 240; ++n) {
    // Past the book the page is an error page without hint lines: no address,
    // so nothing is fetched and the file is empty.
    const std::string expected = n <= pages ? sample_page_image("cz9s", n) : std::string();
    const fs::path file = run_dir() / (std::to_string(n) + ".jpg");
    ASSERT_TRUE(fs::exists(file)) << file;
    EXPECT_EQ(read_file(file), expected) << file;
  }
  EXPECT_FALSE(fs::exists(run_dir() / "001.jpg"));
  EXPECT_EQ(label("标签2")->text(), QString::fromUtf8("下载中…………240页"));
}

TEST_F(WorkersTest, StopEndsTheDownloadAtOnceAndWritesNothingAfter) {
  set_sleep_speedup(10);  // 150 ms of pauses per page
  choose(kGrade9);
  release("标签3");
  ASSERT_TRUE(wait_for([] { return fs::exists(run_dir() / "3.jpg"); }));
  release("标签3");
  EXPECT_EQ(label("标签3")->text(), QString::fromUtf8("下载"));
  std::set<fs::path> written;
  for (int n = 1; n <= 240; ++n) {
    if (fs::exists(run_dir() / (std::to_string(n) + ".jpg"))) written.insert(std::to_string(n));
  }
  ASSERT_TRUE(wait_for([] { return thread_finished(download_thread); }, 2s));
  QTest::qWait(500);
  for (int n = 1; n <= 240; ++n) {
    const bool now = fs::exists(run_dir() / (std::to_string(n) + ".jpg"));
    EXPECT_EQ(now, written.count(std::to_string(n)) == 1) << n;
  }

  // A second download works.
  set_sleep_speedup(1000);
  remove_page_files();
  release("标签3");
  ASSERT_TRUE(wait_for([] { return thread_finished(download_thread); }, 120s));
  EXPECT_TRUE(fs::exists(run_dir() / "240.jpg"));
}

TEST_F(WorkersTest, ANewChoiceDuringADownloadTakesEffectFromTheNextPage) {
  constexpr int kGrade7 = 6;  // cz7s: onerror layout too
  set_sleep_speedup(20);      // 75 ms of pauses per page
  choose(kGrade9);
  release("标签3");
  ASSERT_TRUE(wait_for([] { return fs::exists(run_dir() / "2.jpg"); }));
  choose(kGrade7);  // rebuilds the addresses while the worker reads them
  ASSERT_TRUE(wait_for([] { return fs::exists(run_dir() / "8.jpg"); }));
  release("标签3");
  ASSERT_TRUE(wait_for([] { return thread_finished(download_thread); }, 2s));
  EXPECT_EQ(read_file(run_dir() / "1.jpg"), sample_page_image("cz9s", 1));
  EXPECT_EQ(read_file(run_dir() / "8.jpg"), sample_page_image("cz7s", 8));
}

TEST_F(WorkersTest, PagesThatCannotBeSavedShowInTheStatusLine) {
  choose(kGrade3);
  fs::create_directory(run_dir() / "007.jpg");  // a file of that name cannot be made
  release("标签3");
  ASSERT_TRUE(wait_for([] { return thread_finished(download_thread); }, 60s));
  settle();
  EXPECT_EQ(label("标签2")->text(), QString::fromUtf8("保存失败1页"));
  EXPECT_TRUE(fs::exists(run_dir() / "230.jpg"));  // the loop went on
}

TEST_F(WorkersTest, ClosingTheWindowStopsEveryWorker) {
  set_sleep_speedup(1);
  choose(kGrade9);
  release("标签3");
  release("标签1");
  release("标签1");
  QTest::qWait(200);
  const auto begun = std::chrono::steady_clock::now();
  close_window();
  EXPECT_LT(std::chrono::steady_clock::now() - begun, 2s);
  EXPECT_TRUE(thread_finished(download_thread));
  EXPECT_TRUE(thread_finished(preview_thread));
}

TEST(PageExtractPauses, RealPausesOfOneCut) {
  set_sleep_speedup(1);
  const Text page = "<img src='http://h/1.jpg'   onerror=\"src=x\">";
  auto begun = std::chrono::steady_clock::now();
  EXPECT_EQ(extract_page_image(page, PageLayout::onerror_image, "http://h/d/"),
            Text("http://h/1.jpg"));
  auto took = std::chrono::steady_clock::now() - begun;
  EXPECT_GE(took, 1500ms);  // three pauses of 500 ms, not two and not four
  EXPECT_LT(took, 2000ms);
  begun = std::chrono::steady_clock::now();
  EXPECT_EQ(extract_page_image("<img src='a.jpg' style=\"\">", PageLayout::relative_image, "d/"),
            Text("d/a.jpg"));
  took = std::chrono::steady_clock::now() - begun;
  EXPECT_GE(took, 500ms);  // one pause
  EXPECT_LT(took, 1000ms);
}

}  // namespace

namespace {

// The status line, caption by caption, with a stand-in for the window.
class StatusCaptions : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(start_sample_site(site)); }
  static void TearDownTestSuite() { stop_sample_site(site); }

  void SetUp() override {
    gui.install(标签2);
    load_catalogue();
    site_base_url = concat_text("http://127.0.0.1:", to_text(site.pages_port), "/pep/");
    set_sleep_speedup(1000);
    remove_page_files();
  }
  void TearDown() override {
    stop_all_threads();
    clear_catalogue();
    set_sleep_speedup(1);
    remove_page_files();
  }

  void choose(int book) {
    gui.selections[列表框1] = book;
    gui.selections[上下册_选择框] = 0;
    gui.selections[内容_选择框] = 0;
    build_book_addresses();
  }

  // What the status line showed after the book's addresses were built.
  std::vector<Text> shown_after_choice() {
    std::vector<Text> all = gui.statuses();
    all.erase(all.begin(), all.begin() + 2);  // "开始寻找", "正在解析"
    return all;
  }

  static std::vector<Text> expected_loop(const char* progress, int pages) {
    std::vector<Text> expected = {gbk("解析中……")};
    for (int n = 1; n <= pages; ++n) {
      expected.push_back(concat_text(gbk(progress), to_text(n), gbk("页")));
    }
    return expected;
  }
  static Text gbk(const char* utf8) { return utf8_to_ansi(utf8); }

  FakeGui gui;
  static SampleSite site;
};

SampleSite StatusCaptions::site;

TEST_F(StatusCaptions, EachLoopReportsEveryPage) {
  choose(kGrade3);
  download_book();
  EXPECT_EQ(shown_after_choice(), expected_loop("下载中……", 230));

  gui.status_log.clear();
  choose(kGrade9);
  download_book();
  EXPECT_EQ(shown_after_choice(), expected_loop("下载中…………", 240));
}

TEST_F(StatusCaptions, PreviewReportsParsingThenDone) {
  choose(kGrade9);
  preview_page();
  EXPECT_EQ(shown_after_choice(), (std::vector<Text>{gbk("解析中……"), gbk("预览")}));
  EXPECT_EQ(gui.pictures[图片框1], Bytes(sample_page_image("cz9s", 1)));
}

}  // namespace
