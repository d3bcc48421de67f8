// Where the courseware site keeps each book, and the rule that turns the
// user's choice of book, volume and content kind into the addresses of the
// book's first page and of its directory.
#pragma once

#include <vector>

#include "platform/shared_value.h"
#include "text/values.h"

// One book of the list: its path segment, the text shown in the list, and
// whether it comes in two volumes (grades one to nine).
struct BookRow {
  Text segment;
  Text list_text;
  bool has_volumes;
};

// The 49 books in list order; texts in code page 936.
const std::vector<BookRow>& book_table();
// The segments of the content kinds ("ebook") and their list texts.
const TextArray& content_table();
const TextArray& content_list_texts();
// The segments of the volumes ("s", "x") and their list texts.
const TextArray& volume_table();
const TextArray& volume_list_texts();

// The host of the courseware site, fixed when the program is built.
Text courseware_host();
// "http://" + the host + "/pep/".
Text courseware_base_url();

// Values shared by the window and the workers. The first four are written by
// the GUI thread only, before any worker starts.
extern Text site_base_url;
extern TextArray grade_segments;
extern TextArray content_segments;
extern TextArray volume_segments;
// Read by workers while the GUI thread may replace them.
extern SharedValue<Text> image_extension;
extern SharedValue<Text> selected_grade_segment;
extern SharedValue<Text> first_page_url;
extern SharedValue<Text> book_dir_url;

// Sets site_base_url, the three segment arrays (copies of the tables) and
// image_extension (".jpg"), as the window does when it is made.
void load_catalogue();
// Empties every shared value above.
void clear_catalogue();

// Rebuilds first_page_url and book_dir_url from the current selections of
// the book list, the content kind and (for grades one to nine) the volume,
// reporting in the status line. Without a book it shows the message box
// "未选择年级列表！！" and changes nothing else. A content kind or volume
// without a selection counts as the first of its kind. GUI thread only.
void build_book_addresses();
