#include "platform/http_transport.h"

#include <curl/curl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <new>
#include <stop_token>
#include <string>
#include <string_view>

#include "platform/thread.h"

namespace {

using Outcome = HttpExchangeResult::Outcome;

using Clock = std::chrono::steady_clock;

std::atomic<long> connect_timeout_ms{kHttpConnectTimeout.count()};
std::atomic<long> stall_ms{kHttpStallTime.count()};

// The longest wait for socket activity before the stall timer and the stop
// flag are looked at again.
constexpr int kPollMs = 250;

// Bytes taken from the socket at a time, as the curl command does. libcurl's
// 16 KiB makes a 64 MiB body cost 4096 rounds of poll, recv and callbacks.
// It stays under malloc's mmap threshold (128 KiB), so that the fresh handle
// of each exchange takes it from the heap instead of from new pages.
constexpr long kReceiveBufferBytes = 100 * 1024;

// Bodies at least this large are held in huge pages where the system offers
// them: 64 MiB then take 32 page faults instead of 16384, which costs more
// than the transfer itself.
constexpr std::size_t kHugePageBytes = 2u << 20;
// Smaller bodies from this size on, which malloc maps afresh, have their
// pages committed up front in one call: a body below a huge page commits
// little more than a lying length could make us reserve before.
constexpr std::size_t kPopulateBytes = 256u << 10;

// libcurl's global state is set up once, before the first handle.
bool curl_ready() {
  static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ready;
}

// The platform's cookie store: one CURLSH for the whole process. libcurl
// calls lock and unlock around every use of shared data from any thread.
struct CookieStore {
  CURLSH* share = nullptr;
  std::mutex locks[CURL_LOCK_DATA_LAST];
};

void lock_store(CURL*, curl_lock_data data, curl_lock_access, void* user) {
  static_cast<CookieStore*>(user)->locks[data].lock();
}

void unlock_store(CURL*, curl_lock_data data, void* user) {
  static_cast<CookieStore*>(user)->locks[data].unlock();
}

// Never destroyed: worker threads may still hold handles attached to it when
// the process ends.
CURLSH* cookie_store() {
  static CookieStore* store = [] {
    auto* s = new CookieStore;
    s->share = curl_share_init();
    if (s->share) {
      curl_share_setopt(s->share, CURLSHOPT_LOCKFUNC, lock_store);
      curl_share_setopt(s->share, CURLSHOPT_UNLOCKFUNC, unlock_store);
      curl_share_setopt(s->share, CURLSHOPT_USERDATA, s);
      curl_share_setopt(s->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    }
    return s;
  }();
  return store->share;
}

// A header list for libcurl.
struct CurlList {
  curl_slist* head = nullptr;
  bool failed = false;

  ~CurlList() { curl_slist_free_all(head); }
  void add(const std::string& line) {
    curl_slist* grown = curl_slist_append(head, line.c_str());
    if (grown) {
      head = grown;
    } else {
      failed = true;
    }
  }
};

// The easy handle of one transfer with the header lists it refers to, all
// released together, the handle first (in the manner of a curl holder). A
// new one serves every exchange, so no option of one call reaches the next.
struct CurlHolder {
  CurlList headers;
  CurlList proxy_headers;
  CURL* easy = nullptr;

  CurlHolder() : easy(curl_ready() ? curl_easy_init() : nullptr) {}
  ~CurlHolder() {
    if (easy) curl_easy_cleanup(easy);
  }
  CurlHolder(const CurlHolder&) = delete;
  CurlHolder& operator=(const CurlHolder&) = delete;
};

// The multi handle that drives a transfer, so that a stop request can wake
// its wait. It owns the connection cache: connections stay open in it after
// a transfer, for the next one added to it.
struct CurlMulti {
  CURLM* multi = nullptr;

  CurlMulti() : multi(curl_ready() ? curl_multi_init() : nullptr) {}
  ~CurlMulti() {
    if (multi) curl_multi_cleanup(multi);
  }
  CurlMulti(const CurlMulti&) = delete;
  CurlMulti& operator=(const CurlMulti&) = delete;
};

// What the callbacks collect and watch.
struct Receiver {
  CURL* easy = nullptr;
  std::atomic<bool> stopped{false};
  Clock::duration stall_limit{};
  Clock::time_point last_progress = Clock::now();
  curl_off_t moved = 0;      // bytes received and sent so far
  std::string header_block;  // of the response being received
  size_t header_bytes = 0;   // of every response so far, interim ones included
  bool block_ended = false;
  Bytes body;
  bool reserved = false;
};

bool starts_with_status(std::string_view line) {
  return line.substr(0, 5) == "HTTP/";
}

// Keeps the header block of the latest response: a status line that comes
// after a finished block (a redirect, an interim 1xx, a proxy's answer to
// CONNECT) starts a new one; lines after the block that are no status line
// are trailers and are left out. Every line is stored with CR LF.
size_t on_header(char* data, size_t size, size_t count, void* user) {
  auto* r = static_cast<Receiver*>(user);
  const size_t n = size * count;
  std::string_view line(data, n);
  r->header_bytes += n;
  if (r->header_bytes > static_cast<size_t>(kHttpMaxHeaderBlock)) return 0;  // fails the transfer
  if (r->block_ended) {
    if (!starts_with_status(line)) return n;
    r->header_block.clear();
    r->block_ended = false;
    r->body = Bytes();
    r->reserved = false;
  }
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  r->header_block.append(line);
  r->header_block.append("\r\n");
  if (line.empty()) r->block_ended = true;
  return n;
}

// Asks for huge pages over the whole huge pages that [data, data + n) spans.
void advise_huge_pages(char* data, std::size_t n) {
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (start + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
  const std::uintptr_t last = (start + n) & ~(kHugePageBytes - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

// Commits the whole pages of [data, data + n) in one call instead of one
// page fault each; a no-op where the kernel (before 5.14) lacks the advice.
void populate_pages(char* data, std::size_t n) {
#ifdef MADV_POPULATE_WRITE
  static const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (start + page - 1) & ~(page - 1);
  const std::uintptr_t last = (start + n) & ~(page - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#else
  (void)data;
  (void)n;
#endif
}

// Room for the whole declared body at once, so that it is never copied to
// grow. A large body takes address space only: its pages are committed as
// the bytes arrive, so a length that the server never sends costs nothing.
void reserve_body(Receiver& r) {
  curl_off_t length = -1;
  if (curl_easy_getinfo(r.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK ||
      length <= 0 || length > kHttpMaxBody) {
    return;
  }
  const auto n = static_cast<std::size_t>(length);
  try {
    r.body.reserve(n);
  } catch (const std::bad_alloc&) {
    return;  // no address space to spare (strict overcommit): the body grows as it comes
  }
  if (n >= kHugePageBytes) {
    advise_huge_pages(r.body.data(), n);
  } else if (n >= kPopulateBytes) {
    populate_pages(r.body.data(), n);
  }
}

size_t on_body(char* data, size_t size, size_t count, void* user) {
  auto* r = static_cast<Receiver*>(user);
  const size_t n = size * count;
  if (!r->reserved) {
    r->reserved = true;
    reserve_body(*r);
  }
  if (static_cast<size_t>(r->body.size()) + n > static_cast<size_t>(kHttpMaxBody)) return 0;
  r->body.append(data, n);
  return n;
}

// Ends the transfer when no byte has moved for the stall limit, or when the
// worker was asked to stop.
int on_progress(void* user, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up) {
  auto* r = static_cast<Receiver*>(user);
  const Clock::time_point now = Clock::now();
  if (down + up != r->moved) {
    r->moved = down + up;
    r->last_progress = now;
  }
  return (r->stopped || now - r->last_progress >= r->stall_limit) ? 1 : 0;
}

bool has_control_byte(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char c) {
    auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7f;
  });
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

bool is_https(std::string_view url) {
  return equals_ignoring_case(url.substr(0, 8), "https://");
}

// The proxy for this URL from the platform's proxy text: "http=ADDRESS"
// serves http:// URLs only.
std::string proxy_for(std::string_view proxy, bool secure) {
  if (equals_ignoring_case(proxy.substr(0, 5), "http=")) {
    return secure ? std::string() : std::string(proxy.substr(5));
  }
  return std::string(proxy);
}

// A space cannot stand in a request line; every other byte goes as given.
std::string url_for_curl(std::string_view url) {
  std::string out;
  out.reserve(url.size());
  for (char c : url) {
    if (c == ' ') {
      out.append("%20");
    } else {
      out.push_back(c);
    }
  }
  return out;
}

bool url_parses(const std::string& url) {
  CURLU* u = curl_url();
  if (!u) return false;
  bool ok = curl_url_set(u, CURLUPART_URL, url.c_str(), CURLU_PATH_AS_IS) == CURLUE_OK;
  curl_url_cleanup(u);
  return ok;
}

// Turns the caller's header text into libcurl's list, one entry per line.
// A line whose value is blank is written "Name;", libcurl's spelling for a
// header sent without a value ("Name:" alone would remove a header).
// Returns whether the text has its own User-Agent line.
bool add_header_lines(std::string_view text, CurlList& list) {
  bool own_agent = false;
  while (!text.empty()) {
    size_t end = text.find("\r\n");
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 2);
    size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) continue;
    std::string_view name = line.substr(0, colon);
    std::string_view value = line.substr(colon + 1);
    if (equals_ignoring_case(name, "User-Agent")) own_agent = true;
    if (value.find_first_not_of(" \t") == std::string_view::npos) {
      list.add(std::string(name) + ";");
    } else {
      list.add(std::string(line));
    }
  }
  // libcurl's own defaults are switched off; an empty "Name:" is never sent.
  list.add("Accept:");
  list.add("Expect:");
  list.add("Content-Type:");
  list.add("Proxy-Connection:");
  return own_agent;
}

// Drives the transfer until it ends, or until the calling worker is asked to
// stop: the stop callback wakes curl_multi_poll at once.
CURLcode run_transfer(CURLM* multi, CURL* easy, Receiver& r, const std::stop_token& token) {
  std::atomic<bool>& stopped = r.stopped;
  std::stop_callback wake(token, [&] {
    stopped = true;
    curl_multi_wakeup(multi);
  });
  r.last_progress = Clock::now();
  if (curl_multi_add_handle(multi, easy) != CURLM_OK) return CURLE_FAILED_INIT;
  CURLcode result = CURLE_ABORTED_BY_CALLBACK;
  for (;;) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      result = CURLE_RECV_ERROR;
      break;
    }
    bool done = false;
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
      if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) {
        result = msg->data.result;
        done = true;
      }
    }
    if (done) break;
    if (stopped || running == 0) break;
    if (curl_multi_poll(multi, nullptr, 0, kPollMs, nullptr) != CURLM_OK) {
      result = CURLE_RECV_ERROR;
      break;
    }
  }
  curl_multi_remove_handle(multi, easy);
  return result;
}

HttpExchangeResult exchange_on(CURLM* multi, const HttpExchangeRequest& request) {
  HttpExchangeResult result;
  const std::string_view url = request.url;
  const std::string_view method = request.method;
  CurlHolder holder;
  if (!multi || !holder.easy || has_control_byte(url) || has_control_byte(request.proxy.view()) ||
      method.empty() || has_control_byte(method) || method.find(' ') != std::string_view::npos) {
    return result;
  }
  const std::string target = url_for_curl(url);
  if (!url_parses(target)) return result;

  CurlList& headers = holder.headers;
  CurlList& proxy_headers = holder.proxy_headers;
  const bool own_agent = add_header_lines(request.header_text.view(), headers);
  proxy_headers.add("Proxy-Connection:");
  if (headers.failed || proxy_headers.failed) return result;
  if (!own_agent && has_control_byte(request.agent.view())) return result;

  CURL* e = holder.easy;
  Receiver receiver;
  receiver.easy = e;
  const std::string proxy = proxy_for(request.proxy.view(), is_https(url));

  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
  // A stop must not wait for a name lookup still running on its own thread.
  curl_easy_setopt(e, CURLOPT_QUICK_EXIT, 1L);
  curl_easy_setopt(e, CURLOPT_URL, target.c_str());
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(e, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, request.follow_redirects ? 1L : 0L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, static_cast<long>(kHttpMaxRedirects));
  // Certificate errors are ignored, as the platform is told to.
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(e, CURLOPT_PROXY_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(e, CURLOPT_PROXY_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, connect_timeout_ms.load());
  receiver.stall_limit = std::chrono::milliseconds(stall_ms.load());
  curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, on_progress);
  curl_easy_setopt(e, CURLOPT_XFERINFODATA, &receiver);
  curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kHttpMaxBody));
  // An empty proxy text also keeps libcurl from reading proxies from the
  // environment.
  curl_easy_setopt(e, CURLOPT_PROXY, proxy.c_str());
  curl_easy_setopt(e, CURLOPT_HEADEROPT, CURLHEADER_SEPARATE);
  curl_easy_setopt(e, CURLOPT_PROXYHEADER, proxy_headers.head);
  curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.head);
  if (!own_agent) curl_easy_setopt(e, CURLOPT_USERAGENT, request.agent.c_str());
  if (request.platform_cookies && cookie_store()) {
    curl_easy_setopt(e, CURLOPT_SHARE, cookie_store());
    curl_easy_setopt(e, CURLOPT_COOKIEFILE, "");
  } else {
    curl_easy_setopt(e, CURLOPT_SHARE, nullptr);
  }

  // The method. libcurl sends a body only on a POST-like transfer, so any
  // method with a body is one, named by CUSTOMREQUEST.
  const bool declares_body = method == "POST" || method == "PUT";
  const bool sends_body =
      method != "GET" && method != "HEAD" && (declares_body || !request.body.empty());
  if (method == "HEAD") curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
  if (sends_body) {
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    curl_easy_setopt(e, CURLOPT_POSTFIELDS, request.body.empty() ? "" : request.body.data());
  }
  const std::string method_text(method);
  if (method != "GET" && method != "POST") {
    curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, method_text.c_str());
  }

  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, on_header);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, &receiver);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, on_body);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &receiver);

  const std::stop_token token = current_stop_token();
  if (token.stop_requested()) return result;
  const CURLcode code = run_transfer(multi, e, receiver, token);
  if (code != CURLE_OK || !receiver.block_ended) {
    result.outcome = Outcome::kFailed;
    return result;
  }
  result.outcome = Outcome::kCompleted;
  result.body = std::move(receiver.body);
  result.header_block = Text(std::move(receiver.header_block));
  return result;
}

}  // namespace

HttpExchangeResult http_exchange(const HttpExchangeRequest& request) {
  if (request.keep_alive_on_thread) {
    thread_local CurlMulti kept;
    return exchange_on(kept.multi, request);
  }
  CurlMulti own;
  return exchange_on(own.multi, request);
}

void set_http_time_limits(std::chrono::milliseconds connect, std::chrono::milliseconds stall) {
  connect_timeout_ms = static_cast<long>(std::max<int64_t>(connect.count(), 1));
  stall_ms = static_cast<long>(std::max<int64_t>(stall.count(), 1));
}

void http_time_limits_restore() {
  set_http_time_limits(kHttpConnectTimeout, kHttpStallTime);
}
