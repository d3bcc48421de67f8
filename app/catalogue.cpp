#include "app/catalogue.h"

#include "app/controls.h"
#include "platform/gui.h"
#include "text/percent.h"

#ifndef ZUVO_COURSEWARE_HOST
#define ZUVO_COURSEWARE_HOST "courseware.example"
#endif

namespace {

std::vector<BookRow> make_book_table() {
  std::vector<BookRow> rows;
  const char* grade_names[] = {"一", "二", "三", "四", "五", "六", "七", "八", "九"};
  for (int grade = 1; grade <= 9; ++grade) {
    const char* prefix = grade <= 6 ? "xx" : "cz";
    rows.push_back({concat_text(prefix, to_text(grade)),
                    utf8_to_ansi(concat_text(grade_names[grade - 1], "年级").c_str()), true});
  }
  // The elective codes: the label is the code's two digits joined by "-".
  const int electives[] = {11, 12, 21, 22, 23, 31, 33, 34, 41, 42, 44, 45, 46, 47, 49};
  auto elective_label = [](int code) {
    return concat_text(to_text(code / 10), "-", to_text(code % 10));
  };
  for (const char* edition : {"", "b"}) {
    const bool b_edition = *edition != '\0';
    for (int n = 1; n <= 5; ++n) {
      rows.push_back({concat_text("gzbixiu", edition, to_text(n)),
                      concat_text(utf8_to_ansi("高中必修"), to_text(n),
                                  b_edition ? utf8_to_ansi("（B）") : Text()),
                      false});
    }
    for (int code : electives) {
      rows.push_back(
          {concat_text("gzxuanxiu", edition, to_text(code)),
           concat_text(utf8_to_ansi(b_edition ? "高中选修B版" : "高中选修"), elective_label(code)),
           false});
    }
  }
  return rows;
}

// Member i + 1 of `table` for a 0-based selection i; the first member when
// nothing (or nothing valid) is selected, so the rule never reads outside.
Text member_for_selection(const TextArray& table, int selection) {
  if (selection < 0 || selection >= array_size(table)) selection = 0;
  return array_member(table, selection + 1);
}

}  // namespace

const std::vector<BookRow>& book_table() {
  static const std::vector<BookRow> rows = make_book_table();
  return rows;
}

const TextArray& content_table() {
  static const TextArray table = {"ebook"};
  return table;
}

const TextArray& content_list_texts() {
  static const TextArray texts = {utf8_to_ansi("电子课件")};
  return texts;
}

const TextArray& volume_table() {
  static const TextArray table = {"s", "x"};
  return table;
}

const TextArray& volume_list_texts() {
  static const TextArray texts = {utf8_to_ansi("上册"), utf8_to_ansi("下册")};
  return texts;
}

Text courseware_host() {
  return ZUVO_COURSEWARE_HOST;
}

Text courseware_base_url() {
  return concat_text("http://", courseware_host(), "/pep/");
}

Text site_base_url;
TextArray grade_segments;
TextArray content_segments;
TextArray volume_segments;
SharedValue<Text> image_extension;
SharedValue<Text> selected_grade_segment;
SharedValue<Text> first_page_url;
SharedValue<Text> book_dir_url;

void load_catalogue() {
  site_base_url = courseware_base_url();
  grade_segments.clear();
  for (const BookRow& row : book_table()) array_append(grade_segments, row.segment);
  content_segments = content_table();
  volume_segments = volume_table();
  image_extension.set(".jpg");
}

void clear_catalogue() {
  site_base_url = Text();
  grade_segments = {};
  content_segments = {};
  volume_segments = {};
  image_extension.set(Text());
  selected_grade_segment.set(Text());
  first_page_url.set(Text());
  book_dir_url.set(Text());
}

void build_book_addresses() {
  set_control_caption(标签2, utf8_to_ansi("开始寻找"));
  const int book = control_selection(列表框1);
  if (book < 0 || book >= array_size(grade_segments)) {
    message_box(utf8_to_ansi("未选择年级列表！！"), utf8_to_ansi("信息："));
    return;
  }
  const Text grade = array_member(grade_segments, book + 1);
  selected_grade_segment.set(grade);
  const Text content = member_for_selection(content_segments, control_selection(内容_选择框));
  // Grades one to nine (rows 0 to 8) come in two volumes; the volume segment
  // follows the book segment directly.
  const Text volume =
      book <= 8 ? member_for_selection(volume_segments, control_selection(上下册_选择框)) : Text();
  const Text dir = concat_text(site_base_url, grade, volume, "/", content, "/");
  first_page_url.set(concat_text(dir, to_text(1), ".html"));
  book_dir_url.set(dir);
  set_control_caption(标签2, utf8_to_ansi("正在解析"));
}
