#include "toolkit/blank_lines.h"

#include <algorithm>

#include "toolkit/regex_object.h"

int CountLines(std::string_view text) {
    if (text.empty()) {
        return 0;
    }
    return int(std::count(text.begin(), text.end(), '\n')) + 1;
}

std::string RemoveBlankLines(std::string_view text) {
    if (text.starts_with("\r\n")) {
        text.remove_prefix(2);
    }
    if (text.ends_with("\r\n")) {
        text.remove_suffix(2);
    }

    RegexObject regex;
    // When the engine cannot run (no engine object, a match beyond its
    // limits) Replace would give the empty text; keep the text instead.
    if (!regex.Search("\\n\\s*\\r", text)) {
        return std::string(text);
    }
    return regex.Replace("");
}
