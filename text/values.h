// The three kinds of value every procedure is written in, and their primitives.
//
// Text      a byte string in code page 936 (GBK) that never holds a zero byte;
//           the absent text and "" are the same value.
// Bytes     a counted byte string that may hold zero bytes.
// TextArray an array of owned Text members, addressed from 1.
//
// Positions are 1-based byte positions and a search that finds nothing gives
// -1. Lengths and cuts count plain bytes; searches, replacing, splitting,
// trimming and case conversion walk the text one character at a time, where a
// byte of 0x80 or above is taken together with the byte after it.
//
// Every primitive is pure: it never changes its arguments, keeps no state and
// accepts any integers (negative, huge, past the end), returning the clamped or
// empty result documented beside it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Text {
 public:
  Text() = default;
  // Both constructors keep the bytes up to the first zero byte.
  Text(const char* s);       // NOLINT: implicit, texts are written as literals
  Text(std::string_view s);  // NOLINT
  explicit Text(std::string&& s);

  std::string_view view() const { return bytes_; }
  operator std::string_view() const { return bytes_; }  // NOLINT: joins with literals
  const char* c_str() const { return bytes_.c_str(); }
  int size() const { return static_cast<int>(bytes_.size()); }
  bool empty() const { return bytes_.empty(); }

  friend bool operator==(const Text& a, const Text& b) { return a.bytes_ == b.bytes_; }

 private:
  std::string bytes_;
};

class Bytes {
 public:
  Bytes() = default;
  explicit Bytes(std::string s) : bytes_(std::move(s)) {}
  Bytes(const void* data, int n);

  std::string_view view() const { return bytes_; }
  const char* data() const { return bytes_.data(); }
  char* data() { return bytes_.data(); }
  int size() const { return static_cast<int>(bytes_.size()); }
  bool empty() const { return bytes_.empty(); }
  // Appends in amortised constant time per byte (the body of a response).
  void append(const void* data, std::size_t n) { bytes_.append(static_cast<const char*>(data), n); }
  void reserve(std::size_t n) { bytes_.reserve(n); }

  friend bool operator==(const Bytes& a, const Bytes& b) { return a.bytes_ == b.bytes_; }

 private:
  std::string bytes_;
};

using TextArray = std::vector<Text>;

// ---- Text primitives -------------------------------------------------------

// Bytes before the end; 0 for the empty text.
int text_length(const Text& t);
// The first min(n, len) bytes; empty when n <= 0.
Text text_left(const Text& t, int n);
// The last min(n, len) bytes; empty when n <= 0.
Text text_right(const Text& t, int n);
// Up to n bytes from 1-based position start; empty when start < 1,
// start > len or n <= 0. Cuts may split a two-byte character.
Text text_mid(const Text& t, int start, int n);

// Position of the first match at or after start (0, 1 and negative starts all
// search from the first byte), walking by characters from the start byte, or
// -1. An empty sought text is found at 1 whenever the searched stretch is not
// empty. ignore_case folds A-Z onto a-z on every compared byte.
int text_find(const Text& t, const Text& sought, int start = 0, bool ignore_case = false);
// Position of the last match lying wholly within positions 1 .. start - 1
// (the whole text when start is absent or above len), or -1.
int text_find_reverse(const Text& t, const Text& sought, std::optional<int> start = std::nullopt,
                      bool ignore_case = false);
// t with the matches of sought replaced, from byte start on (default 1), at
// most count times (absent: all). case_sensitive true means exact matches.
Text replace_text(const Text& t, const Text& sought, const Text& replacement = {},
                  std::optional<int> start = std::nullopt, std::optional<int> count = std::nullopt,
                  bool case_sensitive = false);
// Members of t between exact matches of separator (absent: ","), at most
// max_members of them (absent: unlimited; negative counts as 0). Empty
// members between separators are kept, a final separator yields none, an
// empty separator gives t whole.
TextArray split_text(const Text& t, const std::optional<Text>& separator = std::nullopt,
                     std::optional<int> max_members = std::nullopt);
// t without leading and trailing blanks: spaces and the ideographic space
// A1 A1. A lone lead byte at the very end is cut off in place of the blanks.
Text trim_both(const Text& t);
// ASCII letters converted; two-byte characters copied whole.
Text to_upper(const Text& t);
Text to_lower(const Text& t);
// Full-width forms folded to ASCII, then white space, an optional sign and
// decimal digits; no digits gives 0; the value wraps modulo 2^32.
int32_t to_int(const Text& t);
// Decimal text of v.
Text to_text(int32_t v);
// "%.13g" of v.
Text to_text(double v);
// The bytes of b up to its first zero byte.
Text to_text(const Bytes& b);
// The byte at pos (default 1), sign-extended; 0 for pos <= 0 or past the end.
int char_code(const Text& t, int pos = 1);
// The one-byte text holding c; empty for 0.
Text char_from_code(unsigned char c);
// n spaces; empty when n <= 0.
Text blank_text(int n);
// The members joined in order, measured first and allocated once.
Text concat_text(std::initializer_list<std::string_view> parts);
template <typename... Parts>
Text concat_text(const Parts&... parts) {
  return concat_text({std::string_view(parts)...});
}
// -1, 0 or 1 by unsigned byte order; the empty text sorts first.
int compare_text(const Text& a, const Text& b);

// ---- Bytes primitives ------------------------------------------------------

// The bytes of t without a terminator.
Bytes to_bytes(const Text& t);
int bytes_length(const Bytes& b);
// The first n bytes, n clamped to 0 .. len.
Bytes bytes_left(const Bytes& b, int n);
// From s = start - 1 clamped to 0 .. len, the next max(n, 0) bytes, clamped.
Bytes bytes_mid(const Bytes& b, int start, int n);
// n zero bytes; empty when n <= 0.
Bytes blank_bytes(int n);
// The members joined in order, measured first and allocated once.
Bytes concat_bytes(std::initializer_list<std::string_view> parts);
template <typename... Parts>
Bytes concat_bytes(const Parts&... parts) {
  return concat_bytes({parts.view()...});
}
// Same count and same bytes.
bool bytes_equal(const Bytes& a, const Bytes& b);

// ---- Integer and array primitives -------------------------------------------

template <typename... Ints>
int32_t bit_or(int32_t first, Ints... rest) {
  return (first | ... | static_cast<int32_t>(rest));
}
int array_size(const TextArray& a);
// Member i, counted from 1; the empty text for an index outside 1 .. size.
Text array_member(const TextArray& a, int i);
// Appends a copy of t.
void array_append(TextArray& a, const Text& t);
