#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

struct ToUtf16Case {
  const char* what;
  int code_page;
  std::string bytes;
  std::u16string expected;
};

TEST(MultibyteToUtf16, Table) {
  const ToUtf16Case cases[] = {
      {"GBK", 936, "a\xD6\xD0", u"a\u4E2D"},
      {"code page 0 is GBK", 0, "\xD6\xD0\xCE\xC4", u"\u4E2D\u6587"},
      {"GBK euro sign", 936, "\x80", u"\u20AC"},
      {"GBK invalid byte", 936, "a\xFF"s + "b", u"a\uFFFDb"},
      {"GBK lead byte before ASCII keeps the ASCII", 936, "\x81 x", u"\uFFFD x"},
      {"GBK lead byte at the end", 936, "a\xD6", u"a\uFFFD"},
      {"UTF-8", 65001, "\xE4\xB8\xAD", u"\u4E2D"},
      {"UTF-8 outside the BMP", 65001, "\xF0\x9F\x98\x80", u"\U0001F600"},
      {"UTF-8 cut sequence, then ASCII", 65001, "\xE4\xB8"s + "A", u"\uFFFDA"},
      {"UTF-8 cut sequence at the end", 65001, "a\xF0\x9F\x98", u"a\uFFFD"},
      {"UTF-8 stray continuation bytes", 65001, "\x80\xBF", u"\uFFFD\uFFFD"},
      {"UTF-8 overlong zero", 65001, "\xC0\x80", u"\uFFFD\uFFFD"},
      {"UTF-8 encoded surrogate", 65001, "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"UTF-8 above U+10FFFF", 65001, "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"zero bytes are converted too", 65001, "a\0b"s, u"a\0b"s},
      {"empty", 936, "", u""},
      {"single-byte code page by number", 1252, "\xE9\x80", u"\u00E9\u20AC"},
      {"unknown code page", 12345, "abc", u""},
      {"negative code page", -1, "abc", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(multibyte_to_utf16(c.code_page, c.bytes), c.expected) << c.what;
  }
}

struct FromUtf16Case {
  const char* what;
  int code_page;
  std::u16string units;
  std::string expected;
};

TEST(Utf16ToMultibyte, Table) {
  const FromUtf16Case cases[] = {
      {"GBK", 936, u"a\u4E2D", "a\xD6\xD0"},
      {"code page 0 is GBK", 0, u"\u4E2D\u6587", "\xD6\xD0\xCE\xC4"},
      {"character GBK lacks", 936, u"a\u0E01b", "a?b"},
      {"surrogate pair GBK lacks is one default character", 936, u"\U0001F600x", "?x"},
      {"lone high surrogate in GBK", 936, u"\xD800"s + u"a", "?a"},
      {"lone low surrogate in GBK", 936, u"a\xDC00", "a?"},
      {"UTF-8", 65001, u"\u4E2D\U0001F600", "\xE4\xB8\xAD\xF0\x9F\x98\x80"},
      {"lone surrogates in UTF-8", 65001, u"\xDC00"s + u"a\xD800",
       "\xEF\xBF\xBD"s + "a\xEF\xBF\xBD"},
      {"zero units are converted too", 936, u"a\0b"s, "a\0b"s},
      {"empty", 65001, u"", ""},
      {"single-byte code page by number", 1252, u"\u00E9\u20AC\u4E2D", "\xE9\x80?"},
      {"unknown code page", 12345, u"abc", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(utf16_to_multibyte(c.code_page, c.units), c.expected) << c.what;
  }
}

TEST(Codepage, LongTextsRoundTripWhole) {
  // UTF-8 needs half as many bytes again as GBK here: nothing may be cut.
  std::string gbk;
  for (int i = 0; i < 100000; ++i) gbk += "\xD6\xD0x";
  const std::u16string units = multibyte_to_utf16(936, gbk);
  ASSERT_EQ(units.size(), 200000u);
  const std::string utf8 = utf16_to_multibyte(65001, units);
  EXPECT_EQ(utf8.size(), 400000u);
  EXPECT_EQ(utf16_to_multibyte(936, multibyte_to_utf16(65001, utf8)), gbk);
}

}  // namespace
