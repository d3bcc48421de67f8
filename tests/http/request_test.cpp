// The preparation and finishing steps of the request routine, without any
// network.
#include "http/request.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

std::string str(const Text& t) {
  return std::string(t.view());
}
std::string str(const Bytes& b) {
  return std::string(b.view());
}

TEST(RequestMethod, NumbersOutsideTheTableMeanGet) {
  const char* names[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
  for (int m = 0; m < 8; ++m) {
    EXPECT_EQ(method_number(m), m);
    EXPECT_EQ(str(method_name(m)), names[m]);
  }
  for (int m : {-1, 8, 9, INT_MIN, INT_MAX}) {
    EXPECT_EQ(method_number(m), 0) << m;
    EXPECT_EQ(str(method_name(m)), "GET") << m;
  }
  EXPECT_EQ(method_number(std::nullopt), 0);
}

TEST(RequestFlagsAndAccess, FollowTheArguments) {
  EXPECT_EQ(request_flags(false, false, false), 0x80004010u);
  EXPECT_EQ(request_flags(false, false, true), 0x80800010u);
  EXPECT_EQ(request_flags(true, false, false), 0x80084010u);
  EXPECT_EQ(request_flags(false, true, false), 0x80204010u);
  EXPECT_EQ(request_flags(true, true, true), 0x80a80010u);

  struct Case {
    const char* url;
    const char* proxy;
    int type;
    const char* argument;
    const char* bypass;
  } cases[] = {
      {"http://h/p", "", kAccessDirect, "", ""},
      {"https://h/p", "", kAccessDirect, "", ""},
      {"https://h/p", "p:8", kAccessProxy, "p:8", ""},
      {"HTTPS://h/p", "p:8", kAccessProxy, "p:8", ""},
      {"http://h/p", "p:8", kAccessProxy, "http=p:8", ""},
      {"h/p", "p:8", kAccessProxy, "http=p:8", ""},
      {"https:/h", "p:8", kAccessProxy, "http=p:8", ""},  // not https for this routine
  };
  for (const Case& c : cases) {
    AccessMode mode = access_mode(c.proxy, is_https_url(c.url));
    EXPECT_EQ(mode.type, c.type) << c.url << " " << c.proxy;
    EXPECT_EQ(str(mode.proxy), c.argument) << c.url << " " << c.proxy;
    EXPECT_EQ(str(mode.bypass), c.bypass);
  }
}

TEST(RequestAgent, TakenFromTheHeaders) {
  struct Case {
    const char* headers;
    const char* agent;
  } cases[] = {
      {"", kDefaultUserAgent},
      {"Accept: x", kDefaultUserAgent},
      {"User-Agent:  Bot/1 ", "Bot/1"},
      {"A: 1\r\nUser-Agent: Bot/1\r\nB: 2", "Bot/1"},
      // Found with any case, cut with exact case: the fall-back is the
      // value after the first ":" of the whole block.
      {"user-agent: Bot/1", "Bot/1"},
      {"A: 1\r\nuser-agent: Bot/1", "1\r\nuser-agent: Bot/1"},
      {"User-Agent:", ""},
      {"X-User-Agent: z", "z"},
  };
  for (const Case& c : cases) EXPECT_EQ(str(agent_text(c.headers)), c.agent) << c.headers;
}

TEST(RequestHeaders, DefaultLinesFillOnlyWhatIsMissing) {
  const Text url = "http://h/p";
  struct Case {
    const char* headers;
    int method;
    const char* result;
  } cases[] = {
      {"", 0, "Accept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn"},
      {"", 3, "Accept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn"},
      {"", 1,
       "Accept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\n"
       "Content-Type: application/x-www-form-urlencoded"},
      // Every test is a case-blind search anywhere in the block.
      {"X-Accept: 1", 0, "X-Accept: 1\r\nReferer: http://h/p\r\nAccept-Language: zh-cn"},
      {"referer: r\r\naccept-language: en", 0, "referer: r\r\naccept-language: en\r\nAccept: */*"},
      {"X: content-type:", 1,
       "X: content-type:\r\nAccept: */*\r\nReferer: http://h/p\r\n"
       "Accept-Language: zh-cn"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(str(add_default_header_lines(c.headers, url, c.method)), c.result) << c.headers;
  }
}

TEST(RequestHeaders, CookieLine) {
  EXPECT_EQ(str(add_cookie_line("A: 1", "a=1")), "A: 1\r\nCookie: a=1");
  EXPECT_EQ(str(add_cookie_line("A: 1", "Cookie: a=1")), "A: 1\r\nCookie: a=1");
  EXPECT_EQ(str(add_cookie_line("A: 1", "cookie: a=1")), "A: 1\r\nCookie: cookie: a=1");
  EXPECT_EQ(str(add_cookie_line("A: 1", "")), "A: 1");
  EXPECT_EQ(str(add_cookie_line("", "a=1")), "\r\nCookie: a=1");
}

// The whole preparation for the argument combinations that matter.
struct PlanCase {
  const char* name;
  const char* url = "http://h/p";
  std::optional<int> method = {};
  const char* post_text = "";
  std::optional<const char*> cookies = {};
  const char* headers = "";
  bool no_redirect = false;
  const char* post_bytes = "";
  std::optional<bool> add_defaults = {};
  std::optional<bool> normalize = {};
  // Expected:
  const char* method_name = "GET";
  const char* agent = kDefaultUserAgent;
  uint32_t flags = 0x80004010u;
  const char* sent_headers = "Accept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn";
  bool sends_body = false;
  const char* body = "";
};

TEST(RequestPlan, PreparesEveryStepFromTheArguments) {
  const char* kDefaults = "Accept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn";
  const std::string kForm =
      std::string(kDefaults) + "\r\nContent-Type: application/x-www-form-urlencoded";
  std::vector<PlanCase> cases;
  auto add = [&](PlanCase c) { cases.push_back(c); };
  add({.name = "url only"});
  add({.name = "method 9", .method = 9, .post_text = "a=1"});
  add({.name = "method -1", .method = -1, .post_text = "a=1"});
  add({.name = "post text",
       .method = 1,
       .post_text = "a=1",
       .method_name = "POST",
       .sent_headers = kForm.c_str(),
       .sends_body = true,
       .body = "a=1"});
  add({.name = "put",
       .method = 3,
       .post_text = "a=1",
       .method_name = "PUT",
       .sends_body = true,
       .body = "a=1"});
  add({.name = "post bytes win",
       .method = 1,
       .post_text = "a=1",
       .post_bytes = "b=2",
       .method_name = "POST",
       .sent_headers = kForm.c_str(),
       .sends_body = true,
       .body = "b=2"});
  add({.name = "head with empty body", .method = 2, .method_name = "HEAD", .sends_body = true});
  add({.name = "x-accept",
       .headers = "x-accept: 1",
       .sent_headers = "X-Accept: 1\r\nReferer: http://h/p\r\nAccept-Language: zh-cn"});
  add({.name = "user-agent normalised",
       .headers = "user-agent: Bot/1",
       .agent = "Bot/1",
       .sent_headers = "User-Agent: Bot/1\r\nAccept: */*\r\nReferer: http://h/p\r\n"
                       "Accept-Language: zh-cn"});
  add({.name = "user-agent as given",
       .headers = "user-agent: Bot/1",
       .normalize = false,
       .agent = "Bot/1",
       .sent_headers = "user-agent: Bot/1\r\nAccept: */*\r\nReferer: http://h/p\r\n"
                       "Accept-Language: zh-cn"});
  add({.name = "normalising drops lines without a colon",
       .headers = "a: 1\r\n\r\nfoo\r\n",
       .add_defaults = false,
       .sent_headers = "A: 1"});
  add({.name = "cookies",
       .cookies = "a=1",
       .flags = 0x80084010u,
       .sent_headers =
           "Accept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\nCookie: a=1"});
  add({.name = "cookie line given whole",
       .cookies = "Cookie: a=1",
       .flags = 0x80084010u,
       .sent_headers =
           "Accept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\nCookie: a=1"});
  add({.name = "cookies present but empty", .cookies = "", .flags = 0x80084010u});
  add({.name = "no defaults, cookies",
       .cookies = "a=1",
       .add_defaults = false,
       .flags = 0x80084010u,
       .sent_headers = "\r\nCookie: a=1"});
  add({.name = "no defaults, nothing", .add_defaults = false, .sent_headers = ""});
  add({.name = "no redirect", .no_redirect = true, .flags = 0x80204010u});

  for (const PlanCase& c : cases) {
    Text cookies = c.cookies ? Text(*c.cookies) : Text();
    RequestPlan plan =
        plan_request(c.url, c.method, c.post_text, c.cookies ? &cookies : nullptr, c.headers,
                     c.no_redirect, to_bytes(c.post_bytes), "", c.add_defaults, c.normalize);
    SCOPED_TRACE(c.name);
    EXPECT_EQ(str(plan.method_name), c.method_name);
    EXPECT_EQ(str(plan.agent), c.agent);
    EXPECT_EQ(plan.flags, c.flags);
    EXPECT_EQ(str(plan.headers), c.sent_headers);
    EXPECT_EQ(plan.sends_body, c.sends_body);
    EXPECT_EQ(str(plan.body), c.body);
    EXPECT_EQ(plan.access.type, kAccessDirect);
    EXPECT_FALSE(plan.refused);
    EXPECT_EQ(str(plan.target_url), "http://h:80/p");
  }
}

TEST(RequestPlan, NormalisedHeadersKeptApartFromTheSentOnes) {
  RequestPlan plan = plan_request("http://h/", 0, "", nullptr, "x-a: 1\r\n", false, {}, "",
                                  std::nullopt, std::nullopt);
  EXPECT_EQ(str(plan.normalized_headers), "X-A: 1");
  EXPECT_EQ(str(plan.headers),
            "X-A: 1\r\nAccept: */*\r\nReferer: http://h/\r\n"
            "Accept-Language: zh-cn");
}

TEST(RequestPlan, TargetUrlOrRefusal) {
  struct Case {
    const char* url;
    const char* target;  // "" when refused
  } cases[] = {
      {"http://h/p", "http://h:80/p"},
      {"HTTPS://H.Example:8443/X?y=1#z", "https://h.example:8443/X?y=1#z"},
      {"https://h", "https://h:443/"},
      {"h/p", "http://h:80/p"},
      {"http://h:/p", "http://h:80/p"},  // port 0: the scheme's own
      {"https://h:0/p", "https://h:443/p"},
      {"http://h:65535/", "http://h:65535/"},
      {"http://h:65536/", ""},
      {"http://h:-1/", ""},
      {"http://h:99999999999/", ""},
      {"", ""},
      {"http:///p", ""},
      {"http://user@h/p", ""},
      {"http://q.r?x=1", ""},
      {"http://h\r\nX-Evil: 1/p", ""},
      {"http://h/p\r\nX-Evil: 1", ""},
      {"http://h/p\n", ""},
      {"http://h/a b", "http://h:80/a b"},
      {"http://h/\xd6\xd0", "http://h:80/\xd6\xd0"},
      {"http://\xd6\xd0/", ""},
  };
  for (const Case& c : cases) {
    RequestPlan plan =
        plan_request(c.url, 0, "", nullptr, "", false, {}, "", std::nullopt, std::nullopt);
    EXPECT_EQ(str(plan.target_url), c.target) << c.url;
    EXPECT_EQ(plan.refused, std::string(c.target).empty()) << c.url;
  }
  RequestPlan https =
      plan_request("https://h/", 0, "", nullptr, "", false, {}, "", std::nullopt, std::nullopt);
  EXPECT_EQ(https.flags, 0x80800010u);
}

TEST(ResponseCookies, CollectedFromSetCookieLines) {
  struct Case {
    const char* block;
    const char* cookies;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n\r\n", "a=1; b=2"},
      {"HTTP/1.1 200 OK\r\nset-cookie: a=1\r\nSet-Cookie:a=1\r\nSET-COOKIE: c=3\r\n\r\n", ""},
      {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", ""},
      {"", ""},
      {"Set-Cookie: s=v=w; HttpOnly; Path=/", "s=v=w"},
      {"Set-Cookie:  spaced = 1  ", "spaced = 1"},
      // Without ";" every "Set-Cookie:" goes, whatever its case.
      {"Set-Cookie: x=SET-COOKIE:1", "x=1"},
      {"Set-Cookie: ; path=/\r\nSet-Cookie: b=2", "; b=2"},
      {"X: 1\r\nSet-Cookie: k=\xd6\xd0; Path=/", "k=\xd6\xd0"},
  };
  for (const Case& c : cases) EXPECT_EQ(str(collect_set_cookies(c.block)), c.cookies) << c.block;
}

TEST(ResponseCookies, MergedIntoPresentCookiesOnly) {
  const Text block = "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n\r\n";
  Text cookies = "x=1";
  EXPECT_EQ(str(finish_cookies(block, &cookies, true)), "a=1; b=2; x=1");
  EXPECT_EQ(str(cookies), "a=1; b=2; x=1");

  cookies = "x=1";
  EXPECT_EQ(str(finish_cookies(block, &cookies, false)), "a=1; b=2");
  EXPECT_EQ(str(cookies), "x=1");

  EXPECT_EQ(str(finish_cookies(block, nullptr, true)), "a=1; b=2");

  // A present empty string takes part in the merge too.
  cookies = "";
  EXPECT_EQ(str(finish_cookies(block, &cookies, true)), "a=1; b=2");
  EXPECT_EQ(str(cookies), "a=1; b=2");

  cookies = "a=0; y=2;";
  EXPECT_EQ(str(finish_cookies("", &cookies, true)), "a=0; y=2");
  EXPECT_EQ(str(cookies), "a=0; y=2");
}

}  // namespace
