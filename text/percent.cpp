#include "text/percent.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "platform/codepage.h"

namespace {

// What each byte is worth as a digit of an escape: 0-15 for a hexadecimal
// digit of either case, -2 for any other byte. (A digit position past the end
// of the text is worth 0.) The odd values make malformed escapes decode to
// fixed bytes, e.g. "%;\"" to 0xDE and "%0G" to 0xFE.
constexpr std::array<int, 256> kDigitValue = [] {
  std::array<int, 256> v{};
  for (int& x : v) x = -2;
  for (int c = '0'; c <= '9'; ++c) v[c] = c - '0';
  for (int c = 'A'; c <= 'F'; ++c) v[c] = v[c + ('a' - 'A')] = c - 'A' + 10;
  return v;
}();

// The byte an escape at s[i] appends (zero: nothing), its digits read at
// i + 1 and i + 2; a digit position past the end is worth 0.
char escape_byte(std::string_view s, std::size_t i) {
  auto digit = [&](std::size_t k) {
    return k < s.size() ? kDigitValue[static_cast<unsigned char>(s[k])] : 0;
  };
  return static_cast<char>((16 * digit(i + 1) + digit(i + 2)) & 0xFF);  // modulo 256
}

// Copies the bytes from s[i] up to the next "%" to `dst` and returns the
// position of that "%" (s.size() when there is none). Words of eight bytes
// are moved whole: the output never runs ahead of the input, so a word
// written at `dst` ends within the buffer wherever the word read ends.
std::size_t copy_run(std::string_view s, std::size_t i, char*& dst) {
  const std::size_t n = s.size();
  if constexpr (std::endian::native == std::endian::little) {
    constexpr uint64_t kOnes = 0x0101010101010101u;
    constexpr uint64_t kHigh = 0x8080808080808080u;
    for (; i + 8 <= n; i += 8, dst += 8) {
      uint64_t word;
      std::memcpy(&word, s.data() + i, 8);
      std::memcpy(dst, &word, 8);
      const uint64_t x = word ^ ('%' * kOnes);  // zero bytes where the "%" are
      const uint64_t hits = (x - kOnes) & ~x & kHigh;
      if (hits != 0) {
        const unsigned k = std::countr_zero(hits) / 8;  // the first "%" is exact
        dst += k;
        return i + k;
      }
    }
  }
  for (; i < n && s[i] != '%'; ++i) *dst++ = s[i];
  return i;
}

}  // namespace

Text percent_decode(const Text& t, bool convert) {
  const std::string_view s = t.view();
  const std::size_t n = s.size();
  const auto* in = reinterpret_cast<const unsigned char*>(s.data());
  // Every escape shrinks the text, so the output never outgrows the input.
  std::string out(n, '\0');
  char* dst = out.data();
  std::size_t i = 0;
  unsigned plain = 0;  // plain bytes in a row
  // While both digit positions exist no bounds need checking.
  while (i + 2 < n) {
    if (in[i] != '%') {
      *dst++ = static_cast<char>(in[i++]);
      // Short runs between escapes go byte by byte; once a run proves long,
      // the rest of it is copied a word at a time.
      if (++plain == 8) plain = 0, i = copy_run(s, i, dst);
      continue;
    }
    plain = 0;
    const int v = 16 * kDigitValue[in[i + 1]] + kDigitValue[in[i + 2]];
    *dst = static_cast<char>(v & 0xFF);  // v modulo 256; v may be negative
    dst += *dst != 0;                    // a decoded zero cannot live in a text: drop it
    i += 3;  // the "%" always takes the two positions after it, whatever they hold
  }
  for (; i < n; ++i) {
    if (in[i] != '%') {
      *dst++ = static_cast<char>(in[i]);
      continue;
    }
    *dst = escape_byte(s, i);
    dst += *dst != 0;
    i += 2;
  }
  out.resize(dst - out.data());
  Text decoded(std::move(out));
  if (convert) return utf8_to_ansi(decoded);
  return decoded;
}

Text utf8_to_ansi(const Text& t) {
  return utf16_to_text(text_to_utf16(t), kGbkCodePage);
}

Bytes text_to_utf16(const Text& t, std::optional<int> code_page) {
  const std::u16string units = multibyte_to_utf16(code_page.value_or(kUtf8CodePage), t.view());
  // Little-endian units and a zero unit, as the platform hands them over.
  std::string le((units.size() + 1) * 2, '\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    le[2 * i] = static_cast<char>(units[i] & 0xFF);
    le[2 * i + 1] = static_cast<char>(units[i] >> 8);
  }
  return Bytes(std::move(le));
}

Text utf16_to_text(const Bytes& units, int code_page) {
  const std::string_view le = units.view();
  std::u16string u;
  u.reserve(le.size() / 2);
  for (std::size_t i = 0; i + 1 < le.size(); i += 2) {
    const auto unit = static_cast<char16_t>(static_cast<unsigned char>(le[i]) |
                                            (static_cast<unsigned char>(le[i + 1]) << 8));
    if (unit == 0) break;  // the terminator; whatever follows it is buffer slack
    u.push_back(unit);
  }
  return Text(utf16_to_multibyte(code_page, u));
}
