#include "text/percent.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <random>
#include <string>

namespace {

using namespace std::string_literals;

struct DecodeCase {
  const char* what;
  Text in, expected;
};

TEST(PercentDecode, EscapeTable) {
  const DecodeCase cases[] = {
      {"no escapes, two-byte characters kept", "a\xD6\xD0 b", "a\xD6\xD0 b"},
      {"empty", "", ""},
      {"two digits", "%41", "A"},
      {"lower-case digits", "%4a", "J"},
      {"upper-case digits", "%4A", "J"},
      {"single pass", "%2541", "%41"},
      {"high byte", "x%D6%d0y", "x\xD6\xD0y"},
      {"decoded zero is dropped", "a%00b", "ab"},
      {"final percent is dropped", "100%", "100"},
      {"digit then the end", "x%4", "x\x40"},
      {"zero digit then the end", "x%0", "x"},
      {"other byte then the end", "x%G", "x\xE0"},
      {"digit then other byte: 16h - 2", "%0G", "\xFE"},
      {"digit then other byte, h = 1", "%1z", "\x0E"},
      {"digit then other byte, h = 15", "%F;", "\xEE"},
      {"other byte then digit: E0 + h", "%G1", "\xE1"},
      {"two other bytes", "%;\"", "\xDE"},
      {"escape takes a two-byte character", "%\xD6\xD0", "\xDE"},
      {"second byte in A-F counts as a digit", "%\xB0\x41", "\xEA"},
      {"percent takes percents", "%%%41", concat_text("\xDE", "41")},
      {"escapes back to back", "%41%42%43", "ABC"},
  };
  for (const auto& c : cases) EXPECT_EQ(percent_decode(c.in), c.expected) << c.what;
}

TEST(PercentDecode, EscapesAnywhereInLongRuns) {
  // Long plain runs are copied in words: put an escape at every offset.
  const std::string run = "abcdefghijklmnopqrstuvwxyz\xD6\xD0\xCE\xC4 0123456789";
  for (std::size_t at = 0; at <= run.size(); ++at) {
    std::string in = run, expected = run;
    in.insert(at, "%41");
    expected.insert(at, "A");
    EXPECT_EQ(percent_decode(Text(in + in + "%4")), Text(expected + expected + "\x40")) << at;
  }
}

// The decoding rule one byte at a time, as plainly as it can be written.
std::string decode_bytewise(const std::string& s) {
  auto digit = [&](std::size_t at) -> int {
    if (at >= s.size()) return 0;  // past the end: the empty text, found at 1
    const char* hex = "0123456789ABCDEF";
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s[at])));
    const char* hit = c ? std::strchr(hex, c) : nullptr;
    return hit ? static_cast<int>(hit - hex) : -2;
  };
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      out += s[i];
      continue;
    }
    const int v = ((16 * digit(i + 1) + digit(i + 2)) % 256 + 256) % 256;
    if (v != 0) out += static_cast<char>(v);
    i += 2;
  }
  return out;
}

TEST(PercentDecode, MatchesTheBytewiseRuleOnRandomTexts) {
  // Escapes dense and sparse, at every offset of the blocks the decoder
  // works in, and at the very end.
  std::mt19937 random(20261211);
  const char alphabet[] = "%%%%0123456789abcdefABCDEFgxyz ;\"\xD6\xD0\xFF";
  for (int round = 0; round < 3000; ++round) {
    const std::size_t length = random() % 300;
    const bool sparse = round % 3 == 0;
    std::string s;
    for (std::size_t k = 0; k < length; ++k) {
      s += sparse && random() % 20 != 0 ? 'p' : alphabet[random() % (sizeof alphabet - 1)];
    }
    EXPECT_EQ(percent_decode(Text(s)), Text(decode_bytewise(s))) << s;
  }
}

TEST(PercentDecode, ConvertTakesTheResultAsUtf8) {
  EXPECT_EQ(percent_decode("%E4%B8%AD", true), Text("\xD6\xD0"));
  EXPECT_EQ(percent_decode("a%20b", true), Text("a b"));
  EXPECT_EQ(percent_decode("", true), Text());
  // Malformed UTF-8 becomes U+FFFD, which code page 936 lacks.
  EXPECT_EQ(percent_decode("a%E4%B8b", true), Text("a?b"));
}

TEST(Utf8ToAnsi, Table) {
  const DecodeCase cases[] = {
      {"empty", "", ""},
      {"ASCII", "plain text", "plain text"},
      {"two characters", "\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4"},
      {"character 936 lacks", concat_text("a\xE0\xB8\x81", "b"), "a?b"},
      {"outside the BMP", "\xF0\x9F\x98\x80", "?"},
      {"malformed byte", concat_text("a\xFF", "b"), "a?b"},
  };
  for (const auto& c : cases) EXPECT_EQ(utf8_to_ansi(c.in), c.expected) << c.what;
}

TEST(TextToUtf16, UnitsAndTerminator) {
  EXPECT_EQ(text_to_utf16("a\xE4\xB8\xAD"), Bytes("a\0\x2D\x4E\0\0"s));
  EXPECT_EQ(text_to_utf16("a\xD6\xD0", 936), Bytes("a\0\x2D\x4E\0\0"s));
  // A given 0 is the ANSI code page, not the UTF-8 default.
  EXPECT_EQ(text_to_utf16("\xD6\xD0", 0), Bytes("\x2D\x4E\0\0"s));
  EXPECT_EQ(text_to_utf16(""), Bytes("\0\0"s));
  EXPECT_EQ(text_to_utf16("abc", 12345), Bytes("\0\0"s));
}

TEST(Utf16ToText, ReadsUpToTheTerminator) {
  EXPECT_EQ(utf16_to_text(Bytes("a\0\x2D\x4E\0\0"s)), Text("a\xD6\xD0"));
  EXPECT_EQ(utf16_to_text(Bytes("\x2D\x4E\0\0"s), 65001), Text("\xE4\xB8\xAD"));
  // Slack after the terminator is ignored, as is an odd last byte.
  EXPECT_EQ(utf16_to_text(Bytes("a\0\0\0b\0"s)), Text("a"));
  EXPECT_EQ(utf16_to_text(Bytes("a\0b"s)), Text("a"));
  EXPECT_EQ(utf16_to_text(Bytes()), Text());
  EXPECT_EQ(utf16_to_text(Bytes("a\0\0\0"s), 12345), Text());
}

}  // namespace
