#include "http/cookies.h"

#include <gtest/gtest.h>

namespace {

TEST(MergeCookies, Table) {
  const struct {
    const char* what;
    Text old, fresh, expected;
  } cases[] = {
      {"fresh cookie replaces old of that name", "a=1; b=2", "a=3", "a=3; b=2"},
      {"deletion marker removes the old cookie and itself", "a=1; b=2", "a=deleted", "b=2"},
      {"deleting the only cookie", "a=1", "a=deleted;", ""},
      {"deletion marker in the old string", "a=deleted; b=1", "", "b=1"},
      {"marker shadows the old cookie, later fresh one stays", "a=1", "a=deleted; a=2", "a=2"},
      {"only members ending in =deleted go", "", "k=v=deleted; j=undeleted", "j=undeleted"},
      {"old trailing semicolon", "a=1;", "", "a=1"},
      {"blanks and fresh trailing separator", "  a=1 ", "b=2; ", "b=2; a=1"},
      {"ideographic spaces trimmed",
       "\xA1\xA1"
       "a=1\xA1\xA1",
       "", "a=1"},
      {"both empty", "", "", ""},
      {"fresh empty", "x=1", "", "x=1"},
      {"only semicolons", ";", " ; ", ""},
      {"exact repetition dropped", "", "a=1; a=1", "a=1"},
      {"same name, other value kept in order", "", "a=1; a=2", "a=1; a=2"},
      {"repetition across old and fresh cannot arise", "a=1", "a=1", "a=1"},
      {"first of several old members of one name", "a=1; a=2; b=3", "", "a=1; b=3"},
      {"names differ in letter case", "A=1", "a=2", "a=2; A=1"},
      {"names compared after trimming", " a =1", "a=2", "a=2"},
      {"no space after ; makes one member", "a=1;b=2", "a=3", "a=3"},
      {"member without =", "flag", "a=1", "a=1; flag"},
      {"empty member between separators kept once", "", "a=1; ; b=2; ; ", "a=1; ; b=2"},
      // B0 3B is one character, so its ";" starts no separator.
      {"second byte ; is no separator", "a=\xB0; b=2", "b=3", "b=3; a=\xB0; b=2"},
      {"two-byte values", "n=\xD6\xD0", "m=\xCE\xC4", "m=\xCE\xC4; n=\xD6\xD0"},
  };
  for (const auto& c : cases) {
    Text old = c.old;
    const Text result = merge_cookies(old, c.fresh);
    EXPECT_EQ(result, c.expected) << c.what;
    EXPECT_EQ(old, c.expected) << c.what << " (stored into old)";
  }
}

TEST(MergeCookies, SameTextAsOldAndFresh) {
  Text cookies = "a=1; b=2; a=1";
  EXPECT_EQ(merge_cookies(cookies, cookies), "a=1; b=2");
  EXPECT_EQ(cookies, "a=1; b=2");
}

TEST(CookieName, Table) {
  const struct {
    Text member, expected;
  } cases[] = {
      {"a=1", "a"}, {" a =1", "a"}, {"flag", "flag"}, {" flag ", "flag"},
      {"=v", ""},   {"a==b", "a"},  {"", ""},         {"\xD6\xD0=1", "\xD6\xD0"},
  };
  for (const auto& c : cases) EXPECT_EQ(cookie_name(c.member), c.expected) << c.member.view();
}

TEST(HasCookieNamed, Table) {
  const TextArray members = {"a=1", " b =2", "flag", "=x"};
  EXPECT_TRUE(has_cookie_named(members, "a"));
  EXPECT_TRUE(has_cookie_named(members, "b"));
  EXPECT_TRUE(has_cookie_named(members, "flag"));
  EXPECT_TRUE(has_cookie_named(members, ""));
  EXPECT_FALSE(has_cookie_named(members, "A"));
  EXPECT_FALSE(has_cookie_named(members, "a=1"));
  EXPECT_FALSE(has_cookie_named({}, ""));
}

}  // namespace
