#include "platform/http_get.h"

#include "platform/http_transport.h"

Bytes http_get(const Text& url) {
  if (url.empty()) return {};
  HttpExchangeRequest request;
  // A URL without a scheme is read as http, as a browser's address bar does.
  request.url =
      url.view().find("://") == std::string_view::npos ? concat_text("http://", url) : url;
  request.agent = kBrowserAgent;
  request.header_text = "Accept: */*";
  request.keep_alive_on_thread = true;
  HttpExchangeResult result = http_exchange(request);
  if (result.outcome != HttpExchangeResult::Outcome::kCompleted) return {};
  return std::move(result.body);
}
