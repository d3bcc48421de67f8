// The general HTTP request routine, split into its pure preparation, the
// exchange through the platform transport, and its pure finishing (the
// cookies of the response).
#pragma once

#include <cstdint>
#include <optional>

#include "platform/http_transport.h"
#include "text/values.h"

// The agent text when the caller's headers name none.
inline constexpr const char* kDefaultUserAgent = kBrowserAgent;

// Request flags, in the platform's bit values.
inline constexpr uint32_t kFlagReload = 0x80000000u;
inline constexpr uint32_t kFlagNeedFile = 0x10u;
inline constexpr uint32_t kFlagNoCookies = 0x80000u;
inline constexpr uint32_t kFlagNoAutoRedirect = 0x200000u;
inline constexpr uint32_t kFlagSecure = 0x800000u;
inline constexpr uint32_t kFlagIgnoreRedirectToHttps = 0x4000u;

// Access types of the platform's proxy table.
inline constexpr int kAccessDirect = 1;
inline constexpr int kAccessProxy = 3;

// Performs one request and returns the response body, byte for byte, whatever
// the status code; the empty Bytes when the exchange fails. Absent arguments
// (nullptr, std::nullopt) differ from empty ones: the three flags default to
// true, and a present `cookies`, even empty, switches the platform's cookie
// store off and sends the cookies itself.
//   url                     the request URL; one holding CR or LF is refused
//   method                  0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE,
//                           6 TRACE, 7 CONNECT; other numbers mean GET
//   post_text               the body as text, used when post_bytes is empty
//   cookies (in/out)        "a=1; b=2"; becomes the merged string when merging
//   returned_cookies (out)  the cookies the response set ("" after a failed
//                           exchange)
//   headers (in/out)        extra header lines, CR LF separated; on return the
//                           text that was sent, or the normalised text alone
//                           when nothing could be sent
//   response_headers (out)  the raw header block of the final response, whole;
//                           "" after a failed exchange
//   no_redirect             do not follow redirects
//   post_bytes (in/out)     the body as bytes; filled from post_text when
//                           empty and the method is not GET
//   proxy                   proxy address; empty for a direct connection
//   merge_returned_cookies  merge the response's cookies into `cookies`
//   add_default_headers     complete the headers with the default lines
//   normalize_header_names  capitalise the header names first
// When the request cannot be sent at all, returned_cookies, response_headers,
// cookies and post_bytes stay as they were.
Bytes http_request(const Text& url, std::optional<int> method = {}, const Text& post_text = {},
                   Text* cookies = nullptr, Text* returned_cookies = nullptr,
                   Text* headers = nullptr, Text* response_headers = nullptr,
                   bool no_redirect = false, Bytes* post_bytes = nullptr, const Text& proxy = {},
                   std::optional<bool> merge_returned_cookies = {},
                   std::optional<bool> add_default_headers = {},
                   std::optional<bool> normalize_header_names = {});

// ---- Preparation: the arguments alone decide all of this --------------------

// The method number in 0 .. 7; anything else becomes 0.
int method_number(std::optional<int> method);
// "GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE" or "CONNECT".
Text method_name(int method);
// Whether the first eight bytes, lower-cased, are "https://".
bool is_https_url(const Text& url);
// The agent text: the value of the header text's "User-Agent:" (found with
// any letter case, then cut with exact case), else the value after the
// block's first ":", or kDefaultUserAgent when no "User-Agent:" is there.
Text agent_text(const Text& headers);
// The request flags: reload and need-file always, no-cookies when cookies are
// present, no-auto-redirect when asked, and secure for an https URL or
// ignore-redirect-to-https for any other.
uint32_t request_flags(bool cookies_present, bool no_redirect, bool https);

struct AccessMode {
  int type = kAccessDirect;
  Text proxy;   // as the platform is given it; empty when direct
  Text bypass;  // "" when through a proxy
};
// Direct for an empty proxy; the proxy unchanged for an https URL; else
// "http=" followed by the proxy.
AccessMode access_mode(const Text& proxy, bool https);

// The header text completed with the default lines that it lacks: Accept,
// Referer (the URL as given), Accept-Language and, for method 1 only,
// Content-Type. Each test is a case-blind search anywhere in the block.
Text add_default_header_lines(const Text& headers, const Text& url, int method);
// The header text with the cookie line appended when cookies is not empty:
// the cookie text itself when it holds "Cookie:", else "Cookie: " before it.
Text add_cookie_line(const Text& headers, const Text& cookies);

// Everything decided before the exchange.
struct RequestPlan {
  int method = 0;
  Text method_name;
  bool https = false;
  Text agent;
  AccessMode access;
  uint32_t flags = 0;
  Text normalized_headers;  // the header text after normalisation only
  Text headers;             // the header text to send
  bool sends_body = false;  // every method but GET
  Bytes body;               // post_bytes, or post_text's bytes when it is empty
  // The URL holds CR or LF, or names no host or port that can be connected
  // to: nothing may be sent.
  bool refused = false;
  Text target_url;  // scheme://host:port/path, from the URL's pieces
};

RequestPlan plan_request(const Text& url, std::optional<int> method, const Text& post_text,
                         const Text* cookies, const Text& headers, bool no_redirect,
                         const Bytes& post_bytes, const Text& proxy,
                         std::optional<bool> add_default_headers,
                         std::optional<bool> normalize_header_names);

// ---- Finishing: the response header block alone decides this ---------------

// The "name=value" pairs of the block's "Set-Cookie" lines (exact letter
// case, followed by ": "), joined by "; ", attributes dropped.
Text collect_set_cookies(const Text& header_block);

// The returned cookies: those of the header block, merged into *cookies (which
// then holds the same text) when merge is set and cookies is present.
Text finish_cookies(const Text& header_block, Text* cookies, bool merge);
