// Cutting pieces out of page HTML, URLs and header lines: the text between
// two markers, the text before a marker, a plain byte search that can fold
// letter case, and trimming of spaces and of trailing bytes.
#pragma once

#include "text/values.h"

// The bytes strictly between the first start marker found from `start` and
// the first end marker after it; empty when either is missing. In both
// markers "#引号" (in code page 936) stands for a double quote.
Text text_between(const Text& subject, const Text& start_marker, const Text& end_marker,
                  int start = 0, bool ignore_case = false);

// All bytes in front of the marker found; empty when it is missing. A start
// of 0 or more searches forwards from there (0 means 1). A negative start -k
// takes the last marker lying wholly before position len - k, except that -1
// counts as 0: it takes the last marker before position len, so a marker
// ending on the last byte is not found, and -2 starts at len - 2, not len - 1.
Text text_before(const Text& subject, const Text& marker, int start = 0, bool ignore_case = false);

// 1-based position of the first occurrence of `sought` at or after `start`
// by a plain byte search, which may match on a second byte; `fold` lower-cases
// A-Z on both sides first (second bytes included). A start below 1 searches
// from 1, a start past the last byte finds nothing. -1 when not found or when
// either text is empty. Linear in the subject's length.
int find_text_ci(const Text& subject, const Text& sought, int start = 0, bool fold = false);
// The plain byte search under find_text_ci, with the same start rule and
// results, on the caller's texts as they are.
int find_text_plain(const Text& subject, const Text& sought, int start);

// The text without leading and trailing spaces (0x20 only).
Text trim_blanks(const Text& t);

// The text without its last `count` bytes.
Text drop_right(const Text& t, int count);
