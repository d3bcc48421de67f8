#include "http/cookies.h"

#include <string>

#include "text/chars.h"

namespace {

const Text kSeparator = "; ";

// The trimmed string, with a trailing ";" turned into a trailing separator,
// which splitting then drops instead of leaving it on the last member.
Text tidy_cookie_string(const Text& cookies) {
  Text s = trim_both(cookies);
  if (text_right(s, 1) == Text(";")) s = concat_text(s, " ");
  return s;
}

bool marks_deleted(const Text& member) {
  return text_right(member, 8) == Text("=deleted");
}

}  // namespace

Text merge_cookies(Text& old, const Text& fresh) {
  const TextArray old_members = split_text(tidy_cookie_string(old), kSeparator);
  TextArray merged = split_text(tidy_cookie_string(fresh), kSeparator);

  // merged grows as old members are added, so of several old members with
  // one name only the first gets in.
  for (const Text& member : old_members) {
    if (!has_cookie_named(merged, cookie_name(member))) array_append(merged, member);
  }

  std::string joined;
  for (const Text& member : merged) {
    if (marks_deleted(member)) continue;
    joined.append(member.view());
    joined.append(kSeparator.view());
  }
  if (!joined.empty()) joined.resize(joined.size() - kSeparator.view().size());

  // Pairs that repeat byte for byte go; same name with another value stays.
  old = join_unique(Text(std::move(joined)), kSeparator, true);
  return old;
}

Text cookie_name(const Text& member) {
  const int equals = text_find(member, "=");
  return trim_both(equals == -1 ? member : text_left(member, equals - 1));
}

bool has_cookie_named(const TextArray& members, const Text& name) {
  for (const Text& member : members) {
    if (compare_text(cookie_name(member), name) == 0) return true;
  }
  return false;
}
