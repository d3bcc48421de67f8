// One HTTP/1.1 exchange over libcurl: the platform's HTTP client library.
//
// The caller decides everything that goes out (method, target, header text,
// body, proxy); the transport adds only what HTTP/1.1 needs (Host, and the
// framing of a body) and the agent line, and hands back the body and the raw
// header block of the final response. It never hangs without end: a
// connection that cannot be made or that stops delivering bytes ends the
// exchange, and so does the calling worker's stop request, at once.
#pragma once

#include <chrono>

#include "text/values.h"

// The browser text both readers announce themselves with, unless a request's
// own header text names another agent.
inline constexpr const char* kBrowserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// How long a connection (name lookup and TLS included) may take to be made.
inline constexpr std::chrono::milliseconds kHttpConnectTimeout{30'000};
// A transfer that moves no byte, in either direction, for this long is
// ended (the wait for the first byte of the answer included).
inline constexpr std::chrono::milliseconds kHttpStallTime{60'000};
// Redirects followed at most, when they are followed at all.
inline constexpr int kHttpMaxRedirects = 10;
// Header bytes beyond this, over all the responses of one exchange (redirects
// and interim answers included), fail it: headers without end.
inline constexpr int kHttpMaxHeaderBlock = 1 << 20;
// A body larger than this fails the exchange; a Bytes holds at most 2^31 - 1.
inline constexpr int kHttpMaxBody = 1 << 30;

struct HttpExchangeRequest {
  // An absolute http:// or https:// URL. Spaces and bytes of 0x80 and above
  // in its path go out percent-encoded (a request line cannot carry them);
  // other control bytes (CR, LF, ...) make the exchange refuse to start.
  Text url;
  // The method name sent in the request line; "HEAD" reads no body.
  Text method = "GET";
  // Sent as the User-Agent line unless header_text has a User-Agent line of
  // its own; refused when it holds CR or LF and would be sent.
  Text agent;
  // Request header lines separated by CR LF, sent as given, in this order;
  // empty pieces and pieces without ":" are no header lines and are skipped.
  Text header_text;
  // Sent with a Content-Length when not empty; POST and PUT declare an empty
  // body as Content-Length 0, other methods send none. GET and HEAD never
  // send one: libcurl reads no response body only for a request without one.
  Bytes body;
  // Empty: direct. "http=ADDRESS": through ADDRESS for http:// URLs only.
  // Any other text: through that proxy for every URL.
  Text proxy;
  // Whether the process-wide cookie store sends and keeps cookies for this
  // exchange (the platform's behaviour); false leaves cookies to header_text.
  bool platform_cookies = true;
  bool follow_redirects = true;
  // Reuse this thread's handles, and so its open connections, between calls.
  bool keep_alive_on_thread = false;
};

struct HttpExchangeResult {
  enum class Outcome {
    kNotStarted,  // nothing was sent: the request was refused or a handle could not be made
    kFailed,      // sent, but no complete response came back (refused, stalled, cut, stopped)
    kCompleted,   // a complete response, whatever its status code
  };
  Outcome outcome = Outcome::kNotStarted;
  // The body of the final response, byte for byte; empty unless completed.
  Bytes body;
  // The raw header block of the final response: the status line and the
  // header lines, each followed by CR LF, then CR LF. Empty unless completed.
  Text header_block;
};

// Carries out one exchange on the calling thread, blocking until it has
// completed or failed. Never throws.
HttpExchangeResult http_exchange(const HttpExchangeRequest& request);

// For tests: later exchanges use these limits (at least 1 ms each).
// http_time_limits_restore() goes back to the constants above.
void set_http_time_limits(std::chrono::milliseconds connect, std::chrono::milliseconds stall);
void http_time_limits_restore();
