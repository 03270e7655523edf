#pragma once
// Opening an address in the system browser. Tests replace the opener to
// record the addresses instead.
#include <functional>
#include <string>

namespace ui {

// Opens the address (GBK) with the desktop's opener, without a shell.
// Returns whether it was handed over.
bool OpenAddress(const std::string& address);

using AddressOpener = std::function<bool(const std::string& address)>;
// Replaces the opener (null restores the desktop's); returns the previous one.
AddressOpener SetAddressOpener(AddressOpener opener);

}  // namespace ui
