// DefWindowProcA: what a window does with a message its procedure passes on,
// including dragging a window by its caption or frame.
#include <algorithm>
#include <cstring>

#include "platform/gdi/gdi.h"
#include "platform/window/store.h"
#include "platform/window/surface.h"
#include "platform/window/window.h"

namespace windowing {
namespace {

using namespace win;

constexpr int kCornerZone = 16;

MINMAXINFO DefaultTrackingSizes() {
    SIZE screen = ScreenSize();
    MINMAXINFO info{};
    info.ptMaxSize = {screen.cx, screen.cy};
    info.ptMaxPosition = {0, 0};
    info.ptMinTrackSize = {136, 39};
    info.ptMaxTrackSize = {screen.cx + 16, screen.cy + 16};
    return info;
}

MINMAXINFO TrackingSizes(HWND window) {
    MINMAXINFO info = DefaultTrackingSizes();
    SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    return info;
}

bool TracksSizes(HWND handle) {
    auto lock = Lock();
    Window* window = Find(handle);
    return window && !window->IsChild() &&
           (!(window->style & WS_POPUP) || (window->style & WS_THICKFRAME));
}

LRESULT HitTest(HWND handle, POINT screen) {
    auto lock = Lock();
    Window* window = Find(handle);
    if (!window) {
        return HTNOWHERE;
    }
    POINT origin = WindowOriginOnScreen(*window);
    int width = window->rect.right - window->rect.left;
    int height = window->rect.bottom - window->rect.top;
    int x = screen.x - origin.x;
    int y = screen.y - origin.y;
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return HTNOWHERE;
    }
    RECT client = ClientArea(*window);
    if (x >= client.left && x < client.right && y >= client.top && y < client.bottom) {
        return HTCLIENT;
    }
    RECT insets = FrameInsets(window->style, window->exStyle);
    if (window->style & WS_THICKFRAME) {
        bool left = x < insets.left, right = x >= width - insets.right;
        bool top = y < insets.left, bottom = y >= height - insets.bottom;
        bool nearLeft = x < kCornerZone, nearRight = x >= width - kCornerZone;
        bool nearTop = y < kCornerZone, nearBottom = y >= height - kCornerZone;
        if ((top && nearLeft) || (left && nearTop))
            return HTTOPLEFT;
        if ((top && nearRight) || (right && nearTop))
            return HTTOPRIGHT;
        if ((bottom && nearLeft) || (left && nearBottom))
            return HTBOTTOMLEFT;
        if ((bottom && nearRight) || (right && nearBottom))
            return HTBOTTOMRIGHT;
        if (left)
            return HTLEFT;
        if (right)
            return HTRIGHT;
        if (top)
            return HTTOP;
        if (bottom)
            return HTBOTTOM;
    }
    if ((window->style & WS_CAPTION) == WS_CAPTION && y < insets.top && y >= insets.left) {
        return HTCAPTION;
    }
    return HTBORDER;
}

bool IsSizingCode(LRESULT hit) {
    return hit >= HTLEFT && hit <= HTBOTTOMRIGHT;
}

void StartDrag(HWND handle, LRESULT hit, POINT screen) {
    {
        auto lock = Lock();
        Window* window = Find(handle);
        if (!window) {
            return;
        }
        TheStore().input.drag = Drag{handle, hit, screen, window->rect};
    }
    SetCapture(handle);
    SendMessageA(handle, WM_ENTERSIZEMOVE, 0, 0);
}

LRESULT EraseBackground(HWND handle, HDC dc) {
    HBRUSH brush = nullptr;
    {
        auto lock = Lock();
        Window* window = Find(handle);
        if (!window) {
            return 0;
        }
        brush = window->windowClass->brush;
    }
    if (!brush) {
        return 0;
    }
    RECT client{};
    GetClientRect(handle, &client);
    return FillWithBrush(dc, client, brush) ? 1 : 0;
}

// The frame: a border and, with a caption, a caption band with the text.
void PaintFrame(HWND handle) {
    RECT insets{}, client{};
    bool active = false;
    int width = 0;
    std::string text;
    {
        auto lock = Lock();
        Window* window = Find(handle);
        if (!window) {
            return;
        }
        insets = FrameInsets(window->style, window->exStyle);
        client = ClientArea(*window);
        active = TheStore().input.active == TopLevelOf(window)->handle;
        width = window->rect.right - window->rect.left;
        text = window->text;
    }
    if (insets.top == 0 && insets.left == 0) {
        return;
    }
    HDC dc = GetWindowDC(handle);
    if (!dc) {
        return;
    }
    int height = client.bottom + insets.bottom;
    HBRUSH border = CreateSolidBrush(RGB(128, 128, 128));
    RECT edges[] = {{0, 0, width, insets.left},
                    {0, 0, insets.left, height},
                    {client.right, 0, width, height},
                    {0, client.bottom, width, height}};
    for (const RECT& edge : edges) {
        FillRect(dc, &edge, border);
    }
    DeleteObject(border);
    if (insets.top > insets.left) {
        RECT band{insets.left, insets.left, client.right, insets.top};
        HBRUSH caption = CreateSolidBrush(active ? RGB(0x2B, 0x57, 0x97) : RGB(0x9D, 0xB0, 0xC8));
        FillRect(dc, &band, caption);
        DeleteObject(caption);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        RECT textArea{band.left + 6, band.top, band.right - 6, band.bottom};
        DrawTextA(dc, text.c_str(), int(text.size()), &textArea,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    ReleaseDC(handle, dc);
}

void WindowPosChanged(HWND handle, const WINDOWPOS& position) {
    if (!(position.flags & SWP_NOMOVE)) {
        POINT origin{0, 0};
        ClientToScreen(handle, &origin);
        if (HWND parent = GetParent(handle);
            parent && (GetWindowLongA(handle, GWL_STYLE) & WS_CHILD)) {
            ScreenToClient(parent, &origin);
        }
        SendMessageA(handle, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
    }
    if (!(position.flags & SWP_NOSIZE)) {
        RECT client{};
        GetClientRect(handle, &client);
        SendMessageA(handle, WM_SIZE, IsIconic(handle) ? SIZE_MINIMIZED : SIZE_RESTORED,
                     MAKELPARAM(client.right, client.bottom));
    }
}

void WindowPosChanging(HWND handle, WINDOWPOS& position) {
    if ((position.flags & SWP_NOSIZE) || !TracksSizes(handle)) {
        return;
    }
    ClampToTrackingSizes(handle, position.cx, position.cy);
}

}  // namespace

void ClampToTrackingSizes(HWND handle, int& width, int& height) {
    if (!TracksSizes(handle)) {
        return;
    }
    MINMAXINFO info = TrackingSizes(handle);
    width = std::clamp(width, int(info.ptMinTrackSize.x),
                       std::max(int(info.ptMinTrackSize.x), int(info.ptMaxTrackSize.x)));
    height = std::clamp(height, int(info.ptMinTrackSize.y),
                        std::max(int(info.ptMinTrackSize.y), int(info.ptMaxTrackSize.y)));
}

void ContinueDrag(POINT screen, bool release) {
    std::optional<Drag> drag;
    {
        auto lock = Lock();
        drag = TheStore().input.drag;
        if (release) {
            TheStore().input.drag.reset();
        }
    }
    if (!drag || !IsWindow(drag->window)) {
        return;
    }
    int dx = screen.x - drag->start.x;
    int dy = screen.y - drag->start.y;
    RECT rect = drag->startRect;
    if (drag->hit == HTCAPTION) {
        Offset(rect, dx, dy);
        SetWindowPos(drag->window, nullptr, rect.left, rect.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (IsSizingCode(drag->hit)) {
        LRESULT hit = drag->hit;
        bool left = hit == HTLEFT || hit == HTTOPLEFT || hit == HTBOTTOMLEFT;
        bool right = hit == HTRIGHT || hit == HTTOPRIGHT || hit == HTBOTTOMRIGHT;
        bool top = hit == HTTOP || hit == HTTOPLEFT || hit == HTTOPRIGHT;
        bool bottom = hit == HTBOTTOM || hit == HTBOTTOMLEFT || hit == HTBOTTOMRIGHT;
        rect.left += left ? dx : 0;
        rect.right += right ? dx : 0;
        rect.top += top ? dy : 0;
        rect.bottom += bottom ? dy : 0;
        // The tracking sizes hold with the opposite edge kept in place.
        MINMAXINFO info = TrackingSizes(drag->window);
        int width = std::clamp<int>(rect.right - rect.left, info.ptMinTrackSize.x,
                                    std::max(info.ptMinTrackSize.x, info.ptMaxTrackSize.x));
        int height = std::clamp<int>(rect.bottom - rect.top, info.ptMinTrackSize.y,
                                     std::max(info.ptMinTrackSize.y, info.ptMaxTrackSize.y));
        if (left) {
            rect.left = rect.right - width;
        } else {
            rect.right = rect.left + width;
        }
        if (top) {
            rect.top = rect.bottom - height;
        } else {
            rect.bottom = rect.top + height;
        }
        SetWindowPos(drag->window, nullptr, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (release) {
        if (GetCapture() == drag->window) {
            ReleaseCapture();
        }
        SendMessageA(drag->window, WM_EXITSIZEMOVE, 0, 0);
    }
}

}  // namespace windowing

namespace win {

using namespace windowing;

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: {
            auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            if (create && create->lpszName) {
                auto lock = Lock();
                if (Window* record = Find(window)) {
                    record->text = create->lpszName;
                }
            }
            return TRUE;
        }
        case WM_NCHITTEST:
            return HitTest(window, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        case WM_NCLBUTTONDOWN:
            if (LRESULT(wParam) == HTCAPTION || IsSizingCode(LRESULT(wParam))) {
                StartDrag(window, LRESULT(wParam),
                          POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_ERASEBKGND:
            return EraseBackground(window, reinterpret_cast<HDC>(wParam));
        case WM_NCPAINT:
            PaintFrame(window);
            return 0;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_SETTEXT: {
            auto lock = Lock();
            Window* record = Find(window);
            if (!record) {
                return FALSE;
            }
            record->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
            bool captioned = (record->style & WS_CAPTION) == WS_CAPTION && ReallyVisible(*record);
            lock.unlock();
            if (captioned) {
                PaintFrame(window);  // the caption shows the new text at once
            }
            return TRUE;
        }
        case WM_GETTEXT: {
            auto* buffer = reinterpret_cast<char*>(lParam);
            if (!buffer || wParam == 0) {
                return 0;
            }
            auto lock = Lock();
            Window* record = Find(window);
            if (!record) {
                buffer[0] = '\0';
                return 0;
            }
            std::size_t count = std::min<std::size_t>(record->text.size(), wParam - 1);
            std::memcpy(buffer, record->text.data(), count);
            buffer[count] = '\0';
            return LRESULT(count);
        }
        case WM_GETTEXTLENGTH: {
            auto lock = Lock();
            Window* record = Find(window);
            return record ? LRESULT(record->text.size()) : 0;
        }
        case WM_MOUSEWHEEL:
            // Unhandled wheel turns go up to the parent.
            if (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) {
                if (HWND parent = GetParent(window)) {
                    return SendMessageA(parent, message, wParam, lParam);
                }
            }
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && !IsIconic(window)) {
                SetFocus(window);
            }
            return 0;
        case WM_WINDOWPOSCHANGING:
            if (lParam) {
                WindowPosChanging(window, *reinterpret_cast<WINDOWPOS*>(lParam));
            }
            return 0;
        case WM_WINDOWPOSCHANGED:
            if (lParam) {
                WindowPosChanged(window, *reinterpret_cast<const WINDOWPOS*>(lParam));
            }
            return 0;
        case WM_NCACTIVATE:
            return TRUE;
        case WM_SETREDRAW: {
            // Redraw stays off until switched on again; the caller then
            // invalidates what changed meanwhile.
            auto lock = Lock();
            if (Window* record = Find(window)) {
                record->redrawOff = wParam == FALSE;
            }
            return 0;
        }
        case WM_MOUSEACTIVATE:
            return 1;  // activate
        default:
            return 0;
    }
}

}  // namespace win
