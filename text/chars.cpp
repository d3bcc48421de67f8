#include "text/chars.h"

#include <string>
#include <string_view>
#include <unordered_set>

int split_chars(const Text& t, TextArray& out) {
  out.clear();
  const std::string_view s = t.view();
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n;) {
    std::size_t step = 1;
    if (i + 1 < n) {
      const auto c = static_cast<unsigned char>(s[i]);
      // Only the first byte decides; 0x80 stands alone.
      if (c >= 0x81 || (c == '\r' && s[i + 1] == '\n')) step = 2;
    }
    out.emplace_back(s.substr(i, step));
    i += step;
  }
  return array_size(out);
}

Text join_unique(const Text& t, const Text& separator, bool by_separator) {
  TextArray members;
  if (by_separator) {
    members = split_text(t, separator);
  } else {
    split_chars(t, members);
  }
  // Members compare byte for byte, so a set of the kept ones answers the same
  // question as searching the kept list, without going quadratic on long
  // cookie strings. The views point into `members`, which outlives the set.
  std::unordered_set<std::string_view> kept;
  std::string result;
  for (const Text& m : members) {
    if (!kept.insert(m.view()).second) continue;
    result.append(m.view());
    result.append(separator.view());
  }
  // Every kept member was followed by a separator: drop the last one.
  if (result.empty()) return {};
  result.resize(result.size() - separator.view().size());
  return Text(std::move(result));
}

int find_in_array(const TextArray& a, const Text& sought) {
  for (int i = 1; i <= array_size(a); ++i) {
    if (compare_text(a[i - 1], sought) == 0) return i;
  }
  return -1;
}
