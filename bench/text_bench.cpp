// Throughput of the text primitives that run over whole page bodies, each
// beside a plain standard-library baseline doing the same bytes in the same run.
//
// Names read "<procedure>/<input>/<size>"; the baseline of a case carries the
// same name with "/base" appended. Inputs are built from fixed seeds outside
// the timed loop and checked against their known answers first, so a case
// that would measure other work than meant stops with an error instead.
//
// Inputs:
//   ascii  English-like prose with a comma about every 40 bytes;
//   gbk    mostly two-byte characters (a few frequent ones and many random
//          ones, a third of whose second bytes lie in 0x40-0x7E), some ASCII,
//          and a full-width comma about every 40 bytes.
// Both end in a tail that the searches look for, so every search scans the
// whole input. Below 1 MiB each call takes the next of several different
// inputs: a branch predictor learns one small input repeated thousands of
// times, and a branchy loop would then look several times faster than it is.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/percent.h"
#include "text/values.h"

namespace {

constexpr int kSizes[] = {64 << 10, 1 << 20, 16 << 20};
constexpr int kParts = 8;                  // members of a concat_text
constexpr int kTrimBlanks = 512;           // blank bytes at each end of a trim input
constexpr int kSmallSetBytes = 512 << 10;  // the different small inputs taken in turn, together

// ---- Inputs -----------------------------------------------------------------

// The last bytes of the ASCII input; the exact search looks for them as they
// are, the case-blind one with other letters in upper case.
constexpr std::string_view kAsciiTail = "the quixotic zebra marker";
constexpr std::string_view kAsciiSoughtBlind = "The Quixotic ZEBRA Marker";

// The last bytes of the GBK input: a frequent character, one whose second
// byte is "@", then ASCII. The case-blind search starts at the "Q" and folds
// the second byte 0x51 ("Q") onto 0x71 ("q").
constexpr std::string_view kGbkTail = "\xB5\xC4\x81\x40Qi\xC4\x51@end";
constexpr std::string_view kGbkTailBlind = "Qi\xC4\x51@end";
constexpr std::string_view kGbkSoughtBlind = "qI\xC4\x71@END";

// SplitMix64: the same bytes on every run and every machine.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // A number in 0 .. n - 1.
  uint32_t below(uint32_t n) { return static_cast<uint32_t>(next() % n); }

 private:
  uint64_t state_;
};

// Prose of exactly n bytes from a word list (no word starts with "q", so the
// tail occurs nowhere else), capitalised sentences and a ", " about every 40
// bytes, ending in kAsciiTail. It holds no "%" and starts with a letter.
std::string ascii_prose(std::size_t n, uint64_t seed) {
  static const char* const kWords[] = {
      "the",     "of",     "and",     "to",     "in",     "a",      "is",      "that",   "for",
      "it",      "as",     "was",     "with",   "be",     "by",     "on",      "not",    "he",
      "this",    "are",    "or",      "his",    "from",   "at",     "which",   "but",    "have",
      "an",      "had",    "they",    "you",    "were",   "their",  "one",     "all",    "we",
      "can",     "her",    "has",     "there",  "been",   "if",     "more",    "when",   "will",
      "would",   "who",    "so",      "no",     "page",   "book",   "image",   "server", "reply",
      "teacher", "lesson", "chapter", "volume", "number", "window", "address", "picture"};
  constexpr std::size_t kWordCount = sizeof kWords / sizeof kWords[0];
  Random random(seed);
  const std::size_t body = n - kAsciiTail.size();
  std::string out;
  out.reserve(n);
  bool sentence_start = true;
  std::size_t since_comma = 0, comma_at = 40;
  while (out.size() < body) {
    std::string word = kWords[random.below(kWordCount)];
    if (sentence_start) word[0] = static_cast<char>(word[0] - ('a' - 'A'));
    sentence_start = false;
    if (since_comma >= comma_at) {
      word += ",";
      since_comma = 0;
      comma_at = 30 + random.below(21);
    } else if (random.below(12) == 0) {
      word += ".";
      sentence_start = true;
    }
    word += " ";
    if (out.size() + word.size() > body) break;
    out += word;
    since_comma += word.size();
  }
  out.append(body - out.size(), 'x');
  out += kAsciiTail;
  return out;
}

// GBK-heavy text of exactly n bytes ending in kGbkTail: 85 % two-byte
// characters, the rest ASCII letters, digits and spaces, and the full-width
// comma A3 AC about every 40 bytes (and nowhere else). It holds no "%" and no
// "," and starts with a two-byte character.
std::string gbk_text(std::size_t n, uint64_t seed) {
  // Frequent characters of ordinary text, so some lead bytes recur often.
  static const char* const kFrequent[] = {
      "\xB5\xC4", "\xCA\xC7", "\xD4\xDA", "\xC1\xCB", "\xD2\xBB", "\xB2\xBB", "\xC8\xCB",
      "\xD3\xD0", "\xCE\xD2", "\xCB\xFB", "\xD5\xE2", "\xB8\xF6", "\xC9\xCF", "\xD6\xD0",
      "\xB4\xF3", "\xCE\xAA", "\xBA\xCD", "\xB9\xFA", "\xB5\xD8", "\xB5\xBD", "\xD2\xD4",
      "\xCB\xB5", "\xCA\xB1", "\xD2\xAA", "\xBE\xCD", "\xB3\xF6", "\xBB\xE1", "\xBF\xC9",
      "\xD2\xB2", "\xC4\xE3", "\xB6\xD4", "\xC9\xFA"};
  constexpr std::size_t kFrequentCount = sizeof kFrequent / sizeof kFrequent[0];
  static constexpr std::string_view kAscii =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789   ";
  Random random(seed);
  const std::size_t body = n - kGbkTail.size();
  std::string out;
  out.reserve(n);
  std::size_t since_comma = 0, comma_at = 40;
  auto put = [&](std::string_view c) {
    out += c;
    since_comma += c.size();
  };
  put(kFrequent[0]);
  while (out.size() + 2 <= body) {
    const uint32_t roll = random.below(100);
    if (since_comma >= comma_at) {
      put("\xA3\xAC");
      since_comma = 0;
      comma_at = 30 + random.below(21);
    } else if (roll < 15) {
      put(kAscii.substr(random.below(kAscii.size()), 1));
    } else if (roll < 66) {
      put(kFrequent[random.below(kFrequentCount)]);
    } else {
      // Any two-byte character: lead 81-FE, second byte 40-7E or 80-FE.
      char c[2];
      do {
        c[0] = static_cast<char>(0x81 + random.below(0xFE - 0x81 + 1));
        const uint32_t t = random.below(190);
        c[1] = static_cast<char>(t < 63 ? 0x40 + t : 0x80 + (t - 63));
      } while (std::string_view(c, 2) == "\xA3\xAC");
      put(std::string_view(c, 2));
    }
  }
  out.append(body - out.size(), 'x');
  out += kGbkTail;
  return out;
}

enum class Kind { kAscii, kGbk };

// The kind as it appears in case names.
const char* kind_name(Kind kind) {
  return kind == Kind::kAscii ? "ascii" : "gbk";
}

// Replaces about a third of the bytes of `plain` with %XX escapes of mixed
// case until the result is n bytes long; `used` tells how many plain bytes
// went in.
std::string escape_third(std::string_view plain, std::size_t n, uint64_t seed, int& used) {
  static constexpr char kHex[] = "0123456789ABCDEF0123456789abcdef";
  Random random(seed);
  std::string out;
  out.reserve(n);
  std::size_t i = 0;
  while (out.size() < n && i < plain.size()) {
    const auto b = static_cast<unsigned char>(plain[i++]);
    if (random.below(3) == 0 && out.size() + 3 <= n) {
      const int c = random.below(2) * 16;
      out += '%';
      out += kHex[c + (b >> 4)];
      out += kHex[c + (b & 15)];
    } else {
      out += static_cast<char>(b);
    }
  }
  used = static_cast<int>(i);
  return out;
}

// n bytes of spaces, with ideographic spaces among them in GBK text.
std::string blanks(Kind kind, int n) {
  std::string out;
  while (static_cast<int>(out.size()) < n) {
    const bool wide = kind == Kind::kGbk && out.size() % 8 == 0 && n - out.size() >= 2;
    out += wide ? "\xA1\xA1" : " ";
  }
  return out;
}

// One input of each shape for one kind and size.
struct Inputs {
  Text text;  // the prose or GBK text, ending in its tail
  Text tail;  // sought by the exact search and the rare replacement
  int tail_at = 0;
  std::string_view blind_planted;  // the bytes the case-blind search finds ...
  Text blind_sought;               // ... when looking for this
  int blind_at = 0;
  Text frequent;            // a pattern found every few dozen bytes
  Text separator;           // the split separator, every ~40 bytes
  Text padded;              // a text of the kind inside blanks at both ends
  int padded_core = 0;      // bytes of padded that trimming keeps
  Text escaped;             // a third of the characters as %XX
  int escaped_decoded = 0;  // bytes it decodes to
  std::vector<Text> parts;  // kParts slices of text
};

// Every input shape for one kind and size, from one seed.
Inputs make_inputs(Kind kind, int size, uint64_t seed) {
  Inputs in;
  const bool ascii = kind == Kind::kAscii;
  auto text_of = [&](int n, uint64_t s) { return ascii ? ascii_prose(n, s) : gbk_text(n, s); };
  const std::string plain = text_of(size, seed);
  in.text = Text(plain);
  const std::string_view tail = ascii ? kAsciiTail : kGbkTail;
  in.tail = Text(tail);
  in.tail_at = size - static_cast<int>(tail.size()) + 1;
  in.blind_planted = ascii ? kAsciiTail : kGbkTailBlind;
  in.blind_sought = Text(ascii ? kAsciiSoughtBlind : kGbkSoughtBlind);
  in.blind_at = size - static_cast<int>(in.blind_planted.size()) + 1;
  in.frequent = Text(ascii ? "the" : "\xA3\xAC");
  in.separator = Text(ascii ? "," : "\xA3\xAC");

  const int core = size - 2 * kTrimBlanks;
  in.padded = Text(blanks(kind, kTrimBlanks) + text_of(core, seed + 1) + blanks(kind, kTrimBlanks));
  in.padded_core = core;

  in.escaped = Text(escape_third(plain, size, seed + 2, in.escaped_decoded));

  const std::size_t part = static_cast<std::size_t>(size) / kParts;
  for (int p = 0; p < kParts; ++p) in.parts.emplace_back(in.text.view().substr(part * p, part));
  return in;
}

// The inputs of one kind and size, built at first use: one for a large size,
// several different ones below kSmallSetBytes.
const std::vector<Inputs>& input_set(Kind kind, int size) {
  static std::map<std::pair<Kind, int>, std::vector<Inputs>> built;
  std::vector<Inputs>& set = built[{kind, size}];
  if (set.empty()) {
    const int count = std::max(1, kSmallSetBytes / size);
    for (int k = 0; k < count; ++k) set.push_back(make_inputs(kind, size, 0x5EED0 + 16 * k));
  }
  return set;
}

// ---- Reference answers ------------------------------------------------------

// Where a character walk meets exact matches of `sought`, going on after each
// match: what the procedures must find, found the slow and obvious way.
std::vector<std::size_t> walk_matches(std::string_view s, std::string_view sought) {
  std::vector<std::size_t> found;
  for (std::size_t i = 0; i + sought.size() <= s.size();) {
    if (s.compare(i, sought.size(), sought) == 0) {
      found.push_back(i);
      i += sought.size();
    } else {
      i += static_cast<unsigned char>(s[i]) >= 0x80 ? 2 : 1;
    }
  }
  return found;
}

// s with the matches at `found`, each `n` bytes long, replaced by `with`.
std::string replace_at(std::string_view s, const std::vector<std::size_t>& found, std::size_t n,
                       std::string_view with) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t j : found) {
    out.append(s.substr(from, j - from));
    out.append(with);
    from = j + n;
  }
  out.append(s.substr(from));
  return out;
}

// ---- Baselines --------------------------------------------------------------

// s with every byte match of `sought` replaced by `with`, left to right.
std::string std_replace(std::string_view s, std::string_view sought, std::string_view with) {
  std::string out;
  out.reserve(s.size());
  std::size_t from = 0;
  for (std::size_t j = s.find(sought); j != std::string_view::npos; j = s.find(sought, from)) {
    out.append(s.substr(from, j - from));
    out.append(with);
    from = j + sought.size();
  }
  out.append(s.substr(from));
  return out;
}

// The pieces of s between byte matches of `sep`; no empty last piece.
std::vector<std::string> std_split(std::string_view s, std::string_view sep) {
  std::vector<std::string> members;
  std::size_t piece = 0;
  for (std::size_t j = s.find(sep); j != std::string_view::npos; j = s.find(sep, piece)) {
    members.emplace_back(s.substr(piece, j - piece));
    piece = j + sep.size();
  }
  if (piece < s.size()) members.emplace_back(s.substr(piece));
  return members;
}

// ---- Cases ------------------------------------------------------------------

// One call of a procedure or of its baseline over an input.
using Work = void (*)(const Inputs&);
// Why a case would measure other work than meant, or nullptr.
using Check = const char* (*)(const Inputs&);

// Registers `work` and its `baseline` over both kinds and every size, as
// "<name>/<kind>/<size>" and "<name>/<kind>/<size>/base". `check` runs once
// over every input before the first timing.
void add(const std::string& name, Work work, Work baseline, Check check) {
  for (Kind kind : {Kind::kAscii, Kind::kGbk}) {
    for (int size : kSizes) {
      const std::string case_name = name + "/" + kind_name(kind) + "/" +
                                    (size >= (1 << 20) ? std::to_string(size >> 20) + "MiB"
                                                       : std::to_string(size >> 10) + "KiB");
      auto verdict = std::make_shared<std::optional<const char*>>();
      for (Work run : {work, baseline}) {
        auto body = [=](benchmark::State& state) {
          const std::vector<Inputs>& set = input_set(kind, size);
          if (!*verdict) {
            *verdict = nullptr;
            for (const Inputs& in : set) {
              if (const char* why = check(in)) *verdict = why;
            }
          }
          if (**verdict) {
            state.SkipWithError(**verdict);
            return;
          }
          std::size_t k = 0;
          for (auto _ : state) {
            run(set[k]);
            if (++k == set.size()) k = 0;
          }
          state.SetBytesProcessed(state.iterations() * int64_t{size});
        };
        benchmark::RegisterBenchmark((run == work ? case_name : case_name + "/base").c_str(), body)
            ->Unit(benchmark::kMicrosecond);
      }
    }
  }
}

// The checks: nullptr when the case measures what it should, else why not.
const char* check_find(const Inputs& in) {
  if (text_find(in.text, in.tail) != in.tail_at) return "text_find misses the tail";
  if (in.text.view().find(in.tail.view()) + 1 != std::size_t(in.tail_at)) {
    return "the tail occurs before the end";
  }
  return nullptr;
}

const char* check_find_blind(const Inputs& in) {
  if (text_find(in.text, in.blind_sought, 1, true) != in.blind_at) {
    return "case-blind text_find misses the tail";
  }
  if (in.text.view().find(in.blind_planted) + 1 != std::size_t(in.blind_at)) {
    return "the tail occurs before the end";
  }
  return nullptr;
}

const char* check_replace_frequent(const Inputs& in) {
  const std::vector<std::size_t> found = walk_matches(in.text.view(), in.frequent.view());
  if (found.size() < std::size_t(in.text.size()) / 100) return "the pattern is not frequent";
  const Text out = replace_text(in.text, in.frequent, "ab", std::nullopt, std::nullopt, true);
  if (out.view() != replace_at(in.text.view(), found, in.frequent.view().size(), "ab")) {
    return "replace_text differs from a character walk";
  }
  return nullptr;
}

const char* check_replace_rare(const Inputs& in) {
  const Text out = replace_text(in.text, in.tail, "X", std::nullopt, std::nullopt, true);
  return out.size() == in.tail_at ? nullptr : "replace_text misses the tail";
}

const char* check_split(const Inputs& in) {
  // The text ends in its tail, never in a separator: one member more.
  const std::size_t found = walk_matches(in.text.view(), in.separator.view()).size();
  return split_text(in.text, in.separator).size() == found + 1
             ? nullptr
             : "split_text differs from a character walk";
}

const char* check_trim(const Inputs& in) {
  return trim_both(in.padded).size() == in.padded_core ? nullptr : "trim_both keeps blanks";
}

const char* check_concat(const Inputs& in) {
  const std::vector<Text>& p = in.parts;
  return concat_text(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]) == in.text
             ? nullptr
             : "concat_text loses bytes";
}

const char* check_decode_escaped(const Inputs& in) {
  return percent_decode(in.escaped).size() == in.escaped_decoded
             ? nullptr
             : "percent_decode gives the wrong length";
}

const char* check_decode_plain(const Inputs& in) {
  return percent_decode(in.text) == in.text ? nullptr : "percent_decode changes plain text";
}

// Registration runs before main, in the order the cases are reported.
// Baselines: std::string_view::find for the searches, the same loops over
// std::string for replacing and splitting, and a plain copy of the bytes
// (the floor for any procedure that reads them all and returns a fresh
// result) for trimming, joining and decoding.
const bool registered = [] {
  using benchmark::DoNotOptimize;
  add(
      "text_find", [](const Inputs& in) { DoNotOptimize(text_find(in.text, in.tail)); },
      [](const Inputs& in) { DoNotOptimize(in.text.view().find(in.tail.view())); }, check_find);
  add(
      "text_find_blind",
      [](const Inputs& in) { DoNotOptimize(text_find(in.text, in.blind_sought, 1, true)); },
      [](const Inputs& in) { DoNotOptimize(in.text.view().find(in.blind_planted)); },
      check_find_blind);
  add(
      "replace_text_frequent",
      [](const Inputs& in) {
        DoNotOptimize(replace_text(in.text, in.frequent, "ab", std::nullopt, std::nullopt, true));
      },
      [](const Inputs& in) {
        DoNotOptimize(std_replace(in.text.view(), in.frequent.view(), "ab"));
      },
      check_replace_frequent);
  add(
      "replace_text_rare",
      [](const Inputs& in) {
        DoNotOptimize(replace_text(in.text, in.tail, "X", std::nullopt, std::nullopt, true));
      },
      [](const Inputs& in) { DoNotOptimize(std_replace(in.text.view(), in.tail.view(), "X")); },
      check_replace_rare);
  add(
      "split_text", [](const Inputs& in) { DoNotOptimize(split_text(in.text, in.separator)); },
      [](const Inputs& in) { DoNotOptimize(std_split(in.text.view(), in.separator.view())); },
      check_split);
  add(
      "trim_both", [](const Inputs& in) { DoNotOptimize(trim_both(in.padded)); },
      [](const Inputs& in) {
        DoNotOptimize(std::string(in.padded.view().substr(kTrimBlanks, in.padded_core)));
      },
      check_trim);
  add(
      "concat_text",
      [](const Inputs& in) {
        const std::vector<Text>& p = in.parts;
        DoNotOptimize(concat_text(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]));
      },
      [](const Inputs& in) {
        std::string out;
        std::size_t total = 0;
        for (const Text& part : in.parts) total += part.view().size();
        out.reserve(total);
        for (const Text& part : in.parts) out.append(part.view());
        DoNotOptimize(out);
      },
      check_concat);
  add(
      "percent_decode_escaped", [](const Inputs& in) { DoNotOptimize(percent_decode(in.escaped)); },
      [](const Inputs& in) { DoNotOptimize(std::string(in.escaped.view())); },
      check_decode_escaped);
  add(
      "percent_decode_plain", [](const Inputs& in) { DoNotOptimize(percent_decode(in.text)); },
      [](const Inputs& in) { DoNotOptimize(std::string(in.text.view())); }, check_decode_plain);
  return true;
}();

}  // namespace
