// The start-up notice, fetched from a loopback server.
#include "app/notice.h"

#include <httplib.h>

#include <thread>

#include "app/controls.h"
#include "platform/http_transport.h"
#include "qt_fixture.h"

namespace {

// A notice server on a free loopback port that answers GET / with `body`.
class NoticeServer {
 public:
  explicit NoticeServer(std::string body) {
    server_.Get("/", [body](const httplib::Request&, httplib::Response& res) {
      res.set_content(body, "text/plain");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  ~NoticeServer() {
    server_.stop();
    thread_.join();
  }
  Text url() const { return concat_text("http://127.0.0.1:", to_text(port_), "/"); }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
};

using NoticeTest = MainWindowTest;

TEST_F(NoticeTest, BodyBecomesTheCaptionAsItComes) {
  const struct {
    const char* what;
    std::string body;
    Text caption;
  } cases[] = {
      {"one line", "\xBB\xB6\xD3\xAD", "\xBB\xB6\xD3\xAD"},  // 欢迎
      {"line breaks kept", "a\r\nb\nc", "a\r\nb\nc"},
      {"cut at a zero byte", std::string("ab\0cd", 5), "ab"},
      {"not code page 936", "\xFF\xFE\x80\x81", "\xFF\xFE\x80\x81"},
      {"long text whole", std::string(1 << 20, 'x'), Text(std::string(1 << 20, 'x'))},
      {"empty", "", ""},
  };
  for (const auto& c : cases) {
    NoticeServer server(c.body);
    show_notice_from(server.url());
    settle();
    EXPECT_EQ(control_caption(标签5), c.caption) << c.what;
  }
  NoticeServer server("\xBB\xB6\xD3\xAD");
  show_notice_from(server.url());
  settle();
  EXPECT_EQ(label("标签5")->text(), QString::fromUtf8("欢迎"));
}

TEST_F(NoticeTest, UnreachableServerLeavesTheLineEmpty) {
  show_notice_from("http://127.0.0.1:9/");  // nothing listens on the discard port
  settle();
  EXPECT_EQ(control_caption(标签5), Text());
  EXPECT_TRUE(label("标签5")->text().isEmpty());
}

TEST_F(NoticeTest, SilentServerDelaysOnlyUntilTheTimeOut) {
  // A server that accepts and never answers.
  httplib::Server silent;
  silent.Get("/", [](const httplib::Request&, httplib::Response& res) {
    std::this_thread::sleep_for(std::chrono::seconds(3));
    res.set_content("late", "text/plain");
  });
  const int port = silent.bind_to_any_port("127.0.0.1");
  std::thread serving([&] { silent.listen_after_bind(); });
  set_http_time_limits(std::chrono::milliseconds(500), std::chrono::milliseconds(300));
  const auto begun = std::chrono::steady_clock::now();
  show_notice_from(concat_text("http://127.0.0.1:", to_text(port), "/"));
  const auto waited = std::chrono::steady_clock::now() - begun;
  http_time_limits_restore();
  settle();
  EXPECT_EQ(control_caption(标签5), Text());
  EXPECT_LT(waited, std::chrono::seconds(2));
  silent.stop();
  serving.join();
}

}  // namespace
