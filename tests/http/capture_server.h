// A small HTTP server on 127.0.0.1 for tests: it records the raw bytes of
// every request and answers each with a canned raw response, then closes,
// keeps the connection for the next request, stalls, resets the connection or
// streams without end. Every wait is short and bounded, and the destructor
// ends all connections, so a test never hangs on it.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "text/values.h"

namespace capture {

// One canned answer and what happens after it is sent.
struct Reply {
  enum class After {
    kClose,     // close the connection
    kKeepOpen,  // read the next request on the same connection
    kStall,     // send nothing more and keep the connection until the peer goes
    kReset,     // abort the connection with a TCP reset
    kEndless,   // send `endless` again and again until the peer goes
  };
  std::string bytes;
  After after = After::kClose;
  std::string endless;
};

// A plain answer with a Content-Length, closing the connection.
// A reply of exactly these bytes.
inline Reply raw_reply(std::string bytes, Reply::After after = Reply::After::kClose) {
  Reply r;
  r.bytes = std::move(bytes);
  r.after = after;
  return r;
}

inline Reply ok_reply(std::string_view body, std::string_view extra_headers = "") {
  Reply r;
  r.bytes = "HTTP/1.1 200 OK\r\n" + std::string(extra_headers) +
            "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" +
            std::string(body);
  return r;
}

// A port on 127.0.0.1 where nothing listens (bound, then released).
inline int unused_port() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

class CaptureServer {
 public:
  // Request i (counted over all connections, in order of arrival) gets
  // replies[i], the last reply once they run out.
  explicit CaptureServer(std::vector<Reply> replies) : replies_(std::move(replies)) {
    if (replies_.empty()) replies_.push_back(ok_reply(""));
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(listener_, 16);
    socklen_t len = sizeof a;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    acceptor_ = std::thread([this] { accept_loop(); });
  }

  ~CaptureServer() {
    stopping_ = true;
    acceptor_.join();
    std::vector<std::thread> workers;
    {
      std::lock_guard lock(mutex_);
      workers.swap(workers_);
    }
    for (auto& t : workers) t.join();
    ::close(listener_);
  }

  CaptureServer(const CaptureServer&) = delete;
  CaptureServer& operator=(const CaptureServer&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:PORT" followed by path.
  std::string url(std::string_view path = "/") const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
  }
  // "127.0.0.1:PORT", as a Host line or a proxy address gives it.
  std::string authority() const { return "127.0.0.1:" + std::to_string(port_); }

  // The raw bytes of every request received so far.
  std::vector<std::string> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  std::string request(size_t i) const {
    std::lock_guard lock(mutex_);
    return i < requests_.size() ? requests_[i] : std::string();
  }
  int connections() const { return connections_; }

  // Waits until n requests have arrived; false after `limit`.
  bool wait_for_requests(size_t n, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, limit, [&] { return requests_.size() >= n; });
  }

 private:
  static constexpr int kPollMs = 10;
  static constexpr size_t kMaxRequest = 16u << 20;
  static constexpr size_t kMaxEndless = 256u << 20;

  void accept_loop() {
    while (!stopping_) {
      pollfd p{listener_, POLLIN, 0};
      if (::poll(&p, 1, kPollMs) <= 0) continue;
      int fd = ::accept(listener_, nullptr, nullptr);
      if (fd < 0) continue;
      ++connections_;
      std::lock_guard lock(mutex_);
      workers_.emplace_back([this, fd] {
        serve(fd);
        ::close(fd);
      });
    }
  }

  // Waits for `events` on fd; false when the server stops first.
  bool wait(int fd, short events) {
    while (!stopping_) {
      pollfd p{fd, events, 0};
      int r = ::poll(&p, 1, kPollMs);
      if (r > 0) return true;
      if (r < 0) return false;
    }
    return false;
  }

  bool send_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
      if (!wait(fd, POLLOUT)) return false;
      ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }

  // The declared body length of a request head; 0 without one.
  static size_t content_length(std::string_view head) {
    std::string lower(head);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    size_t at = lower.find("\r\ncontent-length:");
    if (at == std::string::npos) return 0;
    return std::strtoul(lower.c_str() + at + 17, nullptr, 10);
  }

  // Reads one whole request (head and declared body) into `request`, keeping
  // bytes that follow it in `pending`; false when the peer goes first.
  bool read_request(int fd, std::string& pending, std::string& request) {
    for (;;) {
      size_t head_end = pending.find("\r\n\r\n");
      if (head_end != std::string::npos) {
        size_t total = head_end + 4 + content_length(std::string_view(pending).substr(0, head_end));
        if (pending.size() >= total) {
          request = pending.substr(0, total);
          pending.erase(0, total);
          return true;
        }
      }
      if (pending.size() > kMaxRequest || !wait(fd, POLLIN)) return false;
      char buf[16384];
      ssize_t n = ::recv(fd, buf, sizeof buf, 0);
      if (n <= 0) return false;
      pending.append(buf, static_cast<size_t>(n));
    }
  }

  void serve(int fd) {
    std::string pending;
    for (;;) {
      std::string request;
      if (!read_request(fd, pending, request)) return;
      Reply reply;
      {
        std::lock_guard lock(mutex_);
        size_t i = std::min(requests_.size(), replies_.size() - 1);
        reply = replies_[i];
        requests_.push_back(std::move(request));
      }
      arrived_.notify_all();
      if (!send_all(fd, reply.bytes)) return;
      switch (reply.after) {
        case Reply::After::kKeepOpen:
          continue;
        case Reply::After::kClose:
          ::shutdown(fd, SHUT_WR);
          return;
        case Reply::After::kStall: {
          char buf[4096];
          while (wait(fd, POLLIN) && ::recv(fd, buf, sizeof buf, 0) > 0) {
          }
          return;
        }
        case Reply::After::kReset: {
          linger l{1, 0};
          ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
          return;
        }
        case Reply::After::kEndless: {
          size_t sent = 0;
          while (sent < kMaxEndless && send_all(fd, reply.endless)) sent += reply.endless.size();
          return;
        }
      }
    }
  }

  std::vector<Reply> replies_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  std::thread acceptor_;
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<std::string> requests_;
  std::vector<std::thread> workers_;
};

// Conversions between the tests' strings and the system's values.
inline Text T(const std::string& s) {
  return Text(std::string_view(s));
}
inline std::string str(const Text& t) {
  return std::string(t.view());
}
inline std::string str(const Bytes& b) {
  return std::string(b.view());
}

}  // namespace capture
