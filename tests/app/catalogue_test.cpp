#include "app/catalogue.h"

#include <gtest/gtest.h>

#include "app/controls.h"
#include "fake_gui.h"

namespace {

// Code page 936 bytes of the texts checked here.
const Text kStartSearch = "\xBF\xAA\xCA\xBC\xD1\xB0\xD5\xD2";  // 开始寻找
const Text kResolving = "\xD5\xFD\xD4\xDA\xBD\xE2\xCE\xF6";    // 正在解析
const Text kNoBook =
    "\xCE\xB4\xD1\xA1\xD4\xF1\xC4\xEA\xBC\xB6\xC1\xD0\xB1\xED\xA3\xA1\xA3\xA1";  // 未选择年级列表！！
const Text kInfo = "\xD0\xC5\xCF\xA2\xA3\xBA";                                   // 信息：

TEST(BookTable, SegmentsInListOrder) {
  const char* expected[] = {
      "xx1",          "xx2",          "xx3",          "xx4",          "xx5",
      "xx6",          "cz7",          "cz8",          "cz9",          "gzbixiu1",
      "gzbixiu2",     "gzbixiu3",     "gzbixiu4",     "gzbixiu5",     "gzxuanxiu11",
      "gzxuanxiu12",  "gzxuanxiu21",  "gzxuanxiu22",  "gzxuanxiu23",  "gzxuanxiu31",
      "gzxuanxiu33",  "gzxuanxiu34",  "gzxuanxiu41",  "gzxuanxiu42",  "gzxuanxiu44",
      "gzxuanxiu45",  "gzxuanxiu46",  "gzxuanxiu47",  "gzxuanxiu49",  "gzbixiub1",
      "gzbixiub2",    "gzbixiub3",    "gzbixiub4",    "gzbixiub5",    "gzxuanxiub11",
      "gzxuanxiub12", "gzxuanxiub21", "gzxuanxiub22", "gzxuanxiub23", "gzxuanxiub31",
      "gzxuanxiub33", "gzxuanxiub34", "gzxuanxiub41", "gzxuanxiub42", "gzxuanxiub44",
      "gzxuanxiub45", "gzxuanxiub46", "gzxuanxiub47", "gzxuanxiub49"};
  const auto& rows = book_table();
  ASSERT_EQ(rows.size(), std::size(expected));
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].segment, Text(expected[i])) << i;
    EXPECT_EQ(rows[i].has_volumes, i <= 8) << i;
  }
}

TEST(BookTable, ListTextsInCodePage936) {
  const struct {
    int row;
    Text text;
  } cases[] = {
      {0, "\xD2\xBB\xC4\xEA\xBC\xB6"},                                   // 一年级
      {8, "\xBE\xC5\xC4\xEA\xBC\xB6"},                                   // 九年级
      {14, "\xB8\xDF\xD6\xD0\xD1\xA1\xD0\xDE\x31\x2D\x31"},              // 高中选修1-1
      {29, "\xB8\xDF\xD6\xD0\xB1\xD8\xD0\xDE\x31\xA3\xA8\x42\xA3\xA9"},  // 高中必修1（B）
      {48, "\xB8\xDF\xD6\xD0\xD1\xA1\xD0\xDE\x42\xB0\xE6\x34\x2D\x39"},  // 高中选修B版4-9
  };
  for (const auto& c : cases) EXPECT_EQ(book_table()[c.row].list_text, c.text) << c.row;
  EXPECT_EQ(content_list_texts(), TextArray{"\xB5\xE7\xD7\xD3\xBF\xCE\xBC\xFE"});  // 电子课件
  EXPECT_EQ(volume_list_texts(), (TextArray{"\xC9\xCF\xB2\xE1", "\xCF\xC2\xB2\xE1"}));
  EXPECT_EQ(content_table(), TextArray{"ebook"});
  EXPECT_EQ(volume_table(), (TextArray{"s", "x"}));
}

class BookAddresses : public ::testing::Test {
 protected:
  void SetUp() override {
    gui.install();
    load_catalogue();
  }
  void TearDown() override { clear_catalogue(); }

  void choose(int book, int volume, int content) {
    gui.selections[列表框1] = book;
    gui.selections[上下册_选择框] = volume;
    gui.selections[内容_选择框] = content;
  }

  FakeGui gui;
};

TEST_F(BookAddresses, JoinBaseBookVolumeAndContent) {
  const struct {
    int book, volume, content;
    const char* dir;
  } cases[] = {
      {0, 1, 0, "xx1x/ebook/"},      // 一年级 下册
      {2, 0, 0, "xx3s/ebook/"},      // 三年级 上册
      {8, 0, 0, "cz9s/ebook/"},      // the last book with volumes
      {9, 1, 0, "gzbixiu1/ebook/"},  // no volume, whatever the volume box shows
      {48, 0, 0, "gzxuanxiub49/ebook/"},
      // Nothing (or nothing valid) selected counts as the first content kind or volume.
      {3, 0, -1, "xx4s/ebook/"},
      {3, -1, 0, "xx4s/ebook/"},
      {3, 7, 5, "xx4s/ebook/"},
  };
  for (const auto& c : cases) {
    choose(c.book, c.volume, c.content);
    build_book_addresses();
    const Text dir = concat_text(courseware_base_url(), c.dir);
    EXPECT_EQ(book_dir_url.get(), dir) << c.dir;
    EXPECT_EQ(first_page_url.get(), concat_text(dir, "1.html")) << c.dir;
    EXPECT_EQ(selected_grade_segment.get(), book_table()[c.book].segment);
    EXPECT_EQ(gui.captions[标签2], kResolving);
  }
  EXPECT_TRUE(gui.message_boxes.empty());
  EXPECT_EQ(courseware_base_url(), concat_text("http://", courseware_host(), "/pep/"));
}

TEST_F(BookAddresses, NoBookShowsTheMessageAndKeepsTheAddresses) {
  choose(4, 0, 0);
  build_book_addresses();
  const Text first = first_page_url.get(), dir = book_dir_url.get();
  for (int book : {-1, 49, -7}) {
    choose(book, 1, 0);
    build_book_addresses();
    EXPECT_EQ(first_page_url.get(), first);
    EXPECT_EQ(book_dir_url.get(), dir);
    EXPECT_EQ(gui.captions[标签2], kStartSearch);
  }
  ASSERT_EQ(gui.message_boxes.size(), 3u);
  EXPECT_EQ(gui.message_boxes[0].first, kNoBook);
  EXPECT_EQ(gui.message_boxes[0].second, kInfo);
}

TEST_F(BookAddresses, EmptyBeforeTheFirstCompleteRun) {
  choose(-1, 0, 0);
  build_book_addresses();
  EXPECT_EQ(first_page_url.get(), Text());
  EXPECT_EQ(book_dir_url.get(), Text());
  EXPECT_EQ(selected_grade_segment.get(), Text());
}

}  // namespace
