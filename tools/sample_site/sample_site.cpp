// The three loopback servers of the sample site and how they route requests.
#include "tools/sample_site/sample_site.h"

#include <httplib.h>
#include <sys/socket.h>

#include <chrono>
#include <mutex>
#include <thread>

namespace {

constexpr const char* kHtml = "text/html; charset=gbk";

// A page number as the site writes it: decimal without leading zeros, or with
// exactly `width` digits when width is given. 0 for anything else.
int page_number(std::string_view digits, std::size_t width = 0) {
  if (digits.empty() || digits.size() > 6) return 0;
  if (width ? digits.size() != width : digits[0] == '0') return 0;
  int n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n;
}

// `rest` without `prefix` when it starts with it.
bool take_prefix(std::string_view& rest, std::string_view prefix) {
  if (rest.substr(0, prefix.size()) != prefix) return false;
  rest.remove_prefix(prefix.size());
  return true;
}

// Splits "<book>/<tail>" into its two parts; false when there is no "/".
bool split_book(std::string_view path, std::string_view& book, std::string_view& tail) {
  const std::size_t slash = path.find('/');
  if (slash == std::string_view::npos) return false;
  book = path.substr(0, slash);
  tail = path.substr(slash + 1);
  return true;
}

bool ends_with(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

void not_found(httplib::Response& res) {
  res.status = 404;
  res.set_content(sample_error_page(), kHtml);
}

void serve_image(httplib::Response& res, std::string_view key, int page) {
  std::string jpeg = sample_page_image(key, page);
  if (jpeg.empty()) {  // only when Qt cannot write JPEG
    res.status = 500;
    res.set_content(sample_error_page(), kHtml);
    return;
  }
  res.set_content(std::move(jpeg), "image/jpeg");
}

// /pep/<book>/ebook/<N>.html and, for books that name their images beside
// the page, /pep/<book>/ebook/<NNN>.jpg.
void serve_pages_port(const httplib::Request& req, httplib::Response& res, int images_port) {
  std::string_view rest = req.path, key, file;
  if (!take_prefix(rest, "/pep/") || !split_book(rest, key, file) || !take_prefix(file, "ebook/"))
    return not_found(res);
  const SampleBook* book = find_sample_book(key);
  if (!book) return not_found(res);
  if (ends_with(file, ".html")) {
    const int page = page_number(file.substr(0, file.size() - 5));
    if (page < 1 || page > book->pages) return not_found(res);
    return res.set_content(sample_page_html(key, page, images_port), kHtml);
  }
  if (ends_with(file, ".jpg") && book->layout != SampleLayout::onerror) {
    const int page = page_number(file.substr(0, file.size() - 4), 3);
    if (page < 1 || page > book->pages) return not_found(res);
    return serve_image(res, key, page);
  }
  not_found(res);
}

// /img/<book>/<N>.jpg for books that give absolute image addresses.
void serve_images_port(const httplib::Request& req, httplib::Response& res) {
  std::string_view rest = req.path, key, file;
  if (!take_prefix(rest, "/img/") || !split_book(rest, key, file) || !ends_with(file, ".jpg"))
    return not_found(res);
  const SampleBook* book = find_sample_book(key);
  if (!book || book->layout != SampleLayout::onerror) return not_found(res);
  const int page = page_number(file.substr(0, file.size() - 4));
  if (page < 1 || page > book->pages) return not_found(res);
  serve_image(res, key, page);
}

void serve_notice_port(const httplib::Request& req, httplib::Response& res) {
  if (req.path != "/") return not_found(res);
  res.set_content(sample_notice(), "text/plain; charset=gbk");
}

// Only SO_REUSEADDR: httplib's default also sets SO_REUSEPORT, which would let
// a second site bind the same fixed ports and share the connections silently.
void reuse_address_only(socket_t sock) {
  int yes = 1;
  setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

void configure(httplib::Server& server, httplib::Server::Handler handler) {
  server.set_socket_options(reuse_address_only);
  // Short waits so that a stop is not held up by an idle or silent client.
  server.set_tcp_nodelay(true);  // answers go out at once, not after a delayed ACK
  server.set_keep_alive_timeout(1);
  server.set_read_timeout(2, 0);
  server.set_write_timeout(2, 0);
  server.Get(R"(/.*)", std::move(handler));
  // Anything the routes do not answer (other methods, malformed requests)
  // still gets the site's error page.
  server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
    res.set_content(sample_error_page(), kHtml);
  });
}

// Binds to 127.0.0.1 and the given port, or a free one for 0; the bound port,
// or -1.
int bind_loopback(httplib::Server& server, int port) {
  if (port < 0 || port > 65535) return -1;
  if (port == 0) return server.bind_to_any_port("127.0.0.1");
  return server.bind_to_port("127.0.0.1", port) ? port : -1;
}

}  // namespace

struct SampleSiteServers {
  httplib::Server pages, images, notice;
  std::vector<std::thread> threads;
  std::mutex shutdown_lock;
  int images_port = 0;

  // Serves each bound server on a thread of its own and waits until all of
  // them accept, so that a stop right after cannot be missed.
  void run(httplib::Server* const* bound, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      httplib::Server* server = bound[i];
      threads.emplace_back([server] { server->listen_after_bind(); });
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (std::size_t i = 0; i < count; ++i) {
      while (!bound[i]->is_running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  // Stops every server and joins its thread; a second call does nothing.
  void shutdown() {
    std::lock_guard<std::mutex> guard(shutdown_lock);
    pages.stop();
    images.stop();
    notice.stop();
    for (std::thread& t : threads) t.join();
    threads.clear();
  }

  ~SampleSiteServers() { shutdown(); }
};

bool start_sample_site(SampleSite& site, int pages_port, int images_port, int notice_port) {
  stop_sample_site(site);
  auto servers = std::make_shared<SampleSiteServers>();
  SampleSiteServers* s = servers.get();
  configure(s->pages, [s](const httplib::Request& req, httplib::Response& res) {
    serve_pages_port(req, res, s->images_port);
  });
  configure(s->images, serve_images_port);
  configure(s->notice, serve_notice_port);

  const int pages = bind_loopback(s->pages, pages_port);
  const int images = bind_loopback(s->images, images_port);
  const int notice = bind_loopback(s->notice, notice_port);
  s->images_port = images;

  // Whatever did bind is run and then stopped by the destructor on failure,
  // which also closes its socket.
  httplib::Server* bound[3];
  std::size_t count = 0;
  if (pages >= 0) bound[count++] = &s->pages;
  if (images >= 0) bound[count++] = &s->images;
  if (notice >= 0) bound[count++] = &s->notice;
  s->run(bound, count);
  if (count < 3) return false;

  site.pages_port = pages;
  site.images_port = images;
  site.notice_port = notice;
  site.servers = std::move(servers);
  return true;
}

void stop_sample_site(SampleSite& site) {
  if (site.servers) site.servers->shutdown();
  site.servers.reset();
  site.pages_port = site.images_port = site.notice_port = 0;
}
