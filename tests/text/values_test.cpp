#include "text/values.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <random>
#include <string>

namespace {

// GBK bytes used below: 中 = D6 D0, 文 = CE C4, a character whose second byte
// is ASCII "A" = B0 41, and the ideographic space A1 A1.
const Text kZhong = "\xD6\xD0";
const Text kTrailA = "\xB0\x41";

struct FindCase {
  const char* what;
  Text t, sought;
  int start;
  bool ignore_case;
  int expected;
};

TEST(TextFind, Table) {
  const FindCase cases[] = {
      {"second occurrence from 2", "abcabc", "abc", 2, false, 4},
      {"start 0", "abcabc", "abc", 0, false, 1},
      {"start 1", "abcabc", "abc", 1, false, 1},
      {"negative start", "abcabc", "abc", -5, false, 1},
      {"start past the end", "abcabc", "abc", 7, false, -1},
      {"empty sought found at 1, not start", "abc", "", 3, false, 1},
      {"empty in empty", "", "", 1, false, -1},
      {"empty sought past the end", "abc", "", 4, false, -1},
      {"case blind", "user-agent: x", "User-Agent:", 0, true, 1},
      {"case exact misses", "user-agent: x", "User-Agent:", 0, false, -1},
      {"no match on a second byte", kTrailA, "A", 0, false, -1},
      {"match after a two-byte char", concat_text(kTrailA, "A"), "A", 0, false, 3},
      {"start on a second byte shifts boundaries", kTrailA, "A", 2, false, 2},
      {"two-byte sought", concat_text("x", kZhong, "y"), kZhong, 0, false, 2},
      {"folding reaches second bytes", "\xB0\x61", "\xB0\x41", 0, true, 1},
      {"lone lead byte at the end is compared", "a\xB0", "\xB0", 0, false, 2},
      {"sought longer than text", "ab", "abc", 0, false, -1},
      {"huge start", "abc", "a", INT_MAX, false, -1},
      {"most negative start", "abc", "c", INT_MIN, false, 3},
      {"even run of lead bytes pairs up", "\xB0\xB0\xB0\xB0\x41", "A", 0, false, 5},
      {"odd run makes the A a second byte", "\xB0\xB0\xB0\x41", "A", 0, false, -1},
      {"odd run: the pair is a character", "\xB0\xB0\xB0\x41", "\xB0\x41", 0, false, 3},
      {"even run: the pair straddles", "\xB0\xB0\xB0\xB0\x41", "\xB0\x41", 0, false, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text_find(c.t, c.sought, c.start, c.ignore_case), c.expected) << c.what;
  }
}

TEST(TextFind, CaseBlindLettersOfEitherCaseInterleaved) {
  // Candidates of both cases must be taken in order, not one case first.
  EXPECT_EQ(text_find("xAbyaBz", "ab", 0, true), 2);
  EXPECT_EQ(text_find("xAcyaBz", "ab", 0, true), 5);
  EXPECT_EQ(text_find("aaaaAB", "ab", 0, true), 5);
}

TEST(TextFindReverse, Table) {
  const struct {
    Text t, sought;
    std::optional<int> start;
    int expected;
  } cases[] = {
      {"a.b.c", ".", std::nullopt, 4},
      {"a.b.c", ".", 4, 2},
      {"a.b.c", ".", 2, -1},
      {"abcabc", "abc", 6, 1},
      {"abcabc", "abc", 7, 4},
      {"abcabc", "abc", 100, 4},
      {"abc", "", 1, -1},
      {"abc", "", 2, 1},
      {"", "", std::nullopt, -1},
      {"aaaa", "aa", std::nullopt, 3},  // the walk steps by characters, so matches overlap
      {concat_text(kTrailA, "A"), "A", std::nullopt, 3},
      {"abc", "a", INT_MIN, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text_find_reverse(c.t, c.sought, c.start), c.expected) << c.t.c_str();
  }
}

TEST(ReplaceText, Table) {
  const struct {
    Text t, sought, replacement;
    std::optional<int> start, count;
    bool case_sensitive;
    Text expected;
  } cases[] = {
      {"Set-Cookie: a=1", "set-cookie:", "", {}, {}, false, " a=1"},
      {"Set-Cookie: a=1", "set-cookie:", "", {}, {}, true, "Set-Cookie: a=1"},
      {"a.b.c", ".", "--", {}, {}, true, "a--b--c"},
      {"a.b.c", ".", "", 3, {}, true, "a.bc"},
      {"a.b.c", ".", "!", {}, 1, true, "a!b.c"},
      {"a.b.c", ".", "!", {}, 0, true, "a.b.c"},
      {"a.b.c", ".", "!", {}, -3, true, "a!b!c"},
      {"a.b.c", ".", "!", 99, {}, true, "a.b.c"},
      {"a.b.c", "", "!", {}, {}, true, "a.b.c"},
      {"", "a", "!", {}, {}, true, ""},
      {"aaa", "a", "aa", {}, {}, true, "aaaaaa"},  // replaced text is not searched again
      {concat_text(kTrailA, "A"), "A", "!", {}, {}, true, concat_text(kTrailA, "!")},
      {"x\xB0", "\xB0", "!", {}, {}, true, "x!"},
      {"http://a/http://b", "http://", "", {}, {}, true, "a/b"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(replace_text(c.t, c.sought, c.replacement, c.start, c.count, c.case_sensitive),
              c.expected)
        << c.t.c_str();
  }
}

TEST(SplitText, Table) {
  const struct {
    Text t;
    std::optional<Text> separator;
    std::optional<int> max;
    TextArray expected;
  } cases[] = {
      {"a,,b,", {}, {}, {"a", "", "b"}},
      {",a", {}, {}, {"", "a"}},
      {"", {}, {}, {}},
      {"abc", Text(""), {}, {"abc"}},
      {"a,b,c", Text(","), 2, {"a", "b"}},
      {"a,b,c", Text(","), 0, {}},
      {"a,b,c", Text(","), -1, {}},
      {"a; b; ", Text("; "), {}, {"a", "b"}},
      {"a\r\n\r\nb\r\n", Text("\r\n"), {}, {"a", "", "b"}},
      {concat_text("x", kTrailA, "y"), Text("A"), {}, {concat_text("x", kTrailA, "y")}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(split_text(c.t, c.separator, c.max), c.expected) << c.t.c_str();
  }
}

TEST(Cuts, CountPlainBytes) {
  const Text t = concat_text("ab", kZhong, "cd");  // the two-byte character at 3-4
  EXPECT_EQ(text_left(t, 3), Text("ab\xD6"));
  EXPECT_EQ(text_left(t, 0), Text());
  EXPECT_EQ(text_left(t, -1), Text());
  EXPECT_EQ(text_left(t, INT_MAX), t);
  EXPECT_EQ(text_right(t, 3), Text("\xD0"
                                   "cd"));
  EXPECT_EQ(text_right(t, INT_MAX), t);
  EXPECT_EQ(text_right(t, INT_MIN), Text());
  EXPECT_EQ(text_mid(t, 0, 5), Text());
  EXPECT_EQ(text_mid(t, 7, 5), Text());
  EXPECT_EQ(text_mid(t, 4, 2), Text("\xD0"
                                    "c"));
  EXPECT_EQ(text_mid(t, 2, INT_MAX), Text("b\xD6\xD0"
                                          "cd"));
  EXPECT_EQ(text_mid(t, INT_MAX, INT_MAX), Text());
  EXPECT_EQ(text_mid(t, 1, -5), Text());
}

TEST(TrimBoth, Table) {
  const struct {
    Text t, expected;
  } cases[] = {
      {"  a b  ", "a b"},
      {"\tx\r\n", "\tx\r\n"},
      {"\xA1\xA1x\xA1\xA1", "x"},
      {" \xA1\xA1 ", ""},
      {"", ""},
      {"a  \xB0", "a  "},  // a lone lead byte at the end goes, the blanks before it stay
      {"  \xB0", ""},
      {concat_text(" ", kZhong, " "), kZhong},
      {"\xA1", ""},
      {"a\xA1\xA1", "a"},
  };
  for (const auto& c : cases) EXPECT_EQ(trim_both(c.t), c.expected) << c.t.c_str();
}

// Trimming as a walk from the first byte to the last, character by character.
std::string trim_forward(const std::string& s) {
  auto at = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  auto wide_blank = [&](size_t i) {
    return at(i) == 0xA1 && i + 1 < s.size() && at(i + 1) == 0xA1;
  };
  size_t i = 0;
  while (i < s.size() && (at(i) == ' ' || wide_blank(i))) i += at(i) == ' ' ? 1 : 2;
  const size_t begin = i;
  size_t end = begin;
  while (i < s.size()) {
    if (at(i) >= 0x80) {
      if (i + 1 >= s.size()) return s.substr(begin, i - begin);  // lone lead byte
      if (!wide_blank(i)) end = i + 2;
      i += 2;
    } else {
      if (at(i) != ' ') end = i + 1;
      ++i;
    }
  }
  return s.substr(begin, end - begin);
}

TEST(TrimBoth, MatchesTheForwardWalkOnRandomTexts) {
  std::mt19937 random(7);
  const char alphabet[] =
      "  \xA1\xA1\xB0\x41"
      "a\t";
  for (int round = 0; round < 20000; ++round) {
    std::string s;
    for (size_t k = random() % 14; k > 0; --k) s += alphabet[random() % (sizeof alphabet - 1)];
    EXPECT_EQ(trim_both(Text(s)), Text(trim_forward(s))) << testing::PrintToString(s);
  }
}

TEST(CaseConversion, LeavesTwoByteCharactersWhole) {
  EXPECT_EQ(to_upper("ab\xB0\x61z"), Text("AB\xB0\x61Z"));
  EXPECT_EQ(to_lower("AB\xB0\x41Z"), Text("ab\xB0\x41z"));
  EXPECT_EQ(to_upper(""), Text());
  EXPECT_EQ(to_lower("X\xB0"), Text("x\xB0"));
  // The search folds the second byte that the case conversion leaves alone.
  EXPECT_EQ(text_find("\xB0\x61", "\xB0\x41", 0, true), 1);
}

TEST(ToInt, Table) {
  const struct {
    Text t;
    int32_t expected;
  } cases[] = {
      {"  -12abc", -12},
      {"0x1F", 0},
      {"", 0},
      {"8080/x", 8080},
      {"+7", 7},
      {"\t\n\v\f\r 5", 5},
      {"\xA3\xAD\xA3\xB1\xA3\xB2", -12},  // full-width minus, one, two
      {"\xA1\xA1\xA3\xB3", 3},            // ideographic space, full-width three
      {"4294967297", 1},                  // wraps modulo 2^32
      {"2147483648", INT32_MIN},
      {"-2147483648", INT32_MIN},
      {"--1", 0},
      {"\xB0", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(to_int(c.t), c.expected) << c.t.c_str();
}

TEST(ToText, NumbersAndBytes) {
  EXPECT_EQ(to_text(2.0), Text("2"));
  EXPECT_EQ(to_text(-7), Text("-7"));
  EXPECT_EQ(to_text(INT32_MIN), Text("-2147483648"));
  EXPECT_EQ(to_text(0.1), Text("0.1"));
  EXPECT_EQ(to_text(1e13), Text("1e+13"));
  EXPECT_EQ(to_text(1234567890123.0), Text("1234567890123"));
  EXPECT_EQ(to_text(0.00001), Text("1e-05"));
  EXPECT_EQ(to_text(Bytes(std::string("AB\0C", 4))), Text("AB"));
  EXPECT_EQ(to_text(Bytes()), Text());
}

TEST(TextValue, NeverHoldsAZeroByte) {
  EXPECT_EQ(Text(std::string_view("ab\0cd", 5)).size(), 2);
  EXPECT_EQ(Text(std::string("ab\0cd", 5)).size(), 2);
  EXPECT_EQ(Text(static_cast<const char*>(nullptr)), Text());
  EXPECT_EQ(concat_text(std::string_view("a\0b", 3), "c"), Text("ac"));
}

TEST(SmallPrimitives, Table) {
  EXPECT_EQ(char_code("\xB0x"), -80);
  EXPECT_EQ(char_code("ab", 2), 'b');
  EXPECT_EQ(char_code("ab", 0), 0);
  EXPECT_EQ(char_code("ab", 3), 0);
  EXPECT_EQ(char_from_code(0), Text());
  EXPECT_EQ(char_from_code(0xDE), Text("\xDE"));
  EXPECT_EQ(blank_text(3), Text("   "));
  EXPECT_EQ(blank_text(-1), Text());
  EXPECT_EQ(concat_text(Text(), Text()), Text());
  EXPECT_EQ(concat_text("a", Text(), kZhong, "b"), concat_text("a\xD6\xD0", "b"));
  EXPECT_EQ(compare_text("", Text()), 0);
  EXPECT_EQ(compare_text("a", "\xB0"), -1);  // unsigned byte order
  EXPECT_EQ(compare_text("ab", "a"), 1);
  EXPECT_EQ(bit_or(0x80000000, 0x10, 0x4000), static_cast<int32_t>(0x80004010));
  EXPECT_EQ(bit_or(5), 5);
}

TEST(BytesPrimitives, ClampEverything) {
  const Bytes b(std::string("0123456789", 10));
  EXPECT_EQ(bytes_mid(b, 0, 5), Bytes(std::string("01234")));
  EXPECT_EQ(bytes_mid(b, -100, 2), Bytes(std::string("01")));
  EXPECT_EQ(bytes_mid(b, 9, 100), Bytes(std::string("89")));
  EXPECT_EQ(bytes_mid(b, 11, 1), Bytes());
  EXPECT_EQ(bytes_mid(b, INT_MAX, INT_MAX), Bytes());
  EXPECT_EQ(bytes_mid(b, 3, -1), Bytes());
  EXPECT_EQ(bytes_left(b, 3), Bytes(std::string("012")));
  EXPECT_EQ(bytes_left(b, -3), Bytes());
  EXPECT_EQ(bytes_left(b, INT_MAX), b);
  EXPECT_EQ(bytes_length(blank_bytes(4)), 4);
  EXPECT_EQ(blank_bytes(0), Bytes());
  EXPECT_EQ(concat_bytes(Bytes(), Bytes()), Bytes());
  EXPECT_EQ(concat_bytes(Bytes(std::string("a\0", 2)), Bytes(std::string("b"))),
            Bytes(std::string("a\0b", 3)));
  EXPECT_TRUE(bytes_equal(Bytes(), Bytes(std::string())));
  EXPECT_FALSE(bytes_equal(Bytes(std::string("a")), Bytes()));
  EXPECT_EQ(to_bytes(""), Bytes());
  EXPECT_EQ(to_bytes(kZhong).size(), 2);
}

TEST(Arrays, MembersFromOne) {
  TextArray a;
  EXPECT_EQ(array_size(a), 0);
  array_append(a, "x");
  array_append(a, Text());
  EXPECT_EQ(array_size(a), 2);
  EXPECT_EQ(array_member(a, 1), Text("x"));
  EXPECT_EQ(array_member(a, 2), Text());
  EXPECT_EQ(array_member(a, 0), Text());  // outside 1 .. size: the empty text
  EXPECT_EQ(array_member(a, 3), Text());
}

TEST(Searches, LinearOnLongRunsOfLeadBytes) {
  // A long run of candidates at odd offsets must not make the search quadratic.
  std::string big(1 << 20, '\xB0');
  big += "\xB0\x41";
  const Text t(big);
  EXPECT_EQ(text_find(t, "\xB0\x41"), (1 << 20) + 1);
  EXPECT_EQ(text_find(t, "\xB0\xB0\x41"), -1);
}

}  // namespace
