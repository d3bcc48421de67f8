#include "http/url.h"

#include "text/markers.h"

namespace {

// The host of an already lower-cased URL: the text between the scheme and the
// next "/". A URL without any "http://" is read as if it had one.
Text host_between_scheme_and_slash(Text s) {
  if (text_right(s, 1) != Text("/")) s = concat_text(s, "/");  // terminate a bare host
  if (text_left(s, 8) == Text("https://")) return text_between(s, "https://", "/");
  if (text_find(s, "http://") == -1) s = concat_text("http://", s);
  return text_between(s, "http://", "/");
}

// The last two dot-separated labels, or the whole host when it has fewer.
Text last_two_labels(const Text& host) {
  const TextArray labels = split_text(host, Text("."));
  const int n = array_size(labels);
  if (n < 2) return host;
  return concat_text(array_member(labels, n - 1), ".", array_member(labels, n));
}

// The host reduced to its last levels + 2 labels (levels + 1 with
// domain_only); the port, if any, still hangs on the last label.
Text last_labels(Text s, bool domain_only, int levels) {
  s = replace_text(s, "http://", "", std::nullopt, std::nullopt, true);
  s = replace_text(s, "https://", "", std::nullopt, std::nullopt, true);
  const int slash = text_find(s, "/");
  if (slash != -1) s = text_left(s, slash - 1);

  const int len = text_length(s);
  // m walks back over one "." per level; each step moves left or gives -1,
  // so a huge level count ends as soon as the dots run out.
  int m = len;
  for (int i = 0; i < levels && m != -1; ++i) m = text_find_reverse(s, ".", m);
  const int o = m == -1 ? -1 : text_find_reverse(s, ".", m);

  if (domain_only) return o == -1 ? s : text_right(s, len - o);
  if (o == -1) return s;
  const int o2 = text_find_reverse(s, ".", o);
  return o2 == -1 ? s : text_right(s, len - o2);
}

// Length of the "http://" or "https://" that opens the URL, in any letter
// case; 0 when it opens with neither.
int scheme_length(const Text& url) {
  if (text_find(text_left(url, 7), "http://", 1, true) == 1) return 7;
  if (text_find(text_left(url, 8), "https://", 1, true) == 1) return 8;
  return 0;
}

}  // namespace

Text url_host(const Text& url, bool domain_only, bool keep_port, std::optional<int> levels) {
  Text s = to_lower(url);
  if (!levels) {
    s = host_between_scheme_and_slash(s);
    if (domain_only) s = last_two_labels(s);
  } else {
    s = last_labels(s, domain_only, *levels);
  }
  if (!keep_port) {
    const int colon = text_find(s, ":");
    if (colon != -1) s = text_left(s, colon - 1);
  }
  return s;
}

int url_port(const Text& url) {
  const Text host = url_host(url, false, true);
  const int colon = text_find_reverse(host, ":");
  if (colon == -1) return text_left(to_lower(url), 5) == Text("https") ? 443 : 80;
  return to_int(text_right(host, text_length(host) - colon));
}

Text url_path(const Text& url) {
  const Text host = url_host(url);
  // The host is looked for only after the scheme: searched from the first
  // byte, a host such as "h" or "t" would be found inside "http://" and the
  // path would start in the scheme.
  const int host_start = scheme_length(url) + 1;
  // An empty host stands where the host begins (a search for the empty text
  // would answer 1, back in the scheme).
  const int at = host.empty() ? host_start : text_find(url, host, host_start, true);
  const int slash = text_find(url, "/", at == -1 ? host_start : at, true);
  if (slash == -1) return "/";
  return text_right(url, text_length(url) - slash + 1);
}
