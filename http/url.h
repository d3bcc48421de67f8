// Host, port and path of a URL, cut out of it as plain text.
#pragma once

#include <optional>

#include "text/values.h"

// The host in lower case. Without `levels` (host mode): the text between the
// scheme and the next "/", reduced to its last two labels by domain_only.
// With `levels` (label mode, its presence alone selects it): the last
// levels + 2 labels, or levels + 1 with domain_only. The port suffix goes
// unless keep_port.
Text url_host(const Text& url, bool domain_only = false, bool keep_port = false,
              std::optional<int> levels = std::nullopt);

// The port after the host's last ":", else 443 for https and 80 otherwise.
int url_port(const Text& url);

// Everything from the first "/" after the host, in the URL's letter case;
// "/" when there is none.
Text url_path(const Text& url);
