// Request header blocks: lines separated by CR LF, each "name:value".
#pragma once

#include "text/values.h"

// Upper-cases the first byte of every header name and every byte of a name
// that follows a "-"; drops lines without ":" and the final CR LF.
Text normalize_headers(const Text& block);

// The text with its first byte upper-cased.
Text capitalize_first(const Text& t);

// The trimmed text after the first ":" of the line; empty without one.
Text header_value(const Text& line);
