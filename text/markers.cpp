#include "text/markers.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

// "#引号" in code page 936: how a caller writes a double quote in a marker.
const Text kQuotePlaceholder = "#\xD2\xFD\xBA\xC5";

Text with_quotes(const Text& marker) {
  return replace_text(marker, kQuotePlaceholder, "\"", std::nullopt, std::nullopt, true);
}

std::string ascii_lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
  return out;
}

// The 0-based offset of the first occurrence of `sought` (not empty) in `s`,
// or -1. memmem is linear however the bytes repeat.
int64_t byte_search(std::string_view s, std::string_view sought) {
  const void* hit = memmem(s.data(), s.size(), sought.data(), sought.size());
  return hit ? static_cast<const char*>(hit) - s.data() : -1;
}

}  // namespace

Text text_between(const Text& subject, const Text& start_marker, const Text& end_marker, int start,
                  bool ignore_case) {
  const Text opening = with_quotes(start_marker);
  const Text closing = with_quotes(end_marker);
  const int p = text_find(subject, opening, start, ignore_case);
  if (p == -1) return {};
  // The first byte after the start marker; it lies within len + 1, which
  // only a text of INT_MAX bytes could push past the int range.
  const int64_t c = int64_t{p} + text_length(opening);
  if (c > INT_MAX) return {};
  const int q = text_find(subject, closing, static_cast<int>(c), ignore_case);
  if (q == -1) return {};
  return text_mid(subject, static_cast<int>(c), q - static_cast<int>(c));
}

Text text_before(const Text& subject, const Text& marker, int start, bool ignore_case) {
  int q;
  if (start < 0) {
    const int64_t n = text_length(subject);
    int64_t k = -int64_t{start};
    if (k == 1) k = 0;
    // Below 1 every start means "nothing before it"; clamp to stay in range.
    q = text_find_reverse(subject, marker, static_cast<int>(std::max<int64_t>(n - k, 0)),
                          ignore_case);
  } else {
    q = text_find(subject, marker, start == 0 ? 1 : start, ignore_case);
  }
  if (q == -1) return {};
  return text_left(subject, q - 1);
}

int find_text_ci(const Text& subject, const Text& sought, int start, bool fold) {
  if (subject.empty() || sought.empty()) return -1;
  if (!fold) return find_text_plain(subject, sought, start);
  // Lower-casing keeps every byte in its place, so positions carry over.
  return find_text_plain(Text(ascii_lower(subject.view())), Text(ascii_lower(sought.view())),
                         start);
}

int find_text_plain(const Text& subject, const Text& sought, int start) {
  const int64_t len = text_length(subject);
  if (len == 0 || sought.empty()) return -1;
  const int64_t from = std::max(start, 1);
  if (from > len) return -1;  // nothing left to search
  const int64_t at = byte_search(subject.view().substr(from - 1), sought.view());
  return at == -1 ? -1 : static_cast<int>(from + at);
}

Text trim_blanks(const Text& t) {
  const std::string_view s = t.view();
  const std::size_t first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = s.find_last_not_of(' ');
  return Text(s.substr(first, last - first + 1));
}

Text drop_right(const Text& t, int count) {
  if (count <= 0) return t;
  return text_left(t, text_length(t) - count);  // count > 0, so no overflow
}
