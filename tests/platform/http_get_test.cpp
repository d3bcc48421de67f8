// The plain URL reader against real sockets on 127.0.0.1.
#include "platform/http_get.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

#include "http/capture_server.h"
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

class HttpGet : public ::testing::Test {
 protected:
  void TearDown() override { http_time_limits_restore(); }
};

TEST_F(HttpGet, PlainGetWhateverTheStatus) {
  CaptureServer server({raw_reply("HTTP/1.1 404 Not Found\r\nContent-Length: 7\r\n\r\nmissing")});
  EXPECT_EQ(str(http_get(T(server.url("/img/001.jpg")))), "missing");
  ASSERT_TRUE(server.wait_for_requests(1));
  EXPECT_EQ(server.request(0),
            "GET /img/001.jpg HTTP/1.1\r\nHost: " + server.authority() +
                "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"
                "Accept: */*\r\n\r\n");
}

TEST_F(HttpGet, BinaryBodyAfterARedirect) {
  std::string image(300000, '\0');
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i % 256);
  CaptureServer server(
      {raw_reply("HTTP/1.1 301 Moved\r\nLocation: /b\r\nContent-Length: 0\r\n\r\n"),
       ok_reply(image)});
  EXPECT_TRUE(http_get(T(server.url("/a"))) == Bytes(image));
  EXPECT_EQ(server.requests().size(), 2u);
}

TEST_F(HttpGet, KeepsTheConnectionBetweenCallsOnAThread) {
  Reply kept = raw_reply("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\npic", After::kKeepOpen);
  CaptureServer server({kept});
  for (int i = 0; i < 3; ++i) EXPECT_EQ(str(http_get(T(server.url("/p")))), "pic");
  EXPECT_EQ(server.requests().size(), 3u);
  EXPECT_EQ(server.connections(), 1);

  // A connection the server has closed meanwhile is replaced quietly.
  CaptureServer closing({ok_reply("one")});
  EXPECT_EQ(str(http_get(T(closing.url("/1")))), "one");
  EXPECT_EQ(str(http_get(T(closing.url("/2")))), "one");
  EXPECT_EQ(closing.connections(), 2);
}

TEST_F(HttpGet, EmptyOnEveryFailure) {
  set_http_time_limits(std::chrono::seconds(2), std::chrono::milliseconds(500));
  const std::string cut = "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(500, 'x');
  struct Case {
    const char* name;
    std::optional<Reply> reply;  // none: nothing listens
    std::string path = "/p";
  };
  const std::vector<Case> cases = {
      {"connection refused", std::nullopt},
      {"body cut short", raw_reply(cut)},
      {"reset in the body", raw_reply(cut, After::kReset)},
      {"stall", raw_reply(cut, After::kStall)},
      {"garbage", raw_reply("<html>no status line</html>")},
      {"line break in the URL", ok_reply("no"), "/p\r\nX-Evil: 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<CaptureServer> server;
    std::string url = "http://127.0.0.1:" + std::to_string(capture::unused_port()) + c.path;
    if (c.reply) {
      server.emplace(std::vector<Reply>{*c.reply});
      url = server->url(c.path);
    }
    const auto start = Clock::now();
    EXPECT_TRUE(http_get(T(url)).empty());
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  }
  EXPECT_TRUE(http_get("").empty());
  EXPECT_TRUE(http_get("ftp://127.0.0.1/x").empty());
}

TEST_F(HttpGet, UrlWithoutSchemeIsHttp) {
  CaptureServer server({ok_reply("plain")});
  EXPECT_EQ(str(http_get(T(server.authority() + "/x"))), "plain");
}

TEST_F(HttpGet, StopRequestEndsTheRead) {
  CaptureServer server(
      {raw_reply("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nab", After::kStall)});
  Bytes body = to_bytes("unset");
  ThreadHandle worker;
  start_thread([&] { body = http_get(T(server.url("/p"))); }, worker);
  ASSERT_TRUE(server.wait_for_requests(1));
  const auto start = Clock::now();
  stop_thread(worker);
  while (!thread_finished(worker) && Clock::now() - start < std::chrono::seconds(5)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_TRUE(body.empty());
}

}  // namespace
