#pragma once
// Inside the control set: the one window procedure behind every control
// class, and the registration of those classes.
#include "platform/ui/control.h"

namespace ui {

// The window property that leads from a window to its control.
inline constexpr const char* kControlProperty = "VerdelControl";

struct ControlWindow {
    // Registers the class (once) with the shared procedure.
    static void EnsureClass(const char* className);
    static win::LRESULT Proc(win::HWND window, win::UINT message, win::WPARAM wParam,
                             win::LPARAM lParam);
    // The control's own handling, then the common one; none: default.
    static std::optional<win::LRESULT> Dispatch(Control& control, win::UINT message,
                                                win::WPARAM wParam, win::LPARAM lParam);
    static void PaintNow(Control& control);
};

// A point of a mouse message's lParam.
inline win::POINT PointOf(win::LPARAM lParam) {
    return {win::GET_X_LPARAM(lParam), win::GET_Y_LPARAM(lParam)};
}

}  // namespace ui
