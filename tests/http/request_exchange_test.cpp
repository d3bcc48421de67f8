// The request routine against real sockets on 127.0.0.1: what goes out,
// byte for byte, and what comes back from good, bad and broken servers.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "http/capture_server.h"
#include "http/request.h"
#include "platform/http_transport.h"
#include "platform/thread.h"

namespace {

using capture::CaptureServer;
using capture::ok_reply;
using capture::raw_reply;
using capture::Reply;
using capture::str;
using capture::T;
using After = capture::Reply::After;
using Clock = std::chrono::steady_clock;

// Replaces every {A} with the server's host:port and every {U} with its URL.
std::string fill(std::string s, const CaptureServer& server) {
  for (size_t at; (at = s.find("{A}")) != std::string::npos;) s.replace(at, 3, server.authority());
  for (size_t at; (at = s.find("{U}")) != std::string::npos;) s.replace(at, 3, server.url(""));
  return s;
}

class Exchange : public ::testing::Test {
 protected:
  void TearDown() override { http_time_limits_restore(); }
};

const std::string kAgentLine = std::string("User-Agent: ") + kDefaultUserAgent + "\r\n";
const std::string kDefaultLines = "Accept: */*\r\nReferer: {U}/p\r\nAccept-Language: zh-cn\r\n";

// Every argument combination of interest, with the exact request it sends.
struct SentCase {
  const char* name;
  std::optional<int> method = {};
  const char* post_text = "";
  std::optional<std::string> cookies = {};
  const char* headers = "";
  std::string post_bytes = {};
  std::optional<bool> add_defaults = {};
  std::optional<bool> normalize = {};
  std::string request;  // {A}: host and port, {U}: the server's URL
};

TEST_F(Exchange, SendsExactlyThePreparedRequest) {
  const std::string get = "GET /p HTTP/1.1\r\nHost: {A}\r\n" + kAgentLine + kDefaultLines + "\r\n";
  const std::string form = "Content-Type: application/x-www-form-urlencoded\r\n";
  const std::vector<SentCase> cases = {
      {.name = "url only", .request = get},
      {.name = "method 9", .method = 9, .post_text = "a=1", .request = get},
      {.name = "method -1", .method = -1, .post_text = "a=1", .request = get},
      {.name = "post text",
       .method = 1,
       .post_text = "a=1",
       .request = "POST /p HTTP/1.1\r\nHost: {A}\r\n" + kAgentLine + kDefaultLines + form +
                  "Content-Length: 3\r\n\r\na=1"},
      {.name = "post, empty body",
       .method = 1,
       .request = "POST /p HTTP/1.1\r\nHost: {A}\r\n" + kAgentLine + kDefaultLines + form +
                  "Content-Length: 0\r\n\r\n"},
      {.name = "put",
       .method = 3,
       .post_text = "a=1",
       .request = "PUT /p HTTP/1.1\r\nHost: {A}\r\n" + kAgentLine + kDefaultLines +
                  "Content-Length: 3\r\n\r\na=1"},
      {.name = "post bytes with zero bytes win over the text",
       .method = 1,
       .post_text = "a=1",
       .post_bytes = std::string("b\0=\0002", 5),
       .request = "POST /p HTTP/1.1\r\nHost: {A}\r\n" + kAgentLine + kDefaultLines + form +
                  "Content-Length: 5\r\n\r\n" + std::string("b\0=\0002", 5)},
      {.name = "head",
       .method = 2,
       .request = "HEAD /p HTTP/1.1\r\nHost: {A}\r\n" + kAgentLine + kDefaultLines + "\r\n"},
      {.name = "options",
       .method = 4,
       .request = "OPTIONS /p HTTP/1.1\r\nHost: {A}\r\n" + kAgentLine + kDefaultLines + "\r\n"},
      {.name = "delete with a body",
       .method = 5,
       .post_text = "d",
       .request = "DELETE /p HTTP/1.1\r\nHost: {A}\r\n" + kAgentLine + kDefaultLines +
                  "Content-Length: 1\r\n\r\nd"},
      {.name = "trace",
       .method = 6,
       .request = "TRACE /p HTTP/1.1\r\nHost: {A}\r\n" + kAgentLine + kDefaultLines + "\r\n"},
      {.name = "connect",
       .method = 7,
       .request = "CONNECT /p HTTP/1.1\r\nHost: {A}\r\n" + kAgentLine + kDefaultLines + "\r\n"},
      {.name = "x-accept",
       .headers = "x-accept: 1",
       .request = "GET /p HTTP/1.1\r\nHost: {A}\r\n" + kAgentLine +
                  "X-Accept: 1\r\nReferer: {U}/p\r\nAccept-Language: zh-cn\r\n\r\n"},
      {.name = "own agent",
       .headers = "user-agent: Bot/1",
       .request = "GET /p HTTP/1.1\r\nHost: {A}\r\nUser-Agent: Bot/1\r\n" + kDefaultLines + "\r\n"},
      {.name = "own agent, names as given",
       .headers = "user-agent: Bot/1",
       .normalize = false,
       .request = "GET /p HTTP/1.1\r\nHost: {A}\r\nuser-agent: Bot/1\r\n" + kDefaultLines + "\r\n"},
      {.name = "agent named inside another header",
       .headers = "X-User-Agent: Bot/2",
       .request = "GET /p HTTP/1.1\r\nHost: {A}\r\nUser-Agent: Bot/2\r\nX-User-Agent: Bot/2\r\n" +
                  kDefaultLines + "\r\n"},
      {.name = "caller's header without a value",
       .headers = "X-Empty:",
       .add_defaults = false,
       .request = "GET /p HTTP/1.1\r\nHost: {A}\r\n" + kAgentLine + "X-Empty:\r\n\r\n"},
      {.name = "cookies",
       .cookies = "a=1",
       .request = get.substr(0, get.size() - 2) + "Cookie: a=1\r\n\r\n"},
      {.name = "cookie line given whole",
       .cookies = "Cookie: a=1",
       .request = get.substr(0, get.size() - 2) + "Cookie: a=1\r\n\r\n"},
      {.name = "cookies present but empty", .cookies = "", .request = get},
      {.name = "no default headers",
       .cookies = "a=1",
       .add_defaults = false,
       .request = "GET /p HTTP/1.1\r\nHost: {A}\r\n" + kAgentLine + "Cookie: a=1\r\n\r\n"},
  };
  for (const SentCase& c : cases) {
    SCOPED_TRACE(c.name);
    CaptureServer server({ok_reply("hello")});
    Text cookies = c.cookies ? T(*c.cookies) : Text();
    Text headers = c.headers;
    Bytes post_bytes(c.post_bytes);
    Bytes body = http_request(T(server.url("/p")), c.method, c.post_text,
                              c.cookies ? &cookies : nullptr, nullptr, &headers, nullptr, false,
                              &post_bytes, "", std::nullopt, c.add_defaults, c.normalize);
    ASSERT_TRUE(server.wait_for_requests(1));
    EXPECT_EQ(server.request(0), fill(c.request, server));
    EXPECT_EQ(str(body), c.method == 2 ? "" : "hello");
    EXPECT_EQ(server.requests().size(), 1u);
  }
}

TEST_F(Exchange, OutParametersAfterACompleteExchange) {
  const std::string block =
      "HTTP/1.1 201 Created\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n"
      "Content-Length: 4\r\nConnection: close\r\n\r\n";
  CaptureServer server({raw_reply(block + "done")});
  Text cookies = "x=1";
  Text returned = "old";
  Text headers = "x-a: 1";
  Text response_headers = "old";
  Bytes post_bytes;
  Bytes body = http_request(T(server.url("/p")), 1, "t=1", &cookies, &returned, &headers,
                            &response_headers, false, &post_bytes);
  EXPECT_EQ(str(body), "done");
  EXPECT_EQ(str(response_headers), block);
  EXPECT_EQ(str(returned), "a=1; b=2; x=1");
  EXPECT_EQ(str(cookies), "a=1; b=2; x=1");
  EXPECT_EQ(str(headers), fill("X-A: 1\r\nAccept: */*\r\nReferer: {U}/p\r\nAccept-Language: zh-cn"
                               "\r\nContent-Type: application/x-www-form-urlencoded\r\nCookie: x=1",
                               server));
  EXPECT_EQ(str(post_bytes), "t=1");

  // Without merging, the caller's cookies stay and only the new ones return.
  CaptureServer again({raw_reply(block + "done")});
  cookies = "x=1";
  http_request(T(again.url("/p")), 0, "", &cookies, &returned, nullptr, nullptr, false, nullptr, "",
               false);
  EXPECT_EQ(str(returned), "a=1; b=2");
  EXPECT_EQ(str(cookies), "x=1");
}

TEST_F(Exchange, ProxyGetsTheRequestInAbsoluteForm) {
  CaptureServer proxy({ok_reply("via proxy")});
  const int target_port = capture::unused_port();
  const std::string target = "http://127.0.0.1:" + std::to_string(target_port) + "/x?y=1";
  Bytes body = http_request(T(target), std::nullopt, "", nullptr, nullptr, nullptr, nullptr, false,
                            nullptr, T(proxy.authority()));
  EXPECT_EQ(str(body), "via proxy");
  ASSERT_TRUE(proxy.wait_for_requests(1));
  const std::string host = "127.0.0.1:" + std::to_string(target_port);
  EXPECT_EQ(proxy.request(0), "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\n" + kAgentLine +
                                  "Accept: */*\r\nReferer: " + target +
                                  "\r\nAccept-Language: zh-cn\r\n\r\n");

  // An https URL goes through the same proxy in a tunnel; the caller's
  // headers are for the server, not for the proxy.
  CaptureServer refusing({raw_reply("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n")});
  const std::string secure = "https://" + host + "/s";
  Text cookies = "a=1";
  EXPECT_TRUE(http_request(T(secure), std::nullopt, "", &cookies, nullptr, nullptr, nullptr, false,
                           nullptr, T(refusing.authority()))
                  .empty());
  ASSERT_TRUE(refusing.wait_for_requests(1));
  EXPECT_EQ(refusing.request(0),
            "CONNECT " + host + " HTTP/1.1\r\nHost: " + host + "\r\n" + kAgentLine + "\r\n");
}

TEST_F(Exchange, RedirectsFollowedUnlessForbidden) {
  const std::string moved =
      "HTTP/1.1 302 Found\r\nLocation: /next\r\nSet-Cookie: r=1\r\nContent-Length: 5\r\n"
      "Connection: close\r\n\r\n";
  const std::string final_block =
      "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\n";
  {
    CaptureServer server({raw_reply(moved + "moved"), raw_reply(final_block + "final")});
    Text cookies = "";
    Text response_headers;
    Bytes body =
        http_request(T(server.url("/p")), 0, "", &cookies, nullptr, nullptr, &response_headers);
    EXPECT_EQ(str(body), "final");
    EXPECT_EQ(str(response_headers), final_block);
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.request(1).substr(0, 22), "GET /next HTTP/1.1\r\nHo");
  }
  {
    CaptureServer server({raw_reply(moved + "moved"), raw_reply(final_block + "final")});
    Text cookies = "";
    Text response_headers;
    Bytes body = http_request(T(server.url("/p")), 0, "", &cookies, nullptr, nullptr,
                              &response_headers, true);
    EXPECT_EQ(str(body), "moved");
    EXPECT_EQ(str(response_headers), moved);
    EXPECT_EQ(str(cookies), "r=1");
    EXPECT_EQ(server.requests().size(), 1u);
  }
}

TEST_F(Exchange, PlatformCookieStoreServesRequestsWithoutCookies) {
  CaptureServer server({ok_reply("set", "Set-Cookie: s=1; Path=/store\r\n"), ok_reply("next")});
  http_request(T(server.url("/store/a")));
  http_request(T(server.url("/store/b")));
  Text own = "k=2";
  http_request(T(server.url("/store/c")), 0, "", &own);
  ASSERT_EQ(server.requests().size(), 3u);
  EXPECT_EQ(server.request(0).find("Cookie:"), std::string::npos);
  EXPECT_NE(server.request(1).find("\r\nCookie: s=1\r\n"), std::string::npos) << server.request(1);
  // Cookies of the caller's own switch the store off.
  EXPECT_NE(server.request(2).find("\r\nCookie: k=2\r\n"), std::string::npos);
  EXPECT_EQ(server.request(2).find("s=1"), std::string::npos);
}

TEST_F(Exchange, LargeHeaderBlockAndBinaryBodyComeBackWhole) {
  std::string block = "HTTP/1.1 200 OK\r\n";
  for (int i = 0; i < 200; ++i)
    block += "X-Filler-" + std::to_string(i) + ": " + std::string(60, 'f') + "\r\n";
  block += "Set-Cookie: late=1; Path=/\r\n";
  std::string body;
  for (int i = 0; i < (3 << 20); ++i) body.push_back(static_cast<char>(i * 7 % 251));
  block += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
  ASSERT_GT(block.size(), 5000u);
  CaptureServer server({raw_reply(block + body)});
  Text cookies = "";
  Text returned;
  Text response_headers;
  Bytes got =
      http_request(T(server.url("/p")), 0, "", &cookies, &returned, nullptr, &response_headers);
  EXPECT_TRUE(got == Bytes(body));
  EXPECT_EQ(str(response_headers), block);
  EXPECT_EQ(str(returned), "late=1");
}

// What the caller holds after exchanges that fail after the request went out.
TEST_F(Exchange, FailuresGiveEmptyResults) {
  set_http_time_limits(std::chrono::seconds(2), std::chrono::milliseconds(500));
  const std::string head100 =
      "HTTP/1.1 200 OK\r\nSet-Cookie: c=1\r\nContent-Length: 100000\r\n\r\n";
  Reply endless_headers = raw_reply("HTTP/1.1 200 OK\r\n", After::kEndless);
  endless_headers.endless = "X-More: " + std::string(100, 'm') + "\r\n";
  Reply endless_interim = raw_reply("", After::kEndless);
  endless_interim.endless = "HTTP/1.1 100 Continue\r\n\r\n";
  Reply endless_line = raw_reply("HTTP/1.1 200 OK\r\nX-Long: ", After::kEndless);
  endless_line.endless = std::string(4096, 'l');
  struct Case {
    const char* name;
    std::optional<Reply> reply;  // none: nothing listens
  };
  const std::vector<Case> cases = {
      {"connection refused", std::nullopt},
      {"no answer", raw_reply("", After::kStall)},
      {"stall after the headers", raw_reply(head100 + "abc", After::kStall)},
      {"reset in the body", raw_reply(head100 + std::string(5000, 'b'), After::kReset)},
      {"closed in the body", raw_reply(head100 + std::string(5000, 'b'), After::kClose)},
      {"closed in a chunked body",
       raw_reply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n")},
      {"closed in the headers", raw_reply("HTTP/1.1 200 OK\r\nContent-Le")},
      {"closed without a word", raw_reply("")},
      {"garbage status line", raw_reply("FOO BAR\r\n\r\nbody")},
      {"endless headers", endless_headers},
      {"endless header line", endless_line},
      {"endless interim answers", endless_interim},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<CaptureServer> server;
    std::string url = "http://127.0.0.1:" + std::to_string(capture::unused_port()) + "/p";
    if (c.reply) {
      server.emplace(std::vector<Reply>{*c.reply});
      url = server->url("/p");
    }
    Text cookies = "x=1;";
    Text returned = "old";
    Text headers = "x-a: 1";
    Text response_headers = "old";
    Bytes post_bytes;
    const auto start = Clock::now();
    Bytes body = http_request(T(url), 1, "t=1", &cookies, &returned, &headers, &response_headers,
                              false, &post_bytes);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(body.empty()) << body.size();
    EXPECT_EQ(str(response_headers), "");
    EXPECT_EQ(str(returned), "x=1");  // the merge still runs, over no new cookies
    EXPECT_EQ(str(cookies), "x=1");
    EXPECT_NE(text_find(headers, "\r\nCookie: x=1;"), -1);  // as sent
    EXPECT_EQ(str(post_bytes), "t=1");
  }
}

// A listener whose accept queue is full drops further handshakes, so a
// connection to it is never made.
TEST_F(Exchange, UnansweredConnectionEndsAtTheConnectTimeout) {
  int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::listen(listener, 0), 0);
  socklen_t len = sizeof a;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
  std::vector<int> fillers;
  bool queue_full = false;
  for (int i = 0; i < 8 && !queue_full; ++i) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    fillers.push_back(fd);
    ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    pollfd p{fd, POLLOUT, 0};
    queue_full = ::poll(&p, 1, 100) == 0;
  }
  if (queue_full) {
    set_http_time_limits(std::chrono::milliseconds(300), std::chrono::seconds(30));
    const auto start = Clock::now();
    Bytes body = http_request(T("http://127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/p"));
    const auto took = Clock::now() - start;
    EXPECT_TRUE(body.empty());
    EXPECT_GE(took, std::chrono::milliseconds(250));
    EXPECT_LT(took, std::chrono::seconds(3));
  }
  for (int fd : fillers) ::close(fd);
  ::close(listener);
  if (!queue_full) GTEST_SKIP() << "this kernel completes every handshake";
}

TEST_F(Exchange, OddButCompleteAnswers) {
  struct Case {
    const char* name;
    std::string reply;
    std::string body;
    std::string block;
  } cases[] = {
      {"body without a length, ended by closing", "HTTP/1.1 200 OK\r\n\r\nuntil close",
       "until close", "HTTP/1.1 200 OK\r\n\r\n"},
      {"error status", "HTTP/1.1 500 Oops\r\nContent-Length: 3\r\n\r\nbad", "bad",
       "HTTP/1.1 500 Oops\r\nContent-Length: 3\r\n\r\n"},
      {"bare LF line ends", "HTTP/1.1 200 OK\nContent-Length: 2\n\nok", "ok",
       "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n"},
      {"interim answer first",
       "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\n1", "1",
       "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\n"},
      {"empty body", "HTTP/1.1 204 No Content\r\n\r\n", "", "HTTP/1.1 204 No Content\r\n\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CaptureServer server({raw_reply(c.reply)});
    Text response_headers;
    Bytes body = http_request(T(server.url("/p")), std::nullopt, "", nullptr, nullptr, nullptr,
                              &response_headers);
    EXPECT_EQ(str(body), c.body);
    EXPECT_EQ(str(response_headers), c.block);
  }
}

// A request that would put header lines of its own into the request is not
// sent at all; the caller's arguments stay as they were.
TEST_F(Exchange, LineBreaksInUrlOrAgentAreRefused) {
  CaptureServer server({ok_reply("should not be asked")});
  const std::vector<std::pair<std::string, std::string>> cases = {
      {server.url("/p\r\nX-Evil: 1"), ""},
      {server.url("/p\nX-Evil: 1"), ""},
      {server.url("/p\r"), ""},
      {server.url("/p"), "X-User-Agent: a\nX-Evil: 1"},  // the agent would be "a\nX-Evil: 1"
  };
  for (const auto& [url, extra] : cases) {
    Text cookies = "x=1;";
    Text returned = "old";
    Text headers = T(extra);
    Text response_headers = "old";
    Bytes post_bytes;
    Bytes body = http_request(T(url), 1, "t=1", &cookies, &returned, &headers, &response_headers,
                              false, &post_bytes);
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(str(headers), extra);  // normalising leaves these as they are
    EXPECT_EQ(str(returned), "old");
    EXPECT_EQ(str(response_headers), "old");
    EXPECT_EQ(str(cookies), "x=1;");
    EXPECT_TRUE(post_bytes.empty());
  }
  EXPECT_EQ(server.connections(), 0);
}

TEST_F(Exchange, AnyUrlTextIsSafe) {
  CaptureServer server({ok_reply("ok")});
  const std::string port = std::to_string(server.port());
  struct Case {
    std::string url;
    std::string request_line;  // "" when nothing may reach the server
  } cases[] = {
      {"", ""},
      {"http://", ""},
      {"http://:" + port + "/", ""},
      {"127.0.0.1:" + port + "/no-scheme", "GET /no-scheme HTTP/1.1"},
      {"HTTP://127.0.0.1:" + port + "/Case", "GET /Case HTTP/1.1"},
      {"http://127.0.0.1:" + port + "/a b", "GET /a%20b HTTP/1.1"},
      {"http://127.0.0.1:" + port + "/\xd6\xd0?q=\xff", "GET /%d6%d0?q=\xff HTTP/1.1"},
      {"http://127.0.0.1:" + port + "/a/../b", "GET /a/../b HTTP/1.1"},
      {"http://127.0.0.1:" + port + "/t\tab", ""},
      {"http://127.0.0.1:65536/", ""},
      {"http://127.0.0.1:-5/", ""},
      {"http://127.0.0.1:" + port + "x/", "GET / HTTP/1.1"},  // to_int stops at the x
      {"http://user@127.0.0.1:" + port + "/", ""},
  };
  size_t seen = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    http_request(T(c.url));
    if (c.request_line.empty()) continue;
    ++seen;
    ASSERT_TRUE(server.wait_for_requests(seen));
    const std::string got = server.request(seen - 1);
    EXPECT_EQ(got.substr(0, got.find("\r\n")), c.request_line);
  }
  EXPECT_EQ(server.requests().size(), seen);
}

TEST_F(Exchange, StopRequestAbortsATransferAtOnce) {
  CaptureServer server(
      {raw_reply("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", After::kStall)});
  Bytes body = to_bytes("unset");
  ThreadHandle worker;
  start_thread([&] { body = http_request(T(server.url("/p"))); }, worker);
  ASSERT_TRUE(server.wait_for_requests(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // into the body wait
  const auto start = Clock::now();
  stop_thread(worker);
  while (!thread_finished(worker) && Clock::now() - start < std::chrono::seconds(5)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(thread_finished(worker));
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_TRUE(body.empty());
}

TEST_F(Exchange, StoppedWorkerSendsNothing) {
  CaptureServer server({ok_reply("ok")});
  std::atomic<bool> done{false};
  Bytes body = to_bytes("unset");
  ThreadHandle worker;
  start_thread(
      [&] {
        sleep_ms(10000);  // woken by the stop
        body = http_request(T(server.url("/p")));
        done = true;
      },
      worker);
  stop_thread(worker);
  const auto start = Clock::now();
  while (!done && Clock::now() - start < std::chrono::seconds(5)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(done);
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(server.connections(), 0);
}

}  // namespace
