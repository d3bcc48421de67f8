#include "http/headers.h"

#include <gtest/gtest.h>

namespace {

TEST(NormalizeHeaders, Table) {
  const struct {
    const char* what;
    Text block;
    Text expected;
  } cases[] = {
      {"two lines, value bytes untouched", "user-agent: X\r\naccept-language:zh",
       "User-Agent: X\r\nAccept-Language:zh"},
      {"only first letters change, spaces stay", "content-TYPE:  a", "Content-TYPE:  a"},
      {"empty line, line without colon and final CR LF dropped", "a: 1\r\n\r\nfoo\r\nb: 2\r\n",
       "A: 1\r\nB: 2"},
      {"empty block", "", ""},
      {"only CR LF", "\r\n\r\n", ""},
      {"no line has a colon", "foo\r\nbar", ""},
      {"empty name", ": x", ": x"},
      {"trailing dash kept", "x-: v", "X-: v"},
      {"double dash", "a--b: v", "A--B: v"},
      {"leading dash", "-a: v", "-A: v"},
      {"leading space blocks the capital", " accept: x", " accept: x"},
      {"only the first colon ends the name", "x-time: 10:20", "X-Time: 10:20"},
      {"value letters after a dash stay", "a: b-c", "A: b-c"},
      {"digits and signs unchanged", "x-1-_a: v", "X-1-_a: v"},
      {"lone CR and LF stay inside a line", "a: 1\rb\nc", "A: 1\rb\nc"},
      {"leading CR LF", "\r\nk: v", "K: v"},
      {"two-byte name bytes copied", "\xD6\xD0-ab: \xCE\xC4", "\xD6\xD0-Ab: \xCE\xC4"},
      // B0 2D is one character: its second byte is no "-", so "a" stays;
      // B0 61 keeps its second byte "a" after a real "-".
      {"second byte - is no dash", "\xB0-a: v", "\xB0-a: v"},
      {"second byte after a dash not raised", "x-\xB0\x61: v", "X-\xB0\x61: v"},
      // The ":" is the second byte of B0 3A, so the line has no colon.
      {"second byte : is no colon", "ab\xB0: v", ""},
      {"high bytes in the value", "k:\xFF\x80\r\n", "K:\xFF\x80"},
  };
  for (const auto& c : cases) EXPECT_EQ(normalize_headers(c.block), c.expected) << c.what;
}

TEST(CapitalizeFirst, Table) {
  EXPECT_EQ(capitalize_first("abc"), "Abc");
  EXPECT_EQ(capitalize_first("aBC"), "ABC");
  EXPECT_EQ(capitalize_first(""), "");
  EXPECT_EQ(capitalize_first("\xB0\x61x"), "\xB0\x61x");
  EXPECT_EQ(capitalize_first("\xB0"), "\xB0");
}

TEST(HeaderValue, Table) {
  const struct {
    Text line;
    Text expected;
  } cases[] = {
      {"User-Agent:  Foo ", "Foo"},  {"NoColon", ""}, {"", ""}, {"k:", ""}, {"t: 10:20", "10:20"},
      {"k: \xA1\xA1v\xA1\xA1", "v"},  // the ideographic space is a blank
      {"k:\tv\r", "\tv\r"},           // tab and CR are not
  };
  for (const auto& c : cases) EXPECT_EQ(header_value(c.line), c.expected) << c.line.view();
}

}  // namespace
