// The tooltip window class: its tools, the subclassing of tool windows, the
// show delay and the tip pop-up itself.
#include "platform/window/tooltip.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/window/window.h"

namespace windowing {
namespace {

using namespace win;

constexpr UINT_PTR kShowTimer = 1;
constexpr int kPaddingX = 4;
constexpr int kPaddingY = 2;
constexpr int kCursorGap = 20;  // below the cursor's hot spot
constexpr int kCenterGap = 2;   // below the tool

struct Tool {
    HWND window = nullptr;
    UINT_PTR id = 0;
    UINT flags = 0;
    RECT rect{};
    std::string text;
};

struct ToolTip {
    std::vector<Tool> tools;
    int maxWidth = -1;
    // The tool the mouse rests in, and whether its tip shows or a press put it away.
    std::optional<std::size_t> hover;
    bool shown = false;
    bool suppressed = false;
};

// A tool window whose procedure the tooltip took over.
struct Subclass {
    WNDPROC previous = nullptr;
    HWND tip = nullptr;
};

// Tooltips and tool windows live on their thread; the maps are shared by all.
std::recursive_mutex mutex;
std::map<HWND, ToolTip> tips;
std::map<HWND, Subclass> subclasses;

LRESULT ToolProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

ToolTip* TipOf(HWND tip) {
    auto it = tips.find(tip);
    return it == tips.end() ? nullptr : &it->second;
}

const TOOLINFOA* ReadInfo(LPARAM lParam) {
    auto* info = reinterpret_cast<const TOOLINFOA*>(lParam);
    if (!info || info->cbSize < TTTOOLINFOA_SIZE) {
        return nullptr;
    }
    return info;
}

std::string TextOf(const char* text) {
    if (reinterpret_cast<std::uintptr_t>(text) < 0x10000 ||
        text == reinterpret_cast<const char*>(-1)) {
        return {};  // none, a resource number or a callback marker
    }
    return text;
}

std::optional<std::size_t> FindTool(const ToolTip& tip, HWND window, UINT_PTR id) {
    for (std::size_t i = 0; i < tip.tools.size(); ++i) {
        if (tip.tools[i].window == window && tip.tools[i].id == id) {
            return i;
        }
    }
    return std::nullopt;
}

void TakeOver(HWND tip, HWND window) {
    if (subclasses.count(window) || !IsWindow(window)) {
        return;
    }
    auto previous = reinterpret_cast<WNDPROC>(GetWindowLongA(window, GWL_WNDPROC));
    subclasses[window] = Subclass{previous, tip};
    SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&ToolProc));
}

// Gives the window its procedure back once no tool of it is watched. When
// someone subclassed it after us, our procedure stays in the chain and only
// passes messages on.
void ReleaseIfUnused(HWND window) {
    auto it = subclasses.find(window);
    if (it == subclasses.end() || !it->second.tip) {
        return;
    }
    if (ToolTip* tip = TipOf(it->second.tip)) {
        for (const Tool& tool : tip->tools) {
            if (tool.window == window && (tool.flags & TTF_SUBCLASS)) {
                return;
            }
        }
    }
    if (IsWindow(window) &&
        GetWindowLongA(window, GWL_WNDPROC) == reinterpret_cast<LONG_PTR>(&ToolProc)) {
        SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.previous));
        subclasses.erase(it);
        return;
    }
    it->second.tip = nullptr;
}

// The tip's size for its text: wrapped at the maximum width when there is one.
SIZE Measure(const std::string& text, int maxWidth) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    RECT rect{0, 0, 0, 0};
    UINT format = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS;
    int frame = 2 * (1 + kPaddingX);
    if (maxWidth > 0) {
        rect.right = std::max(maxWidth - frame, 1);
        format |= DT_WORDBREAK;
    } else {
        rect.right = 0x7FFF;
    }
    std::string shown = text.empty() ? " " : text;
    DrawTextA(dc, shown.c_str(), int(shown.size()), &rect, format);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return SIZE{rect.right - rect.left + frame, rect.bottom - rect.top + 2 * (1 + kPaddingY)};
}

// Below-right of the cursor, or centred below the tool; kept on the screen.
POINT PlaceOf(const Tool& tool, SIZE size) {
    POINT at{};
    if (tool.flags & TTF_CENTERTIP) {
        RECT rect = tool.rect;
        MapWindowPoints(tool.window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
        at = POINT{(rect.left + rect.right) / 2 - size.cx / 2, rect.bottom + kCenterGap};
    } else {
        GetCursorPos(&at);
        at.y += kCursorGap;
    }
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    at.x = std::max(0, std::min<int>(at.x, screenWidth - size.cx));
    at.y = std::max(0, std::min<int>(at.y, screenHeight - size.cy));
    return at;
}

void Show(HWND tipWindow, ToolTip& tip) {
    if (!tip.hover || *tip.hover >= tip.tools.size()) {
        return;
    }
    Tool tool = tip.tools[*tip.hover];
    SetWindowTextA(tipWindow, tool.text.c_str());
    SIZE size = Measure(tool.text, tip.maxWidth);
    POINT at = PlaceOf(tool, size);
    tip.shown = true;
    SetWindowPos(tipWindow, HWND_TOPMOST, at.x, at.y, size.cx, size.cy,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(tipWindow, nullptr, FALSE);
}

// Puts the tip away and forgets the tool the mouse rested in.
void Pop(HWND tipWindow, ToolTip& tip) {
    KillTimer(tipWindow, kShowTimer);
    tip.hover.reset();
    tip.suppressed = false;
    if (tip.shown) {
        tip.shown = false;
        ShowWindow(tipWindow, SW_HIDE);
    }
}

void RemoveTool(HWND tipWindow, ToolTip& tip, std::size_t index) {
    HWND window = tip.tools[index].window;
    if (tip.hover) {
        if (*tip.hover == index) {
            Pop(tipWindow, tip);
        } else if (*tip.hover > index) {
            --*tip.hover;
        }
    }
    tip.tools.erase(tip.tools.begin() + std::ptrdiff_t(index));
    ReleaseIfUnused(window);
}

// The mouse moved to a client point of a tool window.
void MouseAt(HWND tipWindow, ToolTip& tip, HWND window, POINT point) {
    std::optional<std::size_t> under;
    for (std::size_t i = 0; i < tip.tools.size(); ++i) {
        const Tool& tool = tip.tools[i];
        if (tool.window == window && (tool.flags & TTF_SUBCLASS) && PtInRect(&tool.rect, point)) {
            under = i;
            break;
        }
    }
    if (under == tip.hover) {
        return;  // still in the same tool (or still in none)
    }
    Pop(tipWindow, tip);
    if (!under) {
        return;
    }
    tip.hover = under;
    TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, window, 0};
    TrackMouseEvent(&track);
    SetTimer(tipWindow, kShowTimer, kToolTipInitialDelay, nullptr);
}

void ToolWindowEnds(HWND tipWindow, ToolTip& tip, HWND window) {
    for (std::size_t i = tip.tools.size(); i-- > 0;) {
        if (tip.tools[i].window == window) {
            RemoveTool(tipWindow, tip, i);
        }
    }
}

// What the tooltip sees of a tool window's messages before they go on.
void Watch(HWND tipWindow, HWND window, UINT message, LPARAM lParam) {
    ToolTip* tip = TipOf(tipWindow);
    if (!tip) {
        return;
    }
    switch (message) {
        case WM_MOUSEMOVE:
            if (!tip->suppressed) {
                MouseAt(tipWindow, *tip, window, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            }
            break;
        case WM_MOUSELEAVE:
            if (tip->hover && tip->tools[*tip->hover].window == window) {
                Pop(tipWindow, *tip);
            }
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_MOUSEWHEEL:
            if (tip->hover && tip->tools[*tip->hover].window == window) {
                KillTimer(tipWindow, kShowTimer);
                if (tip->shown) {
                    tip->shown = false;
                    ShowWindow(tipWindow, SW_HIDE);
                }
                tip->suppressed = true;  // until the mouse leaves the tool
            }
            break;
        case WM_NCDESTROY:
            ToolWindowEnds(tipWindow, *tip, window);
            break;
        default:
            break;
    }
}

LRESULT ToolProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = nullptr;
    {
        std::lock_guard guard(mutex);
        auto it = subclasses.find(window);
        if (it == subclasses.end()) {
            return DefWindowProcA(window, message, wParam, lParam);
        }
        previous = it->second.previous;
        if (HWND tip = it->second.tip) {
            Watch(tip, window, message, lParam);
        }
        if (message == WM_NCDESTROY) {
            subclasses.erase(window);
        }
    }
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

LRESULT AddTool(HWND tipWindow, ToolTip& tip, const TOOLINFOA& info) {
    if (!IsWindow(info.hwnd)) {
        return FALSE;
    }
    Tool tool{info.hwnd, info.uId, info.uFlags, info.rect, TextOf(info.lpszText)};
    if (auto index = FindTool(tip, info.hwnd, info.uId)) {
        tip.tools[*index] = tool;  // the same tool again: its new record
        if (tip.shown && tip.hover == index) {
            Show(tipWindow, tip);
        }
    } else {
        tip.tools.push_back(tool);
    }
    if (tool.flags & TTF_SUBCLASS) {
        TakeOver(tipWindow, info.hwnd);
        auto it = subclasses.find(info.hwnd);
        if (it != subclasses.end() && !it->second.tip) {
            it->second.tip = tipWindow;  // a chain left in place earlier
        }
    }
    return TRUE;
}

void UpdateText(HWND tipWindow, ToolTip& tip, const TOOLINFOA& info) {
    auto index = FindTool(tip, info.hwnd, info.uId);
    if (!index) {
        return;
    }
    tip.tools[*index].text = TextOf(info.lpszText);
    if (tip.shown && tip.hover == index) {
        Show(tipWindow, tip);
    }
}

void Paint(HWND window) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    RECT client{};
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_INFOBK));
    FrameRect(dc, &client, GetSysColorBrush(COLOR_INFOTEXT));
    int length = GetWindowTextLengthA(window);
    std::string text(std::size_t(length) + 1, '\0');
    GetWindowTextA(window, text.data(), length + 1);
    text.resize(std::size_t(length));
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    RECT inside{client.left + 1 + kPaddingX, client.top + 1 + kPaddingY,
                client.right - 1 - kPaddingX, client.bottom - 1 - kPaddingY};
    DrawTextA(dc, text.c_str(), int(text.size()), &inside,
              DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(dc, old);
    EndPaint(window, &paint);
}

LRESULT TipMessage(HWND window, ToolTip& tip, UINT message, WPARAM wParam, LPARAM lParam,
                   bool& handled) {
    handled = true;
    switch (message) {
        case TTM_ADDTOOLA: {
            const TOOLINFOA* info = ReadInfo(lParam);
            return info ? AddTool(window, tip, *info) : FALSE;
        }
        case TTM_DELTOOLA:
            if (const TOOLINFOA* info = ReadInfo(lParam)) {
                if (auto index = FindTool(tip, info->hwnd, info->uId)) {
                    RemoveTool(window, tip, *index);
                }
            }
            return 0;
        case TTM_UPDATETIPTEXTA:
            if (const TOOLINFOA* info = ReadInfo(lParam)) {
                UpdateText(window, tip, *info);
            }
            return 0;
        case TTM_GETTOOLCOUNT:
            return LRESULT(tip.tools.size());
        case TTM_SETMAXTIPWIDTH: {
            int previous = tip.maxWidth;
            tip.maxWidth = int(lParam);
            return previous;
        }
        case TTM_GETMAXTIPWIDTH:
            return tip.maxWidth;
        case TTM_POP:
            Pop(window, tip);
            return 0;
        case WM_TIMER:
            if (wParam != kShowTimer) {
                break;
            }
            KillTimer(window, kShowTimer);
            if (tip.hover && !tip.shown && !tip.suppressed) {
                Show(window, tip);
            }
            return 0;
        default:
            break;
    }
    handled = false;
    return 0;
}

void ForgetTip(HWND window) {
    auto it = tips.find(window);
    if (it == tips.end()) {
        return;
    }
    std::vector<HWND> windows;
    for (const Tool& tool : it->second.tools) {
        windows.push_back(tool.window);
    }
    it->second.tools.clear();
    for (HWND toolWindow : windows) {
        ReleaseIfUnused(toolWindow);
    }
    tips.erase(it);
}

LRESULT TipProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: {
            // A tip is a pop-up whatever style it was created with.
            auto style = DWORD(GetWindowLongA(window, GWL_STYLE));
            style &= ~(WS_CHILD | WS_CAPTION | WS_THICKFRAME | WS_CLIPSIBLINGS);
            SetWindowLongA(window, GWL_STYLE, LONG_PTR(style | WS_POPUP));
            std::lock_guard guard(mutex);
            tips[window] = ToolTip{};
            break;
        }
        case WM_NCDESTROY: {
            std::lock_guard guard(mutex);
            ForgetTip(window);
            break;
        }
        case WM_PAINT:
            Paint(window);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_NCHITTEST:
            return HTTRANSPARENT;  // the mouse goes to what lies beneath
        case WM_MOUSEACTIVATE:
            return 3;  // no activation
        default: {
            std::lock_guard guard(mutex);
            if (ToolTip* tip = TipOf(window)) {
                bool handled = false;
                LRESULT result = TipMessage(window, *tip, message, wParam, lParam, handled);
                if (handled) {
                    return result;
                }
            }
            break;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void RegisterToolTipClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_GLOBALCLASS;
        windowClass.lpfnWndProc = &TipProc;
        windowClass.lpszClassName = TOOLTIPS_CLASSA;
        RegisterClassExA(&windowClass);
    });
}

}  // namespace windowing
