// The books of the sample site: every catalogue segment, with a layout and a
// page count that depend only on the book.
#include <cstdint>

#include "tools/sample_site/sample_site.h"

namespace {

// 24 to 36 pages, spread by a hash of the key so that books differ.
int pages_for(const std::string& key) {
  std::uint32_t h = 2166136261u;  // FNV-1a
  for (unsigned char c : key) h = (h ^ c) * 16777619u;
  return 24 + static_cast<int>(h % 13);
}

// Primary school books use the relative layout, junior school books the
// onerror layout, the first senior compulsory series the percent-encoded
// pages, and every other senior book the relative layout again.
SampleLayout layout_for(const std::string& segment) {
  if (segment.rfind("cz", 0) == 0) return SampleLayout::onerror;
  if (segment.rfind("gzbixiu", 0) == 0 && segment.rfind("gzbixiub", 0) != 0)
    return SampleLayout::percent_encoded;
  return SampleLayout::relative;
}

void add(std::vector<SampleBook>& books, const std::string& segment, const std::string& title) {
  books.push_back({segment, segment, title, layout_for(segment), pages_for(segment)});
}

void add_volumes(std::vector<SampleBook>& books, const std::string& segment,
                 const std::string& title) {
  books.push_back(
      {segment + "s", segment, title + "上册", layout_for(segment), pages_for(segment + "s")});
  books.push_back(
      {segment + "x", segment, title + "下册", layout_for(segment), pages_for(segment + "x")});
}

std::vector<SampleBook> make_books() {
  static const char* const grades[] = {"一", "二", "三", "四", "五", "六", "七", "八", "九"};
  static const char* const electives[] = {"11", "12", "21", "22", "23", "31", "33", "34",
                                          "41", "42", "44", "45", "46", "47", "49"};
  std::vector<SampleBook> books;
  for (int g = 1; g <= 9; ++g) {
    add_volumes(books, (g <= 6 ? "xx" : "cz") + std::to_string(g),
                std::string(grades[g - 1]) + "年级");
  }
  for (int i = 1; i <= 5; ++i)
    add(books, "gzbixiu" + std::to_string(i), "高中必修" + std::to_string(i));
  for (const char* code : electives) {
    add(books, std::string("gzxuanxiu") + code, std::string("高中选修") + code[0] + "-" + code[1]);
  }
  for (int i = 1; i <= 5; ++i)
    add(books, "gzbixiub" + std::to_string(i), "高中必修" + std::to_string(i) + "（B）");
  for (const char* code : electives) {
    add(books, std::string("gzxuanxiub") + code,
        std::string("高中选修B版") + code[0] + "-" + code[1]);
  }
  return books;
}

}  // namespace

const std::vector<SampleBook>& sample_books() {
  static const std::vector<SampleBook> books = make_books();
  return books;
}

const SampleBook* find_sample_book(std::string_view key) {
  for (const SampleBook& book : sample_books()) {
    if (book.key == key) return &book;
  }
  return nullptr;
}

int sample_book_pages(std::string_view key) {
  const SampleBook* book = find_sample_book(key);
  return book ? book->pages : 0;
}
