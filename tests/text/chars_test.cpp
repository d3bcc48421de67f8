#include "text/chars.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct SplitCase {
  const char* what;
  Text t;
  TextArray expected;
};

TEST(SplitChars, Table) {
  const SplitCase cases[] = {
      {"two GBK characters", "\xD6\xD0\xCE\xC4", {"\xD6\xD0", "\xCE\xC4"}},
      {"ASCII", "ab", {"a", "b"}},
      {"CR LF together", "a\r\nb", {"a", "\r\n", "b"}},
      {"LF CR apart", "\n\r", {"\n", "\r"}},
      {"CR at the end alone", "a\r", {"a", "\r"}},
      {"last byte alone whatever its value", "a\xD6", {"a", "\xD6"}},
      {"0x80 stands alone", "\x80z", {"\x80", "z"}},
      {"0x81 takes an ASCII byte", "\x81z", {"\x81z"}},
      {"lead byte takes a CR", "\xB0\r\n", {"\xB0\r", "\n"}},
      {"empty", "", {}},
  };
  for (const auto& c : cases) {
    TextArray out;
    EXPECT_EQ(split_chars(c.t, out), array_size(c.expected)) << c.what;
    EXPECT_EQ(out, c.expected) << c.what;
  }
}

TEST(SplitChars, ReplacesWhatTheArrayHeld) {
  TextArray out = {"old", "members"};
  EXPECT_EQ(split_chars("xy", out), 2);
  EXPECT_EQ(out, (TextArray{"x", "y"}));
  EXPECT_EQ(split_chars("", out), 0);
  EXPECT_TRUE(out.empty());
}

struct JoinCase {
  const char* what;
  Text t, separator;
  bool by_separator;
  Text expected;
};

TEST(JoinUnique, Table) {
  const JoinCase cases[] = {
      {"repeated pair dropped", "a=1; b=2; a=1", "; ", true, "a=1; b=2"},
      {"case makes members differ", "a=1; A=1", "; ", true, "a=1; A=1"},
      {"same name, other value stays", "a=1; a=2", "; ", true, "a=1; a=2"},
      {"final separator ignored", "a=1; b=2; ", "; ", true, "a=1; b=2"},
      {"empty member kept once", "a; ; b; ; c", "; ", true, "a; ; b; c"},
      {"leading separator gives an empty member", "; a", "; ", true, "; a"},
      {"separator never matched on a second byte", "\xB0;x;\xB0;x", ";", true, "\xB0;x"},
      {"empty text", "", "; ", true, ""},
      {"empty separator keeps the text whole", "a;a", "", true, "a;a"},
      {"characters, first appearance order", "abcab", ",", false, "a,b,c"},
      {"characters of two bytes", "\xD6\xD0x\xD6\xD0", "-", false, "\xD6\xD0-x"},
      {"characters without joiner", "aabbc", "", false, "abc"},
      {"characters of the empty text", "", ",", false, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(join_unique(c.t, c.separator, c.by_separator), c.expected) << c.what;
  }
}

TEST(JoinUnique, ManyMembersStayFast) {
  // A merged cookie string of 50,000 pairs, every one twice.
  std::string cookies;
  std::string expected;
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 50000; ++i) {
      const std::string pair = "k" + std::to_string(i) + "=v";
      cookies += pair + "; ";
      if (round == 0) expected += (i ? "; " : "") + pair;
    }
  }
  EXPECT_EQ(join_unique(Text(cookies), "; ", true), Text(expected));
}

TEST(FindInArray, Table) {
  const TextArray a = {"x", "", "y", "x"};
  const struct {
    Text sought;
    int expected;
  } cases[] = {{"x", 1}, {"", 2}, {"y", 3}, {"X", -1}, {"z", -1}};
  for (const auto& c : cases) EXPECT_EQ(find_in_array(a, c.sought), c.expected) << c.sought.view();
  EXPECT_EQ(find_in_array({}, ""), -1);
}

}  // namespace
