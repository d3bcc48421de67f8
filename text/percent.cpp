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

constexpr std::size_t kBlock = 64;  // bytes whose "%" positions are found at once

// The positions of "%" among the kBlock bytes at p, as the bits of a word,
// lowest bit first.
uint64_t percent_bits(const unsigned char* p) {
  uint64_t bits = 0;
  if constexpr (std::endian::native == std::endian::little) {
    constexpr uint64_t kOnes = 0x0101010101010101u;
    constexpr uint64_t kLow7 = 0x7F * kOnes;
    constexpr uint64_t kGather = 0x0102040810204080u;  // moves bit 8k to bit 56 + k
    for (std::size_t w = 0; w < kBlock / 8; ++w) {
      uint64_t word;
      std::memcpy(&word, p + 8 * w, 8);
      const uint64_t x = word ^ ('%' * kOnes);  // zero bytes where the "%" are
      // 0x80 in exactly the zero bytes of x: no carry crosses a byte.
      const uint64_t zero = ~(((x & kLow7) + kLow7) | x) & (0x80 * kOnes);
      bits |= (((zero >> 7) * kGather) >> 56) << (8 * w);
    }
  } else {
    for (std::size_t k = 0; k < kBlock; ++k) bits |= uint64_t{p[k] == '%'} << k;
  }
  return bits;
}

// Copies n bytes from src to dst in moves of 16 bytes, so it may write up to
// 15 bytes beyond dst + n and read as far beyond src + n.
void move_run(char* dst, const unsigned char* src, std::size_t n) {
  std::size_t k = 0;
  do {
    std::memcpy(dst + k, src + k, 16);
    k += 16;
  } while (k < n);
}

}  // namespace

Text percent_decode(const Text& t, bool convert) {
  const std::string_view s = t.view();
  const std::size_t n = s.size();
  const auto* in = reinterpret_cast<const unsigned char*>(s.data());
  // Every escape shrinks the text, so the output never outgrows the input and
  // never runs ahead of it: whatever is written at dst lies no further into
  // the buffer than what is read at the same time.
  std::string out(n, '\0');
  char* dst = out.data();
  std::size_t pos = 0;  // the first byte not yet decoded
  // Whole blocks, while the digits of an escape at the end of a block and a
  // 16-byte move from anywhere in it stay within the text. Taking the "%" of
  // a block from the bits of one word leaves one branch per block that the
  // bytes decide, where testing every byte mispredicts about once per escape.
  for (std::size_t block = 0; block + kBlock + 16 <= n;) {
    const std::size_t end = block + kBlock;
    uint64_t bits = percent_bits(in + block);
    if (bits == 0) {
      // No escape here: the run may be long, so find its end at memchr speed
      // and go on from the block that holds it.
      const void* hit = std::memchr(in + end, '%', n - end);
      const std::size_t stop = hit ? static_cast<const unsigned char*>(hit) - in : n;
      const std::size_t next = block + (stop - block) / kBlock * kBlock;
      std::memcpy(dst, in + pos, next - pos);
      dst += next - pos;
      block = pos = next;
      continue;
    }
    while (bits != 0) {
      const std::size_t p = block + std::countr_zero(bits);
      bits &= bits - 1;
      if (p < pos) continue;  // a "%" taken as a digit by the escape before it
      move_run(dst, in + pos, p - pos);
      dst += p - pos;
      const int v = 16 * kDigitValue[in[p + 1]] + kDigitValue[in[p + 2]];
      const auto byte = static_cast<char>(v & 0xFF);  // v modulo 256; v may be negative
      *dst = byte;
      dst += byte != 0;  // a decoded zero cannot live in a text: drop it
      pos = p + 3;       // the "%" always takes the two positions after it, whatever they hold
    }
    if (pos < end) {
      move_run(dst, in + pos, end - pos);
      dst += end - pos;
      pos = end;
    }
    block = end;  // pos may lie up to two bytes into it
  }
  for (std::size_t i = pos; i < n; ++i) {
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
