#include "http/url.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>

namespace {

struct HostCase {
  const char* what;
  Text url;
  bool domain_only;
  bool keep_port;
  std::optional<int> levels;
  Text expected;
};

TEST(UrlHost, HostMode) {
  const HostCase cases[] = {
      {"scheme and port removed, lower case", "HTTP://P.Q.R:8080/a/b", false, false, {}, "p.q.r"},
      {"keep_port", "HTTP://P.Q.R:8080/a/b", false, true, {}, "p.q.r:8080"},
      {"domain_only", "HTTP://P.Q.R:8080/a/b", true, false, {}, "q.r"},
      {"domain_only keeps the port on the last label",
       "http://a.b.c:81/",
       true,
       true,
       {},
       "b.c:81"},
      {"domain_only on one label", "http://localhost/", true, false, {}, "localhost"},
      {"no scheme, no slash", "q.r", false, false, {}, "q.r"},
      {"https without slash", "https://a.b.c", false, false, {}, "a.b.c"},
      {"HTTPS in capitals", "HTTPS://Ex.COM:8443/x", false, false, {}, "ex.com"},
      {"? is no delimiter", "http://q.r?x=1", false, false, {}, "q.r?x=1"},
      {"empty url", "", false, false, {}, ""},
      {"empty port text kept", "http://h:/", false, true, {}, "h:"},
      {"scheme later in the text", "go http://h/p", false, false, {}, "h"},
      {"spaces are kept", "http:// a b /x", false, false, {}, " a b "},
      {"two-byte characters",
       "http://\xD6\xD0\xCE\xC4.cn/x",
       false,
       false,
       {},
       "\xD6\xD0\xCE\xC4.cn"},
      // B0 41 and B0 2F are characters: their second bytes are neither
      // lower-cased nor taken as the end of the host.
      {"second byte A not lowered", "http://\xB0\x41.X/", false, false, {}, "\xB0\x41.x"},
      {"second byte / is no delimiter", "http://a\xB0/b/c", false, false, {}, "a\xB0/b"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(url_host(c.url, c.domain_only, c.keep_port, c.levels), c.expected) << c.what;
  }
}

TEST(UrlHost, LabelMode) {
  const HostCase cases[] = {
      {"levels 0: last two labels", "p.q.r", false, false, 0, "q.r"},
      {"levels 0 domain_only: last label", "p.q.r", true, false, 0, "r"},
      {"levels 1: all three", "p.q.r", false, false, 1, "p.q.r"},
      {"levels 1 domain_only", "p.q.r", true, false, 1, "q.r"},
      {"negative levels count as 0", "p.q.r", false, false, -3, "q.r"},
      {"negative levels domain_only", "p.q.r", true, false, INT_MIN, "r"},
      {"levels 2 of five labels", "a.b.c.d.e", false, false, 2, "b.c.d.e"},
      {"levels 2 domain_only", "a.b.c.d.e", true, false, 2, "c.d.e"},
      {"huge levels give the whole host", "a.b", false, false, INT_MAX, "a.b"},
      {"huge levels domain_only", "a.b", true, false, INT_MAX, "a.b"},
      {"scheme, path and port", "http://www.a.b.c:8080/x", false, false, 0, "b.c"},
      {"port stays with keep_port", "http://www.a.b.c:8080/x", false, true, 0, "b.c:8080"},
      {"port counted with the last label", "http://www.a.b.c:8080/x", true, false, 0, "c"},
      {"https in capitals", "HTTPS://A.B.C/d", false, false, 0, "b.c"},
      {"schemes removed wherever they stand", "x.http://y.z", false, false, 0, "y.z"},
      {"single label", "http://localhost:81/", false, false, 0, "localhost"},
      {"empty url", "", true, true, 5, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(url_host(c.url, c.domain_only, c.keep_port, c.levels), c.expected) << c.what;
  }
}

TEST(UrlPort, Table) {
  const struct {
    const char* what;
    Text url;
    int expected;
  } cases[] = {
      {"http default", "http://h/", 80},
      {"https default", "https://h/", 443},
      {"explicit port, scheme in capitals", "HTTPS://h:8443/x", 8443},
      {"explicit port overrides https", "https://h:80/", 80},
      {"bare host", "h", 80},
      {"empty url", "", 80},
      {"empty port text", "http://h:/", 0},
      {"trailing garbage ignored", "http://h:8080x/", 8080},
      {"leading space skipped", "http://h: 81/", 81},
      {"full-width digits", "http://h:\xA3\xB8\xA3\xB0/", 80},
      {"negative", "http://h:-1/", -1},
      {"huge port wraps modulo 2^32", "http://h:99999999999/", 1215752191},
      {"last colon of the host", "http://h:1:2/", 2},
  };
  for (const auto& c : cases) EXPECT_EQ(url_port(c.url), c.expected) << c.what;
}

TEST(UrlPath, Table) {
  const struct {
    const char* what;
    Text url;
    Text expected;
  } cases[] = {
      {"query and fragment kept", "http://q.r/A/b?c=1#d", "/A/b?c=1#d"},
      {"no path", "http://q.r", "/"},
      {"port skipped, case kept", "HTTP://Q.R:81/X", "/X"},
      {"? is no delimiter", "http://q.r?x=1", "/"},
      {"no scheme", "q.r/a", "/a"},
      {"bare host", "h", "/"},
      {"empty url", "", "/"},
      {"only a path", "/x", "/x"},
      {"host repeated in the path", "http://a/b/a/c", "/b/a/c"},
      {"spaces", "http://q.r/a b", "/a b"},
      {"two-byte path", "http://q.r/\xD6\xD0", "/\xD6\xD0"},
      {"second byte / inside the host", "http://a\xB0/b/c", "/c"},
  };
  for (const auto& c : cases) EXPECT_EQ(url_path(c.url), c.expected) << c.what;
}

// A host that also occurs in the scheme must not be found there: the path
// would then start at the scheme's "//".
TEST(UrlPath, HostFoundAfterTheScheme) {
  const struct {
    Text url;
    Text expected;
  } cases[] = {
      {"http://h/p", "/p"},  {"http://p/x", "/x"},    {"https://s/y", "/y"},
      {"http://t/", "/"},    {"http://t", "/"},       {"HTTPS://S/Y", "/Y"},
      {"Http://tt/x", "/x"}, {"http://h:80/p", "/p"}, {"https://sp.tt/a", "/a"},
      {"http:///x", "/x"},   {"http://:80/x", "/x"},  {"http://", "/"},
      {"https://", "/"},     {"HTTP:///", "/"},
  };
  for (const auto& c : cases) EXPECT_EQ(url_path(c.url), c.expected) << c.url.view();
}

}  // namespace
