#include "text/values.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

using Index = std::size_t;
constexpr Index kNone = std::string_view::npos;

// Cuts a byte string at its first zero byte.
std::string_view up_to_zero(std::string_view s) {
  Index zero = s.find('\0');
  return zero == kNone ? s : s.substr(0, zero);
}

bool is_lead(unsigned char c) {
  return c >= 0x80;
}
unsigned char fold(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

// Clamps a 64-bit count into 0 .. hi.
Index clamp_count(int64_t v, int64_t hi) {
  return static_cast<Index>(std::clamp<int64_t>(v, 0, hi));
}

// Finds the matches of `sought` that a character walk would meet.
//
// A walk starts on a known character boundary and steps one byte for a byte
// below 0x80 and two bytes for any other. Candidates are located with memchr
// and then checked against the walk: a byte below 0x80 is never a lead byte,
// so the position after it is always a boundary, and a run of bytes of 0x80
// and above after a boundary pairs up into characters. Boundaries already
// checked are remembered, so every byte is scanned backwards at most once and
// a whole search stays linear however many candidates turn out false.
class WalkFinder {
 public:
  // Matches must lie wholly within the first `limit` bytes of `text`.
  WalkFinder(std::string_view text, std::string_view sought, bool ignore_case, Index limit)
      : t_(text), sought_(sought), fold_(ignore_case), limit_(limit) {
    unsigned char first = static_cast<unsigned char>(sought_[0]);
    first_a_ = first;
    first_b_ = first;
    if (fold_ && fold(first) != first) first_b_ = fold(first);                  // 'A' -> also 'a'
    if (fold_ && first >= 'a' && first <= 'z') first_b_ = first - ('a' - 'A');  // 'a' -> also 'A'
  }

  // The first match at a walk position at or after `from`, which must be a
  // boundary of the walk; kNone when there is none.
  Index next(Index from) {
    const Index m = sought_.size();
    if (limit_ < m) return kNone;
    const Index last_start = limit_ - m;
    known_ = from;
    while (from <= last_start) {
      Index j = candidate(from, last_start);
      if (j == kNone) return kNone;
      bool boundary = on_boundary(j);
      if (boundary) {
        known_ = j;
        if (matches_at(j)) return j;
        from = j + (is_lead(byte(j)) ? 2 : 1);
      } else {
        from = j + 1;  // j is a second byte: the character ends here
      }
      known_ = from;
    }
    return kNone;
  }

  // The length of the character that starts at boundary j.
  Index step_at(Index j) const { return is_lead(byte(j)) ? 2 : 1; }

 private:
  unsigned char byte(Index i) const { return static_cast<unsigned char>(t_[i]); }

  Index find_byte(unsigned char c, Index from, Index last) const {
    const void* hit = std::memchr(t_.data() + from, c, last - from + 1);
    return hit ? static_cast<const char*>(hit) - t_.data() : kNone;
  }

  // Next position in from .. last holding a possible first byte.
  Index candidate(Index from, Index last) {
    if (first_a_ == first_b_) return find_byte(first_a_, from, last);
    if (next_a_ == kNone || next_a_ < from) next_a_ = find_byte(first_a_, from, last);
    if (next_b_ == kNone || next_b_ < from) next_b_ = find_byte(first_b_, from, last);
    if (next_a_ == kNone) next_a_ = kGone;
    if (next_b_ == kNone) next_b_ = kGone;
    Index j = std::min(next_a_, next_b_);
    return j == kGone ? kNone : j;
  }

  // Whether the walk from known_ lands on j.
  bool on_boundary(Index j) const {
    Index k = j;
    while (k > known_ && is_lead(byte(k - 1))) --k;
    return ((j - k) % 2) == 0;
  }

  bool matches_at(Index j) const {
    const Index m = sought_.size();
    if (!fold_) return std::memcmp(t_.data() + j, sought_.data(), m) == 0;
    for (Index i = 0; i < m; ++i) {
      if (fold(byte(j + i)) != fold(static_cast<unsigned char>(sought_[i]))) return false;
    }
    return true;
  }

  static constexpr Index kGone = kNone - 1;  // memchr found nothing: never look again
  std::string_view t_;
  std::string_view sought_;
  bool fold_;
  Index limit_;
  Index known_ = 0;
  unsigned char first_a_ = 0, first_b_ = 0;
  Index next_a_ = kNone, next_b_ = kNone;
};

}  // namespace

// ---- value types -----------------------------------------------------------

Text::Text(const char* s) : bytes_(s ? s : "") {}
Text::Text(std::string_view s) : bytes_(up_to_zero(s)) {}
Text::Text(std::string&& s) : bytes_(std::move(s)) {
  Index zero = bytes_.find('\0');
  if (zero != kNone) bytes_.resize(zero);
}

Bytes::Bytes(const void* data, int n)
    : bytes_(n > 0 ? std::string(static_cast<const char*>(data), n) : std::string()) {}

// ---- Text primitives -------------------------------------------------------

int text_length(const Text& t) {
  return t.size();
}

Text text_left(const Text& t, int n) {
  if (n <= 0) return {};
  return Text(t.view().substr(0, clamp_count(n, t.size())));
}

Text text_right(const Text& t, int n) {
  if (n <= 0) return {};
  Index k = clamp_count(n, t.size());
  return Text(t.view().substr(t.size() - k));
}

Text text_mid(const Text& t, int start, int n) {
  const int64_t len = t.size();
  if (start < 1 || start > len || n <= 0) return {};
  Index k = clamp_count(n, len - start + 1);
  return Text(t.view().substr(start - 1, k));
}

int text_find(const Text& t, const Text& sought, int start, bool ignore_case) {
  const Index len = t.size();
  const Index s = static_cast<Index>(std::max<int64_t>(int64_t{start} - 1, 0));
  if (s >= len) return -1;
  if (sought.empty()) return 1;
  WalkFinder finder(t.view(), sought.view(), ignore_case, len);
  Index j = finder.next(s);
  return j == kNone ? -1 : static_cast<int>(j + 1);
}

int text_find_reverse(const Text& t, const Text& sought, std::optional<int> start,
                      bool ignore_case) {
  const int64_t len = t.size();
  const Index limit =
      start ? static_cast<Index>(std::min<int64_t>(std::max<int64_t>(int64_t{*start} - 1, 0), len))
            : static_cast<Index>(len);
  if (sought.empty()) return limit > 0 ? 1 : -1;
  WalkFinder finder(t.view(), sought.view(), ignore_case, limit);
  Index last = kNone;
  for (Index j = finder.next(0); j != kNone; j = finder.next(j + finder.step_at(j))) last = j;
  return last == kNone ? -1 : static_cast<int>(last + 1);
}

Text replace_text(const Text& t, const Text& sought, const Text& replacement,
                  std::optional<int> start, std::optional<int> count, bool case_sensitive) {
  const Index len = t.size();
  const Index s = start ? static_cast<Index>(std::max<int64_t>(int64_t{*start} - 1, 0)) : 0;
  if (t.empty() || sought.empty() || s >= len || (count && *count == 0)) return t;
  int64_t left = count ? *count : -1;  // a negative count never reaches 0: all
  const std::string_view src = t.view();
  std::string out;
  out.reserve(len);
  out.append(src.substr(0, s));
  WalkFinder finder(src, sought.view(), !case_sensitive, len);
  Index from = s;
  for (Index j = finder.next(from); j != kNone; j = finder.next(from)) {
    out.append(src.substr(from, j - from));
    out.append(replacement.view());
    from = j + sought.size();
    if (--left == 0) break;
  }
  out.append(src.substr(from));
  return Text(std::move(out));
}

TextArray split_text(const Text& t, const std::optional<Text>& separator,
                     std::optional<int> max_members) {
  const Text sep = separator.value_or(Text(","));
  int64_t left = max_members ? std::max(*max_members, 0) : -1;
  TextArray members;
  if (t.empty() || left == 0) return members;
  if (sep.empty()) return {t};
  const std::string_view src = t.view();
  WalkFinder finder(src, sep.view(), false, src.size());
  Index piece = 0;
  for (Index j = finder.next(piece); j != kNone; j = finder.next(piece)) {
    members.emplace_back(src.substr(piece, j - piece));
    piece = j + sep.size();
    if (--left == 0) return members;
  }
  if (piece < src.size()) members.emplace_back(src.substr(piece));
  return members;
}

Text trim_both(const Text& t) {
  const std::string_view s = t.view();
  const Index n = s.size();
  auto at = [&](Index i) { return static_cast<unsigned char>(s[i]); };
  auto ideographic_space = [&](Index i) { return at(i) == 0xA1 && i + 1 < n && at(i + 1) == 0xA1; };
  Index i = 0;
  for (;;) {
    if (i < n && at(i) == ' ') {
      ++i;
    } else if (i < n && ideographic_space(i)) {
      i += 2;
    } else {
      break;
    }
  }
  const Index begin = i;
  // The end is found walking back, so only the final blanks and the run of
  // bytes of 0x80 and above before them are read. The start of such a run is
  // a character boundary: begin is one, and so is the position after any byte
  // below 0x80, be it a character of its own or a second byte.
  auto run_start = [&](Index to) {
    while (to > begin && is_lead(at(to - 1))) --to;
    return to;
  };
  Index end = n;
  Index run = run_start(end);  // [run, end) pairs up into two-byte characters
  if ((end - run) % 2 == 1) return Text(s.substr(begin, n - 1 - begin));  // lone lead byte: cut it
  while (end > begin) {
    if (end - run >= 2) {
      if (!ideographic_space(end - 2)) break;
      end -= 2;
      continue;
    }
    // The byte before end is below 0x80: a second byte when the run before it
    // leaves a lead byte over, else a character of its own.
    const Index before = run_start(end - 1);
    if ((end - 1 - before) % 2 == 1 || at(end - 1) != ' ') break;
    end -= 1;
    run = before;
  }
  return Text(s.substr(begin, end - begin));
}

namespace {
// Applies `convert` to every byte below 0x80 that starts a character.
template <typename Convert>
Text convert_single_bytes(const Text& t, Convert convert) {
  std::string out(t.view());
  for (Index i = 0; i < out.size();) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (is_lead(c)) {
      i += 2;
    } else {
      out[i] = static_cast<char>(convert(c));
      ++i;
    }
  }
  return Text(std::move(out));
}
}  // namespace

Text to_upper(const Text& t) {
  return convert_single_bytes(
      t, [](unsigned char c) { return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c; });
}

Text to_lower(const Text& t) {
  return convert_single_bytes(t, fold);
}

int32_t to_int(const Text& t) {
  // Fold the full-width forms first, so that "１２" reads as 12.
  std::string folded;
  const std::string_view s = t.view();
  folded.reserve(s.size());
  for (Index i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (!is_lead(c) || i + 1 >= s.size()) {
      folded.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    unsigned char d = static_cast<unsigned char>(s[i + 1]);
    if (c == 0xA3 && d >= 0xA1 && d <= 0xFE) {
      folded.push_back(static_cast<char>(d - 0x80));
    } else if (c == 0xA1 && d == 0xA1) {
      folded.push_back(' ');
    } else if (c == 0xA1 && d == 0xAB) {
      folded.push_back('~');
    } else if (c == 0xA1 && (d == 0xEE || d == 0xEF)) {
      folded.push_back('*');
    } else {
      folded.push_back(static_cast<char>(c));
      folded.push_back(static_cast<char>(d));
    }
    i += 2;
  }
  Index i = 0;
  auto white = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (i < folded.size() && white(folded[i])) ++i;
  bool negative = false;
  if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) negative = folded[i++] == '-';
  uint32_t value = 0;  // unsigned arithmetic wraps modulo 2^32 by definition
  for (; i < folded.size() && folded[i] >= '0' && folded[i] <= '9'; ++i) {
    value = value * 10u + static_cast<uint32_t>(folded[i] - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

Text to_text(int32_t v) {
  return Text(std::to_string(v));
}

Text to_text(double v) {
  char buffer[64];
  int n = std::snprintf(buffer, sizeof buffer, "%.13g", v);
  return Text(std::string_view(buffer, n > 0 ? std::min<int>(n, sizeof buffer - 1) : 0));
}

Text to_text(const Bytes& b) {
  return Text(b.view());
}

int char_code(const Text& t, int pos) {
  if (pos <= 0 || pos > t.size()) return 0;
  return static_cast<signed char>(t.view()[pos - 1]);
}

Text char_from_code(unsigned char c) {
  char byte = static_cast<char>(c);
  return Text(std::string_view(&byte, 1));
}

Text blank_text(int n) {
  if (n <= 0) return {};
  return Text(std::string(static_cast<Index>(n), ' '));
}

Text concat_text(std::initializer_list<std::string_view> parts) {
  Index total = 0;
  for (std::string_view p : parts) total += up_to_zero(p).size();
  std::string out;
  out.reserve(total);
  for (std::string_view p : parts) out.append(up_to_zero(p));
  return Text(std::move(out));
}

int compare_text(const Text& a, const Text& b) {
  int c = a.view().compare(b.view());
  return (c > 0) - (c < 0);
}

// ---- Bytes primitives ------------------------------------------------------

Bytes to_bytes(const Text& t) {
  return Bytes(std::string(t.view()));
}

int bytes_length(const Bytes& b) {
  return b.size();
}

Bytes bytes_left(const Bytes& b, int n) {
  return Bytes(std::string(b.view().substr(0, clamp_count(n, b.size()))));
}

Bytes bytes_mid(const Bytes& b, int start, int n) {
  const int64_t len = b.size();
  Index s = clamp_count(int64_t{start} - 1, len);
  Index k = clamp_count(n, len - static_cast<int64_t>(s));
  return Bytes(std::string(b.view().substr(s, k)));
}

Bytes blank_bytes(int n) {
  if (n <= 0) return {};
  return Bytes(std::string(static_cast<Index>(n), '\0'));
}

Bytes concat_bytes(std::initializer_list<std::string_view> parts) {
  Index total = 0;
  for (std::string_view p : parts) total += p.size();
  std::string out;
  out.reserve(total);
  for (std::string_view p : parts) out.append(p);
  return Bytes(std::move(out));
}

bool bytes_equal(const Bytes& a, const Bytes& b) {
  return a.view() == b.view();
}

// ---- Integer and array primitives ------------------------------------------

int array_size(const TextArray& a) {
  return static_cast<int>(a.size());
}

Text array_member(const TextArray& a, int i) {
  if (i < 1 || i > array_size(a)) return {};
  return a[i - 1];
}

void array_append(TextArray& a, const Text& t) {
  a.push_back(t);
}
