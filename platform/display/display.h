#pragma once
// Showing top-level windows and feeding input: the display driver.
//
// A driver owns a screen of fixed size. It composes the visible top-level
// windows in z-order (layered windows blended per pixel), takes screenshots,
// and turns raw input into window messages. The headless driver keeps
// everything in memory (tests, screenshots); other drivers show the screen
// to a person and feed real input the same way.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/window/input.h"
#include "platform/window/window_types.h"

namespace display {

// Straight pixels for images leaving the program: 0xAARRGGBB, rows top first.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t At(int x, int y) const {
        return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    }
};

class Driver {
  public:
    virtual ~Driver() = default;

    win::SIZE ScreenSize() const { return size_; }

    // Raw input at screen points.
    void MouseMove(win::POINT screen);
    void MouseDown(windowing::MouseButton button, win::POINT screen);
    void MouseUp(windowing::MouseButton button, win::POINT screen);
    // notches: whole wheel notches, positive away from the user.
    void Wheel(int notches, win::POINT screen);
    void KeyDown(win::UINT virtualKey);
    void KeyUp(win::UINT virtualKey);
    void Text(const std::string& gbkText);

    // The screen as composed now, opaque.
    Image CaptureScreen() const;
    // One window as it shows on its own (a child: its part of the top-level
    // window); empty when the window does not exist.
    Image CaptureWindow(win::HWND window) const;

    // Shows the composed screen (drivers that have a screen to show).
    virtual void Present() {}
    // One window as the person sees it now: what the driver last showed of
    // it (a top-level window; empty when not shown). Headless: CaptureWindow.
    virtual Image CaptureShown(win::HWND window) const { return CaptureWindow(window); }

  protected:
    explicit Driver(win::SIZE size);

  private:
    win::SIZE size_;
};

// The headless driver: a screen in memory.
std::unique_ptr<Driver> CreateHeadless(int width = 1366, int height = 768);

// The SDL2 driver: every visible top-level window is a real window on the
// desktop, fed by the person's mouse, wheel, keys and typed text. Null when
// no display can be opened. Create, use and destroy it on the window thread;
// windows of other threads show while their thread pumps its messages.
std::unique_ptr<Driver> CreateSdl();

// The one driver of the process. Installing one sets the screen size the
// window layer reports; installing null removes it.
void Install(std::unique_ptr<Driver> driver);
Driver* Current();

// PNG bytes of an image (empty on failure), and a PNG file at a UTF-8 path.
std::string EncodePng(const Image& image);
bool WritePng(const Image& image, const std::string& utf8Path);

}  // namespace display
