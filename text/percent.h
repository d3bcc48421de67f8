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

// UTF-8 text converted to code page 936.
Text utf8_to_ansi(const Text& t);

// The text (in `code_page`, UTF-8 when left out) as zero-terminated UTF-16
// little-endian units.
Bytes text_to_utf16(const Text& t, std::optional<int> code_page = std::nullopt);

// Zero-terminated UTF-16 little-endian units as text in `code_page`.
Text utf16_to_text(const Bytes& units, int code_page = 0);
