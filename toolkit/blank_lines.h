#pragma once
// Line counting and blank-line removal for GBK texts with CR LF line breaks.
#include <string>
#include <string_view>

// 0 for the empty text, otherwise the number of LF bytes plus one.
int CountLines(std::string_view text);

// text without blank lines: one leading and one trailing CR LF are cut, then
// every LF followed by white space (\s) up to a CR, the longest such run, is
// deleted, so blank or white-space-only lines between two lines collapse into
// a single CR LF. A text the cleaning cannot run on comes back with only the
// ends cut.
std::string RemoveBlankLines(std::string_view text);
