#pragma once
// Cookie jars of the web page access: texts of cookies name=value separated
// by ";" ("; " after a merge). The empty text is an empty jar.
#include <string>

namespace net {

using CookieJar = std::string;

// Merges the cookies a response just set (fresh) into jar: a fresh cookie
// replaces an older one of the same name, the old jar's other cookies
// follow the fresh ones, and a cookie whose value ends in "=deleted" goes.
// Blanks are removed from both texts in place. Returns the merged jar, which
// is also stored into jar. Empty items (";;") are dropped.
std::string MergeCookies(CookieJar& jar, CookieJar& fresh);

}  // namespace net
