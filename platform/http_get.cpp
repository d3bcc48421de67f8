#include "platform/http_get.h"

#include "platform/http_transport.h"

namespace {

// What the reader announces itself as: the same browser text as the
// application's requests.
constexpr const char* kReaderAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

}  // namespace

Bytes http_get(const Text& url) {
  if (url.empty()) return {};
  HttpExchangeRequest request;
  // A URL without a scheme is read as http, as a browser's address bar does.
  request.url =
      url.view().find("://") == std::string_view::npos ? concat_text("http://", url) : url;
  request.agent = kReaderAgent;
  request.header_text = "Accept: */*";
  request.keep_alive_on_thread = true;
  HttpExchangeResult result = http_exchange(request);
  if (result.outcome != HttpExchangeResult::Outcome::kCompleted) return {};
  return std::move(result.body);
}
