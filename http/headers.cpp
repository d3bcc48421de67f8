#include "http/headers.h"

#include <string>

namespace {

bool starts_two_byte_character(unsigned char c) {
  return c >= 0x80;
}

// The name with its first byte and every byte after a "-" upper-cased. The
// name is walked by characters, so a second byte is never changed and never
// read as a "-"; a trailing "-" stays.
std::string capitalize_words(const Text& name) {
  std::string out(name.view());
  bool word_start = true;
  for (std::size_t i = 0; i < out.size();) {
    const unsigned char c = static_cast<unsigned char>(out[i]);
    if (starts_two_byte_character(c)) {
      word_start = false;
      i += 2;
      continue;
    }
    if (word_start && c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - ('a' - 'A'));
    word_start = c == '-';
    ++i;
  }
  return out;
}

}  // namespace

Text normalize_headers(const Text& block) {
  std::string out;
  for (const Text& line : split_text(block, Text("\r\n"))) {
    const int colon = text_find(line, ":");
    if (colon == -1) continue;
    if (!out.empty()) out += "\r\n";
    out += capitalize_words(text_left(line, colon - 1));
    out += line.view().substr(colon - 1);
  }
  return Text(std::move(out));
}

Text capitalize_first(const Text& t) {
  return concat_text(to_upper(text_left(t, 1)), text_mid(t, 2, text_length(t)));
}

Text header_value(const Text& line) {
  const int colon = text_find(line, ":");
  if (colon == -1) return {};
  return trim_both(text_right(line, text_length(line) - colon));
}
