// The measured program of the display benchmark: one window of the main
// window's size opened through our window system on the SDL2 display,
// painted (background, a band, a text); it says so on standard output once
// the first frame is on the screen, then idles in its message loop.
#include <unistd.h>

#include "platform/display/display.h"
#include "platform/gdi/gdi.h"
#include "platform/window/window.h"

namespace {

win::LRESULT Procedure(win::HWND window, win::UINT message, win::WPARAM wParam,
                       win::LPARAM lParam) {
    if (message == win::WM_PAINT) {
        win::PAINTSTRUCT paint{};
        win::HDC dc = win::BeginPaint(window, &paint);
        win::RECT band{8, 8, 380, 40};
        win::HBRUSH blue = win::CreateSolidBrush(win::RGB(40, 90, 200));
        win::FillRect(dc, &band, blue);
        win::DeleteObject(blue);
        win::TextOutA(dc, 12, 60, "国语 第1集", -1);
        win::EndPaint(window, &paint);
        return 0;
    }
    if (message == win::WM_DESTROY) {
        win::PostQuitMessage(0);
    }
    return win::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main() {
    auto driver = display::CreateSdl();
    if (!driver) {
        return 1;
    }
    display::Driver* shown = driver.get();
    display::Install(std::move(driver));
    win::WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hbrBackground = reinterpret_cast<win::HBRUSH>(std::uintptr_t(15 + 1));
    windowClass.lpszClassName = "VerdelBenchWindow";
    win::RegisterClassExA(&windowClass);
    win::HWND window = win::CreateWindowExA(0, "VerdelBenchWindow", "Verdel",
                                            win::WS_OVERLAPPEDWINDOW | win::WS_VISIBLE, 50, 50, 397,
                                            630, nullptr, nullptr, nullptr, nullptr);
    bool told = false;
    win::MSG msg{};
    while (true) {
        while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
            if (msg.message == win::WM_QUIT) {
                return 0;
            }
            win::TranslateMessage(&msg);
            win::DispatchMessageA(&msg);
        }
        if (!told) {
            shown->Present();
            display::Image frame = shown->CaptureShown(window);
            if (!frame.pixels.empty() && frame.pixels == shown->CaptureWindow(window).pixels) {
                told = write(1, "1\n", 2) == 2;
            }
        }
        win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, told ? win::INFINITE : 1,
                                       win::QS_ALLINPUT);
    }
}
