#pragma once
// The shared tooltip window class "tooltips_class32": tools are parts of
// other windows (a window and an id, with a rectangle of its client area and
// a text). With TTF_SUBCLASS the tooltip watches the tool window's mouse
// messages itself: resting inside a tool for the initial delay shows its tip
// in a topmost pop-up near the cursor; leaving, a button press or the tool
// window's end hides it.
//
// The class exists in every process that creates windows; a tooltip window
// and its tool windows belong to one thread.
#include "platform/window/window_types.h"

namespace win {

inline constexpr const char* TOOLTIPS_CLASSA = "tooltips_class32";

// Messages of a tooltip window (lParam: a TOOLINFOA unless told).
constexpr UINT TTM_ADDTOOLA = WM_USER + 4;         // TRUE when added (or replaced)
constexpr UINT TTM_DELTOOLA = WM_USER + 5;         // removes the tool
constexpr UINT TTM_UPDATETIPTEXTA = WM_USER + 12;  // the tool's new text
constexpr UINT TTM_GETTOOLCOUNT = WM_USER + 13;    // number of tools
constexpr UINT TTM_SETMAXTIPWIDTH = WM_USER + 24;  // lParam: width (-1 none); the previous one
constexpr UINT TTM_GETMAXTIPWIDTH = WM_USER + 25;
constexpr UINT TTM_POP = WM_USER + 28;  // hides the tip shown now

// Tool flags.
constexpr UINT TTF_CENTERTIP = 0x0002;  // centred below the tool instead of at the cursor
constexpr UINT TTF_SUBCLASS = 0x0010;   // the tooltip watches the tool window's mouse

// Callers pass 44, the record's size in the 32-bit layout, or sizeof; a
// smaller size is refused.
constexpr UINT TTTOOLINFOA_SIZE = 44;

struct TOOLINFOA {
    UINT cbSize;
    UINT uFlags;
    HWND hwnd;
    UINT_PTR uId;
    RECT rect;  // client coordinates of hwnd
    HINSTANCE hinst;
    char* lpszText;  // GBK, copied; null or a resource number reads as no text
    LPARAM lParam;
};

// The delay from the mouse coming to rest in a tool to its tip showing.
constexpr UINT kToolTipInitialDelay = 500;

}  // namespace win

namespace windowing {
// Registers the class; done by the window layer before the first window.
void RegisterToolTipClass();
}  // namespace windowing
