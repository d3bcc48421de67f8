// Splitting a text into characters or members, dropping repeated members,
// and finding a text in an array.
#pragma once

#include "text/values.h"

// Fills `out` (emptied first) with the characters of t: two bytes for a byte
// of 0x81 or above with a byte after it, CR LF together, otherwise one byte.
// Returns their number.
int split_chars(const Text& t, TextArray& out);

// The members of t (split at `separator` when by_separator, else into
// characters), each kept at its first occurrence, joined by `separator`.
Text join_unique(const Text& t, const Text& separator, bool by_separator);

// The 1-based index of the first member equal to `sought`, or -1.
int find_in_array(const TextArray& a, const Text& sought);
