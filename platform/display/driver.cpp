// The parts every display driver shares: raw input into the window layer,
// screenshots, and the one installed driver.
#include <mutex>

#include "platform/display/compose.h"
#include "platform/window/window.h"

namespace display {

Driver::Driver(win::SIZE size) : size_(size) {}

void Driver::MouseMove(win::POINT screen) {
    windowing::InjectMouseMove(screen);
}

void Driver::MouseDown(windowing::MouseButton button, win::POINT screen) {
    windowing::InjectMouseButton(button, true, screen);
}

void Driver::MouseUp(windowing::MouseButton button, win::POINT screen) {
    windowing::InjectMouseButton(button, false, screen);
}

void Driver::Wheel(int notches, win::POINT screen) {
    windowing::InjectMouseWheel(notches * win::WHEEL_DELTA, screen);
}

void Driver::KeyDown(win::UINT virtualKey) {
    windowing::InjectKey(virtualKey, true);
}

void Driver::KeyUp(win::UINT virtualKey) {
    windowing::InjectKey(virtualKey, false);
}

void Driver::Text(const std::string& gbkText) {
    windowing::InjectText(gbkText);
}

Image Driver::CaptureScreen() const {
    return detail::ComposeScreen(size_);
}

Image Driver::CaptureWindow(win::HWND window) const {
    auto target = windowing::TargetOf(window, true);
    if (!target || !target->surface) {
        return Image{};
    }
    win::RECT rect{};
    win::GetWindowRect(window, &rect);
    win::RECT part{target->origin.x, target->origin.y, target->origin.x + (rect.right - rect.left),
                   target->origin.y + (rect.bottom - rect.top)};
    bool layered =
        !win::GetParent(window) || !(win::GetWindowLongA(window, win::GWL_STYLE) & win::WS_CHILD);
    layered = layered && (win::GetWindowLongA(window, win::GWL_EXSTYLE) & win::WS_EX_LAYERED);
    return detail::FromSurface(*target->surface, part, layered);
}

namespace {

std::mutex& InstalledLock() {
    static std::mutex lock;
    return lock;
}

std::unique_ptr<Driver>& Installed() {
    static auto* driver = new std::unique_ptr<Driver>;
    return *driver;
}

}  // namespace

void Install(std::unique_ptr<Driver> driver) {
    std::lock_guard guard(InstalledLock());
    if (driver) {
        win::SIZE size = driver->ScreenSize();
        windowing::SetScreenSize(size.cx, size.cy);
    }
    Installed() = std::move(driver);
}

Driver* Current() {
    std::lock_guard guard(InstalledLock());
    return Installed().get();
}

}  // namespace display
