#include "platform/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace {

struct IconvCloser {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using Descriptor = std::unique_ptr<void, IconvCloser>;

// The iconv name of a code page; empty for numbers that name none.
std::string converter_name(int code_page) {
  if (code_page == kAnsiCodePage) code_page = kSystemAnsiCodePage;
  if (code_page == kUtf8CodePage) return "UTF-8";
  if (code_page < 0) return {};
  return "CP" + std::to_string(code_page);
}

// Keeps one descriptor of each conversion in use open for the life of the
// process, so that glibc does not unload and reload the converter's module
// around every call (a dlclose and dlopen per conversion, on any thread).
void keep_converter_loaded(const std::string& to, const std::string& from) {
  static std::mutex mutex;
  // Never destroyed: the descriptors stay open until the process ends.
  static auto* kept = new std::map<std::pair<std::string, std::string>, iconv_t>;
  std::lock_guard lock(mutex);
  auto [it, fresh] = kept->try_emplace({to, from}, nullptr);
  if (fresh) it->second = iconv_open(to.c_str(), from.c_str());
}

Descriptor open_descriptor(const std::string& to, const std::string& from) {
  if (to.empty() || from.empty()) return nullptr;
  iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
  keep_converter_loaded(to, from);
  return Descriptor(cd);
}

// Runs `in` through `cd`, appending to `out`, which grows as the conversion
// asks for room. Stops when the input is used up (returns 0) or at input the
// converter rejects (returns EILSEQ or EINVAL, with `in` advanced to it).
int feed(void* cd, std::string_view& in, std::string& out) {
  std::size_t min_room = 16;
  for (;;) {
    const std::size_t used = out.size();
    const std::size_t room = std::max(in.size() * 2, min_room);
    out.resize(used + room);
    char* src = const_cast<char*>(in.data());  // iconv never writes through it
    std::size_t src_left = in.size();
    char* dst = out.data() + used;
    std::size_t dst_left = room;
    const std::size_t r = iconv(static_cast<iconv_t>(cd), &src, &src_left, &dst, &dst_left);
    const int err = r == static_cast<std::size_t>(-1) ? errno : 0;
    out.resize(used + room - dst_left);
    const bool progressed = src_left != in.size();
    in.remove_prefix(in.size() - src_left);
    if (err != E2BIG) return err;
    if (!progressed) {
      if (min_room > 4096) return err;  // no character needs that much: give up
      min_room *= 2;
    }
  }
}

// Writes what a stateful target needs to return to its initial state.
void finish(void* cd, std::string& out) {
  const std::size_t used = out.size();
  const std::size_t room = 64;
  out.resize(used + room);
  char* dst = out.data() + used;
  std::size_t dst_left = room;
  iconv(static_cast<iconv_t>(cd), nullptr, nullptr, &dst, &dst_left);
  out.resize(used + room - dst_left);
}

// The length of the maximal ill-formed run at the start of `s` (not empty):
// the longest prefix that could still begin a well-formed UTF-8 sequence, or
// the first byte alone. Each such run becomes one U+FFFD.
std::size_t utf8_bad_run(std::string_view s) {
  const auto b = static_cast<unsigned char>(s[0]);
  int need = 0;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    need = 1;
  } else if (b == 0xE0) {
    need = 2, lo = 0xA0;  // no overlong forms
  } else if (b == 0xED) {
    need = 2, hi = 0x9F;  // no surrogates
  } else if (b >= 0xE1 && b <= 0xEF) {
    need = 2;
  } else if (b == 0xF0) {
    need = 3, lo = 0x90;
  } else if (b >= 0xF1 && b <= 0xF3) {
    need = 3;
  } else if (b == 0xF4) {
    need = 3, hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return 1;
  }
  std::size_t n = 1;
  for (int k = 0; k < need && n < s.size(); ++k, ++n) {
    const auto c = static_cast<unsigned char>(s[n]);
    if (c < lo || c > hi) break;
    lo = 0x80, hi = 0xBF;
  }
  return n;
}

bool is_high_surrogate(char16_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
bool is_low_surrogate(char16_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

char16_t unit_at(std::string_view le, std::size_t i) {
  return static_cast<char16_t>(static_cast<unsigned char>(le[i]) |
                               (static_cast<unsigned char>(le[i + 1]) << 8));
}

std::string to_little_endian(std::u16string_view units) {
  std::string le(units.size() * 2, '\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    le[2 * i] = static_cast<char>(units[i] & 0xFF);
    le[2 * i + 1] = static_cast<char>(units[i] >> 8);
  }
  return le;
}

std::u16string from_little_endian(std::string_view le) {
  std::u16string units(le.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) units[i] = unit_at(le, 2 * i);
  return units;
}

}  // namespace

std::u16string multibyte_to_utf16(int code_page, std::string_view bytes) {
  const std::string name = converter_name(code_page);
  Descriptor cd = open_descriptor("UTF-16LE", name);
  if (!cd) return {};
  const bool utf8 = code_page == kUtf8CodePage;
  std::string le;
  le.reserve(bytes.size() * 2);
  for (;;) {
    const int err = feed(cd.get(), bytes, le);
    if (err == 0 || bytes.empty()) break;
    if (err != EILSEQ && err != EINVAL) break;
    // EINVAL: the input ends inside a character, so the rest is one bad run.
    std::size_t bad = utf8 ? utf8_bad_run(bytes) : (err == EINVAL ? bytes.size() : 1);
    bytes.remove_prefix(bad);
    le.append("\xFD\xFF", 2);  // U+FFFD
  }
  finish(cd.get(), le);
  return from_little_endian(le);
}

std::string utf16_to_multibyte(int code_page, std::u16string_view units) {
  const std::string name = converter_name(code_page);
  Descriptor cd = open_descriptor(name, "UTF-16LE");
  if (!cd) return {};
  const std::string le = to_little_endian(units);
  std::string_view rest = le;
  std::string out;
  out.reserve(units.size() * 2);
  for (;;) {
    const int err = feed(cd.get(), rest, out);
    if (err == 0 || rest.empty()) break;
    if (err != EILSEQ && err != EINVAL) break;
    // The converter stopped at a unit it cannot take: a character the code
    // page lacks (one unit or a surrogate pair), or an unpaired surrogate.
    const char16_t u = rest.size() >= 2 ? unit_at(rest, 0) : u'\0';
    const bool pair =
        is_high_surrogate(u) && rest.size() >= 4 && is_low_surrogate(unit_at(rest, 2));
    const bool lone = !pair && (is_high_surrogate(u) || is_low_surrogate(u));
    rest.remove_prefix(std::min<std::size_t>(rest.size(), pair ? 4 : 2));
    std::string_view replacement("\xFD\xFF", 2);  // U+FFFD
    if (!lone || feed(cd.get(), replacement, out) != 0) {
      std::string_view question("?\0", 2);  // a code page that lacks even "?" gets nothing
      feed(cd.get(), question, out);
    }
  }
  finish(cd.get(), out);
  return out;
}
