// Cookies: collecting the cookies a response sets, and merging them with the cookies of
// the request so that a caller can carry its cookies from one request to the next.
//
// A cookie text holds name=value items separated by "; ".
#pragma once

#include "runtime/text.h"

namespace clocktool {

// Sets `responseCookies` to the name=value pairs of the response's "Set-Cookie: " lines,
// in order, joined with "; ". The attributes after a pair's ";" are not collected.
void CollectResponseCookies(const Text& responseHeaders, Text& responseCookies);

// The new items, then the old items whose names the new ones lack; deletions
// ("=deleted") and exact repeats removed. Stores the result into `oldCookies` and
// returns a copy; `newCookies` is left trimmed.
Text MergeCookies(Text& oldCookies, Text& newCookies);

// The trimmed text before the item's first "=" (the whole item without one).
Text CookieNameOf(const Text& item);

// True when some item of the list has exactly that name.
bool CookieListHasName(const TextArray& items, const Text& name);

}  // namespace clocktool
