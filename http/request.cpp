#include "http/request.h"

#include <algorithm>

#include "http/cookies.h"
#include "http/headers.h"
#include "http/url.h"
#include "platform/http_transport.h"
#include "text/markers.h"

namespace {

const Text kCrLf = "\r\n";

bool contains_ci(const Text& block, const Text& sought) {
  return text_find(block, sought, 0, true) != -1;
}

bool holds_line_break(const Text& t) {
  return std::any_of(t.view().begin(), t.view().end(),
                     [](char c) { return c == '\r' || c == '\n'; });
}

// A host we can connect to by name or address: letters, digits, ".", "-"
// and "_". Anything else (a user part, "?", spaces) is no host name.
bool is_plain_host(const Text& host) {
  return !host.empty() && std::all_of(host.view().begin(), host.view().end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
  });
}

// scheme://host:port/path from the URL's pieces; empty when they name nothing
// to connect to. Port 0 stands for the scheme's own port, as on the platform.
Text target_url(const Text& url, bool https) {
  const Text host = url_host(url);
  int port = url_port(url);
  if (!is_plain_host(host) || port < 0 || port > 65535) return {};
  if (port == 0) port = https ? 443 : 80;
  return concat_text(https ? "https://" : "http://", host, ":", to_text(port), url_path(url));
}

}  // namespace

int method_number(std::optional<int> method) {
  const int m = method.value_or(0);
  return (m < 0 || m > 7) ? 0 : m;
}

Text method_name(int method) {
  static const char* const kNames[] = {"GET",     "POST",   "HEAD",  "PUT",
                                       "OPTIONS", "DELETE", "TRACE", "CONNECT"};
  return kNames[method_number(method)];
}

bool is_https_url(const Text& url) {
  return compare_text(to_lower(text_left(url, 8)), "https://") == 0;
}

Text agent_text(const Text& headers) {
  if (!contains_ci(headers, "User-Agent:")) return kDefaultUserAgent;
  Text agent = trim_both(text_between(concat_text(headers, kCrLf), "User-Agent:", kCrLf));
  if (agent.empty()) agent = header_value(headers);
  return agent;
}

uint32_t request_flags(bool cookies_present, bool no_redirect, bool https) {
  uint32_t flags = kFlagReload | kFlagNeedFile | (https ? kFlagSecure : kFlagIgnoreRedirectToHttps);
  if (cookies_present) flags |= kFlagNoCookies;
  if (no_redirect) flags |= kFlagNoAutoRedirect;
  return flags;
}

AccessMode access_mode(const Text& proxy, bool https) {
  if (proxy.empty()) return {};
  return {kAccessProxy, https ? proxy : concat_text("http=", proxy), ""};
}

Text add_default_header_lines(const Text& headers, const Text& url, int method) {
  Text h = headers.empty() ? Text("Accept: */*") : headers;
  if (!contains_ci(h, "Accept:")) h = concat_text(h, kCrLf, "Accept: */*");
  if (!contains_ci(h, "Referer:")) h = concat_text(h, kCrLf, "Referer: ", url);
  if (!contains_ci(h, "Accept-Language:")) h = concat_text(h, kCrLf, "Accept-Language: zh-cn");
  if (method == 1 && !contains_ci(h, "Content-Type:")) {
    h = concat_text(h, kCrLf, "Content-Type: application/x-www-form-urlencoded");
  }
  return h;
}

Text add_cookie_line(const Text& headers, const Text& cookies) {
  if (cookies.empty()) return headers;
  if (text_find(cookies, "Cookie:") != -1) return concat_text(headers, kCrLf, cookies);
  return concat_text(headers, kCrLf, "Cookie: ", cookies);
}

RequestPlan plan_request(const Text& url, std::optional<int> method, const Text& post_text,
                         const Text* cookies, const Text& headers, bool no_redirect,
                         const Bytes& post_bytes, const Text& proxy,
                         std::optional<bool> add_default_headers,
                         std::optional<bool> normalize_header_names) {
  RequestPlan plan;
  plan.normalized_headers =
      normalize_header_names.value_or(true) ? normalize_headers(headers) : headers;
  plan.method = method_number(method);
  plan.method_name = method_name(plan.method);
  plan.https = is_https_url(url);
  plan.agent = agent_text(plan.normalized_headers);
  plan.access = access_mode(proxy, plan.https);
  plan.flags = request_flags(cookies != nullptr, no_redirect, plan.https);
  plan.headers = plan.normalized_headers;
  if (add_default_headers.value_or(true)) {
    plan.headers = add_default_header_lines(plan.headers, url, plan.method);
  }
  if (cookies) plan.headers = add_cookie_line(plan.headers, *cookies);
  plan.sends_body = plan.method != 0;
  if (plan.sends_body) plan.body = post_bytes.empty() ? to_bytes(post_text) : post_bytes;
  // The URL also travels inside the Referer line: a line break in it would
  // add header lines of its own.
  if (!holds_line_break(url)) plan.target_url = target_url(url, plan.https);
  plan.refused = plan.target_url.empty();
  return plan;
}

Text collect_set_cookies(const Text& header_block) {
  Text found;
  for (const Text& line : split_text(header_block, kCrLf)) {
    if (compare_text(text_before(line, ": "), "Set-Cookie") != 0) continue;
    Text value =
        text_find(line, ";") != -1
            ? trim_both(text_between(line, "Set-Cookie:", ";"))
            : trim_both(replace_text(line, "Set-Cookie:", "", std::nullopt, std::nullopt, false));
    found = concat_text(found, value, "; ");
  }
  return drop_right(found, 2);
}

Text finish_cookies(const Text& header_block, Text* cookies, bool merge) {
  Text returned = collect_set_cookies(header_block);
  if (merge && cookies) returned = merge_cookies(*cookies, returned);
  return returned;
}

Bytes http_request(const Text& url, std::optional<int> method, const Text& post_text, Text* cookies,
                   Text* returned_cookies, Text* headers, Text* response_headers, bool no_redirect,
                   Bytes* post_bytes, const Text& proxy, std::optional<bool> merge_returned_cookies,
                   std::optional<bool> add_default_headers,
                   std::optional<bool> normalize_header_names) {
  const RequestPlan plan = plan_request(
      url, method, post_text, cookies, headers ? *headers : Text(), no_redirect,
      post_bytes ? *post_bytes : Bytes(), proxy, add_default_headers, normalize_header_names);
  // Nothing was sent: the caller sees the normalised headers and nothing else.
  auto not_sent = [&] {
    if (headers) *headers = plan.normalized_headers;
    return Bytes();
  };
  if (plan.refused) return not_sent();

  HttpExchangeRequest request;
  request.url = plan.target_url;
  request.method = plan.method_name;
  request.agent = plan.agent;
  request.header_text = plan.headers;
  if (plan.sends_body) request.body = plan.body;
  request.proxy = plan.access.proxy;
  request.platform_cookies = (plan.flags & kFlagNoCookies) == 0;
  request.follow_redirects = (plan.flags & kFlagNoAutoRedirect) == 0;
  HttpExchangeResult result = http_exchange(request);
  if (result.outcome == HttpExchangeResult::Outcome::kNotStarted) return not_sent();

  if (headers) *headers = plan.headers;
  if (plan.sends_body && post_bytes && post_bytes->empty()) *post_bytes = plan.body;
  Text returned =
      finish_cookies(result.header_block, cookies, merge_returned_cookies.value_or(true));
  if (response_headers) *response_headers = result.header_block;
  if (returned_cookies) *returned_cookies = returned;
  return std::move(result.body);
}
