// Decoding of %XX escapes, and conversion between code pages through UTF-16.
// Code pages are numbered as the platform numbers them: 0 is the system's
// ANSI code page (936 in this build), 65001 is UTF-8, 936 is GBK.
#pragma once

#include <optional>

#include "text/values.h"

// Every "%" takes the two bytes after it as hexadecimal digits, in one pass;
// odd escapes decode by fixed rules and a decoded zero byte is dropped. With
// `convert` the result is then taken as UTF-8 and converted to code page 936.
Text percent_decode(const Text& t, bool convert = false);

// UTF-8 text converted to code page 936. Malformed UTF-8 and characters the
// code page lacks come out as "?".
Text utf8_to_ansi(const Text& t);

// The text (in `code_page`, UTF-8 when left out; a given 0 is the ANSI code
// page) as UTF-16 little-endian units followed by a zero unit. Malformed
// input becomes U+FFFD; an unknown code page gives the zero unit alone.
Bytes text_to_utf16(const Text& t, std::optional<int> code_page = std::nullopt);

// UTF-16 little-endian units, read up to the first zero unit (or the last
// whole unit), as text in `code_page`. Characters the code page lacks become
// "?"; an unknown code page gives the empty text.
Text utf16_to_text(const Bytes& units, int code_page = 0);
