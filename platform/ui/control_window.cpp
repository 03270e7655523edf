// The shared window procedure of the control classes: it finds the control
// behind the window and lets its kind, then the common handling, answer.
#include "platform/ui/control_window.h"

#include <mutex>
#include <set>
#include <string>

#include "platform/ui/form.h"
#include "platform/ui/look.h"
#include "platform/window/window.h"

namespace ui {

using namespace win;

void ControlWindow::EnsureClass(const char* className) {
    static std::mutex mutex;
    static std::set<std::string> registered;
    std::lock_guard guard(mutex);
    if (!registered.insert(className).second) {
        return;
    }
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = &ControlWindow::Proc;
    windowClass.lpszClassName = className;
    RegisterClassExA(&windowClass);
}

Control* ControlOf(HWND window) {
    if (!window || !IsWindow(window)) {
        return nullptr;
    }
    return static_cast<Control*>(GetPropA(window, kControlProperty));
}

LRESULT ControlWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* control = static_cast<Control*>(create->lpCreateParams);
        SetPropA(window, kControlProperty, control);
        if (control) {
            control->hwnd_ = window;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    auto* control = static_cast<Control*>(GetPropA(window, kControlProperty));
    if (!control) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        RemovePropA(window, kControlProperty);
        if (control->hwnd_ == window) {
            control->hwnd_ = nullptr;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (auto handled = Dispatch(*control, message, wParam, lParam)) {
        return *handled;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void ControlWindow::PaintNow(Control& control) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(control.hwnd_, &paint);
    RECT client{};
    GetClientRect(control.hwnd_, &client);
    {
        Painter painter(dc, client.right, client.bottom);
        control.Paint(painter);
    }
    EndPaint(control.hwnd_, &paint);
}

std::optional<LRESULT> ControlWindow::Dispatch(Control& control, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    if (auto handled = control.Handle(message, wParam, lParam)) {
        return handled;
    }
    HWND window = control.hwnd_;
    switch (message) {
        case WM_PAINT:
            PaintNow(control);
            return 0;
        case WM_ERASEBKGND:
            return 1;  // every kind paints its whole client area
        case WM_SETTEXT: {
            control.text_ = lParam ? reinterpret_cast<const char*>(lParam) : "";
            LRESULT result = DefWindowProcA(window, message, wParam, lParam);
            control.Invalidate();
            return result;
        }
        case WM_ENABLE:
            control.Invalidate();
            return 0;
        case WM_SETFOCUS:
            control.Invalidate();
            if (control.GotFocus) {
                control.GotFocus();
            }
            return 0;
        case WM_KILLFOCUS:
            control.Invalidate();
            if (control.LostFocus) {
                control.LostFocus();
            }
            return 0;
        case WM_MOUSEMOVE:
            if (control.MouseMoved) {
                POINT at = PointOf(lParam);
                control.MouseMoved(MouseEvent{at.x, at.y, wParam});
            }
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            control.leftDown_ = true;
            SetCapture(window);
            if (control.LeftPressed) {
                POINT at = PointOf(lParam);
                control.LeftPressed(MouseEvent{at.x, at.y, wParam});
            }
            return 0;
        }
        case WM_LBUTTONUP: {
            bool wasDown = control.leftDown_;
            control.leftDown_ = false;
            if (GetCapture() == window) {
                ReleaseCapture();
            }
            POINT at = PointOf(lParam);
            if (control.LeftReleased) {
                control.LeftReleased(MouseEvent{at.x, at.y, wParam});
            }
            RECT client{};
            GetClientRect(window, &client);
            if (wasDown && PtInRect(&client, at) && control.Clicked) {
                control.Clicked();
            }
            return 0;
        }
        case WM_CAPTURECHANGED:
            control.leftDown_ = false;
            return 0;
        case WM_MOUSEWHEEL: {
            if (!control.WheelTurned) {
                return std::nullopt;  // up to the parent
            }
            control.wheelRemainder_ += GET_WHEEL_DELTA_WPARAM(wParam);
            int notches = control.wheelRemainder_ / WHEEL_DELTA;
            control.wheelRemainder_ -= notches * WHEEL_DELTA;
            if (notches != 0) {
                control.WheelTurned(notches);
            }
            return 0;
        }
        default:
            return std::nullopt;
    }
}

}  // namespace ui
