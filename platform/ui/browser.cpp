#include "platform/ui/browser.h"

#include <mutex>

#include "platform/kernel/process.h"

namespace ui {
namespace {

std::mutex mutex;
AddressOpener opener;

bool DesktopOpen(const std::string& address) {
    return process::Start(process::Command{"xdg-open", {address}, {}});
}

}  // namespace

bool OpenAddress(const std::string& address) {
    AddressOpener current;
    {
        std::lock_guard guard(mutex);
        current = opener;
    }
    return current ? current(address) : DesktopOpen(address);
}

AddressOpener SetAddressOpener(AddressOpener replacement) {
    std::lock_guard guard(mutex);
    AddressOpener previous = std::move(opener);
    opener = std::move(replacement);
    return previous;
}

}  // namespace ui
