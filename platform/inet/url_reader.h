#pragma once
// The simple URL reader: one plain GET (no cookies, no headers of the
// caller's), redirects followed, the whole body handed back.
#include <string>
#include <string_view>

namespace win {

// True with the body in bytes when the server answered with a success
// status and the whole body arrived; false (bytes emptied) otherwise.
bool ReadUrl(std::string_view url, std::string& bytes);

}  // namespace win
