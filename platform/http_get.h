// The platform's plain URL reader.
#pragma once

#include "text/values.h"

// The body of an HTTP GET of `url`, whatever the status code, after any
// redirects; the empty Bytes on any failure (a body cut short included) and
// for an empty URL, which touches no network. Connections stay open between
// calls on the same thread. A stop request to the calling worker ends the
// transfer at once, with the empty Bytes.
Bytes http_get(const Text& url);
