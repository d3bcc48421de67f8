// Cookie strings: members "name=value" separated by "; ".
#pragma once

#include "text/values.h"

// Merges `fresh` (the cookies a response set) into `old`: a fresh cookie
// replaces the old one of the same name, other old cookies follow, members
// ending in "=deleted" vanish, exact repetitions go. Stores the result into
// `old` and returns it.
Text merge_cookies(Text& old, const Text& fresh);

// The trimmed bytes in front of the member's first "=", or the whole
// trimmed member.
Text cookie_name(const Text& member);

// Whether some member has exactly this cookie name.
bool has_cookie_named(const TextArray& members, const Text& name);
