#include "text/markers.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

// GBK bytes used below: "#引号" = 23 D2 FD BA C5 (a double quote in a marker),
// B0 41, B0 3A and B0 3E are two-byte characters whose second bytes look like
// "A", ":" and ">".
const std::string kQuote = "#\xD2\xFD\xBA\xC5";

struct BetweenCase {
  const char* what;
  Text subject, opening, closing;
  int start;
  bool ignore_case;
  Text expected;
};

TEST(TextBetween, Table) {
  const BetweenCase cases[] = {
      {"one byte between", "a<b>c", "<", ">", 0, false, "b"},
      {"markers side by side", "<>", "<", ">", 0, false, ""},
      {"no start marker", "abc>", "<", ">", 0, false, ""},
      {"no end marker after the start", "a<bc", "<", ">", 0, false, ""},
      {"end marker only in front of the start", ">a<b", "<", ">", 0, false, ""},
      {"end equal to start finds the next one", "|a|b|", "|", "|", 0, false, "a"},
      {"empty start marker cuts from the first byte", "abc>d", "", ">", 0, false, "abc"},
      {"empty end marker gives nothing", "a<bc", "<", "", 0, false, ""},
      {"empty subject", "", "<", ">", 0, false, ""},
      {"placeholder in both markers", "x=\"val\" y", Text("x=" + kQuote), Text(kQuote), 0, false,
       "val"},
      {"placeholder in the subject is plain bytes", Text("[" + kQuote + "]"), "[", "]", 0, false,
       Text(kQuote)},
      {"subject's placeholder does not match a quote", Text("x=" + kQuote + "v" + kQuote),
       Text("x=" + kQuote), Text(kQuote), 0, false, ""},
      {"end marker never matched on a second byte", "<\xB0>x>", "<", ">", 0, false, "\xB0>x"},
      {"start marker never matched on a second byte", "\xB0\x41=1;A=2;", "A=", ";", 0, false, "2"},
      {"case blind for both markers", "<TITLE>x</title>", "<title>", "</TITLE>", 0, true, "x"},
      {"case exact by default", "<TITLE>x</title>", "<title>", "</title>", 0, false, ""},
      {"start position skips an earlier pair", "<a><b>", "<", ">", 3, false, "b"},
      {"negative start searches from 1", "<a><b>", "<", ">", -7, false, "a"},
      {"most negative start", "<a>", "<", ">", INT_MIN, false, "a"},
      {"huge start", "<a>", "<", ">", INT_MAX, false, ""},
      {"start marker ends the text", "ab<", "<", ">", 0, false, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text_between(c.subject, c.opening, c.closing, c.start, c.ignore_case), c.expected)
        << c.what;
  }
}

struct BeforeCase {
  const char* what;
  Text subject, marker;
  int start;
  bool ignore_case;
  Text expected;
};

TEST(TextBefore, Table) {
  const BeforeCase cases[] = {
      {"header name", "Content-Type: text/html", ": ", 0, false, "Content-Type"},
      {"marker at position 1", ": x", ": ", 0, false, ""},
      {"missing marker", "abc", ": ", 0, false, ""},
      {"empty subject", "", ".", 0, false, ""},
      {"empty marker", "abc", "", 0, false, ""},
      {"forward from a start", "a.b.c", ".", 3, false, "a.b"},
      {"case blind", "x-Sep-y", "sep", 0, true, "x-"},
      {"case exact", "x-Sep-y", "sep", 0, false, ""},
      {"not on a second byte", "\xB0: a: b", ": ", 0, false, "\xB0: a"},
      // Backwards: -1 stands for a start of len, so a marker that ends on the
      // last byte is not found; -k for k >= 2 starts at len - k.
      {"-1 skips a marker on the last byte", "a.b.c.", ".", -1, false, "a.b"},
      {"-1 finds a marker before the last byte", "a.b.c", ".", -1, false, "a.b"},
      {"-2 starts at len - 2", "a.b.c.", ".", -2, false, "a"},
      {"-3 starts at len - 3", "a.b.c.", ".", -3, false, "a"},
      {"-4 leaves no marker", "a.b.c.", ".", -4, false, ""},
      {"start before the text", "a.b", ".", -5, false, ""},
      {"most negative start", "a.b", ".", INT_MIN, false, ""},
      {"huge start", "a.b", ".", INT_MAX, false, ""},
      {"backwards, case blind", "aXbxc", "x", -1, true, "aXb"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text_before(c.subject, c.marker, c.start, c.ignore_case), c.expected) << c.what;
  }
}

struct FindCiCase {
  const char* what;
  Text subject, sought;
  int start;
  bool fold;
  int expected;
};

TEST(FindTextCi, Table) {
  const FindCiCase cases[] = {
      {"folded finds any case", "<img onError=x>", "onerror=", 0, true, 6},
      {"folded sought of any case", "<img onerror=x>", "ONERROR=", 0, true, 6},
      {"plain needs the exact bytes", "<img onError=x>", "onerror=", 0, false, -1},
      {"plain exact match", "<img onerror=x>", "onerror=", 0, false, 6},
      {"empty subject", "", "a", 0, false, -1},
      {"empty subject, folded", "", "a", 0, true, -1},
      {"empty sought", "abc", "", 0, false, -1},
      {"empty sought, folded", "abc", "", 0, true, -1},
      {"matches on a second byte", "\xB0\x41", "A", 0, false, 2},
      {"folding reaches a second byte", "\xB0\x41", "\xB0\x61", 0, true, 1},
      {"sought longer than subject", "ab", "abc", 0, false, -1},
      {"start 2", "abcabc", "abc", 2, false, 4},
      {"start 1", "abcabc", "abc", 1, false, 1},
      {"negative start searches from 1", "abcabc", "abc", -5, false, 1},
      {"most negative start", "abc", "a", INT_MIN, true, 1},
      {"start on the last byte", "abc", "c", 3, false, 3},
      {"start just past the end", "abc", "c", 4, false, -1},
      {"start far past the end", "abc", "c", 1000, true, -1},
      {"huge start", "abc", "c", INT_MAX, false, -1},
      {"match must fit after the start", "abcab", "abc", 3, false, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(find_text_ci(c.subject, c.sought, c.start, c.fold), c.expected) << c.what;
  }
}

TEST(FindTextCi, LinearOnRepetitiveInput) {
  // A naive search would compare about 4 Mi x 4 Ki bytes here.
  const Text subject(std::string(4 << 20, 'a'));
  const Text sought(std::string(4096, 'a') + "b");
  EXPECT_EQ(find_text_ci(subject, sought, 0, false), -1);
  EXPECT_EQ(find_text_ci(subject, sought, 0, true), -1);
  const Text ending(std::string(4 << 20, 'a') + "B");
  EXPECT_EQ(find_text_ci(ending, sought, 0, true), (4 << 20) - 4096 + 1);
}

TEST(FindTextPlain, SameStartRuleAsCaseBlindSearch) {
  EXPECT_EQ(find_text_plain("abcabc", "bc", 3), 5);
  EXPECT_EQ(find_text_plain("abc", "a", -1), 1);
  EXPECT_EQ(find_text_plain("abc", "a", 100), -1);
  EXPECT_EQ(find_text_plain("abc", "", 1), -1);
}

TEST(TrimBlanks, Table) {
  const struct {
    const char* what;
    Text t, expected;
  } cases[] = {
      {"spaces around, inner space kept", "  a b  ", "a b"},
      {"leading tab stays", "\ta ", "\ta"},
      {"CR LF stay", " a\r\n", "a\r\n"},
      {"ideographic space stays at both ends", "\xA1\xA1x\xA1\xA1", "\xA1\xA1x\xA1\xA1"},
      {"only spaces", "   ", ""},
      {"empty", "", ""},
      {"nothing to trim", "abc", "abc"},
      {"bytes are judged alone, after a lead byte too", " \x81 ", "\x81"},
  };
  for (const auto& c : cases) EXPECT_EQ(trim_blanks(c.t), c.expected) << c.what;
}

TEST(DropRight, Table) {
  const struct {
    Text t;
    int count;
    Text expected;
  } cases[] = {
      {"abc", 1, "ab"},          {"abc", 3, ""},     {"abc", 4, ""},          {"abc", INT_MAX, ""},
      {"abc", 0, "abc"},         {"abc", -2, "abc"}, {"abc", INT_MIN, "abc"}, {"", 1, ""},
      {"a\xD6\xD0", 1, "a\xD6"},  // bytes, not characters
  };
  for (const auto& c : cases) {
    EXPECT_EQ(drop_right(c.t, c.count), c.expected) << "count " << c.count;
  }
}

}  // namespace
