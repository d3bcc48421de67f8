// Conversion between multibyte code pages and UTF-16, in place of the
// platform's MultiByteToWideChar and WideCharToMultiByte (flags 0).
//
// Code pages are numbered as the platform numbers them: 0 is the system's
// ANSI code page, which is 936 in this build; 65001 is UTF-8; 936 is GBK; any
// other number n is looked up as the converter named "CP<n>". A code page
// that cannot be opened yields the empty result.
//
// Neither direction ever fails half-way; what cannot be converted is replaced:
// - malformed input (bytes that do not form a character of the source code
//   page) becomes U+FFFD, one for each maximal ill-formed run in UTF-8 and one
//   for each rejected byte in other code pages;
// - a character that the target code page lacks becomes its default character
//   "?"; an unpaired surrogate becomes U+FFFD in UTF-8 and "?" elsewhere.
//
// Output buffers are sized by the conversion itself, so a result is never cut
// short whatever the two code pages are. The functions keep no state and may
// run on several threads at once.
#pragma once

#include <string>
#include <string_view>

constexpr int kAnsiCodePage = 0;
constexpr int kUtf8CodePage = 65001;
constexpr int kGbkCodePage = 936;

// The code page that code page 0 stands for.
constexpr int kSystemAnsiCodePage = kGbkCodePage;

// `bytes` in `code_page` as UTF-16 units. Every byte is converted, zero bytes
// included; no terminator is added. Empty for an unknown code page.
std::u16string multibyte_to_utf16(int code_page, std::string_view bytes);

// UTF-16 `units` as bytes in `code_page`. Every unit is converted, zero units
// included; no terminator is added. Empty for an unknown code page.
std::string utf16_to_multibyte(int code_page, std::u16string_view units);
